"""Configuration mode of the real Morvane.scr under Wine: "/c" opens the
About window (light green, the clock picture at (142, 55) of the client
area), several can be open at once, and closing one ends its process with
status 0. MORVANE_ABOUT_SHOT=path keeps a picture of the window. The file
itself says what it is, as Windows reads it: the version resource of its
properties and Task Manager, and the name Screen Saver Settings lists. At
144 DPI all of the window is 1.5 times as large; at 96 DPI it is the window
of MORVANE_ABOUT_REFERENCE (an earlier build's Morvane.scr) when given."""
import os
import subprocess
import sys

from winetest import (ABOUT_GREEN, HOST, Prefix, SCR, is_paper, report, require_inputs, wait_for, xshot)

CLASS = "ValtrenneWindowClass"
REFERENCE = os.environ.get("MORVANE_ABOUT_REFERENCE", "")
DESKTOP = r"HKCU\Control Panel\Desktop"
LICENSE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "LICENSE")


def about_windows():
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^About$"],
                       capture_output=True, text=True)
    return r.stdout.split()


def client_box(shot):
    """The bounding box of the exact background green: the client area."""
    xs, ys = [], []
    for y in range(shot.height):
        for x in range(0, shot.width):
            if shot.pixel(x, y) == ABOUT_GREEN:
                xs.append(x)
                ys.append(y)
    return (min(xs), min(ys), max(xs), max(ys)) if xs else None


def measure(shot, box, dpi):
    """The client area's size and the boxes of the picture, the title and
    the notice, in the bands of the 96-DPI layout scaled to `dpi`."""
    left, top, right, bottom = box
    width = right - left + 1

    def band(first, last, test):
        found = [(x, y) for y in range(first * dpi // 96, min(last * dpi // 96, bottom - top))
                 for x in range(width) if test(shot.pixel(left + x, top + y))]
        xs, ys = [x for x, _ in found], [y for _, y in found]
        return (min(xs), min(ys), max(xs), max(ys)) if found else None

    return {"client": (width, bottom - top + 1),
            "picture": band(45, 145, lambda p: max(p) < 70),
            "title": band(0, 45, lambda p: max(p) < 60),
            "info": band(145, 205, lambda p: p[2] > 200 and p[0] < 100 and p[1] < 140)}


def shoot(prefix, scr):
    """The About window of `scr` "/c": its screenshot, or None."""
    proc = prefix.start([scr, "/c"])
    shot = None
    if wait_for(lambda: about_windows() or proc.poll() is not None) and about_windows():
        wait_for(lambda: False, limit=3)  # let it paint
        shot = xshot.capture(about_windows()[0])
    prefix.run(["wine", HOST, "close", CLASS, "About"], timeout=60)
    wait_for(lambda: proc.poll() is not None, limit=60) or proc.kill()
    prefix.wait_idle()
    return shot


def check_dpi(prefix, at96, shot96, failures):
    """At 144 DPI the client area, the picture (at (142, 55) x 1.5) and both
    texts, none cut off, 1.5 times their sizes at 96 DPI."""
    reference = REFERENCE and shoot(prefix, REFERENCE)
    if REFERENCE and not (reference and reference.rows == shot96.rows):
        failures.append("at 96 DPI the window differs from %s's" % REFERENCE)
    prefix.set_registry(DESKTOP, "LogPixels", 144, "REG_DWORD")
    shot = shoot(prefix, SCR)
    box = shot and client_box(shot)
    if box is None:
        failures.append("144 DPI: no About window, or no background green in it")
        return
    at144 = measure(shot, box, 144)
    (width, height), picture = at144["client"], at144["picture"]
    if any(abs(a - 1.5 * b) > 0.02 * a for a, b in zip(at144["client"], at96["client"])):
        failures.append("144 DPI: client %s, not 1.5 x %s" % (at144["client"], at96["client"]))
    if picture is None or any(abs(a - b) > 1 for a, b in zip(picture, (213, 83, 377, 207))):
        failures.append("144 DPI: the picture's box is %s, not (213, 83, 377, 207)" % (picture,))
    for name in ("title", "info"):
        small, large = at96[name] or (0, 0, 0, 0), at144[name] or (0, 0, 0, 0)
        ratios = [(large[i + 2] - large[i] + 1) / (small[i + 2] - small[i] + 1) for i in (0, 1)]
        if not all(1.3 <= r <= 1.7 for r in ratios) or large[2] >= width - 1 or large[3] >= height - 1:
            failures.append("144 DPI: the %s text's box %s, not 1.5 x %s inside the window"
                            % (name, at144[name], at96[name]))


def check_window(window, failures):
    """The window at 96 DPI; returns its measures and its screenshot."""
    shot = xshot.capture(window)
    if os.environ.get("MORVANE_ABOUT_SHOT"):
        shot.save_png(os.environ["MORVANE_ABOUT_SHOT"])
    box = client_box(shot)
    if box is None:
        failures.append("no pixel of the background green (177, 232, 179)")
        return None, shot
    left, top, right, bottom = box
    width, height = right - left + 1, bottom - top + 1
    # 400 x 300 outside, so the client area is a little smaller.
    if not (360 <= width <= 400 and 240 <= height <= 300):
        failures.append("client area %dx%d" % (width, height))
    # Empty places of the window are green: beside the picture and under the button.
    for (x, y) in [(5, 5), (width - 6, 5), (5, height - 6), (width - 6, height - 6), (60, 80),
                   (330, 80)]:
        if shot.pixel(left + x, top + y) != ABOUT_GREEN:
            failures.append("client (%d, %d) is %s, not the background green"
                            % (x, y, shot.pixel(left + x, top + y)))
    # The picture: 110 x 83 at (142, 55), dark ground with paper tiles.
    picture = [shot.pixel(left + 142 + x, top + 55 + y) for y in range(0, 83, 2)
               for x in range(0, 110, 2)]
    if any(p == ABOUT_GREEN for p in picture):
        failures.append("the clock picture is missing at (142, 55)")
    if not any(max(p) < 70 for p in picture) or not any(is_paper(p) for p in picture):
        failures.append("the clock picture has no dark ground or no paper")
    # The title is black on green, the notice blue on green.
    title = [shot.pixel(left + x, top + y) for y in range(20, 40) for x in range(108, 300)]
    if not any(max(p) < 60 for p in title):
        failures.append("no black title text")
    info = [shot.pixel(left + x, top + y) for y in range(150, 200) for x in range(20, 380)]
    if not any(p[2] > 200 and p[0] < 100 and p[1] < 140 for p in info):
        failures.append("no blue notice text")
    return measure(shot, box, 96), shot


def check_file(prefix, failures):
    """The version resource (versions from the project's, the copyright
    line of LICENSE) and string 1, read by the probe as Windows reads them."""
    version = ".".join((os.environ.get("MORVANE_VERSION", "?").split(".") + ["0", "0"])[:3])
    with open(LICENSE) as f:
        copyright = next(line.strip() for line in f if line.startswith("Copyright"))
    path = prefix.run(["winepath", "-w", SCR], text=True).stdout.strip()
    said = prefix.run(["wine", HOST, "version", path], text=True).stdout
    print(said.strip())
    got = dict((line.split(" ", 1) + [""])[:2] for line in said.splitlines())
    want = {"fixed": "%s.0 %s.0" % (version, version), "FileVersion": version,
            "ProductVersion": version, "ProductName": "Morvane", "LegalCopyright": copyright,
            "OriginalFilename": "Morvane.scr", "string1": "Morvane"}
    for name, value in want.items():
        if got.get(name) != value:
            failures.append("%s is %r, want %r" % (name, got.get(name), value))
    if not got.get("FileDescription", "").startswith("Morvane "):
        failures.append("FileDescription is %r" % got.get("FileDescription"))


def main():
    require_inputs()
    prefix = Prefix()
    failures = []
    try:
        check_file(prefix, failures)
        first = prefix.start([SCR, "/c"])
        if not wait_for(lambda: about_windows() or first.poll() is not None):
            failures.append("/c showed no window captioned About")
        else:
            wait_for(lambda: False, limit=3)  # let it paint
            at96, shot96 = check_window(about_windows()[0], failures)
            # Configuration mode is not guarded: a second About opens too.
            second = prefix.start([SCR, "/c:1234"])
            if not wait_for(lambda: len(about_windows()) >= 2 or second.poll() is not None):
                failures.append("a second /c opened no window")
            for proc in (first, second):
                r = prefix.run(["wine", HOST, "close", CLASS, "About"], timeout=60)
                if b"closed" not in r.stdout:
                    failures.append("no About window to close")
                wait_for(lambda: first.poll() is not None or second.poll() is not None, limit=60)
            for proc in (first, second):
                wait_for(lambda: proc.poll() is not None, limit=60)
                if proc.poll() is None:
                    proc.kill()
                    failures.append("an About process outlived its window")
                elif proc.returncode != 0:
                    failures.append("an About process ended with status %s" % proc.returncode)
            prefix.wait_idle()
            if at96:
                check_dpi(prefix, at96, shot96, failures)
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
