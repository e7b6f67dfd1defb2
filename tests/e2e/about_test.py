"""The About window of configuration mode, driven for real on the private
Xvfb of the test run (1920 x 1080, no window manager): `morvane /c` must show
a fixed 400 x 300 window in the middle of the screen with its title, picture
and notice on light green, open the web site through xdg-open from its button
only, and end with status 0 when the window is closed."""
import os
import pathlib
import re
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = pathlib.Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))
import xshot  # noqa: E402

ROOT = HERE.parent.parent
BUILD = pathlib.Path(os.environ["MORVANE_BUILD_DIR"])
PROGRAM = BUILD / "morvane"
PICTURE = BUILD / "resources" / "assets" / "about.bmp"  # the bytes embedded as bitmap 182

SCREEN_W, SCREEN_H = 1920, 1080
WIDTH, HEIGHT = 400, 300
LEFT, TOP = 760, 390  # (1920 - 400) / 2, (1080 - 300) / 2
GREEN = (177, 232, 179)
PICTURE_AT = (142, 55)
BUTTON_CENTRE = (150 + 50, 210 + 16)

# Bounds on waiting for the program; none of them is a measure of speed.
PATIENCE = 30.0


def site_address():
    text = (ROOT / "about" / "AboutText.h").read_text()
    return re.search(r'kWebsiteAddress\[\]\s*=\s*"([^"]+)"', text).group(1)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=30)


def about_windows():
    found = xdotool("search", "--name", "^About$")
    return [int(w) for w in found.stdout.split()]


def wait_for(condition, what):
    value = xshot.wait_for(condition, PATIENCE, 0.05)
    if not value:
        raise AssertionError("gave up waiting for " + what)
    return value


def geometry(window):
    info = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True,
                          check=True, timeout=30).stdout

    def field(name):
        return int(re.search(name + r":\s+(-?\d+)", info).group(1))

    return (field("Absolute upper-left X"), field("Absolute upper-left Y"),
            field("Width"), field("Height"))


def read_bmp(path):
    """The About picture as rows of (r, g, b), top row first."""
    data = path.read_bytes()
    if data[:2] == b"BM":
        data = data[14:]
    size, width, height, _, bits = struct.unpack_from("<IiiHH", data, 0)
    step = bits // 8
    stride = (width * step + 3) & ~3
    rows = []
    for y in range(abs(height)):
        stored = abs(height) - 1 - y if height > 0 else y
        start = size + stored * stride
        rows.append([(data[start + x * step + 2], data[start + x * step + 1], data[start + x * step])
                     for x in range(width)])
    return rows


def zombie_children(pid):
    zombies = []
    for entry in pathlib.Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            stat = (entry / "stat").read_text()
        except OSError:
            continue
        fields = stat[stat.rindex(")") + 2:].split()
        if int(fields[1]) == pid and fields[0] == "Z":
            zombies.append(int(entry.name))
    return zombies


class AboutWindowTest(unittest.TestCase):
    def setUp(self):
        self.assertTrue(PROGRAM.exists(), "%s is not built" % PROGRAM)
        self.assertEqual(about_windows(), [], "an About window is left over")
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)
        self.record = pathlib.Path(self.tmp.name) / "opened"
        # A stand-in for the desktop's xdg-open, found first on PATH: it
        # writes down how it was started, and the TZ it was given (the
        # program's own clock runs pin it; a browser must not inherit that).
        fake = pathlib.Path(self.tmp.name) / "xdg-open"
        fake.write_text('#!/bin/sh\nprintf "%%d\\n" "$#" >> "%s"\nprintf "%%s\\n" "$@" >> "%s"\n'
                        'printf "TZ %%s\\n" "${TZ-unset}" >> "%s"\n'
                        % (self.record, self.record, self.record))
        fake.chmod(0o755)
        self.env = dict(os.environ)
        self.env.pop("BROWSER", None)
        self.env.pop("TZ", None)
        self.env["PATH"] = self.tmp.name + os.pathsep + self.env.get("PATH", "")
        self.processes = []

    def tearDown(self):
        for process in self.processes:
            if process.poll() is None:
                process.kill()
                process.wait()

    def start(self, *args):
        process = subprocess.Popen([str(PROGRAM), *args], env=self.env)
        self.processes.append(process)
        return process

    def open_one(self, *args):
        process = self.start(*args)
        window = wait_for(lambda: about_windows() and about_windows()[0], "the About window")
        # Mapped and drawn: wait until its corner shows a greenish paint (the
        # exact colour is checked by the tests).
        wait_for(lambda: all(abs(a - b) < 40 for a, b in
                             zip(xshot.capture("root").pixel(LEFT + 5, TOP + 5), GREEN)),
                 "the window to be painted")
        return process, window

    def assert_exits_cleanly(self, process):
        try:
            status = process.wait(timeout=PATIENCE)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end after its window was closed")
        self.assertEqual(status, 0)

    def test_window_geometry_and_look(self):
        process, window = self.open_one("/c")
        self.assertEqual(geometry(window), (LEFT, TOP, WIDTH, HEIGHT))
        hints = subprocess.run(["xprop", "-id", str(window), "WM_CLASS", "WM_NORMAL_HINTS"],
                               capture_output=True, text=True, check=True, timeout=30).stdout
        self.assertIn('"ValtrenneWindowClass"', hints)
        self.assertIn("minimum size: 400 by 300", hints)
        self.assertIn("maximum size: 400 by 300", hints)

        shot = xshot.capture("root").crop(LEFT, TOP, WIDTH, HEIGHT)
        shot.save_png(str(BUILD / "about-linux.png"))

        # Light green wherever nothing is drawn: corners, beside the picture,
        # between the notice and the button, around the button.
        for point in [(0, 0), (399, 0), (0, 299), (399, 299), (10, 60), (60, 100), (330, 100),
                      (141, 90), (252, 90), (200, 141), (60, 260), (140, 226), (260, 226),
                      (200, 250), (395, 180), (50, 30)]:
            self.assertEqual(shot.pixel(*point), GREEN, "at %s" % (point,))

        # The picture, pixel for pixel at a few places, inside its own box only.
        picture = read_bmp(PICTURE)
        px, py = PICTURE_AT
        pw, ph = len(picture[0]), len(picture)
        self.assertEqual((pw, ph), (110, 83))
        # Fixed places, and the most colourful pixel of each third (the
        # digits), which give away a mirrored picture or swapped channels.
        points = [(0, 0), (pw - 1, 0), (0, ph - 1), (pw - 1, ph - 1), (pw // 2, ph // 2),
                  (17, 61), (80, 23), (55, 40), (95, 70)]
        for third in range(3):
            points.append(max(((x, y) for y in range(ph)
                               for x in range(third * pw // 3, (third + 1) * pw // 3)),
                              key=lambda q: max(picture[q[1]][q[0]]) - min(picture[q[1]][q[0]])))
        for x, y in points:
            got, want = shot.pixel(px + x, py + y), picture[y][x]
            self.assertTrue(all(abs(a - b) <= 8 for a, b in zip(got, want)),
                            "picture pixel %s: %s, not %s" % ((x, y), got, want))
            self.assertNotEqual(got, GREEN)

        def pixels(x0, y0, x1, y1, test):
            return sum(1 for y in range(y0, y1) for x in range(x0, x1) if test(shot.pixel(x, y)))

        def dark(p):
            return max(p) < 70

        def blue(p):
            return p[2] > 190 and p[0] < 80 and p[1] < 120

        # Title: black text with a long black underline in its box.
        self.assertGreater(pixels(108, 20, 388, 40, dark), 150)
        self.assertEqual(pixels(108, 20, 388, 40, blue), 0)
        runs = []
        for y in range(20, 40):
            run = best = 0
            for x in range(108, 388):
                run = run + 1 if dark(shot.pixel(x, y)) else 0
                best = max(best, run)
            runs.append(best)
        self.assertGreater(max(runs), 120, "no underline under the title")

        # Notice: blue text on three lines, nothing black.
        self.assertGreater(pixels(20, 150, 400, 210, blue), 400)
        self.assertEqual(pixels(20, 150, 400, 210, dark), 0)
        lines, inside = 0, False
        for y in range(150, 210):
            has_text = any(blue(shot.pixel(x, y)) for x in range(20, 400))
            if has_text and not inside:
                lines += 1
            inside = has_text
        self.assertEqual(lines, 3)

        # The button: a face that is not the background, with a dark caption.
        self.assertGreater(pixels(152, 212, 248, 240, lambda p: p != GREEN), 2000)
        self.assertGreater(pixels(152, 212, 248, 240, dark), 40)

        xshot.close_box(window)
        self.assert_exits_cleanly(process)
        self.assertEqual(about_windows(), [])

    def test_button_opens_site_and_window_stays(self):
        process, window = self.open_one("/c:1234")
        expected = site_address() + "/?utm_source=About"

        # A click on the notice does nothing; then the button, once.
        xdotool("mousemove", str(LEFT + 100), str(TOP + 170), "click", "1")
        xdotool("mousemove", str(LEFT + BUTTON_CENTRE[0]), str(TOP + BUTTON_CENTRE[1]),
                "click", "1")
        wait_for(self.record.exists, "xdg-open to be started")
        wait_for(lambda: len(self.record.read_text().splitlines()) >= 3, "its record")
        self.assertEqual(self.record.read_text().splitlines(), ["1", expected, "TZ unset"])

        # Still open, and the finished xdg-open is collected, not left a zombie.
        self.assertIsNone(process.poll())
        self.assertEqual(about_windows(), [window])
        wait_for(lambda: not zombie_children(process.pid), "xdg-open to be reaped")
        self.assertIsNone(process.poll())

        # A second press opens the site again.
        xdotool("click", "1")
        wait_for(lambda: len(self.record.read_text().splitlines()) >= 6, "the second record")
        self.assertEqual(self.record.read_text().splitlines(), ["1", expected, "TZ unset"] * 2)

        # Escape is FLTK's shortcut for closing a window.
        xdotool("windowfocus", "--sync", str(window))
        xdotool("key", "Escape")
        self.assert_exits_cleanly(process)

    def test_two_windows_at_once(self):
        first = self.start("/c")
        second = self.start("/c")
        windows = wait_for(lambda: len(about_windows()) == 2 and about_windows(),
                           "two About windows")
        for window in windows:
            wait_for(lambda: geometry(window) == (LEFT, TOP, WIDTH, HEIGHT),
                     "window %d in place" % window)
        self.assertIsNone(first.poll())
        self.assertIsNone(second.poll())
        for window in windows:
            xshot.close_box(window)
        self.assert_exits_cleanly(first)
        self.assert_exits_cleanly(second)
        self.assertEqual(about_windows(), [])

    def test_no_display_reports_and_returns(self):
        env = dict(self.env)
        env.pop("DISPLAY", None)
        result = subprocess.run([str(PROGRAM), "/c"], env=env, capture_output=True, text=True,
                                timeout=PATIENCE)
        self.assertEqual(result.returncode, 0)
        self.assertIn("Window Creation Failed!", result.stderr)
        self.assertIn("Error!", result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
