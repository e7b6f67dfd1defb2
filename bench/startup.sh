#!/usr/bin/env bash
# Start-up and steady-state figures of the real screensaver on a private
# Xvfb (Mesa llvmpipe): time from process start to the first presented frame
# of `morvane /s`, CPU and wall time per frame over 300 frames, peak RSS.
#
#   bench/startup.sh [BUILD_DIR] [WxH] [FRAMES]     (defaults: build 1920x1080 300)
#
# A small preloaded library (swap_probe.c) watches glfwSwapBuffers; it ends
# the run after the last frame. Xvfb has no vertical blank: a frame that
# costs less than three quarters of a 60 Hz period would be held to 60 a
# second, but llvmpipe's take 40 ms or more here, so the loop runs
# unthrottled and the figures are the frame's real cost.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
size=${2:-1920x1080}
frames=${3:-300}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cc -O2 -shared -fPIC -o "$tmp/swap_probe.so" "$here/swap_probe.c" -ldl
cat > "$tmp/run.sh" <<INNER
#!/usr/bin/env bash
start=\$(date +%s.%N)
ALSOFT_DRIVERS=null MORVANE_PROBE_OUT="$tmp/probe.txt" MORVANE_PROBE_FRAMES=$frames \
  LD_PRELOAD="$tmp/swap_probe.so" "$build/morvane" /s > /dev/null
echo "start_realtime=\$start" >> "$tmp/probe.txt"
INNER
chmod +x "$tmp/run.sh"
MORVANE_XVFB_SCREEN="${size}x24" "$here/../tests/xvfb-run.sh" "$tmp/run.sh"
awk -F= '{v[$1]=$2} END {
  printf "start-up to first frame: %.0f ms (CPU %.0f ms)\n", (v["first_frame_realtime"]-v["start_realtime"])*1000, v["startup_cpu_s"]*1000
  printf "per frame over %d frames: CPU %.1f ms, wall %.1f ms\n", v["frames"], v["cpu_per_frame_ms"], v["wall_per_frame_ms"]
  printf "peak RSS: %.1f MiB\n", v["peak_rss_mib"] }' "$tmp/probe.txt"
