#!/usr/bin/env bash
# Time to encode the whole pump-truck drill as a video at speed 1, in the
# saver's picture and in the teaching picture (the video's default): wall clock,
# CPU (user + system, which counts the encoder's threads too), peak memory,
# the video's length and the speed against real time, for 1280x720 and
# 1920x1080 MP4 and 1280x720 WebM. The machine's load average is printed with
# them: other work on the cores shows in the wall clock, not in the CPU time.
# Usage: bench/video_bench.sh [path/to/mirukado-render]
set -euo pipefail

root_dir=$(cd "$(dirname "$0")/.." && pwd)
render=${1:-$root_dir/build/tools/render/mirukado-render}
[ -x "$render" ] || { echo "no program at $render (build the mirukado-render target)"; exit 2; }
command -v ffprobe >/dev/null || { echo "ffprobe is not installed (Debian package ffmpeg)"; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/mirukado-video-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg), $(nproc) cores"
printf '%-22s %8s %8s %8s %9s %9s %9s\n' case wall_s cpu_s peak_MB video_s x_real size_MB
for spec in "1280x720 mp4 saver" "1280x720 mp4 teach" "1920x1080 mp4 saver" \
  "1920x1080 mp4 teach" "1280x720 webm saver" "1280x720 webm teach"; do
  read -r size ext view <<<"$spec"
  out="$work/ponpu.$ext"
  /usr/bin/time -o "$work/time" -f '%e %U %S %M' \
    "$render" video ponpu --size "$size" --view "$view" -o "$out" --force 2>/dev/null
  read -r wall user sys peak_kb <"$work/time"
  length=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$out")
  bytes=$(stat -c %s "$out")
  awk -v c="$size $ext $view" -v w="$wall" -v u="$user" -v s="$sys" -v m="$peak_kb" \
    -v l="$length" -v b="$bytes" 'BEGIN {
      printf "%-22s %8.1f %8.1f %8.0f %9.1f %9.1f %9.2f\n", c, w, u + s, m / 1024, l, l / w,
             b / 1048576 }'
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
