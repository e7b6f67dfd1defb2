#!/usr/bin/env python3
"""Morvane as the saver of the real xsecurelock, with two monitors.

The two monitors are RandR 1.5 monitors that `xrandr --setmonitor` declares
on one 1600 x 450 Xvfb screen, left and right, 800 x 450 each: xsecurelock
reads the monitor layout through RandR 1.5 and starts one saver per monitor
(saver_multiplex, "-root", a decimal XSCREENSAVER_WINDOW). The README's
words: `env XSECURELOCK_SAVER=/usr/bin/morvane xsecurelock`; here the
program of the build tree."""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hostlib  # noqa: E402
from hostlib import wait_for  # noqa: E402

MONITORS = (("left", 0), ("right", 800))
W, H = 800, 450


class XSecureLockTest(unittest.TestCase):
    def setUp(self):
        self.x = hostlib.XServer(("%dx%dx24" % (2 * W, H),))
        self.user = hostlib.User()
        self.lock = None

    def tearDown(self):
        if self.lock is not None and self.lock.poll() is None:
            # xsecurelock ends only on a successful login: end it,
            # saver_multiplex and the savers at once.
            hostlib.kill_tree(self.lock.pid)
            self.lock.wait()
        hostlib.end_all_morvanes()
        self.x.stop()
        self.user.remove()

    def test_two_monitors_each_show_the_clock_and_no_saver_restarts(self):
        for name, left in MONITORS:
            subprocess.run(["xrandr", "--display", self.x.display, "--setmonitor", name,
                            "%d/211x%d/119+%d+0" % (W, H, left), "none"], check=True)
        monitors = subprocess.run(["xrandr", "--display", self.x.display, "--listmonitors"],
                                  capture_output=True, text=True, check=True).stdout
        # The screen's own output stays listed as a third monitor that
        # covers both; the savers' windows below show which ones
        # xsecurelock uses.
        self.assertIn(" left %d/211x%d/119+0+0" % (W, H), monitors)
        self.assertIn(" right %d/211x%d/119+%d+0" % (W, H, W), monitors)

        log = open(os.path.join(self.user.home, "xsecurelock.log"), "w")
        start = time.monotonic()
        self.lock = self.user.start(self.x.display, ["xsecurelock"], stdout=log, stderr=log,
                                    XSECURELOCK_SAVER=os.path.join(self.user.bin, "morvane"))
        try:
            def both():
                shot = hostlib.capture(self.x.display)
                return all(not hostlib.clock_problems(shot, left, 0, W, H) for _, left in MONITORS)
            shown = wait_for(both, hostlib.PATIENCE, 0.3)
            shot = hostlib.capture(self.x.display)
            self.assertTrue(shown, "not every monitor shows the clock: %s" % [
                hostlib.clock_problems(shot, left, 0, W, H) for _, left in MONITORS])
            print("measured: xsecurelock on two monitors, start to the clock on both: %.2f s"
                  % (time.monotonic() - start), flush=True)

            pids = hostlib.morvane_pids()
            self.assertEqual(len(pids), 2, "one saver per monitor")
            areas = []
            for pid in pids:
                self.assertIn("-root", hostlib.process_args(pid))
                window = hostlib.process_environ(pid).get("XSCREENSAVER_WINDOW", "")
                self.assertTrue(window.isdigit(), window)
                areas.append(hostlib.geometry(self.x.display, int(window)))
            self.assertEqual(sorted(areas), [(left, 0, W, H) for _, left in MONITORS])
            # Ten seconds on: the same two savers, nothing restarted.
            time.sleep(10)
            self.assertEqual(hostlib.morvane_pids(), pids, "a saver was restarted")
            self.assertTrue(self.lock.poll() is None)
        finally:
            log.close()
        with open(log.name, errors="replace") as f:
            text = f.read()
        self.assertNotIn("failed with status", text)
        self.assertNotIn("killed by signal", text)
        self.assertNotIn("morvane:", text)


if __name__ == "__main__":
    unittest.main(verbosity=2)
