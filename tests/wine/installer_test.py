"""The Windows installer under Wine, silently, in a new prefix whose user
name is long enough to have a short 8.3 form: for all users after an
upgrade from 0.9, and for one user (/CurrentUser) beside it, chosen for
the user whose desktop shell runs. Each uninstall leaves the other install
whole, nothing of its own (a file in use goes at the next restart) and the
user's choices as they were; the one-user uninstaller runs from its 8.3
path, and a copy of an uninstaller that no entry names removes nothing."""
import math
import os
import shutil
import subprocess
import sys

from winetest import HOST, Prefix, SCR, find_window, report, require_inputs, wait_for

SETUP, SETUP_OLD = os.environ.get("MORVANE_SETUP", ""), os.environ.get("MORVANE_SETUP_OLD", "")
VERSION = os.environ.get("MORVANE_VERSION", "?")
UNINSTALL = r"\Software\Microsoft\Windows\CurrentVersion\Uninstall\Morvane"
DESKTOP = r"HKCU\Control Panel\Desktop"


def ours(prefix):
    """Every file of the prefix and every registry line that names Morvane."""
    found = subprocess.run(["find", prefix.dir, "-mindepth", "1", "-iname", "*morvane*"],
                           capture_output=True, text=True).stdout.splitlines()
    for name in ("system.reg", "user.reg"):
        with open(os.path.join(prefix.dir, name), errors="replace") as f:
            found += ["%s: %s" % (name, line.strip()) for line in f if "morvane" in line.lower()]
    return found


def run(prefix, command, shell=False, idle=True):
    """A command line as the registry holds it: a quoted program, then
    switches; `shell`: while a window of ours is the desktop's shell window,
    as Explorer's is. Returns what the shell said."""
    program, _, rest = command[1:].partition('"') if command.startswith('"') else ("", "", "")
    said = ""
    if shell:
        shell = prefix.start([HOST, "host", "0", "0", "8", "8"], stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, text=True)
        shell.stdout.readline()
        shell.stdin.write("shell\n")
        shell.stdin.flush()
        said = shell.stdout.readline().strip()
    prefix.run(["wine", program or command] + rest.split(), timeout=300)
    if shell:
        shell.stdin.close()
        shell.wait(timeout=60)
    if idle:
        prefix.wait_idle()  # the uninstaller goes on in a copy of itself
    return said


def check_installed(prefix, root, scr, failures, chosen=True):
    """The file, the entry under `root` and (`chosen`) the choice; returns
    the entry."""
    path = prefix.run(["winepath", "-u", scr], text=True).stdout.strip()
    with open(SCR, "rb") as built:
        if not os.path.exists(path) or open(path, "rb").read() != built.read():
            failures.append("%s is not the Morvane.scr built" % scr)
    entry = prefix.query(root + UNINSTALL)
    uninstaller = prefix.run(["winepath", "-u", entry.get("UninstallString", '"?"')[1:-1]],
                             text=True).stdout.strip()
    size = sum(os.path.getsize(p) for p in (path, uninstaller) if os.path.exists(p))
    want = {"DisplayName": "Morvane", "DisplayVersion": VERSION, "DisplayIcon": scr + ",0",
            "Publisher": "The Morvane developers", "EstimatedSize": math.ceil(size / 1024),
            "InstallMode": "all" if root == "HKLM" else "current"}
    want = {k: v for k, v in want.items() if entry.get(k) != v}
    if want or not os.path.exists(uninstaller):
        failures.append("%s entry %s, want %s and an uninstaller" % (root, entry, want))
    choice = prefix.query(DESKTOP).get("SCRNSAVE.EXE")
    if chosen and choice != scr:
        failures.append("SCRNSAVE.EXE is %r, want %r" % (choice, scr))
    return entry


def main():
    require_inputs()
    if not (os.path.exists(SETUP) and os.path.exists(SETUP_OLD)):
        print("MORVANE_SETUP / MORVANE_SETUP_OLD name no installer: %r %r" % (SETUP, SETUP_OLD))
        return 1
    os.environ["USER"] = "clockwatcher"  # C:\\users\\ has an 8.3 form
    prefix = Prefix()
    failures = []
    try:
        prefix.set_registry(DESKTOP, "ScreenSaveTimeOut", "420")  # the user's own
        desktop = prefix.query(DESKTOP)
        # The choice is for the user whose desktop shell runs.
        for setup in (SETUP_OLD, SETUP):
            said = run(prefix, '"%s" /S' % setup, shell=True)
        if said != "shell yes":
            failures.append("no shell window of ours during the install: %r" % said)
        system = check_installed(prefix, "HKLM", r"C:\windows\system32\Morvane.scr", failures)
        entries = [line for line in ours(prefix) if line.endswith('"DisplayName"="Morvane"')]
        if len(entries) != 1:
            failures.append("%d uninstall entries after the upgrade, want 1" % len(entries))
        local = prefix.run(["wine", "cmd", "/c", "echo", "%LOCALAPPDATA%"], text=True).stdout.strip()
        user_scr = local + r"\Programs\Morvane\Morvane.scr"

        def both_whole(user=True):
            check_installed(prefix, "HKLM", r"C:\windows\system32\Morvane.scr", failures, False)
            if user:
                check_installed(prefix, "HKCU", user_scr, failures, False)

        run(prefix, '"%s" /S /CurrentUser' % SETUP, shell=True)
        entry = check_installed(prefix, "HKCU", user_scr, failures)
        short = prefix.run(["winepath", "-s", entry["UninstallString"][1:-1]], text=True).stdout.strip()
        run(prefix, '"%s" /S' % short)  # the one-user uninstaller by its 8.3 path
        both_whole(user=False)
        left = [line for line in ours(prefix) if "system32" not in line.lower() and
                "program files" not in line.lower() and "HKEY_LOCAL_MACHINE" not in line]
        if os.path.exists(prefix.run(["winepath", "-u", user_scr], text=True).stdout.strip()) \
                or prefix.query("HKCU" + UNINSTALL) or prefix.query(DESKTOP) != desktop:
            failures.append("the one-user uninstall left its own: %s, desktop %s"
                            % (left, prefix.query(DESKTOP)))

        run(prefix, '"%s" /S /CurrentUser' % SETUP)
        shutil.copy(os.path.join(prefix.dir, "drive_c", "Program Files", "Morvane", "Uninstall.exe"),
                    os.path.join(prefix.dir, "drive_c", "Uninstall.exe"))
        run(prefix, r'"C:\Uninstall.exe" /S')  # a stray copy
        both_whole()

        # The machine's uninstall while the settings' preview holds the file.
        about = prefix.start([r"C:\windows\system32\Morvane.scr", "/c"])
        wait_for(lambda: find_window("^About$"))
        run(prefix, system["QuietUninstallString"], idle=False)
        wait_for(lambda: not prefix.query("HKLM" + UNINSTALL), limit=60)
        held = os.path.exists(os.path.join(prefix.dir, "drive_c", "windows", "system32", "Morvane.scr"))
        prefix.run(["wine", HOST, "close", "ValtrenneWindowClass", "About"])
        about.wait(timeout=60)
        prefix.wait_idle()
        check_installed(prefix, "HKCU", user_scr, failures)
        prefix.run(["wineboot", "-r"], timeout=300)
        prefix.wait_idle()
        home = os.path.realpath(prefix.run(["winepath", "-u", local], text=True).stdout.strip())
        machine = [line for line in ours(prefix) if not line.startswith(home)
                   and not line.startswith("user.reg")]
        if not held or machine:
            failures.append("the all-users uninstall: file in use %s, after a restart left %s"
                            % (held, machine))

        # The user's own choice since then stays.
        prefix.set_registry(DESKTOP, "SCRNSAVE.EXE", r"C:\windows\system32\scrnsave.scr")
        run(prefix, '"%s" /S' % entry["UninstallString"][1:-1])
        left, chosen = ours(prefix), prefix.query(DESKTOP).get("SCRNSAVE.EXE")
        if left or chosen != r"C:\windows\system32\scrnsave.scr":
            failures.append("the one-user uninstall left %s and SCRNSAVE.EXE %r" % (left, chosen))
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
