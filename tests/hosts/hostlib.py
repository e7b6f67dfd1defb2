"""What the host tests share: private X servers of any shape, the
unprivileged user that XScreenSaver insists on, the real daemon with its log,
Morvane's processes, and pixel probes of the clock face at the tile columns.

The clock's geometry (1000 world units = the window's height, the origin at
its centre): tile columns of the 24-hour face at x = -546, -354, -92, 100,
360, 552; digit tiles 2 x 97.2 wide, the hinge at y = 7.2, half-height
155.6; metal between the groups at x = -223 and 230."""
import os
import pwd
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import xshot  # noqa: E402
from clockface import COLUMNS_24 as COLUMNS, HALF_HEIGHT, HALF_WIDTH, HINGE  # noqa: E402,F401

BUILD = os.path.abspath(os.environ.get("MORVANE_BUILD_DIR", "build"))
# The program under test: the build tree's, or an installed one.
MORVANE = os.environ.get("MORVANE_PROGRAM") or os.path.join(BUILD, "morvane")
INSTALLED = bool(os.environ.get("MORVANE_PROGRAM"))
# Bounds on waiting: llvmpipe takes a second or two for the first frame,
# more under the sanitizers and with two copies sharing two cores. None of
# them is a measure of speed.
PATIENCE = 120

# Metal between the groups of tiles.
GAPS = (-223, 230)

wait_for = xshot.wait_for


# --------------------------------------------------------------------------
# X servers

def start_x(args, log, what):
    """Starts an X server that takes a free display number and writes it to
    -displayfd; its process and ":N"."""
    read_end, write_end = os.pipe()
    process = subprocess.Popen(args[:1] + ["-displayfd", str(write_end)] + args[1:],
                               pass_fds=(write_end,), stderr=log, stdout=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 30
    while not number.endswith(b"\n") and time.monotonic() < deadline:
        chunk = os.read(read_end, 16)
        if not chunk:
            break
        number += chunk
    os.close(read_end)
    if not number.strip():
        process.kill()
        raise RuntimeError("%s did not start: %s" % (what, open(log.name).read()[-3000:]))
    return process, ":" + number.decode().strip()


class XServer:
    """A private Xvfb. `screens` is a list of "WxHxD"; `extra` more options."""

    def __init__(self, screens=("1280x720x24",), extra=()):
        self.dir = tempfile.mkdtemp(prefix="morvane-x-")
        args = ["Xvfb", "-nolisten", "tcp", "-noreset", "+extension", "GLX", "+extension", "RANDR"]
        for i, screen in enumerate(screens):
            args += ["-screen", str(i), screen]
        args += list(extra)
        self.log = open(os.path.join(self.dir, "xvfb.log"), "w")
        self.process, self.display = start_x(args, self.log, "Xvfb")
        self.screens = [tuple(int(v) for v in s.split("x")[:2]) for s in screens]

    def screen(self, n):
        return "%s.%d" % (self.display, n)

    def env(self, **more):
        env = dict(os.environ, DISPLAY=self.display)
        env.update(more)
        return env

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def stop(self):
        self.kill()
        self.log.close()
        shutil.rmtree(self.dir, ignore_errors=True)


class TwoMonitorX(XServer):
    """Xorg's dummy driver: one X screen with two RandR outputs, as GLFW and
    Wine count monitors (Xvfb shows one): DUMMY0 at 0,0, the primary, and
    DUMMY1 beside it. A private config; as root it needs no VT. The root is
    white, so that a monitor left uncovered shows. With `window_manager`,
    openbox runs on it as a desktop's would, but focuses no new window and
    does not follow the pointer: the focus stays where it was put."""

    PRIMARY, SECOND = (0, 0, 1920, 1080), (1920, 0, 1280, 1024)

    def __init__(self, window_manager=False):
        self.dir = tempfile.mkdtemp(prefix="morvane-xorg-")
        sections, options = [], []
        for i, (x, y, w, h) in enumerate((self.PRIMARY, self.SECOND)):
            options.append('  Option "Monitor-DUMMY%d" "monitor%d"' % (i, i))
            sections.append('Section "Monitor"\n  Identifier "monitor%d"\n'
                            '  HorizSync 5.0-1000.0\n  VertRefresh 5.0-200.0\n'
                            '  Option "PreferredMode" "%dx%d"\n  Option "Position" "%d %d"\n'
                            '  Option "%s" "true"\nEndSection\n'
                            % (i, w, h, x, y, "Primary" if i == 0 else "Enable"))
        config = os.path.join(self.dir, "xorg.conf")
        with open(config, "w") as f:
            f.write('Section "ServerFlags"\n  Option "AutoAddDevices" "false"\n'
                    '  Option "AutoAddGPU" "false"\nEndSection\n'
                    'Section "Device"\n  Identifier "dummy"\n  Driver "dummy"\n'
                    '  VideoRam 256000\n%s\nEndSection\n%s'
                    'Section "Screen"\n  Identifier "screen"\n  Device "dummy"\n'
                    '  Monitor "monitor0"\n  DefaultDepth 24\n  SubSection "Display"\n'
                    '    Depth 24\n    Virtual 3200 1080\n  EndSubSection\nEndSection\n'
                    % ("\n".join(options), "".join(sections)))
        empty = os.path.join(self.dir, "conf.d")
        os.mkdir(empty)
        self.log = open(os.path.join(self.dir, "xorg.out"), "w")
        args = ["Xorg", "-config", config, "-configdir", empty,
                "-logfile", os.path.join(self.dir, "xorg.log"), "-noreset", "-nolisten", "tcp",
                "-novtswitch", "-sharevts"]
        try:
            self.process, self.display = start_x(args, self.log, "Xorg")
        except RuntimeError as e:  # what Xorg says of itself is in its own log
            log = os.path.join(self.dir, "xorg.log")
            text = open(log, errors="replace").read()[-3000:] if os.path.exists(log) else ""
            raise RuntimeError("%s\n%s" % (e, text))
        self.screens = [(3200, 1080)]
        subprocess.run(["xsetroot", "-solid", "white"], env=self.env(), check=True)
        self.manager = window_manager and self.start_openbox()

    def start_openbox(self):
        config = os.path.join(self.dir, "rc.xml")
        with open(config, "w") as f:
            f.write('<?xml version="1.0"?>\n<openbox_config xmlns="http://openbox.org/3.4/rc">\n'
                    '  <focus><focusNew>no</focusNew><followMouse>no</followMouse></focus>\n'
                    '</openbox_config>\n')
        home = os.path.join(self.dir, "home")  # whatever it writes of its own
        os.mkdir(home)
        manager = subprocess.Popen(["openbox", "--config-file", config, "--sm-disable"],
                                   env=self.env(HOME=home, XDG_CONFIG_HOME=home,
                                                XDG_CACHE_HOME=home, XDG_DATA_HOME=home),
                                   stdout=subprocess.DEVNULL, stderr=self.log)
        if not wait_for(lambda: "window id #" in subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env(),
                capture_output=True, text=True).stdout, 30, 0.1):
            manager.kill()
            raise RuntimeError("openbox did not start: %s" % open(self.log.name).read()[-3000:])
        return manager

    @staticmethod
    def black(shot, rect):
        """Whether `shot` is black at 7 x 7 spots of 4 x 4 pixels across `rect`."""
        X, Y, W, H = rect
        return shot is not None and all(
            max(shot.pixel(X + W * i // 8 + d % 4, Y + H * j // 8 + d // 4)) < 8
            for i in range(1, 8) for j in range(1, 8) for d in range(16))

    def xrandr(self, *args):
        return subprocess.run(["xrandr", "--display", self.display, *args], capture_output=True,
                              text=True, timeout=30)

    def visible(self, name):
        """The ids of the visible windows whose name matches `name`."""
        return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name],
                              env=self.env(), capture_output=True, text=True).stdout.split()

    def covers(self):
        """Where the visible covers are (one may go while it is asked)."""
        return [area for area in (geometry(self.display, int(c)) for c in self.visible("Cover$"))
                if area]

    def unplug(self):  # DUMMY1's CRTC off, as a monitor that sleeps or is unplugged
        self.xrandr("--output", "DUMMY1", "--off")

    def plug(self):
        x, _, w, h = self.SECOND
        self.xrandr("--output", "DUMMY1", "--mode", "%dx%d" % (w, h), "--pos", "%dx0" % x)
        self.xrandr()  # the query that makes the server report the output again

    def kill(self):
        if self.manager:
            self.manager.kill()
            self.manager.wait()
        self.process.terminate()
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            super().kill()


# --------------------------------------------------------------------------
# Screenshots, decoded only where a probe looks

class Shot:
    def __init__(self, data):
        fields = struct.unpack(">25I", data[:100])
        header, version, fmt, _depth, self.width, self.height = fields[:6]
        self.order = "<" if fields[7] == 0 else ">"
        self.bpp = fields[11] // 8
        self.stride = fields[12]
        if version != 7 or fmt != 2 or self.bpp not in (3, 4):
            raise ValueError("unsupported xwd picture")
        masks = fields[14:17]
        self.shifts = [(m & -m).bit_length() - 1 for m in masks]
        self.offset = header + 12 * fields[19]
        self.data = data

    def pixel(self, x, y):
        x = min(max(int(x), 0), self.width - 1)
        y = min(max(int(y), 0), self.height - 1)
        at = self.offset + y * self.stride + x * self.bpp
        raw = self.data[at:at + self.bpp]
        v = int.from_bytes(raw, "little" if self.order == "<" else "big")
        return tuple((v >> s) & 255 for s in self.shifts)

    def mean(self, x, y, r=2):
        total = [0, 0, 0]
        for dy in range(-r, r + 1):
            for dx in range(-r, r + 1):
                for i, c in enumerate(self.pixel(x + dx, y + dy)):
                    total[i] += c
        n = (2 * r + 1) ** 2
        return tuple(c / n for c in total)

    def save_png(self, path):
        xshot.parse_xwd(self.data).save_png(path)


def capture(display, window="root"):
    cmd = ["xwd", "-silent", "-display", display]
    cmd += ["-root"] if window == "root" else ["-id", str(window)]
    try:
        out = subprocess.run(cmd, capture_output=True, timeout=30)
    except subprocess.TimeoutExpired:
        return None
    return Shot(out.stdout) if out.returncode == 0 and out.stdout else None


def saturation_value(rgb):
    hi, lo = max(rgb), min(rgb)
    return ((hi - lo) / hi if hi else 0.0), hi / 255.0


def clock_problems(shot, x0, y0, width, height):
    """What is wrong with the clock face in the rectangle (empty: it is
    there). Paper at the top of every tile column, ink in every tile, metal
    between the groups."""
    if shot is None:
        return ["no picture"]
    scale = height / 1000.0

    def at(X, Y):
        return x0 + width / 2.0 + X * scale, y0 + height / 2.0 - Y * scale

    problems = []
    # Paper between the glyph and the top edge of the tile, averaged over
    # about 10 world units whatever the window's size.
    paper_top = HINGE + HALF_HEIGHT - 18
    radius = max(0, min(2, int(5 * scale)))
    lightness = []
    for X in COLUMNS:
        rgb = shot.mean(*at(X, paper_top), radius)
        s, v = saturation_value(rgb)
        lightness.append(sum(rgb) / 3)
        if v < 0.7 or s > 0.2:
            problems.append("no paper at the top of column %d: %s" % (X, rgb))
        ink = 0
        for i in range(-6, 7):
            for j in range(-12, 13):
                s, v = saturation_value(shot.pixel(*at(X + i * HALF_WIDTH * 0.12,
                                                      HINGE + j * HALF_HEIGHT * 0.075)))
                ink += s > 0.45 and v > 0.3
        if ink < 6:
            problems.append("no glyph ink in column %d" % X)
    paper = min(lightness)
    for X in GAPS:
        rgb = shot.mean(*at(X, 0), radius)
        if sum(rgb) / 3 > 0.75 * paper:
            problems.append("no metal between the groups at %d: %s" % (X, rgb))
    return problems


# --------------------------------------------------------------------------
# Processes

def morvane_pids():
    """The live processes of the program under test (zombies have ended)."""
    target = os.path.realpath(MORVANE)
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            if os.path.realpath("/proc/%s/exe" % entry) != target:
                continue
            with open("/proc/%s/stat" % entry) as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
        except OSError:
            continue
        if state != "Z":
            pids.append(int(entry))
    return sorted(pids)


def cpu_seconds(pid):
    """The user and system CPU time that the process has taken so far."""
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def signal_state(pid):
    """The process's state and its pending, blocked and caught signals, as
    /proc shows them."""
    try:
        with open("/proc/%d/status" % pid) as f:
            return " ".join(line.strip().replace(":\t", "=") for line in f
                            if line.startswith(("State", "SigPnd", "ShdPnd", "SigBlk", "SigCgt")))
    except OSError:
        return "gone"


def process_environ(pid):
    try:
        with open("/proc/%d/environ" % pid, "rb") as f:
            pairs = f.read().split(b"\0")
    except OSError:
        return {}
    return dict(p.decode(errors="replace").split("=", 1) for p in pairs if b"=" in p)


def process_args(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return [a.decode(errors="replace") for a in f.read().split(b"\0")[:-1]]
    except OSError:
        return []


def mapped_top_levels(display):
    out = subprocess.run(["xwininfo", "-display", display, "-root", "-children"],
                         capture_output=True, text=True).stdout
    ids = [int(line.split()[0], 16) for line in out.splitlines() if line.strip().startswith("0x")]
    mapped = []
    for window in ids:
        info = subprocess.run(["xwininfo", "-display", display, "-id", str(window)],
                              capture_output=True, text=True).stdout
        if "IsViewable" in info:
            mapped.append(window)
    return mapped


def geometry(display, window):
    """(x, y, width, height) of a window, x and y on the root; None once it
    is gone."""
    out = subprocess.run(["xwininfo", "-display", display, "-id", str(window)],
                         capture_output=True, text=True).stdout
    values = {}
    for line in out.splitlines():
        key, _, value = line.strip().partition(":")
        values[key] = value.strip()
    keys = ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height")
    return tuple(int(values[k]) for k in keys) if all(k in values for k in keys) else None


def children(display, window):
    out = subprocess.run(["xwininfo", "-display", display, "-id", str(window), "-children"],
                         capture_output=True, text=True).stdout
    return [int(line.split()[0], 16) for line in out.splitlines()
            if line.strip().startswith("0x") and "child" not in line.split(":")[0]]


def client_of(window):
    """The X client that made a window (Xvfb gives each client 2^21 ids)."""
    return window >> 21


# --------------------------------------------------------------------------
# The unprivileged user with a private home

class User:
    """XScreenSaver runs no hacks as root: as root, everything runs as
    "nobody" (through runuser) with a private HOME; as anyone else, as that
    user with a private HOME."""

    def __init__(self):
        self.home = tempfile.mkdtemp(prefix="morvane-home-")
        self.bin = os.path.join(self.home, "bin")
        os.mkdir(self.bin)
        # The program as the hosts find it: on PATH, by its name (an
        # installed one is where the hosts look by themselves).
        if not INSTALLED:
            os.symlink(MORVANE, os.path.join(self.bin, "morvane"))
        self.root = os.geteuid() == 0
        if self.root:
            nobody = pwd.getpwnam("nobody")
            for top, dirs, files in os.walk(self.home):
                for name in dirs + files + [""]:
                    os.lchown(os.path.join(top, name), nobody.pw_uid, nobody.pw_gid)
        os.chmod(self.home, 0o755)

    def write(self, name, text):
        path = os.path.join(self.home, name)
        with open(path, "w") as f:
            f.write(text)
        if self.root:
            nobody = pwd.getpwnam("nobody")
            os.chown(path, nobody.pw_uid, nobody.pw_gid)
        return path

    def command(self, display, args, **env):
        values = {
            "HOME": self.home,
            "PATH": self.bin + ":/usr/local/bin:/usr/bin:/bin",
            "DISPLAY": display,
            "LANG": "C", "LC_ALL": "C",  # 24-hour face
            "ASAN_OPTIONS": os.environ.get("ASAN_OPTIONS", "detect_leaks=0"),
            "UBSAN_OPTIONS": os.environ.get("UBSAN_OPTIONS", "print_stacktrace=1"),
            "ALSOFT_DRIVERS": "null",
        }
        values.update(env)
        prefix = ["runuser", "-u", "nobody", "--"] if self.root else []
        return prefix + ["env", "-i"] + ["%s=%s" % kv for kv in values.items()] + list(args)

    def start(self, display, args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **env):
        return subprocess.Popen(self.command(display, args, **env), stdout=stdout, stderr=stderr,
                                start_new_session=True)

    def run(self, display, args, timeout=60, **env):
        return subprocess.run(self.command(display, args, **env), capture_output=True, text=True,
                              timeout=timeout)

    def remove(self):
        shutil.rmtree(self.home, ignore_errors=True)


# The lines that README.md's "Use it as your screensaver on Linux" tells a
# user without a ~/.xscreensaver to write.
README_XSCREENSAVER_LINES = "mode:      one\nselected:  0\nprograms:  morvane --root \\n\n"

# What a test adds so that nothing but the test starts or ends a run.
QUIET_DAEMON_LINES = ("timeout:   0:30:00\ncycle:     0:00:00\nlock:      False\n"
                      "fade:      False\nunfade:    False\nsplash:    False\n")


class Daemon:
    """The real XScreenSaver daemon, run by `user` on `display`, logging."""

    def __init__(self, user, display, lines=README_XSCREENSAVER_LINES,
                 command=("xscreensaver", "--no-splash")):
        self.user = user
        self.display = display
        user.write(".xscreensaver", lines + QUIET_DAEMON_LINES)
        self.log = os.path.join(user.home, "xscreensaver.log")
        self.process = user.start(display, [*command, "--log", self.log])
        ready = wait_for(lambda: self.command("-version").returncode == 0, 30, 0.3)
        if not ready:
            raise RuntimeError("the XScreenSaver daemon did not come up:\n" + self.text())

    def command(self, *args):
        return self.user.run(self.display, ["xscreensaver-command", *args], timeout=30)

    def activate(self):
        out = self.command("-activate")
        assert out.returncode == 0, out.stderr

    def deactivate(self):
        out = self.command("-deactivate")
        assert out.returncode == 0, out.stderr

    def text(self):
        try:
            with open(self.log, errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def launches(self):
        """The daemon's lines for every hack it started."""
        return [line for line in self.text().splitlines() if "forked \"morvane" in line]

    def stop(self):
        if self.process.poll() is None:
            self.command("-exit")
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()


def kill_tree(root):
    """Kills a process and everything it started, at once. xsecurelock's
    saver_multiplex makes a session of its own (a kill of xsecurelock's
    process group misses it) and starts its saver again the moment it ends,
    so the whole tree is stopped first, then killed: none can start another,
    which might otherwise reach the next test's X server of the same number."""
    children = {}
    for entry in os.listdir("/proc"):
        try:
            with open("/proc/%s/stat" % entry) as f:
                children.setdefault(int(f.read().rsplit(")", 1)[1].split()[1]), []).append(int(entry))
        except (OSError, ValueError, IndexError):
            continue
    tree, i = [root], 0
    while i < len(tree):
        tree += children.get(tree[i], [])
        i += 1
    for sig in (signal.SIGSTOP, signal.SIGKILL):
        for pid in tree:
            try:
                os.kill(pid, sig)
            except OSError:
                pass


def end_all_morvanes():
    for pid in morvane_pids():
        try:
            os.kill(pid, signal.SIGKILL)
        except OSError:
            pass
