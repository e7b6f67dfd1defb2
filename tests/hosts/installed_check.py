#!/usr/bin/env python3
"""Run inside a fresh Debian 12 root by package_test.sh, after
`apt install ./morvane_*.deb`: the installed files are where the README
says, and both hosts run the installed hack exactly as the README's
"Use it as your screensaver on Linux" says (the daemon started by the
autostart entry that its command line enables, the ~/.xscreensaver lines;
and XSECURELOCK_SAVER=/usr/bin/morvane)."""
import os
import sys
import time
import unittest

os.environ["MORVANE_PROGRAM"] = "/usr/bin/morvane"
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hostlib  # noqa: E402
from hostlib import wait_for  # noqa: E402


README = "/usr/share/doc/morvane/README.Linux.md"


def readme_command(word):
    """The README's one command line (an indented line) that holds `word`."""
    with open(README) as f:
        lines = [line.strip() for line in f if line.startswith("    ") and word in line]
    assert len(lines) == 1, lines
    return lines[0]


class InstalledPackageTest(unittest.TestCase):
    def test_the_files(self):
        self.assertTrue(os.access("/usr/bin/morvane", os.X_OK))
        self.assertEqual(os.path.realpath("/usr/libexec/xscreensaver/morvane"), "/usr/bin/morvane")
        with open("/usr/share/xscreensaver/config/morvane.xml") as f:
            entry = f.read()
        self.assertIn('<screensaver name="morvane" _label="Morvane">', entry)
        self.assertIn('<command arg="--root"/>', entry)
        self.assertTrue(os.path.exists("/usr/share/man/man6/morvane.6.gz"))
        with open(README) as f:
            self.assertIn("Use it as your screensaver on Linux", f.read())

    def test_under_the_xscreensaver_daemon(self):
        x = hostlib.XServer(("1024x576x24",))
        user = hostlib.User()
        daemon = None
        try:
            out = user.run(x.display, ["sh", "-c", readme_command("autostart")])
            self.assertEqual(out.returncode, 0, out.stderr)
            with open(os.path.join(user.home, ".config/autostart/xscreensaver.desktop")) as f:
                command = next(line[5:].split() for line in f if line.startswith("Exec="))
            daemon = hostlib.Daemon(user, x.display, command=command)
            daemon.activate()
            shown = wait_for(lambda: not hostlib.clock_problems(hostlib.capture(x.display),
                                                                0, 0, 1024, 576),
                             hostlib.PATIENCE, 0.3)
            self.assertTrue(shown, "%s\n%s" % (hostlib.clock_problems(
                hostlib.capture(x.display), 0, 0, 1024, 576), daemon.text()[-3000:]))
            pids = hostlib.morvane_pids()
            self.assertEqual(len(pids), 1)
            time.sleep(5)
            self.assertEqual(hostlib.morvane_pids(), pids)
            self.assertEqual(len(daemon.launches()), 1, daemon.launches())
            daemon.deactivate()
            self.assertTrue(wait_for(lambda: not hostlib.morvane_pids(), 5, 0.05))
        finally:
            if daemon is not None:
                daemon.stop()
            hostlib.end_all_morvanes()
            x.stop()
            user.remove()

    def test_as_the_xsecurelock_saver(self):
        x = hostlib.XServer(("1024x576x24",))
        user = hostlib.User()
        lock = user.start(x.display, ["xsecurelock"], XSECURELOCK_SAVER="/usr/bin/morvane")
        try:
            shown = wait_for(lambda: not hostlib.clock_problems(hostlib.capture(x.display),
                                                                0, 0, 1024, 576),
                             hostlib.PATIENCE, 0.3)
            self.assertTrue(shown, hostlib.clock_problems(hostlib.capture(x.display), 0, 0, 1024, 576))
            pids = hostlib.morvane_pids()
            self.assertEqual(len(pids), 1)
            time.sleep(5)
            self.assertEqual(hostlib.morvane_pids(), pids)
        finally:
            hostlib.kill_tree(lock.pid)
            lock.wait()
            hostlib.end_all_morvanes()
            x.stop()
            user.remove()


if __name__ == "__main__":
    unittest.main(verbosity=2)
