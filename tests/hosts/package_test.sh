#!/usr/bin/env bash
# The Debian package on a new machine: makes build/morvane_*.deb with CPack,
# then, in a brand-new Debian 12 root (scripts/fresh-root), installs it the
# way the README says (apt install ./morvane_*.deb), installs the two hosts
# and a private display, and runs installed_check.py there.
# Needs root (fresh-root mounts /proc, /sys, /dev): skipped (77) otherwise.
#   tests/hosts/package_test.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [ "$(id -u)" -ne 0 ]; then
  echo "package_test: needs root for a fresh root; skipped"
  exit 77
fi
# Every mount shared, as systemd makes them: the fresh root must leave the
# mounts and a file in /dev/shm as they were (in a namespace of the test's own).
if [ -z "${PACKAGE_TEST_SHARED:-}" ]; then
  PACKAGE_TEST_SHARED=1 exec unshare --mount --propagation shared "$0" "$@"
fi

rm -f "$build"/morvane_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/morvane_*.deb)
echo "package_test: $(basename "$deb"), $(stat -c %s "$deb") bytes"

# The root sees the committed HEAD: the check script must be committed.
cd "$root"
mounts_before=$(cut -d' ' -f5 /proc/self/mountinfo | sort)
marker=$(mktemp /dev/shm/package_test.XXXXXX)
(while [ -e "$marker" ]; do sleep 0.2; done) & watcher=$!
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
kill $watcher 2>/dev/null && rm "$marker" || vanished=", and $marker vanished during it"
diff <(echo "$mounts_before") <(cut -d' ' -f5 /proc/self/mountinfo | sort) && [ -z "${vanished:-}" ] ||
  { echo "package_test: FAILED: the fresh root changed the host's mounts (diff above)${vanished:-}"; exit 1; }
