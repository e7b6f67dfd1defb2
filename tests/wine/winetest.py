"""Shared pieces of the Wine tests: a private Wine prefix, the real
Morvane.scr started under it, screenshots of the test's own Xvfb display
(tests/xvfb-run.sh), and PNG reading for the Linux snapshots.

Environment (set by tests/wine/CMakeLists.txt):
  MORVANE_WINDOWS_SCR   the Morvane.scr under test
  MORVANE_PREVIEW_HOST  the preview_host.exe test program
  MORVANE_SNAPSHOT      build/morvane-snapshot, when the Linux build has it
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "hosts"))
import xshot  # noqa: E402
from hostlib import TwoMonitorX, cpu_seconds  # noqa: E402,F401 (fullscreen_test takes them from here)
from xshot import read_png  # noqa: E402,F401 (fullscreen_test takes it from here)

SCR = os.environ.get("MORVANE_WINDOWS_SCR", "")
HOST = os.environ.get("MORVANE_PREVIEW_HOST", "")
SNAPSHOT = os.environ.get("MORVANE_SNAPSHOT", "")

# Colours of the scene and the About window.
ABOUT_GREEN = (177, 232, 179)
# Wine's log of the modules each process loads (WINEDEBUG +pid,+loaddll).
MODULES = "+pid,+loaddll"
LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\S+ Loaded L"([^"]+)"', re.M)


class Prefix:
    """A Wine prefix of the test's own, made fresh and removed afterwards."""

    def __init__(self):
        self.dir = tempfile.mkdtemp(prefix="morvane-wine-")
        self.env = dict(os.environ)
        self.env.update({"WINEPREFIX": self.dir, "WINEDEBUG": "-all",
                         "WINEDLLOVERRIDES": "mscoree,mshtml=", "WINEARCH": "win64"})
        self.run(["wineboot", "-i"], timeout=300)
        # Windows' default foreground lock timeout; Wine's is 0, against
        # which a program that zeroes it could not be told apart.
        self.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v",
                  "ForegroundLockTimeout", "/t", "REG_DWORD", "/d", "200000", "/f"])
        self.wait_idle()

    def run(self, args, timeout=120, **kw):
        return subprocess.run(args, env=self.env, timeout=timeout, capture_output=True, **kw)

    def start(self, args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, debug=None, **kw):
        """Starts a program; `debug` is its WINEDEBUG (its log goes to stderr)."""
        env = dict(self.env, WINEDEBUG=debug) if debug else self.env
        return subprocess.Popen(["wine"] + args, env=env, stdout=stdout, stderr=stderr, **kw)

    def lock_timeout(self):
        """The foreground lock timeout as a fresh process reads it. A change
        that was not saved lasts as long as the session, which under Wine
        ends with the wineserver: read before wait_idle."""
        return self.run(["wine", HOST, "locktimeout"], text=True).stdout.strip()

    def set_registry(self, key, name, value, kind="REG_SZ"):
        self.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f"])
        self.wait_idle()

    def query(self, key):
        """A registry key's values, name -> data (a DWORD as its number)."""
        out = self.run(["wine", "reg", "query", key], text=True).stdout
        values = {}
        for line in out.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) >= 2 and parts[1].startswith("REG_"):
                data = parts[2] if len(parts) == 3 else ""
                values[parts[0]] = int(data, 16) if parts[1] == "REG_DWORD" else data
        return values

    def wait_idle(self):
        # Waits until every program of the prefix has ended (the registry is
        # then on disk and no earlier process holds a guard).
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=300)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60)
        shutil.rmtree(self.dir, ignore_errors=True)


def wait_for(predicate, limit=240, step=0.5):
    """Polls until predicate() is true; the limit only guards a hang."""
    return xshot.wait_for(predicate, limit, step)


def find_window(name):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                       capture_output=True, text=True)
    ids = r.stdout.split()
    return ids[0] if ids else None


def mean(shot, x, y, w, h):
    total = [0, 0, 0]
    for yy in range(y, y + h):
        for xx in range(x, x + w):
            p = shot.pixel(xx, yy)
            for c in range(3):
                total[c] += p[c]
    n = w * h
    return tuple(t / n for t in total)


def close_to(a, b, tolerance):
    return all(abs(x - y) <= tolerance for x, y in zip(a, b))


def is_paper(p):
    # The crumpled paper of the tiles: light and warm.
    return p[0] > 180 and p[1] > 170 and p[2] > 150 and p[0] >= p[2]


def check_no_directinput(log, what, failures):
    """DirectInput (dinput8.dll) never loaded by the process of SCR whose
    WINEDEBUG MODULES log this is: its enumeration of game controllers can
    stall a start for a minute."""
    loads = [(pid, path.rsplit("\\", 1)[-1].lower()) for pid, path in LOADED.findall(log)]
    pids = {pid for pid, module in loads if module == os.path.basename(SCR).lower()}
    loaded = [module for pid, module in loads if pid in pids and module == "dinput8.dll"]
    print("%s: dinput8.dll loaded %d times" % (what, len(loaded)))
    if not pids:
        failures.append("%s: Wine's log shows no process of %s" % (what, SCR))
    elif loaded:
        failures.append("%s loaded dinput8.dll" % what)


def require_inputs():
    if not SCR or not os.path.exists(SCR):
        print("MORVANE_WINDOWS_SCR does not name a built Morvane.scr: %r" % SCR)
        sys.exit(1)


def report(failures):
    """Prints each failure; the exit status of a test script."""
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0
