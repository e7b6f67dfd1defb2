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

        run = prefix.start([r"C:\Downloads\Morvane.scr", "/s"])
        if wait_for(lambda: clock_shown() or run.poll() is not None) is None or run.poll() is not None:
            failures.append("/s beside the planted DLLs drew no clock (status %s)" % run.poll())
        subprocess.run(["xdotool", "key", "space"], timeout=30)
        end(prefix, run, 20)
        ran = planted_runs(log)
        print("/s: planted DLLs run:", ran)
        if ran:
            failures.append("/s ran planted DLLs: %s" % ran)

        run = prefix.start([r"C:\Downloads\Morvane.scr", "/c"])
        if not wait_for(lambda: find_window("^About$") or run.poll() is not None) \
                or run.poll() is not None:
            failures.append("/c beside the planted DLLs opened no About window (status %s)"
                            % run.poll())
        prefix.run(["wine", HOST, "close", "ValtrenneWindowClass", "About"], timeout=60)
        end(prefix, run, 60)
        ran = planted_runs(log)
        print("/c: planted DLLs run:", ran)
        if ran:
            failures.append("/c ran planted DLLs: %s" % ran)

        # NSIS 3.08's installer limits its own search to System32.
        prefix.run(["wine", r"C:\Downloads\setup.exe", "/S"], timeout=300)
        prefix.wait_idle()
        ran = planted_runs(log)
        installed = os.path.exists(os.path.join(prefix.dir, "drive_c", "windows", "system32",
                                                "Morvane.scr"))
        print("the installer: planted DLLs run: %s; installed: %s" % (ran, installed))
        if ran or not installed:
            failures.append("the installer ran planted DLLs %s; installed: %s" % (ran, installed))
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
