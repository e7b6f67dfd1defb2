"""Morvane.scr and its installer in a folder that also holds DLLs named as
system DLLs that are not KnownDLLs (what a web page can make a browser
save into Downloads), with Wine's load order set native first, as Windows
searches: "/s" still draws the clock, "/c" still opens the About window and
the installer still installs, and none of the planted DLLs runs. A program
of ours in the same folder that loads each name itself runs every one of
them, so the planting is shown to work."""
import os
import shutil
import subprocess
import sys

from fullscreen_test import clock_shown
from winetest import HOST, Prefix, SCR, find_window, report, require_inputs, wait_for

PLANTED = os.environ.get("MORVANE_PLANTED_DLL", "")
SETUP = os.environ.get("MORVANE_SETUP", "")
# What the program imports or GLFW loads by name. (Wine's own user32 loads
# version.dll, and its shell32 shlwapi.dll, from any program's folder: on
# Windows both are KnownDLLs.)
NAMES = ["opengl32.dll", "dsound.dll", "winmm.dll", "dwmapi.dll"]


def planted_runs(log):
    """The planted DLLs that ran since the last call, and empties the log."""
    if not os.path.exists(log):
        return []
    with open(log, errors="replace") as f:
        lines = [line.strip() for line in f if line.strip()]
    os.remove(log)
    return lines


def end(prefix, run, limit):
    """Waits for `run` to end, then ends whatever of the prefix still runs
    (a crash leaves Wine's debugger behind)."""
    wait_for(lambda: run.poll() is not None, limit=limit) or run.kill()
    subprocess.run(["wineserver", "-k"], env=prefix.env, timeout=60)


def main():
    require_inputs()
    if not os.path.exists(PLANTED) or not os.path.exists(SETUP):
        print("MORVANE_PLANTED_DLL / MORVANE_SETUP name no file: %r %r" % (PLANTED, SETUP))
        return 1
    prefix = Prefix()
    failures = []
    try:
        folder = os.path.join(prefix.dir, "drive_c", "Downloads")
        os.makedirs(folder)
        for source, name in ((SCR, "Morvane.scr"), (HOST, "host.exe"), (SETUP, "setup.exe")):
            shutil.copy(source, os.path.join(folder, name))
        for name in NAMES:
            shutil.copy(PLANTED, os.path.join(folder, name))
        log = os.path.join(prefix.dir, "drive_c", "planted.log")
        prefix.env.update(MORVANE_PLANTED_LOG=r"C:\planted.log", WINEDLLOVERRIDES="%s;%s=n,b" % (
            prefix.env["WINEDLLOVERRIDES"], ",".join(n[:-4] for n in NAMES)))

        said = prefix.run(["wine", r"C:\Downloads\host.exe", "load"] + NAMES, text=True).stdout
        ran = planted_runs(log)
        print(said.strip(), "\nplanted DLLs run by a plain LoadLibrary:", ran)
        missing = [n for n in NAMES if not any(line.lower().startswith(r"c:\downloads\%s " % n)
                                               for line in ran)]
        if missing:
            failures.append("the planted %s did not run even for a plain LoadLibrary" % missing)

        # Each run shows what it should, then ends; none runs a planted DLL.
        # NSIS 3.08's installer limits its own search to System32 too.
        installed = os.path.join(prefix.dir, "drive_c", "windows", "system32", "Morvane.scr")
        scr, setup = r"C:\Downloads\Morvane.scr", r"C:\Downloads\setup.exe"
        for args, shown, close in (
                ([scr, "/s"], clock_shown, ["xdotool", "key", "space"]),
                ([scr, "/c"], lambda: find_window("^About$"),
                 ["wine", HOST, "close", "ValtrenneWindowClass", "About"]),
                ([setup, "/S"], lambda: os.path.exists(installed), ["true"])):
            what = " ".join(args)
            run = prefix.start(args)
            if not wait_for(lambda: shown() or run.poll() not in (None, 0)) \
                    or run.poll() not in (None, 0):
                failures.append("%s beside the planted DLLs showed nothing (status %s)"
                                % (what, run.poll()))
            subprocess.run(close, env=prefix.env, timeout=60)
            end(prefix, run, 60)
            ran = planted_runs(log)
            print("%s: planted DLLs run: %s" % (what, ran))
            if ran:
                failures.append("%s ran planted DLLs: %s" % (what, ran))
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
