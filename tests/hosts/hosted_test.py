#!/usr/bin/env python3
"""The hosted run of the real program without a daemon in between: a plain
X window stands for the host's, and the test does what a host does (starts
the program with --root or --window-id, resizes, unmaps and destroys the
window, sends SIGTERM). Also the bad inputs, the desktop window of --window,
and the end of every kind of run when the X server goes away."""
import os
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hostlib  # noqa: E402
from hostlib import wait_for  # noqa: E402


class Run:
    """One morvane process with its output kept."""

    def __init__(self, args, env):
        self.process = subprocess.Popen([hostlib.MORVANE, *args], env=env, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        self.out = self.err = None

    def running(self):
        return self.process.poll() is None

    def finish(self, timeout):
        """Waits for the end; (status or None, seconds waited)."""
        start = time.monotonic()
        try:
            self.out, self.err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None, time.monotonic() - start
        return self.process.returncode, time.monotonic() - start

    def ended(self):
        """The process has ended: gone, or a zombie whose last threads the
        kernel is still tearing down."""
        try:
            with open("/proc/%d/stat" % self.process.pid) as f:
                return f.read().rsplit(")", 1)[1].split()[0] == "Z"
        except OSError:
            return True

    def terminate(self):
        """SIGTERM; (status, seconds until the process had ended)."""
        start = time.monotonic()
        self.process.send_signal(signal.SIGTERM)
        wait_for(self.ended, 10, 0.01)
        waited = time.monotonic() - start
        status, _ = self.finish(10)
        return status, waited

    def kill(self):
        if self.running():
            self.process.kill()
        self.finish(10)


class HostedTest(unittest.TestCase):
    def setUp(self):
        self.x = hostlib.XServer(("1024x576x24",))
        self.runs = []
        self.others = []

    def tearDown(self):
        for run in self.runs:
            run.kill()
        for other in self.others:
            if other.poll() is None:
                other.kill()
                other.wait()
        self.x.stop()

    def env(self, **more):
        env = self.x.env(LANG="C", LC_ALL="C", ALSOFT_DRIVERS="null")
        env.pop("XSCREENSAVER_WINDOW", None)
        env.update(more)
        return env

    def start(self, *args, **env):
        run = Run(args, self.env(**env))
        self.runs.append(run)
        return run

    def host_window(self, geometry="400x300+100+80"):
        """A plain top-level window that stands for a host's: xlogo, white."""
        title = "host-%d" % len(self.others)
        host = subprocess.Popen(["xlogo", "-display", self.x.display, "-geometry", geometry,
                                 "-bg", "white", "-fg", "white", "-title", title],
                                stderr=subprocess.DEVNULL)
        self.others.append(host)
        found = wait_for(lambda: subprocess.run(
            ["xdotool", "search", "--name", "^%s$" % title], env=self.env(),
            capture_output=True, text=True).stdout.split(), 20, 0.1)
        self.assertTrue(found, "the stand-in host window did not appear")
        time.sleep(0.3)
        return host, int(found[0])

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env(), check=True)

    def wait_for_clock(self, area):
        found = wait_for(lambda: not hostlib.clock_problems(hostlib.capture(self.x.display), *area),
                         hostlib.PATIENCE, 0.3)
        self.assertTrue(found, "no clock in %s: %s" % (
            area, hostlib.clock_problems(hostlib.capture(self.x.display), *area)))

    # ----------------------------------------------------------------------

    def test_bad_input_says_one_line_and_waits_for_the_host(self):
        cases = [
            (["--window-id", "0xdeadbeef"], {}, "0xdeadbeef"),
            (["--window-id", "0x1fffffe"], {}, "0x1fffffe"),  # a possible id, no such window
            (["--root"], {"XSCREENSAVER_WINDOW": ""}, "empty"),
            (["--root"], {"XSCREENSAVER_WINDOW": "0x12zz"}, "0x12zz"),
            (["-root"], {"XSCREENSAVER_WINDOW": "-42"}, "-42"),
            (["--root"], {}, "not set"),
            # "/p" under a host: hosted, so a bad window waits as well.
            (["/p", "0x4002B7"], {"XSCREENSAVER_WINDOW": "0x4002B7"}, "window"),
        ]
        runs = [(self.start(*args, **env), args, word) for args, env, word in cases]
        time.sleep(4)
        for run, args, word in runs:
            self.assertTrue(run.running(), "%s ended on its own: a host would relaunch it" % args)
        for run, args, word in runs:
            status, waited = run.terminate()
            self.assertEqual(status, 0, args)
            self.assertLess(waited, 1.0, "%s took %.2f s to end on SIGTERM" % (args, waited))
            lines = run.err.splitlines()
            self.assertEqual(len(lines), 1, "%s said: %r" % (args, run.err))
            self.assertTrue(lines[0].startswith("morvane: "), lines)
            self.assertIn(word, lines[0])
            self.assertEqual(run.out, "", args)

    def test_the_windows_style_preview_keeps_its_contract_without_a_host(self):
        run = self.start("/p", "12345")
        status, _ = run.finish(60)
        self.assertEqual(status, 0)
        lines = run.err.splitlines()
        # The reason first, then "Failed to open window" as on Windows.
        self.assertEqual(len(lines), 2, lines)
        self.assertIn("window 0x3039 does not exist", lines[0])
        self.assertIn("Failed to open window", lines[1])

    def test_drawn_into_the_host_window_until_the_host_ends_it(self):
        host, window = self.host_window("400x300+100+80")
        second_host, second_window = self.host_window("320x180+600+380")
        guard_host, guard_window = self.host_window("320x180+680+40")
        typo_host, typo_window = self.host_window("240x135+40+420")
        before = hostlib.mapped_top_levels(self.x.display)
        # A preview holds the guard; two hosted runs at once (two screens'
        # worth) take none, so it does not stop them.
        guarded = self.start("/p", str(guard_window))
        self.wait_for_clock((680, 40, 320, 180))
        first = self.start("--root", "--fps", "--visual", "GL",
                           XSCREENSAVER_WINDOW="0x%X" % window)
        second = self.start("-window-id", str(second_window))
        # Only an option not understood ("-rot" for "-root") under a host:
        # drawn into the host's window all the same.
        typo = self.start("-rot", XSCREENSAVER_WINDOW=str(typo_window))
        self.wait_for_clock((100, 80, 400, 300))
        self.wait_for_clock((600, 380, 320, 180))
        if not typo.running():
            typo.finish(10)
            self.fail("-rot under a host ended, status %s: %r" % (typo.process.returncode, typo.err))
        self.wait_for_clock((40, 420, 240, 135))
        self.assertTrue(first.running() and second.running() and guarded.running())
        guarded.kill()

        # No top-level window of its own; the drawing is a child that covers
        # the host exactly.
        self.assertEqual(hostlib.mapped_top_levels(self.x.display), before)
        status, _ = typo.terminate()
        self.assertEqual((status, typo.err), (0, "morvane: ignoring unknown options: -rot\n"))
        drawn = [c for c in hostlib.children(self.x.display, window)
                 if hostlib.client_of(c) != hostlib.client_of(window)]
        self.assertEqual(len(drawn), 1, "not one child of our own in the host's window")
        # (xwininfo's corner of the host counts its border, the child's not)
        self.assertEqual(hostlib.geometry(self.x.display, drawn[0])[2:],
                         hostlib.geometry(self.x.display, window)[2:])

        # Keys and buttons are the host's: the run goes on.
        self.xdotool("mousemove", "300", "230", "click", "1")
        self.xdotool("key", "--window", str(window), "space")
        time.sleep(1)
        self.assertTrue(first.running(), "a click or key in the host's window ended the run")

        # The host's size is followed.
        self.xdotool("windowsize", str(window), "560", "315")
        self.wait_for_clock((100, 80, 560, 315))
        self.assertEqual(hostlib.geometry(self.x.display, drawn[0])[2:], (560, 315))

        # Unmapped for a while (a host may do that), then mapped again: the
        # run goes on.
        self.xdotool("windowunmap", str(window))
        time.sleep(1)
        self.assertTrue(first.running(), "unmapping the host's window ended a hosted run")
        self.xdotool("windowmap", str(window))
        self.wait_for_clock((100, 80, 560, 315))

        # SIGTERM ends it at once with status 0.
        status, waited = first.terminate()
        self.assertEqual(status, 0)
        self.assertLess(waited, 1.0)
        print("measured: hosted, SIGTERM to the end of the process: %.3f s" % waited, flush=True)

        # The window destroyed: the run ends within a frame, status 0.
        start = time.monotonic()
        second_host.kill()
        wait_for(second.ended, 10, 0.01)
        waited = time.monotonic() - start
        status, _ = second.finish(10)
        self.assertEqual(status, 0)
        print("measured: hosted, window destroyed to the end of the process: %.3f s" % waited,
              flush=True)
        self.assertLess(waited, 2.0)
        self.assertNotIn("morvane:", first.err + second.err)

    def test_a_failure_keeps_the_window_black_until_it_is_destroyed(self):
        # An OpenGL that cannot be had (no GLX visual) stands for any failure
        # after the window was found.
        host, window = self.host_window("300x200+50+50")
        run = self.start("--window-id", "0x%x" % window, LIBGL_ALWAYS_SOFTWARE="1",
                         MESA_GL_VERSION_OVERRIDE="2.1", MESA_GLSL_VERSION_OVERRIDE="120")
        black = wait_for(lambda: (lambda s: s and all(
            s.pixel(x, y) == (0, 0, 0) for x, y in ((60, 60), (200, 150), (340, 240))))(
            hostlib.capture(self.x.display)), 60, 0.3)
        self.assertTrue(black, "the host window was not kept black")
        time.sleep(2)
        self.assertTrue(run.running(), "the failed hosted run ended on its own")
        host.kill()
        status, _ = run.finish(10)
        self.assertEqual(status, 0)
        self.assertEqual(len(run.err.splitlines()), 1, run.err)

    def test_the_desktop_window(self):
        run = self.start("--window")
        found = wait_for(lambda: subprocess.run(
            ["xdotool", "search", "--name", "^Morvane Screensaver$"], env=self.env(),
            capture_output=True, text=True).stdout.split(), hostlib.PATIENCE, 0.2)
        self.assertTrue(found, "no window appeared: %s" % run.process.poll())
        window = int(found[0])
        x, y, w, h = hostlib.geometry(self.x.display, window)
        self.assertEqual((w, h), (1024 * 2 // 3, 576 * 2 // 3), "not an ordinary window")
        self.wait_for_clock((x, y, w, h))
        # A key or a click does not end it; it follows its size.
        self.xdotool("mousemove", str(x + 10), str(y + 10), "click", "1")
        self.xdotool("key", "--window", str(window), "space")
        self.xdotool("windowsize", str(window), "640", "360")
        self.wait_for_clock((x, y, 640, 360))
        self.assertTrue(run.running())
        # The close box ends it with status 0.
        os.environ["DISPLAY"] = self.x.display
        hostlib.xshot.close_box(window)
        status, _ = run.finish(30)
        self.assertEqual(status, 0)
        self.assertNotIn("morvane:", run.err)

    def test_losing_the_x_server_ends_every_run_with_status_0(self):
        host, window = self.host_window("320x180+0+0")
        full = self.start("/s")
        preview = self.start("/p", str(window))
        hosted = self.start("--root", XSCREENSAVER_WINDOW=str(window))
        self.wait_for_clock((0, 0, 1024, 576))
        time.sleep(1)
        for run in (full, preview, hosted):
            self.assertTrue(run.running())
        self.x.kill()
        for name, run in (("/s", full), ("/p", preview), ("--root", hosted)):
            status, waited = run.finish(10)
            self.assertEqual(status, 0, "%s ended with %s after the X server went: %s"
                             % (name, status, run.err))


class TwoMonitorTest(unittest.TestCase):
    """/s on two monitors of Xorg's dummy driver, under a window manager
    that focuses no new window."""

    def setUp(self):
        self.x = hostlib.TwoMonitorX(window_manager=True)
        self.addCleanup(self.x.stop)
        self.env = self.x.env(LANG="C", LC_ALL="C", ALSOFT_DRIVERS="null")

    def test_every_monitor_is_covered(self):
        x, env, failures, black = self.x, self.env, [], self.x.black

        def ends_on_click(run, rect, gl):
            subprocess.run(["xdotool", "mousemove", str(rect[0] + 300), "300", "click", "1"],
                           env=env, check=True)
            status, _ = run.finish(15)
            if status != 0:
                failures.append("OpenGL %s: a click on a cover ended the run with %s; it said %r"
                                % (gl, status, run.err))
            return run.err or ""

        run = Run(["/s"], env)
        self.addCleanup(run.kill)
        shown = wait_for(lambda: (lambda s: s if not hostlib.clock_problems(
            s, 0, 0, 1920, 1080) else None)(hostlib.capture(x.display)), hostlib.PATIENCE, 0.5)
        if shown is None:
            failures.append("no clock on the primary monitor")
        if not black(shown, x.SECOND):
            failures.append("the second monitor is not black beside the clock")
        for cover in x.visible("Cover$")[:1]:  # focus passed to the cover is no focus lost
            subprocess.run(["xdotool", "windowfocus", cover], env=env)
            time.sleep(1)
            if not run.running():
                failures.append("focus passed to the cover ended the run")
        for change, covered in ((x.unplug, False), (x.plug, True)):
            change()
            if not wait_for(lambda: bool(x.visible("Cover$")) == covered and (
                    not covered or black(hostlib.capture(x.display), x.SECOND)), 10, 0.1) \
                    or not run.running():
                failures.append("after %s the second monitor's covers are %s (running: %s)"
                                % (change.__name__, x.visible("Cover$"), run.running()))
        # A new mode, a new position (the screen's size unchanged: RandR then
        # reports a CRTC change alone), and a place that overlaps the clock's
        # monitor (nothing but the clock then shows on it): the cover follows
        # within a second and never lies over the clock.
        for pos, area in (("1920x0", (1920, 0, 1024, 768)), ("1920x312", (1920, 312, 1024, 768)),
                          ("0x0", None)):
            x.xrandr("--output", "DUMMY1", "--mode", "1024x768", "--pos", pos)
            start = time.monotonic()
            followed = wait_for(lambda: self.x.covers() == ([area] if area else []), 1, 0.02)
            took = time.monotonic() - start
            # The screen's new size exposes the clock: it is drawn again.
            picture = wait_for(lambda: (lambda s: s if not hostlib.clock_problems(
                s, 0, 0, 1920, 1080) else None)(hostlib.capture(x.display)), 5, 0.2)
            problems = hostlib.clock_problems(picture, 0, 0, 1920, 1080)
            if not followed or (area and not black(picture, area)) or problems:
                failures.append("DUMMY1 1024x768 at %s: covers %s after %.2f s (load %s), %s"
                                % (pos, self.x.covers(), took, os.getloadavg()[0], problems))
        x.plug()
        ends_on_click(run, x.SECOND, "3.0")

        run = Run(["/s"], dict(env, MESA_GL_VERSION_OVERRIDE="2.1"))
        self.addCleanup(run.kill)
        held = wait_for(lambda: (lambda s: black(s, x.PRIMARY) and black(s, x.SECOND))(
            hostlib.capture(x.display)), 60, 0.5)
        time.sleep(1)
        if not held or not run.running():
            failures.append("without OpenGL 3.0 the monitors are not held black "
                            "(running: %s)" % run.running())
        if "Failed to open window" not in ends_on_click(run, x.PRIMARY, "2.1"):
            failures.append("no \"Failed to open window\" without OpenGL 3.0")
        self.assertEqual(failures, [])

    def test_a_key_ends_the_run_wherever_the_focus_is(self):
        """Another window has the focus (xev, which reports the keys it
        gets) and the window manager gives it to no new window: a key ends
        the run, with the clock and with covers only, and never reaches that
        window. Where another program holds the keyboard, the run shows all
        the same, says so, and a click ends it."""
        env, failures = self.env, []
        log = open(os.path.join(self.x.dir, "xev.log"), "w+")
        self.addCleanup(log.close)
        other = subprocess.Popen(["stdbuf", "-oL", "xev", "-name", "other", "-geometry",
                                  "300x200+100+100", "-event", "keyboard"], env=env, stdout=log)
        self.addCleanup(other.kill)
        window = wait_for(lambda: self.x.visible("^other$"), 20, 0.1)
        self.assertTrue(window, "xev's window did not appear")
        for case, more, end in (("the clock", {}, "key"),
                                ("covers only", {"MESA_GL_VERSION_OVERRIDE": "2.1"}, "key"),
                                ("the keyboard held", {}, "click")):
            if end == "click":
                holder = subprocess.Popen([sys.executable, "-c", GRAB_KEYBOARD], env=env,
                                          stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
                self.addCleanup(holder.kill)
                if holder.stdout.readline().strip() != "0":  # GrabSuccess
                    failures.append("the stand-in could not grab the keyboard")
            subprocess.run(["xdotool", "windowactivate", "--sync", window[0]], env=env)
            run = Run(["/s"], dict(env, **more))
            self.addCleanup(run.kill)
            shown = wait_for(lambda: (lambda s: (more or not hostlib.clock_problems(
                s, 0, 0, 1920, 1080)) and self.x.black(s, self.x.SECOND))(
                hostlib.capture(self.x.display)), hostlib.PATIENCE, 0.5)
            time.sleep(1)
            log.seek(0, os.SEEK_END)
            typed = log.tell()
            subprocess.run(["xdotool", "key", "x"] if end == "key" else
                           ["xdotool", "mousemove", "2500", "300", "click", "1"], env=env)
            status, _ = run.finish(15)
            log.seek(typed)
            reached = log.read().count("KeyPress event")
            said = "could not grab the keyboard (another program holds it)" in (run.err or "")
            if not shown or status != 0 or (reached if end == "key" else not said):
                failures.append("%s: shown %s, a %s ended it with %s, xev got %d key(s); it said %r"
                                % (case, bool(shown), end, status, reached, run.err))
        self.assertEqual(failures, [])


# Holds the keyboard, as an open menu does, until its input ends; prints the
# grab's status first.
GRAB_KEYBOARD = """
import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XDefaultRootWindow.restype = ctypes.c_ulong
x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
x.XGrabKeyboard.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                            ctypes.c_int, ctypes.c_ulong]
display = x.XOpenDisplay(None)
print(x.XGrabKeyboard(display, x.XDefaultRootWindow(display), 0, 1, 1, 0), flush=True)
sys.stdin.read()
"""


if __name__ == "__main__":
    unittest.main(verbosity=2)
