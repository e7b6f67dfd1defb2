"""Full-screen runs of the real Morvane.scr under Wine: "/s" shows the clock
as the Linux build draws it, a key ends it with status 0, "/s" is not
guarded while a launch without switches is. Both behave as Windows expects
of a screensaver: the display may power off while the clock shows, the
pointer stays where it was, losing the foreground ends the run with status
0, it never has a taskbar button but is marked full screen to the shell,
it never loads DirectInput, and the foreground lock timeout is left as it
was. Told that the display is off, it takes no CPU to speak of, and a key
still ends it. On two monitors the other one is black under a cover (no taskbar
button) that follows it out and back, and without OpenGL 3.0 both are."""
import datetime
import os
import re
import subprocess
import sys
import tempfile
import time

from winetest import (HOST, TwoMonitorX, MODULES, Prefix, SCR, SNAPSHOT, check_no_directinput, close_to,
                      cpu_seconds, is_paper, mean, read_png, report, require_inputs, wait_for,
                      xshot)

INTERNATIONAL = r"HKCU\Control Panel\International"
TITLE = "Morvane Screensaver"
POINTER = ("37", "41")
# Wine's log of the first run: the execution states the process asks for
# (ntdll's warnings), the system commands that reach the default window
# procedure (the win channel's trace), the windows marked full screen
# through ITaskbarList2 (a stub's fixme) and the modules loaded.
DEBUG = "warn+ntdll,trace+win,fixme+explorerframe," + MODULES
STATE = re.compile(r"NtSetThreadExecutionState \((0x[0-9a-f]+),")
DEFAULT_SYSCOMMAND = re.compile(r"handle_sys_command \S+ \S+ WM_SYSCOMMAND (f170|f140) ")
CONTINUOUS, HELD = 0x80000000, 0x3  # ES_CONTINUOUS; ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED
MARKED = re.compile(r"taskbar_list_MarkFullscreenWindow \S+ \S+ hwnd ([0-9A-Fa-f]+), fullscreen (\w+)")


def windows(name):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                       capture_output=True, text=True)
    return r.stdout.split()


def pointer():
    out = subprocess.run(["xdotool", "getmouselocation", "--shell"], capture_output=True,
                         text=True).stdout
    values = dict(line.split("=", 1) for line in out.split())
    return values.get("X"), values.get("Y")


def end_with_key(proc):
    """Presses a key on the clock window until `proc` has ended."""
    for _ in range(3):
        for window in windows("^%s$" % TITLE):
            if proc.poll() is not None:
                return
            subprocess.run(["xdotool", "windowfocus", "--sync", window], timeout=30)
            subprocess.run(["xdotool", "key", "--clearmodifiers", "space"], timeout=30)
            wait_for(lambda: proc.poll() is not None, limit=20)


def check_ended(proc, what, failures, limit=120):
    """Whether `proc` ended by itself within `limit` seconds, with status 0."""
    wait_for(lambda: proc.poll() is not None, limit=limit, step=0.05)
    if proc.poll() is None:
        proc.kill()
        failures.append("%s: still running" % what)
        return False
    if proc.returncode != 0:
        failures.append("%s: ended with status %s" % (what, proc.returncode))
    return True


def tell_display(prefix, state, failures):
    said = prefix.run(["wine", HOST, "displaystate", TITLE, str(state)], text=True).stdout.strip()
    if said != "told":
        failures.append("display state %d: preview_host said %r" % (state, said))


def display_off_and_on(prefix, run, failures):
    """Told inside its own process that the display is off, the run takes no
    CPU to speak of; back on, it draws again."""
    def cpu(seconds):
        before = cpu_seconds(run.pid)
        time.sleep(seconds)
        return (cpu_seconds(run.pid) - before) / seconds
    tell_display(prefix, 0, failures)
    time.sleep(1)
    off = cpu(5)
    tell_display(prefix, 1, failures)
    on = cpu(3)
    print("CPU seconds a second: display off %.3f, back on %.3f" % (off, on))
    if off > 0.01 or on < 0.05:
        failures.append("CPU seconds a second with the display off %.3f, back on %.3f" % (off, on))


def clock_shown():
    shot = xshot.capture()
    # Paper of the hours tile, left of its first glyph.
    return shot if is_paper(mean(shot, 95, 380, 16, 16)) else None


def two_monitors(prefix, failures):
    """The runs on two monitors; `prefix` has no program running."""
    x = TwoMonitorX()
    env = dict(prefix.env, DISPLAY=x.display)
    saved, prefix.env = prefix.env, env  # a new wineserver sees the new layout
    black = x.black
    try:
        def shot():
            return xshot.capture(display=x.display)

        def click():
            subprocess.run(["xdotool", "mousemove", "2500", "300", "click", "1"], env=env)

        run = prefix.start([SCR, "/s"])
        picture = wait_for(lambda: (lambda s: s if is_paper(mean(s, 95, 380, 16, 16))
                                    and black(s, x.SECOND) else None)(shot()))
        if picture is None:
            failures.append("two monitors: no clock on the primary beside a black second one")
        button = prefix.run(["wine", HOST, "taskbar", "Morvane Screensaver Cover"],
                            text=True).stdout.strip()
        if not button.startswith("taskbar no exstyle 0x") or button.endswith(" 0000000000000000"):
            failures.append("two monitors: no cover, or one with a taskbar button: %s" % button)
        # Wine sends no WM_DISPLAYCHANGE when a monitor comes or goes.
        for change, covered in ((x.unplug, False), (x.plug, True)):
            change()
            prefix.run(["wine", HOST, "displaychange"])
            if not wait_for(lambda: bool(x.visible("Cover$")) == covered
                            and (not covered or black(shot(), x.SECOND)), limit=20, step=0.1) \
                    or run.poll() is not None:
                failures.append("two monitors: after %s the second monitor's cover is %s "
                                "(ended: %s)" % (change.__name__, x.visible("Cover$"), run.poll()))
        # A new mode and position: the cover follows within a second of the
        # broadcast, as a desktop's display settings send it.
        for pos in ("1920x312", "1920x0"):
            x.xrandr("--output", "DUMMY1", "--mode", "1024x768", "--pos", pos)
            prefix.run(["wine", HOST, "displaychange"])
            area = tuple(int(v) for v in pos.split("x")) + (1024, 768)
            if not wait_for(lambda: x.covers() == [area], limit=1, step=0.05):
                failures.append("two monitors: DUMMY1 at %s, 1024x768: covers %s"
                                % (pos, x.covers()))
        x.plug()
        click()
        check_ended(run, "two monitors: /s after a click on the cover", failures, limit=15)

        # Without OpenGL 3.0: the library's box above black everywhere, then
        # a click on the black, or a key on the box, ends the run.
        nogl = dict(env, MESA_GL_VERSION_OVERRIDE="2.1")
        for end in ("click", "key"):
            prefix.wait_idle()
            run = subprocess.Popen(["wine", SCR, "/s"], env=nogl, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
            box = wait_for(lambda: x.visible("^Error$"), limit=60)
            covers = wait_for(lambda: len(x.visible("Cover$")) == 2 and x.visible("Cover$"),
                              limit=10)
            time.sleep(1)
            # The X stacking, top first: screenshots of this server do not show
            # Wine's box over Wine's windows, so the box's own picture is checked.
            tree = subprocess.run(["xwininfo", "-root", "-children"], env=env,
                                  capture_output=True, text=True).stdout
            order = [int(line.split()[0], 16) for line in tree.splitlines()
                     if line.strip().startswith("0x") and "morvane" in line]
            above = bool(box and covers) and all(order.index(int(box[0])) < order.index(int(c))
                                                 for c in covers)
            face = box and xshot.capture(box[0], display=x.display)
            drawn = bool(face) and sum(min(face.pixel(face.width * i // 10, face.height * j // 10))
                                       > 200 for i in range(10) for j in range(10)) > 50
            picture = shot()
            monitors = black(picture, (0, 0, 600, 300)) and black(picture, x.SECOND)
            if not (above and drawn and monitors):
                failures.append("no OpenGL 3.0: box %s drawn %s above covers %s: %s, "
                                "monitors black %s" % (box, drawn, covers, above, monitors))
            if end == "click":
                click()
            else:
                subprocess.run(["xdotool", "key", "Return"], env=env)
            check_ended(run, "no OpenGL 3.0: after a %s" % end, failures, limit=15)
    finally:
        prefix.wait_idle()
        prefix.env = saved
        x.stop()


def main():
    require_inputs()
    prefix = Prefix()
    failures = []
    try:
        prefix.set_registry(INTERNATIONAL, "sTimeFormat", "h:mm:ss tt")
        lock_before = prefix.lock_timeout()
        subprocess.run(["xdotool", "mousemove"] + list(POINTER), timeout=30)
        log = open(os.path.join(tempfile.gettempdir(), "morvane-wine-fullscreen.log"), "w+")
        first = prefix.start([SCR, "/s"], stderr=log, debug=DEBUG)
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

        # While the clock shows, the pointer is where it was and the display
        # may power off: no display or system requirement in force, and
        # SC_MONITORPOWER reaches the default window procedure while
        # SC_SCREENSAVE does not.
        where = pointer()
        print("pointer before /s %s, while it runs %s" % (POINTER, where))
        if where != POINTER:
            failures.append("the pointer moved from %s to %s" % (POINTER, where))
        button = prefix.run(["wine", HOST, "taskbar", TITLE], text=True).stdout.strip()
        print(button)
        if not button.startswith("taskbar no"):
            failures.append("/s has a taskbar button: %s" % button)
        print("syscommand:", prefix.run(["wine", HOST, "syscommand", TITLE], text=True).stdout.strip())
        log.seek(0)
        trace = log.read()
        check_no_directinput(trace, "/s", failures)
        marked = [(int(h, 16), full) for h, full in MARKED.findall(trace)]
        print("windows marked full screen to the shell: %s"
              % ["%x %s" % mark for mark in marked])
        if (int(button.split()[-1], 16), "true") not in marked:
            failures.append("the clock's window is not marked full screen to the shell")
        held = [int(v, 16) for v in STATE.findall(trace) if int(v, 16) & CONTINUOUS]
        reached = DEFAULT_SYSCOMMAND.findall(trace)
        print("execution states asked for: %s; system commands reaching DefWindowProc: %s"
              % (["0x%08x" % v for v in held], reached))
        # GLFW asks for the display when it takes the monitor; the run must
        # have cleared that request since.
        if not any(v & HELD for v in held):
            failures.append("Wine's log shows no execution state holding the display: %s"
                            % ["0x%08x" % v for v in held])
        elif held[-1] & HELD:
            failures.append("/s keeps execution state 0x%08x in force" % held[-1])
        if reached != ["f170"]:
            failures.append("DefWindowProc got system commands %s, want f170 (SC_MONITORPOWER)"
                            % reached)

        display_off_and_on(prefix, first, failures)

        # A second "/s" is not guarded; taking the foreground, it ends the
        # first with status 0.
        second = prefix.start([SCR, "/s"])
        check_ended(first, "the first /s after a second took the foreground", failures)
        if not wait_for(lambda: windows(TITLE) or second.poll() is not None):
            failures.append("a second /s did not open its window")
        if second.poll() is not None:
            failures.append("a second /s ended by itself (status %s)" % second.returncode)
        tell_display(prefix, 0, failures)
        end_with_key(second)
        check_ended(second, "the second /s after a key, the display off", failures, limit=1)
        lock_after = prefix.lock_timeout()
        print("foreground lock timeout: before %s, after /s %s" % (lock_before, lock_after))
        if lock_after != lock_before:
            failures.append("foreground lock timeout after /s: %s, before: %s"
                            % (lock_after, lock_before))

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
            # Another window takes the foreground: the run ends within a second.
            wait_for(clock_shown)
            probe = prefix.start([HOST, "foreground"], stdout=subprocess.PIPE, text=True)
            said = probe.stdout.readline().strip()
            taken = time.monotonic()
            ended = check_ended(plain, "the default launch after another window took the "
                                "foreground", failures, limit=10)
            took = time.monotonic() - taken
            print("%s; the default launch ended: %s, %.2f s later" % (said, ended, took))
            if ended and took > 1:
                failures.append("the default launch ended %.2f s after losing the foreground"
                                % took)
            probe.wait(timeout=60)
        lock_after = prefix.lock_timeout()
        print("foreground lock timeout after the default launch: %s" % lock_after)
        if lock_after != lock_before:
            failures.append("foreground lock timeout after the default launch: %s, before: %s"
                            % (lock_after, lock_before))
        prefix.wait_idle()
        two_monitors(prefix, failures)
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
