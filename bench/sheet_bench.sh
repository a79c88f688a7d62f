#!/usr/bin/env bash
# Time to make each drill's command sheet (the drill drawn once in the light
# teaching picture, a crop per command, the PDF set in cairo): wall clock, CPU
# (user + system), peak memory, pages and file size, the best of three runs
# by wall clock. The load average is printed with them: other work on the
# cores shows in the wall clock, not in the CPU time.
# Usage: bench/sheet_bench.sh [path/to/mirukado-render]
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/.." && pwd)
render=${1:-$root_dir/build/tools/render/mirukado-render}
[ -x "$render" ] || { echo "no program at $render (build the mirukado-render target)"; exit 2; }
command -v pdfinfo >/dev/null || { echo "pdfinfo is not installed (Debian package poppler-utils)"; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/mirukado-sheet-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
runs=3

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
printf '%-8s %8s %8s %8s %6s %9s\n' drill wall_s cpu_s peak_MB pages size_MB
for drill in $("$render" drills); do
  best=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -o "$work/time" -f '%e %U %S %M' \
      "$render" sheet "$drill" -o "$work/$drill.pdf" --force 2>/dev/null
    read -r wall user sys peak_kb <"$work/time"
    if [ -z "$best" ] || awk -v a="$wall" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
      best="$wall $user $sys $peak_kb"
    fi
  done
  read -r wall user sys peak_kb <<<"$best"
  pages=$(pdfinfo "$work/$drill.pdf" | awk '/^Pages:/ { print $2 }')
  bytes=$(stat -c %s "$work/$drill.pdf")
  awk -v d="$drill" -v w="$wall" -v u="$user" -v s="$sys" -v m="$peak_kb" -v p="$pages" \
    -v b="$bytes" 'BEGIN {
      printf "%-8s %8.2f %8.2f %8.0f %6d %9.2f\n", d, w, u + s, m / 1024, p, b / 1048576 }'
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
