"""Preview runs of the real Morvane.scr under Wine, in a host window made by
our Win32 test program (preview_host.exe): "/p HWND" puts its drawing
window into the host, covering its client area, holds the guard against a
second preview or a plain launch, and ends with status 0 when the host
disables or destroys its window. It never loads DirectInput.

Wine (8.0) does not show OpenGL drawn into a child window whose top-level
window belongs to another process, so the host's pixels are not checked
here; a real Windows settings dialog shows them."""
import subprocess
import sys
import tempfile

from winetest import (HOST, MODULES, Prefix, SCR, check_no_directinput, find_window, report,
                      require_inputs, wait_for)

X, Y, W, H = 200, 150, 400, 300


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


def run_preview(prefix, ending, failures, check_guard):
    host = Host(prefix)
    log = tempfile.TemporaryFile("w+")
    preview = prefix.start([SCR, "/p", host.hwnd], stderr=log, debug=MODULES)
    # The drawing window is the host's only child and exactly covers it.
    wait_for(lambda: host.child()[0] > 0 or preview.poll() is not None)
    count, width, height = host.child()
    if count != 1 or (width, height) != (W, H):
        failures.append("%s: host children %d, first %dx%d (want 1 of %dx%d)"
                        % (ending, count, width, height, W, H))
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
        for ending in ("disable", "destroy"):
            run_preview(prefix, ending, failures, check_guard=ending == "disable")
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
