"""The Windows installer under Wine (Morvane-VERSION-setup.exe from
packaging/windows/Morvane.nsi, and one of version 0.9 to upgrade from), in a
new prefix. Silently for all users: Morvane.scr lands in System32, where
Screen Saver Settings lists it, as the very file built; the newer version
over the older leaves one uninstall entry, which reads right; SCRNSAVE.EXE
names the file and no other setting of the user's changed; the silent
uninstall leaves no file and no key of ours, and no screensaver chosen.
Then for one user (/CurrentUser): the file in the user's programs folder,
and an uninstall after the user chose another screensaver keeps that one."""
import math
import os
import subprocess
import sys

from winetest import Prefix, SCR, report, require_inputs

SETUP = os.environ.get("MORVANE_SETUP", "")
SETUP_OLD = os.environ.get("MORVANE_SETUP_OLD", "")
VERSION = os.environ.get("MORVANE_VERSION", "?")
UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall\Morvane"
DESKTOP = r"HKCU\Control Panel\Desktop"


def command_of(text):
    """A command line as the registry holds it: a quoted program, then switches."""
    if text.startswith('"'):
        program, _, rest = text[1:].partition('"')
        return [program] + rest.split()
    return text.split()


def unix(prefix, path):
    return prefix.run(["winepath", "-u", path], text=True).stdout.strip()


def ours(prefix):
    """Every file of the prefix and every registry line that names Morvane."""
    found = subprocess.run(["find", prefix.dir, "-mindepth", "1", "-iname", "*morvane*"], capture_output=True,
                           text=True).stdout.split()
    for name in ("system.reg", "user.reg"):
        with open(os.path.join(prefix.dir, name), errors="replace") as f:
            found += ["%s: %s" % (name, line.strip()) for line in f if "morvane" in line.lower()]
    return found


def install(prefix, setup, *switches):
    r = prefix.run(["wine", setup, "/S"] + list(switches), timeout=300)
    prefix.wait_idle()
    return r.returncode


def uninstall(prefix, entry, failures):
    command = command_of(entry.get("QuietUninstallString", ""))
    if not command:
        failures.append("the entry has no QuietUninstallString")
        return
    prefix.run(["wine"] + command, timeout=300)
    prefix.wait_idle()  # the uninstaller goes on in a copy of itself


def check_entry(prefix, root, scr, failures):
    entry = prefix.query(root + "\\" + UNINSTALL)
    uninstaller = command_of(entry.get("UninstallString", ""))
    size = 0
    if uninstaller and os.path.exists(unix(prefix, uninstaller[0])):
        size = os.path.getsize(unix(prefix, scr)) + os.path.getsize(unix(prefix, uninstaller[0]))
    else:
        failures.append("%s: no uninstaller at %r" % (root, entry.get("UninstallString")))
    want = {"DisplayName": "Morvane", "DisplayVersion": VERSION,
            "Publisher": "The Morvane developers", "DisplayIcon": scr + ",0",
            "EstimatedSize": math.ceil(size / 1024)}
    for name, value in want.items():
        if entry.get(name) != value:
            failures.append("%s entry: %s is %r, want %r" % (root, name, entry.get(name), value))
    return entry


def check_installed(prefix, root, scr, failures):
    path = unix(prefix, scr)
    if not os.path.exists(path):
        failures.append("no %s" % scr)
    else:
        with open(path, "rb") as f, open(SCR, "rb") as built:
            if f.read() != built.read():
                failures.append("%s is not the Morvane.scr built" % scr)
    chosen = prefix.query(DESKTOP).get("SCRNSAVE.EXE")
    if chosen != scr:
        failures.append("SCRNSAVE.EXE is %r, want %r" % (chosen, scr))
    return check_entry(prefix, root, scr, failures)


def main():
    require_inputs()
    if not (os.path.exists(SETUP) and os.path.exists(SETUP_OLD)):
        print("MORVANE_SETUP / MORVANE_SETUP_OLD name no installer: %r %r" % (SETUP, SETUP_OLD))
        return 1
    prefix = Prefix()
    failures = []
    try:
        # A setting of the user's own, which the installer must not touch.
        prefix.set_registry(DESKTOP, "ScreenSaveTimeOut", "420")
        desktop = prefix.query(DESKTOP)

        print("install 0.9: status %s" % install(prefix, SETUP_OLD))
        print("install %s: status %s" % (VERSION, install(prefix, SETUP)))
        system32 = r"C:\windows\system32\Morvane.scr"
        entry = check_installed(prefix, "HKLM", system32, failures)
        entries = [line for line in ours(prefix) if line.endswith('"DisplayName"="Morvane"')]
        print("uninstall entries: %d" % len(entries))
        if len(entries) != 1:
            failures.append("%d uninstall entries after the upgrade, want 1" % len(entries))
        changed = {k: v for k, v in prefix.query(DESKTOP).items()
                   if k != "SCRNSAVE.EXE" and desktop.get(k) != v}
        if changed:
            failures.append("the install changed other settings: %s" % changed)

        uninstall(prefix, entry, failures)
        left = ours(prefix)
        print("left after the uninstall: %s" % (left or "nothing"))
        if left:
            failures.append("the uninstall left %s" % left)
        if prefix.query(DESKTOP) != {k: v for k, v in desktop.items() if k != "SCRNSAVE.EXE"}:
            failures.append("the uninstall left the desktop settings at %s" % prefix.query(DESKTOP))

        # One user; then the user chooses another screensaver, which stays.
        install(prefix, SETUP, "/CurrentUser")
        local = prefix.run(["wine", "cmd", "/c", "echo", "%LOCALAPPDATA%"], text=True).stdout
        scr = local.strip() + r"\Programs\Morvane\Morvane.scr"
        entry = check_installed(prefix, "HKCU", scr, failures)
        other = r"C:\windows\system32\scrnsave.scr"
        prefix.set_registry(DESKTOP, "SCRNSAVE.EXE", other)
        uninstall(prefix, entry, failures)
        left = ours(prefix)
        chosen = prefix.query(DESKTOP).get("SCRNSAVE.EXE")
        print("one user: left %s; SCRNSAVE.EXE %s" % (left or "nothing", chosen))
        if left or chosen != other:
            failures.append("the one-user uninstall left %s and SCRNSAVE.EXE %r" % (left, chosen))
    finally:
        prefix.close()
    return report(failures)


if __name__ == "__main__":
    sys.exit(main())
