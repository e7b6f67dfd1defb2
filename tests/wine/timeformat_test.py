"""The prefix's time format decides 12 or 24 hours: with "h:mm:ss tt" the
full-screen clock of the real Morvane.scr has the small A M / P M pair at the
right, with "HH:mm:ss" (and with "tt h:mm:ss", which opens with the
designator) it has none."""
import subprocess
import sys

from winetest import Prefix, SCR, is_paper, mean, report, require_inputs, wait_for, xshot

INTERNATIONAL = r"HKCU\Control Panel\International"
TITLE = "Morvane Screensaver"


def shot_when_drawn():
    shot = xshot.capture()
    # Some tile paper in the middle band means the first frames are up.
    band = [shot.pixel(x, 540) for x in range(0, 1920, 8)]
    return shot if sum(is_paper(p) for p in band) > 20 else None


def meridiem_tiles(shot):
    """Paper at the right end of the screen, where only the 12-hour clock
    has a tile (its A M / P M pair); the three pairs of the 24-hour clock
    are centred and end further left."""
    cells = [mean(shot, x, 650, 12, 12) for x in range(1700, 1840, 20)]
    # Paper or a red glyph on it, against the dark background.
    return sum(max(c) > 150 for c in cells)


def run_with(prefix, time_format):
    prefix.set_registry(INTERNATIONAL, "sTimeFormat", time_format)
    proc = prefix.start([SCR, "/s"])
    shot = wait_for(shot_when_drawn)
    wait_for(lambda: False, limit=2)
    shot = xshot.capture() if shot is not None else None
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", TITLE],
                         capture_output=True, text=True).stdout.split()
    for window in ids:
        subprocess.run(["xdotool", "windowfocus", "--sync", window], timeout=30)
        subprocess.run(["xdotool", "key", "space"], timeout=30)
    wait_for(lambda: proc.poll() is not None, limit=60)
    if proc.poll() is None:
        proc.kill()
    prefix.wait_idle()
    return shot, proc.returncode


def main():
    require_inputs()
    prefix = Prefix()
    failures = []
    try:
        for time_format, twelve in (("h:mm:ss tt", True), ("HH:mm:ss", False),
                                    ("tt h:mm:ss", False)):
            shot, status = run_with(prefix, time_format)
            if shot is None:
                failures.append("%r: the clock was never drawn" % time_format)
                continue
            shot.save_png("/tmp/morvane-wine-%s.png" % ("12h" if twelve else "24h"))
            found = meridiem_tiles(shot)
            if twelve and found < 6:
                failures.append("%r: no A M / P M tiles" % time_format)
            if not twelve and found > 0:
                failures.append("%r: A M / P M tiles on a 24-hour clock" % time_format)
            if status != 0:
                failures.append("%r: ended with status %s" % (time_format, status))
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
