#!/usr/bin/env python3
"""The real screensaver on a private Xvfb: full screen, input, the guard and
the preview window. Needs DISPLAY (tests/xvfb-run.sh) and MORVANE_BUILD_DIR."""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "hosts"))
import hostlib  # noqa: E402
import xshot  # noqa: E402

BUILD = os.environ.get("MORVANE_BUILD_DIR", "build")
MORVANE = os.path.join(BUILD, "morvane")
TITLE = "^Morvane Screensaver$"
# llvmpipe needs a while for the first frame (two 2048x2048 float textures);
# more under the sanitizers.
START_TIMEOUT = 90


def search(name):
    out = subprocess.run(["xdotool", "search", "--name", name], capture_output=True, text=True)
    return [int(w) for w in out.stdout.split()]


def wait_for(predicate, timeout, step=0.1):
    return xshot.wait_for(predicate, timeout, step)


def geometry(window):
    out = subprocess.run(["xwininfo", "-id", str(window)], capture_output=True, text=True).stdout
    values = {}
    for line in out.splitlines():
        line = line.strip()
        for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height", "Map State"):
            if line.startswith(key + ":"):
                values[key] = line.split(":", 1)[1].strip()
    return values


def top_level_windows():
    """The mapped children of the root (GLFW's hidden helper window does not count)."""
    out = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True, text=True).stdout
    ids = [line.split()[0] for line in out.splitlines() if line.strip().startswith("0x")]
    return {w for w in ids if geometry(w).get("Map State") == "IsViewable"}


def brightness(shot, x, y):
    return sum(shot.pixel(x, y))


class Saver:
    """One screensaver process, ended at the end of the test whatever happens."""

    def __init__(self, *args, env=None):
        self.process = subprocess.Popen([MORVANE, *args], stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True, env=env)

    def wait(self, timeout):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None

    def running(self):
        return self.process.poll() is None

    def output(self):
        """Standard output and error, once the process has ended."""
        out, err = self.process.communicate()
        return out + err

    def stop(self):
        if self.running():
            self.process.kill()
        self.process.communicate()


class ScreensaverTest(unittest.TestCase):
    def setUp(self):
        self.savers = []
        self.others = []

    def tearDown(self):
        for saver in self.savers:
            saver.stop()
        for process in self.others:
            if process.poll() is None:
                process.kill()
                process.wait()

    def start(self, *args, env=None):
        saver = Saver(*args, env=env)
        self.savers.append(saver)
        return saver

    def wait_for_window(self, saver):
        # The window has its title a moment before it is mapped.
        windows = wait_for(lambda: [w for w in search(TITLE)
                                    if geometry(w).get("Map State") == "IsViewable"]
                           or (not saver.running() and [-1]), START_TIMEOUT)
        if windows and windows[0] == -1:
            self.fail("the screensaver ended with status %s before its window appeared; it said:\n%s"
                      % (saver.process.returncode, saver.process.stderr.read()))
        self.assertTrue(windows, "no full-screen window appeared")
        self.assertTrue(saver.running())
        return windows[0]

    def wait_for_picture(self):
        """Waits until the screen shows more than the black of a cleared frame."""
        def drawn():
            shot = xshot.capture()
            return shot if brightness(shot, shot.width // 2, shot.height // 2) > 60 else None
        shot = wait_for(drawn, START_TIMEOUT, step=0.5)
        self.assertIsNotNone(shot, "the clock never appeared on the screen")
        return shot

    def test_full_screen_runs_until_a_key(self):
        # As a user starts it (no ALSOFT_DRIVERS): here, without a sound
        # device, its failed open must not be heard of on standard error.
        saver = self.start("/s", env={k: v for k, v in os.environ.items() if k != "ALSOFT_DRIVERS"})
        window = self.wait_for_window(saver)
        g = geometry(window)
        self.assertEqual((g["Width"], g["Height"]), ("1920", "1080"))
        self.assertEqual((g["Absolute upper-left X"], g["Absolute upper-left Y"]), ("0", "0"))
        first = self.wait_for_picture()
        # Frames keep coming: the seconds tiles change within two seconds.
        seconds_area = (1920 // 2 + 360 * 1080 // 1000 - 60, 1080 // 2 - 100, 120, 200)
        before = first.crop(*seconds_area).rows
        changed = wait_for(lambda: xshot.capture().crop(*seconds_area).rows != before, 10, step=0.3)
        self.assertTrue(changed, "the picture did not change: no frames are being presented")
        # Moving the mouse or turning the wheel does not end it.
        subprocess.run(["xdotool", "mousemove", "100", "100"], check=True)
        subprocess.run(["xdotool", "mousemove", "900", "700"], check=True)
        subprocess.run(["xdotool", "click", "4"], check=True)  # wheel up
        time.sleep(1.5)
        self.assertTrue(saver.running(), "mouse movement ended the screensaver")
        # Any key ends it with status 0.
        subprocess.run(["xdotool", "key", "shift"], check=True)
        self.assertEqual(saver.wait(15), 0)
        self.assertEqual(saver.process.stderr.read(), "")

    def test_frames_only_as_the_face_changes_and_none_while_the_monitor_is_off(self):
        """On a 320x180 screen: nothing presented at rest (from a quarter past a
        turn until the next), the flip drawn; none at all once DPMS says the
        monitor is off, with a look a second at most, and no CPU to speak of;
        drawn again once it is on; and a key still ends the run while it is off."""
        x = hostlib.XServer(("320x180x24",))
        dpms = os.path.join(x.dir, "dpms")
        with open(dpms, "w") as f:
            f.write("on")
        saver = self.start("/s", env=x.env(LD_PRELOAD=os.environ["MORVANE_DPMS_STANDIN"],
                                           MORVANE_TEST_DPMS=dpms,
                                           ASAN_OPTIONS="detect_leaks=0:verify_asan_link_order=0"))
        try:
            # Counted from the first frame on: damage tracked before it may
            # never report.
            self.assertTrue(hostlib.wait_for(lambda: not hostlib.clock_problems(
                hostlib.capture(x.display), 0, 0, 320, 180), START_TIMEOUT, 0.5), "no clock")
            window = [w for w in hostlib.mapped_top_levels(x.display)
                      if hostlib.geometry(x.display, w)[2:] == (320, 180)]
            presents = xshot.Presents(window[0], x.display)
            seen = presents.collect(4)
            at_rest = [t % 1 for t in seen if 0.3 <= t % 1 < 0.48]
            self.assertEqual(at_rest, [], "frames presented at rest (wall clock's fractions)")
            self.assertGreaterEqual(sum(1 for t in seen if 0.5 <= t % 1 < 0.8), 8, "the flips")

            def set_monitor(level):
                with open(dpms, "w") as f:
                    f.write(level)
                return presents.collect(1.5)  # a look, and the end of a flip
            set_monitor("off")
            cpu, looks = hostlib.cpu_seconds(saver.process.pid), open(dpms).read().count("look")
            self.assertEqual(presents.collect(3), [], "frames presented while the monitor is off")
            cpu = hostlib.cpu_seconds(saver.process.pid) - cpu
            looks = open(dpms).read().count("look") - looks
            self.assertLessEqual(looks, 4, "looks at the monitor in 3 s")
            self.assertLess(cpu, 0.1, "CPU seconds in 3 s with the monitor off")
            self.assertTrue(set_monitor("on"), "nothing drawn once the monitor is on again")
            set_monitor("off")
            subprocess.run(["xdotool", "key", "shift"], env=x.env(), check=True)
            self.assertEqual(saver.wait(15), 0)
        finally:
            saver.stop()
            x.stop()

    def test_losing_the_focus_ends_it(self):
        """As on Windows: another window takes the focus, the run ends with
        status 0 (never a minimised window left running), and the X
        server's own screen saver settings are as they were."""
        saver_settings = lambda: subprocess.run(  # noqa: E731
            ["xset", "q"], capture_output=True, text=True).stdout.split("Screen Saver:")[1].split(
                "Colors:")[0].split()
        before = saver_settings()
        saver = self.start("/s")
        self.wait_for_window(saver)
        self.wait_for_picture()
        self.assertEqual(saver_settings(), before)
        other = subprocess.Popen(["xlogo", "-geometry", "100x100+10+10"])
        self.others.append(other)
        window = wait_for(lambda: search("^xlogo$"), 20)
        self.assertTrue(window, "the other window did not appear")
        subprocess.run(["xdotool", "windowfocus", "--sync", str(window[0])], check=True)
        self.assertEqual(saver.wait(5), 0)

    def test_losing_its_monitor_ends_it(self):
        """The monitor leaves (RandR: its output's CRTC off, as a sleeping
        DisplayPort monitor leaves the display topology): the library makes
        the window an ordinary one, and the run ends with status 0 rather
        than go on as that window."""
        saver = self.start("/s")
        self.wait_for_window(saver)
        self.wait_for_picture()
        self.addCleanup(subprocess.run, ["xrandr", "--output", "screen", "--auto"], check=True)
        # Xvfb then refuses the smaller screen, but the CRTC is off by then.
        subprocess.run(["xrandr", "--output", "screen", "--off"], capture_output=True)
        monitors = subprocess.run(["xrandr", "--listmonitors"], capture_output=True, text=True)
        self.assertIn("Monitors: 0", monitors.stdout)
        self.assertEqual(saver.wait(15), 0)

    def test_a_mouse_button_ends_it(self):
        saver = self.start("/s")
        self.wait_for_window(saver)
        self.wait_for_picture()
        subprocess.run(["xdotool", "mousemove", "960", "540", "click", "1"], check=True)
        self.assertEqual(saver.wait(15), 0)

    def assert_refused_by_the_guard(self, saver, spelling):
        """Ended at once with status 0, before opening anything: no window
        of its own and not a word on either output (a run that got past the
        guard prints the mesh listing, and one that could not reach the
        display says so)."""
        windows_before = top_level_windows()
        self.assertEqual(saver.wait(10), 0, "a second launch on %s did not exit at once" % spelling)
        self.assertEqual(saver.output(), "", "the second launch on %s got past the guard" % spelling)
        self.assertEqual(top_level_windows(), windows_before)
        self.assertEqual(len(search(TITLE)), 1, "a second window appeared")

    def test_the_guard_lets_only_one_default_or_preview_run(self):
        first = self.start()
        window = self.wait_for_window(first)
        self.assert_refused_by_the_guard(self.start(), os.environ["DISPLAY"])
        # Other spellings of the same display meet the same guard. This
        # server does not listen on TCP, so "localhost:N" could not even
        # reach it: only the guard keeps that launch quiet.
        number = os.environ["DISPLAY"].split(":")[1].split(".")[0]
        for spelling in ("unix:" + number, "localhost:" + number, ":%s.0" % number):
            self.assert_refused_by_the_guard(
                self.start(env=dict(os.environ, DISPLAY=spelling)), spelling)
        self.assertTrue(first.running())
        # Full-screen launches skip the guard.
        third = self.start("/s")
        time.sleep(3)
        self.assertTrue(third.running(), "a /s launch was stopped by the guard")
        third.stop()
        subprocess.run(["xdotool", "key", "--window", str(window), "q"], check=True)
        self.assertEqual(first.wait(15), 0)

    def test_preview_draws_into_the_host_and_ends_with_it(self):
        host = subprocess.Popen(["xlogo", "-geometry", "320x240+200+150", "-bg", "white", "-fg", "white"])
        self.others.append(host)
        windows = wait_for(lambda: search("^xlogo$"), 20)
        self.assertTrue(windows, "the host window did not appear")
        host_window = windows[0]
        time.sleep(0.5)
        before = top_level_windows()

        saver = self.start("/p", str(host_window))

        def host_drawn():
            shot = xshot.capture()
            # The white host turns into the clock: the centre shows the
            # background, the corners black.
            centre = shot.pixel(200 + 160, 150 + 120)
            corner = shot.pixel(200 + 3, 150 + 3)
            return shot if centre != (255, 255, 255) and brightness(shot, 203, 153) < 60 else None
        shot = wait_for(host_drawn, START_TIMEOUT, step=0.5)
        self.assertIsNotNone(shot, "nothing was drawn into the host window")
        self.assertTrue(saver.running())
        # Outside the host nothing changed, and no top-level window appeared.
        self.assertEqual(shot.pixel(100, 100), (0, 0, 0))
        self.assertEqual(search(TITLE), [])
        self.assertEqual(top_level_windows(), before)

        # The host grows: the drawing follows it.
        subprocess.run(["xdotool", "windowsize", str(host_window), "480", "360"], check=True)
        grown = wait_for(lambda: (lambda s: s if brightness(s, 200 + 470, 150 + 350) < 60
                                  and s.pixel(200 + 470, 150 + 350) != (255, 255, 255) else None)(xshot.capture()),
                         30, step=0.5)
        self.assertIsNotNone(grown, "the drawing did not follow the host's new size")

        # The host goes away: the screensaver ends with status 0 within a second or so.
        host.kill()
        host.wait()
        self.assertEqual(saver.wait(5), 0)

    def test_preview_of_a_window_that_does_not_exist_ends_quietly(self):
        saver = self.start("/p", "12345")
        self.assertEqual(saver.wait(30), 0)
        said = [line for line in saver.output().splitlines() if line.startswith("morvane:")]
        # Why, then the program's own message.
        self.assertEqual(len(said), 2, said)
        self.assertIn("window 0x3039 does not exist", said[0])
        self.assertIn("Failed to open window", said[1])


if __name__ == "__main__":
    unittest.main(verbosity=2)
