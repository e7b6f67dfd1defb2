#!/usr/bin/env bash
# Runs a command against a private Xvfb server of its own and stops the
# server afterwards. The screen is 1920x1080x24 unless MORVANE_XVFB_SCREEN
# says otherwise. Exits with the command's status.
#
# -noreset: by default the server regenerates whenever its last client
# disconnects, and a client that connects during the regeneration is refused
# ("Failed to open display"). A test that ends one program and starts the
# next would race that.
set -u
tmp=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "${MORVANE_XVFB_SCREEN:-1920x1080x24}" -nolisten tcp -noreset \
  +extension GLX +extension RANDR 3>"$tmp/display" 2>"$tmp/xvfb.log" &
server=$!
for _ in $(seq 1 200); do
  [ -s "$tmp/display" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.05
done
if [ ! -s "$tmp/display" ]; then
  echo "xvfb-run.sh: Xvfb did not start" >&2
  cat "$tmp/xvfb.log" >&2
  rm -rf "$tmp"
  exit 1
fi
export DISPLAY=":$(head -n1 "$tmp/display")"
"$@"
status=$?
kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
rm -rf "$tmp"
exit $status
