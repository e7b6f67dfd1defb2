"""Preview runs of the real Morvane.scr under Wine, in a host window made by
our Win32 test program (preview_host.exe): "/p HWND" draws the clock into
the host, holds the guard against a second preview or a plain launch, and
ends with status 0 when the host disables or destroys its window."""
import subprocess
import sys

from winetest import HOST, Prefix, SCR, find_window, is_paper, require_inputs, wait_for, xshot

X, Y, W, H = 200, 150, 400, 300
MAGENTA = (255, 0, 255)


class Host:
    def __init__(self, prefix):
        self.proc = prefix.start([HOST, "host", str(X), str(Y), str(W), str(H)],
                                 stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline().split()
        assert line and line[0] == "hwnd", "preview_host said %r" % line
        self.hwnd = line[1]

    def tell(self, command):
        self.proc.stdin.write(command + "\n")
        self.proc.stdin.flush()
        return self.proc.stdout.readline().strip()


def host_picture():
    return xshot.capture().crop(X, Y, W, H)


def drawn(shot):
    """The clock fills the host: no host colour left, paper in the middle
    band, dark corners."""
    pixels = [shot.pixel(x, y) for y in range(0, H, 10) for x in range(0, W, 10)]
    if any(p == MAGENTA for p in pixels):
        return False
    middle = [shot.pixel(x, y) for y in range(H // 2 - 30, H // 2 + 30, 3) for x in range(0, W, 3)]
    corners = [shot.pixel(1, 1), shot.pixel(W - 2, 1), shot.pixel(1, H - 2), shot.pixel(W - 2, H - 2)]
    return sum(is_paper(p) for p in middle) > len(middle) // 10 and all(max(c) < 60 for c in corners)


def run_preview(prefix, ending, failures, check_guard):
    host = Host(prefix)
    preview = prefix.start([SCR, "/p", host.hwnd])
    shot = wait_for(lambda: (lambda s: s if drawn(s) else None)(host_picture()))
    if shot is None:
        failures.append("%s: the clock never filled the host window" % ending)
        host_picture().save_png("/tmp/morvane-wine-preview-fail.png")
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


def main():
    require_inputs()
    prefix = Prefix()
    failures = []
    try:
        run_preview(prefix, "disable", failures, check_guard=True)
        prefix.wait_idle()
        run_preview(prefix, "destroy", failures, check_guard=False)
    finally:
        prefix.close()
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
