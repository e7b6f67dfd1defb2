#!/usr/bin/env bash
# The release on a new machine: makes the downloads with scripts/package and
# checks them (lintian, the copyright file, the sums, the zip) and what
# `cmake --install` leaves behind; then, in a brand-new Debian 12 root
# (scripts/fresh-root), installs the .deb the way the README says (apt
# install ./morvane_*.deb), installs the two hosts and a private display,
# and runs installed_check.py there. Then fresh-root's own edges: run as root
# without sudo in a repository that another user owns, and a TERM during its
# bootstrap.
# Needs root (fresh-root mounts /proc, /sys, /dev): skipped (77) otherwise.
#   tests/hosts/package_test.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ "$(id -u)" -ne 0 ]; then
  echo "package_test: needs root for a fresh root; skipped"
  exit 77
fi
# Inside a chroot / is no mount point, and no fresh root can keep its mounts
# from the machine's (scripts/fresh-root refuses): the checks of the
# downloads still run, the fresh root is skipped.
chrooted=no
awk '$5 == "/" { found = 1 } END { exit !found }' /proc/self/mountinfo || chrooted=yes
# Every mount shared, as systemd makes them: the fresh root must leave the
# mounts and a file in /dev/shm as they were (in a namespace of the test's own).
if [ -z "${PACKAGE_TEST_SHARED:-}" ] && [ $chrooted = no ]; then
  PACKAGE_TEST_SHARED=1 exec unshare --mount --propagation shared "$0" "$@"
fi

fail() { echo "package_test: FAILED: $*"; exit 1; }

# The downloads as scripts/package makes them.
MORVANE_PACKAGE_BUILD_DIR=$build "$root/scripts/package" >"$build/package.log" 2>&1 \
  || { cat "$build/package.log"; fail "scripts/package"; }
deb=$(ls "$build"/morvane_*.deb)
zip=$(ls "$build"/Morvane-*-windows-x64.zip)
setup=$(ls "$build"/Morvane-*-setup.exe)
echo "package_test: $(basename "$deb"), $(stat -c %s "$deb") bytes; $(basename "$zip"), $(stat -c %s "$zip") bytes; $(basename "$setup"), $(stat -c %s "$setup") bytes"

# lintian finds no error (its warnings and notes are shown).
lintian --fail-on error "$deb" || fail "lintian"
# The copyright file is machine-readable and carries LICENSE's terms (read
# by python3-debian, a module of the system's Python).
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/doc/morvane/copyright | /usr/bin/python3 -c '
import re, sys
from debian.copyright import Copyright
copyright = Copyright(sys.stdin)
files = copyright.find_files_paragraph("usr/bin/morvane")
terms = [p.license.text for p in copyright.all_license_paragraphs() if p.license.synopsis == files.license.synopsis]
holders, text = re.match(r".*?\nCopyright \(c\) (.*?)\n\n(.*)", open(sys.argv[1]).read(), re.S).groups()
assert files.copyright == holders and terms == [text.strip()], (files.copyright, terms)
' "$root/LICENSE" || fail "the copyright file"
# The sums cover the three downloads; the zip holds the screensaver as built,
# and texts with Windows line ends; the installer is a 64-bit Windows
# program (Wine here runs no other) that holds the project's version.
(cd "$build" && diff <(awk '{print $2}' SHA256SUMS | sort) <(basename -a "$deb" "$zip" "$setup" | sort) &&
  sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS"
file -b "$setup" | grep -q '^PE32+ executable (GUI) x86-64' || fail "the installer is $(file -b "$setup")"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(basename "$setup")" = "Morvane-$version-setup.exe" ] &&
  [ "$(strings -el -n 3 "$setup" | grep -A1 -x ProductVersion | tail -n1)" = "$version" ] ||
  fail "$(basename "$setup") is not the installer of Morvane $version"
python3 -c '
import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
assert sorted(z.namelist()) == ["LICENSE.txt", "Morvane.scr", "README.txt"], z.namelist()
assert z.read("Morvane.scr") == open(sys.argv[2], "rb").read(), "another Morvane.scr"
for name in ("LICENSE.txt", "README.txt"):
    text = z.read(name)
    assert text.count(b"\r\n") == text.count(b"\n") > 0, name
' "$zip" "$root/build-win/Morvane.scr" || fail "the Windows download"

# `cmake --install` as root records every path it makes in
# install_manifest.txt and writes nothing else into the build tree, whose
# owner (nobody, for this check) keeps that manifest.
prefix=$(mktemp -d)
owner=$(stat -c %u:%g "$build")
rm -f "$build/install_manifest.txt"
chown nobody "$build"
touch "$prefix/.before"
installed=yes
cmake --install "$build" --prefix "$prefix/usr" >/dev/null || installed=no
chown "$owner" "$build"
[ $installed = yes ] || fail "cmake --install"
[ "$(stat -c %U "$build/install_manifest.txt")" = nobody ] || fail "install_manifest.txt is not the build tree owner's"
chown "$owner" "$build/install_manifest.txt"
written=$(find "$build" -mindepth 1 -newer "$prefix/.before" ! -path "$build/install_manifest.txt" ! -path "$build/Testing/*")
[ -z "$written" ] || fail "cmake --install wrote into the build tree: $written"
unrecorded=$(comm -23 <(find "$prefix/usr" ! -type d | sort) <(sort "$build/install_manifest.txt"))
[ -z "$unrecorded" ] || fail "not in install_manifest.txt: $unrecorded"
rm -rf "$prefix"

if [ $chrooted = yes ]; then
  echo "package_test: / is not a mount point here (a chroot), so no fresh root; skipped"
  exit 77
fi
# The root sees the committed HEAD: the check script must be committed.
cd "$root"
mounts_before=$(cut -d' ' -f5 /proc/self/mountinfo | sort)
marker=$(mktemp /dev/shm/package_test.XXXXXX)
(while [ -e "$marker" ]; do sleep 0.2; done) & watcher=$!
trap 'kill $watcher 2>/dev/null || true; rm -f "$marker"' EXIT
start=$(date +%s)
scripts/fresh-root --put "$deb" -- bash -c '
  set -euo pipefail
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  cd /incoming
  apt-get install -y -qq ./morvane_*.deb >/tmp/apt-morvane.log 2>&1 || { cat /tmp/apt-morvane.log; exit 1; }
  echo "installed: $(dpkg-query -W -f="\${Package} \${Version}" morvane)"
  # The hosts, a display and the tools of the check; OpenGL (Mesa) must
  # come from the dependencies of the package itself.
  apt-get install -y -qq --no-install-recommends xscreensaver xsecurelock xvfb xauth \
    x11-apps x11-utils python3 >/tmp/apt-hosts.log 2>&1 || { cat /tmp/apt-hosts.log; exit 1; }
  cd /project
  python3 tests/hosts/installed_check.py
'
echo "package_test: fresh root done in $(( $(date +%s) - start )) s"

# As root without sudo (su, a root shell), in a repository that another
# user owns: git would refuse it as of dubious ownership; fresh-root clones
# it all the same.
foreign=$(mktemp -d)
git init -q "$foreign/repo"
echo probe >"$foreign/repo/probe"
git -C "$foreign/repo" add probe
git -C "$foreign/repo" -c user.name=probe -c user.email=probe@invalid commit -qm probe
chown -R nobody "$foreign/repo"
(cd "$foreign/repo" && env -u SUDO_UID "$root/scripts/fresh-root" -- grep -qx probe probe) ||
  fail "fresh-root as root in a repository that another user owns"
rm -rf "$foreign"

# A TERM during the bootstrap (a cache of the test's own, so that there is
# one): mmdebstrap's temporary root is in the cache, never in $TMPDIR, and
# the next bootstrap empties what a killed one left there.
scratch=$(mktemp -d /var/tmp/package_test.XXXXXX)
mkdir -p "$scratch/tmp" "$scratch/cache/bootstrap/mmdebstrap.left"
TMPDIR=$scratch/tmp MORVANE_FRESH_CACHE=$scratch/cache scripts/fresh-root -- true >/dev/null 2>&1 &
run=$!
for _ in $(seq 600); do grep -q '^I: using .* as tempdir' "$scratch/cache/mmdebstrap.log" 2>/dev/null && break; sleep 0.1; done
kill -TERM $run 2>/dev/null || true
wait $run || true
used=$(sed -n 's/^I: using \(.*\) as tempdir$/\1/p' "$scratch/cache/mmdebstrap.log" 2>/dev/null || true)
case $used in
  "$scratch/cache/bootstrap/"*) ;;
  *) fail "the bootstrap's temporary root was ${used:-never made}, not in the cache" ;;
esac
[ ! -e "$scratch/cache/bootstrap/mmdebstrap.left" ] || fail "the bootstrap left the last one's leftovers"
[ -z "$(ls -A "$scratch/tmp")" ] || fail "a TERM during the bootstrap left $(ls "$scratch/tmp") in TMPDIR"
rm -rf --one-file-system "$scratch"
echo "package_test: fresh-root without sudo in another user's repository, and a TERM during its bootstrap: passed"

kill $watcher 2>/dev/null && rm "$marker" || vanished=", and $marker vanished during it"
diff <(echo "$mounts_before") <(cut -d' ' -f5 /proc/self/mountinfo | sort) && [ -z "${vanished:-}" ] ||
  { echo "package_test: FAILED: the fresh root changed the host's mounts (diff above)${vanished:-}"; exit 1; }

