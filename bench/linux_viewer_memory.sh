#!/usr/bin/env bash
# Resident memory of the Linux viewer (`mirukado view`) on a 1024x768 Xvfb:
# VmRSS when it shows its first keyframe, with its window made 16384 pixels
# square, after shrinking it to 960x540, and before and after stepping
# through the platoon drill's keyframes again and again with the keyboard
# (each step a new window title), paused.
# Usage: bench/linux_viewer_memory.sh [path/to/mirukado]   (MIRUKADO_BENCH_KEYS=10000)
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/.." && pwd)
mirukado=${1:-$root_dir/build/platform/linux/mirukado}
keys=${MIRUKADO_BENCH_KEYS:-10000}
[ -x "$mirukado" ] || { echo "no program at $mirukado (build the mirukado target)"; exit 2; }
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/mirukado-bench.XXXXXX")
xvfb=""
viewer=""
cleanup() {
  [ -n "$viewer" ] && kill "$viewer" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work"
unset XSCREENSAVER_WINDOW

source "$root_dir/tests/x_server.sh"
source "$root_dir/tests/linux/viewer_memory.sh"
start_x_server "$work" Xvfb -screen 0 1024x768x24 -noreset -nolisten tcp ||
  { echo "Xvfb did not start"; exit 2; }
xvfb=$x_server_pid

"$mirukado" view kiritu 2>"$work/err.log" &
viewer=$!
win=$(viewer_window "$viewer") || { echo "no viewer window"; cat "$work/err.log"; exit 1; }
xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
xdotool key space
start=$(settled_rss "$viewer")
xdotool windowsize "$win" 16384 16384
huge=$(settled_rss "$viewer")
xdotool windowsize "$win" 960 540
shrunk=$(settled_rss "$viewer")
n=$(xdotool getwindowname "$win" | sed -E 's/.*コマ [0-9]+\/([0-9]+).*/\1/')
step_through "$win" "$n" 1
before=$(settled_rss "$viewer")
passes=$(((keys + n - 1) / n))
step_through "$win" "$n" "$passes"
after=$(settled_rss "$viewer")
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
printf '%-34s %10s\n' "VmRSS, MiB" ""
printf '%-34s %10s\n' "first keyframe" "$(mib "$start")" "16384 x 16384 window" "$(mib "$huge")" \
  "shrunk to 960 x 540" "$(mib "$shrunk")" "after one pass ($n keyframes)" "$(mib "$before")" \
  "after $((passes * n)) more" "$(mib "$after")"
printf '%-34s %10s\n' "growth over $((passes * n)), KiB" "$((after - before))"
