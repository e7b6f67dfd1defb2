#!/usr/bin/env python3
"""The real screensaver follows the wall clock: `morvane /s` (and once a
host's run, which presents only the frames whose face changed) runs under
libfaketime, whose offset this test moves while the program runs (the
monotonic timer is left alone, as in a real suspend or a clock set), and the
digits are read off screenshots by the colours of the glyphs in each tile
column. One run changes the system's time zone under the program, in a mount
namespace of its own. Needs DISPLAY (tests/xvfb-run.sh), MORVANE_BUILD_DIR
and the faketime package.

It runs on a small screen of its own: llvmpipe draws a 480x270 frame in a
small fraction of the time of a 1080p one, so the picture on the screen is
seldom more than a few hundredths of a second old."""
import calendar
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import xshot  # noqa: E402
from clockface import DIGIT_HUE, read_face, read_half  # noqa: E402

SCREEN = "480x270x24"
HERE = os.path.dirname(os.path.abspath(__file__))
XVFB_RUN = os.path.join(HERE, "..", "xvfb-run.sh")
BUILD = os.environ.get("MORVANE_BUILD_DIR", "build")
MORVANE = os.path.join(BUILD, "morvane")
LIBFAKETIME = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"
START_TIMEOUT = 90
# A jump shows on the next frame; a few seconds cover a slow frame and the
# screenshots themselves.
FOLLOW_TIMEOUT = 8
# The picture on the screen was drawn at most this long before a screenshot
# began: a frame at this size, with room for a machine under load.
PICTURE_AGE = 0.3

def digits_of(wall):
    """hh mm ss of a UTC wall time, as the six digits of slots 4 .. 9."""
    t = time.gmtime(int(wall // 1))
    return {4: t.tm_hour // 10, 5: t.tm_hour % 10, 6: t.tm_min // 10, 7: t.tm_min % 10,
            8: t.tm_sec // 10, 9: t.tm_sec % 10}


def stamp(wall):
    return time.strftime("%H:%M:%S", time.gmtime(int(wall // 1))) + ".%02d" % int(wall % 1.0 * 100)


def text_of(face):
    return " ".join("%d:%s/%s" % (slot, up, low) for slot, (up, low) in sorted(face.items()))


class FakeClock:
    """The wall clock of the program: the real time plus an offset in whole
    seconds, kept in the timestamp file that libfaketime re-reads on every
    call. The file is replaced whole, so a read never sees half of it."""

    def __init__(self, directory):
        self.path = os.path.join(directory, "faketime.rc")
        self.offset = 0
        self.set_offset(0)

    def set_offset(self, offset):
        self.offset = int(offset)
        temporary = self.path + ".new"
        with open(temporary, "w") as f:
            f.write("%+d\n" % self.offset)
        os.replace(temporary, self.path)

    def start_at(self, year, month, day, hour, minute, second):
        target = calendar.timegm((year, month, day, hour, minute, second, 0, 0, 0))
        # Whole seconds, so the fraction stays the real one: start a little
        # after a real second has begun.
        self.set_offset(round(target - time.time()))

    def step(self, seconds):
        self.set_offset(self.offset + seconds)

    def now(self):
        return time.time() + self.offset

    def environment(self):
        env = dict(os.environ)
        env.update({
            "LD_PRELOAD": LIBFAKETIME,
            "FAKETIME_TIMESTAMP_FILE": self.path,
            "FAKETIME_NO_CACHE": "1",
            "FAKETIME_DONT_FAKE_MONOTONIC": "1",
            "TZ": "UTC",
            "ALSOFT_DRIVERS": "null",
        })
        # Under AddressSanitizer the preloaded library comes before its runtime.
        options = env.get("ASAN_OPTIONS", "")
        env["ASAN_OPTIONS"] = (options + ":" if options else "") + "verify_asan_link_order=0"
        return env


class WallClockTest(unittest.TestCase):
    def setUp(self):
        self.directory = tempfile.TemporaryDirectory()
        self.clock = FakeClock(self.directory.name)
        self.process = None

    def tearDown(self):
        if self.process is not None:
            if self.process.poll() is None:
                self.process.kill()
            self.process.wait()
            self.process.stderr.close()
        self.directory.cleanup()

    def start(self, zone_file=None, tz=None, tzdir=None, args=("/s",), **more):
        command = [MORVANE, *args]
        env = self.clock.environment()
        env.update(more)
        if zone_file:
            # The system's zone, /etc/localtime, is zone_file in a mount
            # namespace of the program's own; TZ stays unset.
            command = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                       'mount --bind "$0" /etc/localtime && exec "$@"', zone_file] + command
            del env["TZ"]
        if tz:
            env["TZ"] = tz
        if tzdir:
            env["TZDIR"] = tzdir
        self.process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE, text=True)

    def capture(self):
        """A screenshot and the wall clock of the program around it:
        (shot, earliest wall time the picture may show, latest)."""
        before = self.clock.now()
        picture = subprocess.run(["xwd", "-silent", "-root"], check=True, capture_output=True,
                                 timeout=30).stdout
        after = self.clock.now()
        shot = xshot.parse_xwd(picture)
        self.assertIsNone(self.process.poll(), "the screensaver ended: %s"
                          % (self.process.stderr.read() if self.process.poll() is not None else ""))
        return shot, before - PICTURE_AGE, after

    def wait_for_hours_and_minutes(self, timeout, what, zone_offset=0):
        """Waits until the face shows the wall clock's hours and minutes (in
        UTC, or `zone_offset` seconds east of it) in both halves of their four
        tiles; fails with what it read last."""
        end = time.monotonic() + timeout
        last = None
        while True:
            shot, earliest, latest = self.capture()
            wanted = digits_of(earliest + zone_offset)
            if all(digits_of(latest + zone_offset)[s] == wanted[s] for s in (4, 5, 6, 7)):
                face = read_face(shot, (4, 5, 6, 7))
                last = (face, wanted)
                if all(face[s] == (DIGIT_HUE[wanted[s]],) * 2 for s in (4, 5, 6, 7)):
                    return
            if time.monotonic() > end:
                break
            time.sleep(0.2)
        if last is None:
            self.fail("%s: no screenshot fell within one minute of the wall clock" % what)
        face, wanted = last
        self.fail("%s: the wall clock reads %d%d:%d%d, the face's hours and minutes show %s "
                  "(expected %s)" % (what, wanted[4], wanted[5], wanted[6], wanted[7],
                                      text_of(face),
                                      " ".join(DIGIT_HUE[wanted[s]] for s in (4, 5, 6, 7))))

    def wait_for_first_picture(self):
        def drawn():
            if self.process.poll() is not None:
                return "ended"
            shot = xshot.capture()
            return shot if sum(shot.pixel(shot.width // 2, shot.height // 2)) > 60 else None
        shot = xshot.wait_for(drawn, START_TIMEOUT, 0.5)
        if shot == "ended":
            self.fail("the screensaver ended with status %s: %s"
                      % (self.process.returncode, self.process.stderr.read()))
        self.assertIsNotNone(shot, "the clock never appeared on the screen")

    def test_a_night_in_suspend(self):
        # Started at 08:00 UTC; the machine sleeps for twelve and a half hours
        # (the wall clock moves on, the timer does not).
        self.clock.start_at(2026, 6, 10, 8, 0, 5)
        self.start()
        self.wait_for_first_picture()
        self.wait_for_hours_and_minutes(FOLLOW_TIMEOUT, "at the start")
        self.clock.step(12 * 3600 + 1800)
        self.wait_for_hours_and_minutes(FOLLOW_TIMEOUT, "after a suspend of 12.5 hours")
        # And a week on.
        self.clock.step(7 * 86400 + 3 * 3600)
        self.wait_for_hours_and_minutes(FOLLOW_TIMEOUT, "after a suspend of a week")

    def test_a_clock_set_back_across_midnight(self):
        # Started at 00:30; the clock is set back an hour, to 23:30 the day before.
        self.clock.start_at(2026, 6, 10, 0, 30, 5)
        self.start()
        self.wait_for_first_picture()
        self.wait_for_hours_and_minutes(FOLLOW_TIMEOUT, "at the start")
        self.clock.step(-3600)
        self.wait_for_hours_and_minutes(FOLLOW_TIMEOUT, "after setting the clock back an hour")

    def follow_a_zone_change(self, what, start, rewrite):
        """Starts the clock with `start(zone)` in UTC, read from the file
        `zone`, then lets `rewrite(zone, india)` make that file India's zone
        (UTC+5:30); the face must follow."""
        zone = os.path.join(self.directory.name, "localtime")
        with open("/usr/share/zoneinfo/Etc/UTC", "rb") as f:
            utc = f.read()
        with open("/usr/share/zoneinfo/Asia/Kolkata", "rb") as f:
            india = f.read()
        with open(zone, "wb") as f:
            f.write(utc)
        self.clock.start_at(2026, 6, 10, 8, 0, 5)
        start(zone)
        self.wait_for_first_picture()
        self.wait_for_hours_and_minutes(FOLLOW_TIMEOUT, what + ", in UTC")
        rewrite(zone, india)
        self.wait_for_hours_and_minutes(FOLLOW_TIMEOUT, what + ", after the zone became Asia/Kolkata",
                                        zone_offset=5 * 3600 + 1800)

    @staticmethod
    def write_in_place(zone, data):
        # As a package update of the zone would.
        with open(zone, "r+b") as f:
            f.write(data)
            f.truncate()

    def skip_without_mount_namespaces(self):
        if subprocess.run(["unshare", "--mount", "true"], capture_output=True).returncode != 0:
            self.skipTest("no mount namespace can be made here (needs root)")

    def test_a_change_of_the_system_time_zone(self):
        self.skip_without_mount_namespaces()
        self.follow_a_zone_change("/etc/localtime rewritten",
                                  lambda zone: self.start(zone_file=zone), self.write_in_place)

    def test_the_system_zone_rewritten_with_its_mtime_kept(self):
        # As `cp -p` of another zone onto the file that /etc/localtime points
        # to does: all tzdata files share one mtime, so only the file's change
        # time and size tell.
        def rewrite(zone, data):
            before = os.stat(zone)
            self.write_in_place(zone, data)
            os.utime(zone, ns=(before.st_atime_ns, before.st_mtime_ns))
        self.skip_without_mount_namespaces()
        self.follow_a_zone_change("/etc/localtime rewritten with its mtime kept",
                                  lambda zone: self.start(zone_file=zone), rewrite)

    def test_the_zone_file_that_tz_names(self):
        # TZ=:/path: that file is watched like /etc/localtime.
        self.follow_a_zone_change("TZ=:/path", lambda zone: self.start(tz=":" + zone),
                                  self.write_in_place)

    def test_the_zone_that_tz_names_from_the_zone_directory(self):
        # TZ=Europe/Berlin names a file under /usr/share/zoneinfo (or $TZDIR),
        # which a tzdata update rewrites: watched too.
        self.follow_a_zone_change("TZ=name under TZDIR",
                                  lambda zone: self.start(tz=os.path.basename(zone),
                                                          tzdir=os.path.dirname(zone)),
                                  self.write_in_place)

    def test_the_seconds_keep_to_the_wall_clock(self):
        # The lower half of the seconds' units tile shows the wall clock's
        # second until the flap, which starts at the half second, turns past
        # edge-on 0.212 s later, showing the next second's glyph.
        #  - Never early: a screenshot that ended before .71 into a second
        #    shows no picture of the next second there. (A picture is never
        #    newer than its screenshot, so this holds on a slow machine too.)
        #  - Not late: a screenshot taken in the first fifth of a second shows
        #    that second there, at least once in a few tries. (A face that
        #    runs late shows the second before until the flap has crossed,
        #    which is after the screenshot; a loaded machine may hand the
        #    screenshot an older picture now and then, hence the tries.)
        self.clock.start_at(2026, 6, 10, 10, 20, 5)
        self.start()
        self.wait_for_first_picture()
        self.wait_for_hours_and_minutes(FOLLOW_TIMEOUT, "at the start")

        def never_early(what, tries=6):
            for _ in range(tries):
                time.sleep((0.55 - self.clock.now() % 1.0) % 1.0)
                shot, earliest, latest = self.capture()
                second = int(latest // 1)
                if latest % 1.0 >= 0.712:
                    continue
                ahead = digits_of(second + 1)[9]
                shown = read_half(shot, 9, True)
                self.assertFalse(
                    shown == DIGIT_HUE[ahead] != DIGIT_HUE[digits_of(second)[9]],
                    "%s: a screenshot that ended at %s shows the next second's %d (%s) in the "
                    "lower half of the seconds' units" % (what, stamp(latest), ahead, shown))

        def not_late(what, tries=10):
            seen = []
            for _ in range(tries):
                time.sleep((0.02 - self.clock.now() % 1.0) % 1.0)
                started = self.clock.now()
                shot, _, latest = self.capture()
                if int(latest // 1) != int(started // 1) or latest % 1.0 > 0.2:
                    continue  # too slow a screenshot to tell
                wanted = digits_of(latest)[9]
                shown = read_half(shot, 9, True)
                if shown == DIGIT_HUE[wanted]:
                    return
                seen.append("%s: %s" % (stamp(latest), shown))
            self.fail("%s: no screenshot early in a second showed that second in the lower half "
                      "of the seconds' units (%s)" % (what, ", ".join(seen) or "none in time"))

        never_early("running")
        not_late("running")
        # A step of exactly one second (a leap second, an NTP step) is followed too.
        self.clock.step(1)
        not_late("after a step of one second")
        never_early("after a step of one second")
        self.clock.step(-1)
        never_early("after a step back of one second")
        not_late("after a step back of one second")

    def test_a_hosted_run_presents_a_frame_only_when_the_face_changes(self):
        # A host's run into the whole screen (xsecurelock's way: --root, the
        # root window in XSCREENSAVER_WINDOW); its frames counted as the X
        # server sees them arrive in the child window that it draws into.
        root = subprocess.run(["xwininfo", "-root"], capture_output=True, text=True).stdout
        root = root.split("Window id: ")[1].split()[0]
        self.clock.start_at(2026, 6, 10, 8, 0, 5)
        self.start(args=["--root"], XSCREENSAVER_WINDOW=root)
        self.wait_for_first_picture()
        tree = subprocess.run(["xwininfo", "-root", "-children"], capture_output=True,
                              text=True).stdout
        covering = " %sx%s+0+0 " % tuple(SCREEN.split("x")[:2])  # not GLFW's 1x1 helper
        drawn = [line.split()[0] for line in tree.splitlines() if covering in line]
        self.assertEqual(len(drawn), 1, tree)
        presents = xshot.Presents(int(drawn[0], 16))
        self.addCleanup(presents.close)

        # The face is still from the resting digits' turn at the wall second
        # (its frame has arrived by .3) to the flap at the half second. (The
        # first second may still bring the redraw that the window's first
        # Expose asks for.)
        presents.collect(1.0)
        frames = presents.collect(4.0)
        during_rest = ["%.3f" % (t % 1.0) for t in frames if 0.3 < t % 1.0 < 0.48]
        print("measured: hosted, %d frames in 4 s, %d of them while the face was still"
              % (len(frames), len(during_rest)), flush=True)
        self.assertEqual(during_rest, [], "frames presented while the face was still; all "
                         "frames, as fractions of the wall clock's second: %s"
                         % " ".join("%.3f" % (t % 1.0) for t in frames))
        self.assertGreaterEqual(len(frames), 4, "the turns of four seconds were not drawn")

        # A jump of the wall clock while the face is still shows within 0.2 s.
        presents.collect((1.27 - time.time() % 1.0) % 1.0)
        jumped = time.time()
        self.clock.step(3600)
        frames = presents.collect(0.22)
        print("measured: hosted, wall clock jump to the next frame: %s"
              % ("%.3f s" % (frames[0] - jumped) if frames else "none"), flush=True)
        self.assertTrue(frames and frames[0] - jumped < 0.2,
                        "no frame within 0.2 s of the wall clock's jump")
        self.wait_for_hours_and_minutes(FOLLOW_TIMEOUT, "after the wall clock went an hour on")


if __name__ == "__main__":
    if os.environ.get("MORVANE_XVFB_SCREEN") != SCREEN:
        # Onto a small screen of its own.
        env = dict(os.environ, MORVANE_XVFB_SCREEN=SCREEN)
        os.execve(XVFB_RUN, [XVFB_RUN, sys.executable, os.path.abspath(__file__)] + sys.argv[1:],
                  env)
    unittest.main(verbosity=2)
