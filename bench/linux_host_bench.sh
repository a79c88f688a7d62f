#!/usr/bin/env bash
# CPU and memory of a full-screen run of the Linux screen saver: runs
# `mirukado /s` on a 1920x1080 Xvfb for a minute at speed 1 and at speed 3 and
# reports, for the same minute, the CPU time of mirukado and of the X server
# (utime + stime from /proc/PID/stat, as % of one core) and mirukado's peak
# resident memory (VmHWM), with the anonymous and file-backed parts of the
# resident memory at the end (RssAnon: the frames and tables; RssFile: the
# libraries and the caption font).
# Usage: bench/linux_host_bench.sh [path/to/mirukado]   (MIRUKADO_BENCH_SECONDS=60)
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/.." && pwd)
mirukado=${1:-$root_dir/build/platform/linux/mirukado}
seconds=${MIRUKADO_BENCH_SECONDS:-60}
[ -x "$mirukado" ] || { echo "no program at $mirukado (build the mirukado target)"; exit 2; }
command -v Xvfb >/dev/null || { echo "Xvfb is not installed"; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/mirukado-bench.XXXXXX")
xvfb=""
saver=""
cleanup() {
  [ -n "$saver" ] && kill "$saver" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_CONFIG_HOME/mirukado" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset XSCREENSAVER_WINDOW

source "$root_dir/tests/x_server.sh"
start_x_server "$work" Xvfb -screen 0 1920x1080x24 -noreset -nolisten tcp ||
  { echo "Xvfb did not start"; exit 2; }
xvfb=$x_server_pid

hz=$(getconf CLK_TCK)
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
percent() { awk -v t="$1" -v hz="$hz" -v s="$2" 'BEGIN { printf "%.2f", 100 * t / hz / s }'; }

printf '%-6s %12s %12s %12s %12s %12s %12s\n' speed mirukado% X-server% sum% VmHWM-MiB \
  RssAnon-MiB RssFile-MiB
for speed in 1 3; do
  printf '[Saver]\nConf= 7\nSpeed= %d\n' "$speed" >"$XDG_CONFIG_HOME/mirukado/ミルカド.ini"
  x0=$(cpu_ticks "$xvfb")
  start=$(date +%s.%N)
  "$mirukado" /s &
  saver=$!
  sleep "$seconds"
  m=$(cpu_ticks "$saver")
  x1=$(cpu_ticks "$xvfb")
  elapsed=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
  hwm=$(awk '/VmHWM/ { printf "%.1f", $2 / 1024 }' "/proc/$saver/status")
  anon=$(awk '/RssAnon/ { printf "%.1f", $2 / 1024 }' "/proc/$saver/status")
  file=$(awk '/RssFile/ { printf "%.1f", $2 / 1024 }' "/proc/$saver/status")
  kill "$saver"
  wait "$saver" 2>/dev/null || true
  saver=""
  mp=$(percent "$m" "$elapsed")
  xp=$(percent "$((x1 - x0))" "$elapsed")
  printf '%-6s %12s %12s %12s %12s %12s %12s\n' "$speed" "$mp" "$xp" \
    "$(awk -v a="$mp" -v b="$xp" 'BEGIN { printf "%.2f", a + b }')" "$hwm" "$anon" "$file"
done
