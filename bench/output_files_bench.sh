#!/usr/bin/env bash
# The cost of putting many small files in place: `play` of 3000 frames at
# 64x36, where writing, naming and checking each file outweighs rendering it.
# Wall clock, CPU (user + system) and peak memory, best of three runs, with
# the machine's load average.
# Usage: bench/output_files_bench.sh [path/to/mirukado-render]
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/.." && pwd)
render=${1:-$root_dir/build/tools/render/mirukado-render}
[ -x "$render" ] || { echo "no program at $render (build the mirukado-render target)"; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/mirukado-output-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
printf '%-24s %8s %8s %8s\n' case wall_s cpu_s peak_MB
for pass in fresh replacing; do
  best=""
  for run in 1 2 3; do
    [ "$pass" = fresh ] && rm -rf "$work/seq"
    /usr/bin/time -o "$work/time" -f '%e %U %S %M' \
      "$render" play --conf 4 --seconds 100 --fps 30 --size 64x36 -o "$work/seq" >/dev/null
    read -r wall user sys peak_kb <"$work/time"
    line=$(awk -v w="$wall" -v u="$user" -v s="$sys" -v m="$peak_kb" \
      'BEGIN { printf "%8.2f %8.2f %8.0f", w, u + s, m / 1024 }')
    if [ -z "$best" ] || awk -v a="$wall" -v b="${best%% *}" 'BEGIN { exit !(a < b) }'; then
      best="$wall $line"
    fi
  done
  printf '%-24s %s\n' "3000 frames, $pass" "${best#* }"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
