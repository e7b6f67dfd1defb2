"""The Windows installer under Wine, silently, in a new prefix: for all
users after an upgrade from 0.9, and for one user (/CurrentUser); each
uninstall leaves nothing of ours and the user's choices as they were."""
import math
import os
import subprocess
import sys

from winetest import Prefix, SCR, report, require_inputs

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


def run(prefix, command):
    """A command line as the registry holds it: a quoted program, then switches."""
    program, _, rest = command[1:].partition('"') if command.startswith('"') else ("", "", "")
    prefix.run(["wine", program or command] + rest.split(), timeout=300)
    prefix.wait_idle()  # the uninstaller goes on in a copy of itself


def check_installed(prefix, root, scr, failures):
    """The file, the entry under `root` and the choice; returns the entry."""
    path = prefix.run(["winepath", "-u", scr], text=True).stdout.strip()
    with open(SCR, "rb") as built:
        if not os.path.exists(path) or open(path, "rb").read() != built.read():
            failures.append("%s is not the Morvane.scr built" % scr)
    entry = prefix.query(root + UNINSTALL)
    uninstaller = prefix.run(["winepath", "-u", entry.get("UninstallString", '"?"')[1:-1]],
                             text=True).stdout.strip()
    size = sum(os.path.getsize(p) for p in (path, uninstaller) if os.path.exists(p))
    want = {"DisplayName": "Morvane", "DisplayVersion": VERSION, "DisplayIcon": scr + ",0",
            "Publisher": "The Morvane developers", "EstimatedSize": math.ceil(size / 1024)}
    want = {k: v for k, v in want.items() if entry.get(k) != v}
    if want or not os.path.exists(uninstaller):
        failures.append("%s entry %s, want %s and an uninstaller" % (root, entry, want))
    chosen = prefix.query(DESKTOP).get("SCRNSAVE.EXE")
    if chosen != scr:
        failures.append("SCRNSAVE.EXE is %r, want %r" % (chosen, scr))
    return entry


def main():
    require_inputs()
    if not (os.path.exists(SETUP) and os.path.exists(SETUP_OLD)):
        print("MORVANE_SETUP / MORVANE_SETUP_OLD name no installer: %r %r" % (SETUP, SETUP_OLD))
        return 1
    prefix = Prefix()
    failures = []
    try:
        prefix.set_registry(DESKTOP, "ScreenSaveTimeOut", "420")  # the user's own
        desktop = prefix.query(DESKTOP)
        for setup in (SETUP_OLD, SETUP):
            run(prefix, '"%s" /S' % setup)
        entry = check_installed(prefix, "HKLM", r"C:\windows\system32\Morvane.scr", failures)
        entries = [line for line in ours(prefix) if line.endswith('"DisplayName"="Morvane"')]
        if len(entries) != 1:
            failures.append("%d uninstall entries after the upgrade, want 1" % len(entries))
        run(prefix, entry.get("QuietUninstallString", "?"))
        left = ours(prefix)
        if left or prefix.query(DESKTOP) != desktop:
            failures.append("the uninstall left %s and %s" % (left, prefix.query(DESKTOP)))

        # One user, who then chooses another screensaver: the uninstall keeps it.
        run(prefix, '"%s" /S /CurrentUser' % SETUP)
        local = prefix.run(["wine", "cmd", "/c", "echo", "%LOCALAPPDATA%"], text=True).stdout
        entry = check_installed(prefix, "HKCU", local.strip() + r"\Programs\Morvane\Morvane.scr",
                                failures)
        prefix.set_registry(DESKTOP, "SCRNSAVE.EXE", r"C:\windows\system32\scrnsave.scr")
        run(prefix, entry.get("QuietUninstallString", "?"))
        left, chosen = ours(prefix), prefix.query(DESKTOP).get("SCRNSAVE.EXE")
        if left or chosen != r"C:\windows\system32\scrnsave.scr":
            failures.append("the one-user uninstall left %s and SCRNSAVE.EXE %r" % (left, chosen))
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
