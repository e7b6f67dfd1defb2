#!/usr/bin/env python3
"""What a host's run costs next to the Windows preview, on one private Xvfb
(Mesa's llvmpipe, no vertical blank): `morvane --window-id W` and
`morvane /p W` in turn, into the same plain X window, at 640x360 and at
1920x1080. For each run, after a settling time, over SECONDS (15 by default):
CPU seconds per wall second of the process (2.0 = two cores busy), from
/proc/PID/stat, and frames per second, counted as the X server reports the
updates of the window that the program draws into (DAMAGE extension).

    bench/host_pacing.py [BUILD_DIR] [SECONDS]      (defaults: build 15)

The two runs take turns, never overlap; the load average before and after
is printed, since other work on the machine shares llvmpipe's cores."""
import os
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "hosts"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import hostlib  # noqa: E402
import xshot  # noqa: E402

SIZES = ((640, 360), (1920, 1080))
SETTLE = 4.0  # start-up and the first frames, not measured


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def load():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def measure(x, build, args, window, size, seconds):
    env = x.env(ALSOFT_DRIVERS="null")
    env.pop("XSCREENSAVER_WINDOW", None)
    run = subprocess.Popen([os.path.join(build, "morvane"), *args], env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        covering = " %dx%d+0+0 " % size

        def drawn():
            tree = subprocess.run(["xwininfo", "-display", x.display, "-id", str(window),
                                   "-children"], capture_output=True, text=True).stdout
            return [w for w in (int(line.split()[0], 16) for line in tree.splitlines()
                                if covering in line)
                    if hostlib.client_of(w) != hostlib.client_of(window)]  # not xlogo's own
        child = hostlib.wait_for(drawn, 60, 0.2)
        if not child:
            raise RuntimeError("%s drew nothing into the window" % " ".join(args))
        presents = xshot.Presents(child[0], x.display)
        presents.collect(SETTLE)
        cpu = cpu_seconds(run.pid)
        start = time.monotonic()
        frames = presents.collect(seconds)
        wall = time.monotonic() - start
        cpu = cpu_seconds(run.pid) - cpu
        presents.close()
        return cpu / wall, len(frames) / wall
    finally:
        run.send_signal(signal.SIGTERM)
        try:
            run.wait(10)
        except subprocess.TimeoutExpired:
            run.kill()
            run.wait()


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "..", "build"))
    seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 15.0
    x = hostlib.XServer(("1920x1080x24",))
    hosts = []
    try:
        print("load average before: %s (%d cores)" % (load(), os.cpu_count()))
        print("%-10s %-18s %12s %8s %14s" % ("size", "run", "CPU s/s", "fps", "CPU ms/frame"))
        for size in SIZES:
            title = "bench-host-%dx%d" % size
            hosts.append(subprocess.Popen(
                ["xlogo", "-display", x.display, "-geometry", "%dx%d+0+0" % size, "-title", title],
                stderr=subprocess.DEVNULL))
            found = hostlib.wait_for(lambda: subprocess.run(
                ["xdotool", "search", "--name", "^%s$" % title], env=x.env(),
                capture_output=True, text=True).stdout.split(), 20, 0.1)
            window = int(found[0])
            figures = {}
            for name, args in (("host --window-id", ["--window-id", str(window)]),
                               ("/p", ["/p", str(window)])):
                figures[name] = measure(x, build, args, window, size, seconds)
                cpu, fps = figures[name]
                print("%-10s %-18s %12.3f %8.1f %14.1f" % ("%dx%d" % size, name, cpu, fps,
                                                           1000 * cpu / fps if fps else 0),
                      flush=True)
            hosted, preview = figures["host --window-id"], figures["/p"]
            print("%-10s %-18s %12.2fx %7.2fx" % ("%dx%d" % size, "host / (/p)",
                                                   hosted[0] / preview[0], hosted[1] / preview[1]),
                  flush=True)
            hosts[-1].kill()
            hosts[-1].wait()
        print("load average after: %s" % load())
    finally:
        for host in hosts:
            if host.poll() is None:
                host.kill()
                host.wait()
        x.stop()


if __name__ == "__main__":
    main()
