"""Preview runs of the real Morvane.scr under Wine, in a host window made by
our Win32 test program (preview_host.exe): "/p HWND" puts its drawing
window into the host, covering its client area, holds the guard against a
second preview or a plain launch, and ends with status 0 when the host
disables or destroys its window. It never loads DirectInput.

Wine (8.0) does not show OpenGL drawn into a child window whose top-level
window belongs to another process: it draws into an X window of its own
under an unmapped 1 x 1 parent. The test maps that parent elsewhere on the
screen to see what the preview draws: in the settings dialog's 152 x 112,
in 12-hour mode, the whole clock."""
import re
import subprocess
import sys
import tempfile

from winetest import (HOST, MODULES, Prefix, SCR, check_no_directinput, find_window, is_paper,
                      report, require_inputs, wait_for, xshot)

X, Y = 200, 150
SHOWN_AT = (600, 400)


class Host:
    def __init__(self, prefix, width, height):
        self.proc = prefix.start([HOST, "host", str(X), str(Y), str(width), str(height)],
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline().split()
        assert line and line[0] == "hwnd", "preview_host said %r" % line
        self.hwnd = line[1]

    def tell(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        answer = []
        while True:
            line = self.proc.stdout.readline().strip()
            if line in ("done", ""):
                return answer
            answer.append(line)

    def child(self):
        """(count, width, height) of the host's child windows."""
        words = self.tell("children")[0].split()
        return int(words[1]), int(words[2]), int(words[3])


def show_surface(width, height):
    """Maps Wine's hidden parent of the preview's GL window at SHOWN_AT;
    false while there is none."""
    def children(*window):
        return subprocess.run(["xwininfo", "-children", *window], capture_output=True,
                              text=True, timeout=30).stdout
    for parent in re.findall(r"(0x[0-9a-f]+) \(has no name\): \(\)  1x1\+-1\+-1",
                             children("-root")):
        if " %dx%d+0+0" % (width, height) in children("-id", parent):
            subprocess.run(["xdotool", "windowsize", parent, str(width), str(height)])
            subprocess.run(["xdotool", "windowmove", parent, *map(str, SHOWN_AT)])
            subprocess.run(["xdotool", "windowmap", parent])
            return True
    return False


def whole_clock(shot, width, height):
    """What is wrong with the preview's picture: the first and last columns
    with tile paper or glyph ink in the middle third must stand between 1 %
    and 5 % of the width from the edges."""
    x0, y0 = SHOWN_AT

    def tile(p):
        return is_paper(p) or (max(p) > 76 and max(p) - min(p) > 0.45 * max(p))
    columns = [x for x in range(width)
               if any(tile(shot.pixel(x0 + x, y0 + y)) for y in range(height // 3, height * 2 // 3))]
    if not columns:
        return "no tiles"
    left, right = columns[0], width - 1 - columns[-1]
    if not (0.01 * width <= min(left, right) and max(left, right) <= 0.05 * width):
        return "tiles end %d and %d pixels from the edges" % (left, right)
    return None


def run_preview(prefix, ending, failures, check_guard, size, twelve_hour=False):
    W, H = size
    if twelve_hour:
        prefix.set_registry(r"HKCU\Control Panel\International", "sTimeFormat", "h:mm:ss tt")
    host = Host(prefix, W, H)
    log = tempfile.TemporaryFile("w+")
    preview = prefix.start([SCR, "/p", host.hwnd], stderr=log, debug=MODULES)
    # The drawing window is the host's only child and exactly covers it.
    wait_for(lambda: host.child()[0] > 0 or preview.poll() is not None)
    count, width, height = host.child()
    if count != 1 or (width, height) != (W, H):
        failures.append("%s: host children %d, first %dx%d (want 1 of %dx%d)"
                        % (ending, count, width, height, W, H))
    if twelve_hour:
        # The clock's first frames take a while on the software renderer.
        if not wait_for(lambda: show_surface(W, H), limit=60):
            failures.append("%dx%d preview: Wine made no surface for it" % (W, H))
        elif not wait_for(lambda: whole_clock(xshot.capture(), W, H) is None, limit=120):
            shot = xshot.capture()
            shot.crop(SHOWN_AT[0], SHOWN_AT[1], W, H).save_png("/tmp/morvane-wine-preview.png")
            failures.append("%dx%d 12-hour preview: %s (/tmp/morvane-wine-preview.png)"
                            % (W, H, whole_clock(shot, W, H)))
    if preview.poll() is not None:
        failures.append("%s: the preview ended by itself (%s)" % (ending, preview.returncode))
    # No "Failed to open window" box or library error either.
    for caption in ("^Debug$", "^Error$"):
        if find_window(caption):
            failures.append("%s: a message box %s is up" % (ending, caption))
    if check_guard:
        # The preview holds the guard: a second preview and a plain launch
        # end at once, with status 0, while the first keeps running.
        for args in ([SCR, "/p", host.hwnd], [SCR]):
            other = prefix.start(args)
            wait_for(lambda: other.poll() is not None)
            if other.poll() is None:
                other.kill()
                failures.append("%s did not end while a preview ran" % args[1:])
            elif other.returncode != 0:
                failures.append("%s ended with status %s" % (args[1:], other.returncode))
        if preview.poll() is not None:
            failures.append("the first preview ended when the guard turned others away")
    host.tell(ending)
    wait_for(lambda: preview.poll() is not None, limit=120)
    if preview.poll() is None:
        preview.kill()
        failures.append("the preview outlived a host that did %r" % ending)
    elif preview.returncode != 0:
        failures.append("after %r the preview ended with status %s" % (ending, preview.returncode))
    host.tell("quit")
    host.proc.wait(timeout=60)
    log.seek(0)
    check_no_directinput(log.read(), "/p (%s)" % ending, failures)


def main():
    require_inputs()
    prefix = Prefix()
    failures = []
    try:
        before = prefix.lock_timeout()
        for ending, size in (("disable", (400, 300)), ("destroy", (152, 112))):
            # The settings dialog's preview, in 12-hour mode.
            run_preview(prefix, ending, failures, check_guard=ending == "disable", size=size,
                        twelve_hour=size == (152, 112))
            after = prefix.lock_timeout()
            print("foreground lock timeout before the previews %s, after %r %s"
                  % (before, ending, after))
            if after != before:
                failures.append("foreground lock timeout after %r: %s, before: %s"
                                % (ending, after, before))
            prefix.wait_idle()
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
