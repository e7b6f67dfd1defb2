"""Full-screen runs of the real Morvane.scr under Wine: "/s" shows the clock
as the Linux build draws it, a key ends it with status 0, "/s" is not
guarded while a launch without switches is."""
import datetime
import os
import subprocess
import sys
import tempfile

from winetest import (HOST, Prefix, SCR, SNAPSHOT, close_to, find_window, is_paper, mean, read_png,
                      report, require_inputs, wait_for, xshot)

INTERNATIONAL = r"HKCU\Control Panel\International"
TITLE = "Morvane Screensaver"


def windows(name, visible_only=True):
    r = subprocess.run(["xdotool", "search"] + (["--onlyvisible"] if visible_only else []) +
                       ["--name", name],
                       capture_output=True, text=True)
    return r.stdout.split()


def press_key(window):
    subprocess.run(["xdotool", "windowfocus", "--sync", window], timeout=30)
    subprocess.run(["xdotool", "key", "--clearmodifiers", "space"], timeout=30)


def end_after_restore(prefix, proc):
    """A full-screen window that lost the focus to a second full-screen run
    has iconified itself (GLFW's auto-iconify); restored and in front again,
    it ends on a mouse button."""
    for _ in range(3):
        if proc.poll() is not None:
            return
        prefix.run(["wine", HOST, "restore", TITLE], timeout=60)
        subprocess.run(["xdotool", "mousemove", "960", "540", "click", "1"], timeout=30)
        wait_for(lambda: proc.poll() is not None, limit=20)


def end_with_key(proc):
    """Presses a key on each clock window in turn until `proc` has ended
    (which window has which process is not known from X)."""
    for _ in range(3):
        # A full-screen GLFW window iconifies when it loses the focus (to a
        # second full-screen run, say): map it again before the key.
        for window in windows("^%s$" % TITLE, visible_only=False):
            if proc.poll() is not None:
                return
            subprocess.run(["xdotool", "windowmap", window], timeout=30)
            press_key(window)
            wait_for(lambda: proc.poll() is not None, limit=20)


def clock_shown():
    shot = xshot.capture()
    # Paper of the hours tile, left of its first glyph.
    return shot if is_paper(mean(shot, 95, 380, 16, 16)) else None


def main():
    require_inputs()
    prefix = Prefix()
    failures = []
    try:
        prefix.set_registry(INTERNATIONAL, "sTimeFormat", "h:mm:ss tt")
        first = prefix.start([SCR, "/s"])
        shot = wait_for(clock_shown)
        if shot is None:
            failures.append("/s never showed the hours tile's paper")
        else:
            shot.save_png(os.path.join(tempfile.gettempdir(), "morvane-wine-fullscreen.png"))
            corners = [mean(shot, 0, 0, 40, 40), mean(shot, 1880, 0, 40, 40),
                       mean(shot, 0, 1040, 40, 40), mean(shot, 1880, 1040, 40, 40)]
            if any(max(c) > 40 for c in corners):
                failures.append("corners are not faded to black: %s" % corners)
            if SNAPSHOT and os.path.exists(SNAPSHOT):
                now = datetime.datetime.now().strftime("%H:%M:%S")
                out = os.path.join(tempfile.gettempdir(), "morvane-wine-snapshot.png")
                subprocess.run([SNAPSHOT, "--time", now, "--12h", "--size", "1920x1080",
                                "--out", out], check=True, timeout=300)
                linux = read_png(out)
                # Background (corners, above and below the tiles) and the
                # paper of the hours tile; glyphs and the seconds pair differ
                # with the time and are left out.
                for (x, y, w, h) in [(0, 0, 40, 40), (1880, 1040, 40, 40), (900, 120, 120, 60),
                                     (900, 900, 120, 60), (95, 380, 16, 16), (95, 660, 16, 16)]:
                    a, b = mean(shot, x, y, w, h), mean(linux, x, y, w, h)
                    if not close_to(a, b, 10):
                        failures.append("region %s: Wine %s, Linux %s" % ((x, y, w, h), a, b))
            else:
                print("no Linux snapshot tool; region checks against Linux skipped")

        # A second "/s" is not guarded: both run at once.
        second = prefix.start([SCR, "/s"])
        if not wait_for(lambda: len(windows(TITLE)) >= 2 or second.poll() is not None):
            failures.append("a second /s did not open its window")
        if second.poll() is not None:
            failures.append("a second /s ended by itself (status %s)" % second.returncode)

        # The second run has the focus and ends on a key.
        end_with_key(second)
        end_after_restore(prefix, first)
        for name, proc in (("first", first), ("second", second)):
            if proc.poll() is None:
                proc.kill()
                failures.append("the %s /s did not end on a key or button" % name)
            elif proc.returncode != 0:
                failures.append("the %s /s ended with status %s" % (name, proc.returncode))
        prefix.wait_idle()

        # No switch: the default launch is guarded against a second one.
        plain = prefix.start([SCR])
        wait_for(lambda: windows(TITLE) or plain.poll() is not None)
        again = prefix.start([SCR])
        wait_for(lambda: again.poll() is not None)
        if again.returncode != 0:
            failures.append("the guarded second launch ended with %s" % again.returncode)
        if plain.poll() is not None:
            failures.append("the first default launch ended early (%s)" % plain.returncode)
        else:
            end_with_key(plain)
            if plain.returncode != 0:
                failures.append("the default launch ended with %s after a key" % plain.returncode)
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
