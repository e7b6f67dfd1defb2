#!/usr/bin/env python3
"""What a host's run costs next to the Windows preview, on one private Xvfb
(Mesa's llvmpipe, no vertical blank): `morvane --window-id W` and
`morvane /p W` in turn, into the same plain X window, at 640x360 and at
1920x1080. For each run, after a settling time, over SECONDS (15 by default):
CPU seconds per wall second of the process (2.0 = two cores busy), from
/proc/PID/stat, and frames per second, counted as the X server reports the
updates of the window that the program draws into (DAMAGE extension);
for the hosted run also the frames a second while the seconds' flap falls
(the 0.3 s after each half second of the wall clock), the smoothness of a
flip.
With --before OLD_BUILD, the hosted run of that build too, to compare.
Other work on the machine makes the figures noisy: set LP_NUM_THREADS (0:
llvmpipe draws on the program's own thread) and repeat.

With --scr, the same figures for each Morvane.scr named, under Wine (one
private prefix, made first): "/p" in a 152x112 window of the test host
(BUILD_DIR/tests/wine/preview_host.exe) and "/s" on an Xvfb of SCR_SIZE
(320x180 by default), where Wine's swap never waits for a vertical blank;
frames are counted from Wine's log of its wglSwapBuffers (+wgl). Each run
is made twice: on llvmpipe as it is (40 ms or more of CPU a frame here, at
any size: slower than a 60 Hz screen) and on llvmpipe told to skip
texturing, blending and depth (LP_PERF), whose frames cost about a
millisecond: a renderer faster than the screen, as a real GPU is when
vertical sync is forced off.

With --saver, the Linux build's own full-screen run instead of the hosted
ones: "/s" on an Xvfb of SCR_SIZE, the same figures with the monitor on and
then off (DPMS, which Xvfb lacks: the tests' stand-in for libXext's calls,
BUILD_DIR/tests/libmorvane_dpms_standin.so, says the level). Under Wine, "/s"
is measured once more after the run was told, inside its own process, that
the display is off (the test host's hook, display_hook.dll).

    bench/host_pacing.py [BUILD_DIR] [SECONDS] [--before OLD_BUILD] [--saver] [--scr SCR]...
                         [--scr-size WxH] [--wine-only]          (defaults: build 15)

The runs take turns, never overlap; the load average before and after is
printed, since other work on the machine shares llvmpipe's cores."""
import argparse
import os
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "hosts"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "wine"))
import hostlib  # noqa: E402
import xshot  # noqa: E402

SIZES = ((640, 360), (1600, 900), (1920, 1080))
SETTLE = 4.0  # start-up and the first frames, not measured


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
        cpu = hostlib.cpu_seconds(run.pid)
        start = time.monotonic()
        frames = presents.collect(seconds)
        wall = time.monotonic() - start
        cpu = hostlib.cpu_seconds(run.pid) - cpu
        presents.close()
        return cpu / wall, len(frames) / wall, falling_fps(frames, wall)
    finally:
        run.send_signal(signal.SIGTERM)
        try:
            run.wait(10)
        except subprocess.TimeoutExpired:
            run.kill()
            run.wait()


RENDERERS = (("llvmpipe", {}), ("cheap frames", {"LP_PERF": "no_tex,no_blend,no_depth"}))


def falling_fps(times, wall):
    """Frames a second while the seconds' flap falls: the 0.3 s after each
    half second of the wall clock."""
    return sum(1 for t in times if 0.5 <= t % 1 < 0.8) / (wall * 0.3)


def measure_scr(prefix, scr, args, seconds, renderer, display_off=False):
    """CPU s/s, frames per second and flip frames per second of one run of
    `scr` under Wine; with `display_off`, once the run has been told (inside
    its process, by the test host's hook) that the display is off. The swaps
    are timed as they reach Wine's log, looked at every 5 ms."""
    log = tempfile.TemporaryFile("w+")
    env = prefix.env
    prefix.env = dict(env, **renderer)
    try:
        run = prefix.start([scr, *args], stderr=log, debug="trace+wgl")
    finally:
        prefix.env = env

    def swaps():
        log.seek(0)
        return sum(1 for line in log if "wglSwapBuffers" in line)
    try:
        if not hostlib.wait_for(lambda: swaps() > 0 or run.poll() is not None, 120, 0.2) or \
                run.poll() is not None:
            raise RuntimeError("%s %s presented no frame" % (scr, " ".join(args)))
        time.sleep(SETTLE)
        if display_off:
            prefix.run(["wine", winetest_host(), "displaystate", "Morvane Screensaver", "0"])
            time.sleep(1.5)
        times, count = [], swaps()
        cpu, start = hostlib.cpu_seconds(run.pid), time.monotonic()
        while time.monotonic() < start + seconds:
            time.sleep(0.005)
            now = swaps()
            times += [time.time()] * (now - count)
            count = now
        wall = time.monotonic() - start
        cpu = hostlib.cpu_seconds(run.pid) - cpu
        return cpu / wall, len(times) / wall, falling_fps(times, wall)
    finally:
        run.kill()
        run.wait()


def winetest_host():
    return os.environ["MORVANE_PREVIEW_HOST"]  # set by wine_section


def wine_section(build, scrs, size, seconds):
    os.environ.setdefault("MORVANE_PREVIEW_HOST",
                          os.path.join(build, "tests", "wine", "preview_host.exe"))
    import winetest  # noqa: E402 (tests/wine; reads MORVANE_PREVIEW_HOST at import)
    host_program = winetest_host()
    x = hostlib.XServer(("%sx24" % size,))
    os.environ["DISPLAY"] = x.display
    prefix = winetest.Prefix()
    try:
        print("%-22s %-16s %-13s %9s %8s %14s %9s" % ("Morvane.scr under Wine", "run",
                                                        "renderer", "CPU s/s", "fps",
                                                        "CPU ms/frame", "flip fps"))
        for number, scr in enumerate(scrs, 1):
            label = "#%d %s" % (number, os.path.basename(scr))
            print("%s: %s" % (label, scr))
            host = prefix.start([host_program, "host", "0", "0", "152", "112"],
                                stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
            hwnd = host.stdout.readline().split()[1]
            runs = (("/p 152x112", ["/p", hwnd], False), ("/s %s" % size, ["/s"], False),
                    ("/s, display off", ["/s"], True))
            for name, args, off in runs:
                if name.startswith("/s") and host.poll() is None:
                    host.communicate("quit\n", timeout=60)
                for renderer, env in RENDERERS:
                    cpu, fps, flip = measure_scr(prefix, scr, args, seconds, env, off)
                    print("%-22s %-16s %-13s %9.3f %8.1f %14.1f %9.1f"
                          % (label, name, renderer, cpu, fps,
                             1000 * cpu / fps if fps else 0, flip), flush=True)
    finally:
        prefix.close()
        x.stop()


def saver_section(build, seconds, before, size):
    """`morvane /s` on an Xvfb of `size`, the monitor on and then off (DPMS,
    as the test stand-in for Xvfb's missing extension says it):"""
    standin = os.path.join(build, "tests", "libmorvane_dpms_standin.so")
    print("%-10s %-22s %12s %8s %12s" % ("/s", "run", "CPU s/s", "fps", "flip fps"))
    for name, program in ([("before", before)] if before else []) + [("now", build)]:
        x = hostlib.XServer(("%sx24" % size,))
        dpms = os.path.join(x.dir, "dpms")
        run = None
        try:
            for level in ("on", "off"):
                with open(dpms, "w") as f:
                    f.write(level)
                if run is None:
                    run = subprocess.Popen(
                        [os.path.join(program, "morvane"), "/s"], stdout=subprocess.DEVNULL,
                        stderr=subprocess.DEVNULL,
                        env=x.env(ALSOFT_DRIVERS="null", LD_PRELOAD=standin, MORVANE_TEST_DPMS=dpms))
                    window = hostlib.wait_for(lambda: hostlib.mapped_top_levels(x.display), 60, 0.2)
                    presents = xshot.Presents(window[0], x.display)
                    presents.collect(SETTLE)
                else:
                    presents.collect(1.5)  # a look at the monitor, and a flip's end
                cpu = hostlib.cpu_seconds(run.pid)
                start = time.monotonic()
                frames = presents.collect(seconds)
                wall = time.monotonic() - start
                cpu = hostlib.cpu_seconds(run.pid) - cpu
                print("%-10s %-22s %12.3f %8.1f %12.1f"
                      % (size, "%s, monitor %s" % (name, level), cpu / wall, len(frames) / wall,
                         falling_fps(frames, wall)), flush=True)
        finally:
            if run is not None:
                run.kill()
                run.wait()
            x.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("build", nargs="?", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("seconds", nargs="?", type=float, default=15.0)
    parser.add_argument("--before", help="an older build whose hosted run is measured too")
    parser.add_argument("--scr", action="append", default=[], help="a Morvane.scr to run")
    parser.add_argument("--scr-size", default="320x180", help="the Xvfb screen of its /s")
    parser.add_argument("--wine-only", action="store_true", help="no runs of the Linux build")
    parser.add_argument("--saver", action="store_true",
                        help="the Linux build's /s at SCR_SIZE, not its hosted runs")
    options = parser.parse_args()
    build, seconds = os.path.abspath(options.build), options.seconds
    before = options.before and os.path.abspath(options.before)
    print("load average before: %s (%d cores)" % (load(), os.cpu_count()))
    if options.saver and not options.wine_only:
        saver_section(build, seconds, before, options.scr_size)
    elif not options.wine_only:
        host_section(build, seconds, before)
    if options.scr:
        wine_section(build, [os.path.abspath(scr) for scr in options.scr], options.scr_size,
                     seconds)
    print("load average after: %s" % load())


def host_section(build, seconds, before):
    x = hostlib.XServer(("1920x1080x24",))
    hosts = []
    try:
        print("%-10s %-18s %12s %8s %14s %12s" % ("size", "run", "CPU s/s", "fps", "CPU ms/frame",
                                                "flip fps"))
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
            runs = [("host --window-id", build, ["--window-id", str(window)]),
                    ("/p", build, ["/p", str(window)])]
            if before:
                runs.insert(0, ("host, before", before, ["--window-id", str(window)]))
            for name, program, args in runs:
                figures[name] = measure(x, program, args, window, size, seconds)
                cpu, fps, falling = figures[name]
                print("%-10s %-18s %12.3f %8.1f %14.1f %12s"
                      % ("%dx%d" % size, name, cpu, fps, 1000 * cpu / fps if fps else 0,
                         "%.1f" % falling if name.startswith("host") else ""), flush=True)
            hosted, preview = figures["host --window-id"], figures["/p"]
            print("%-10s %-18s %12.2fx %7.2fx" % ("%dx%d" % size, "host / (/p)",
                                                   hosted[0] / preview[0], hosted[1] / preview[1]),
                  flush=True)
            hosts[-1].kill()
            hosts[-1].wait()
    finally:
        for host in hosts:
            if host.poll() is None:
                host.kill()
                host.wait()
        x.stop()


if __name__ == "__main__":
    main()
