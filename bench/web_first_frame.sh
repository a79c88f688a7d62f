#!/usr/bin/env bash
# The web page's first drawn frame after navigation with Chromium's CPU slowed
# 4x (CDP Emulation.setCPUThrottlingRate), on a phone upright (390 x 844, device
# scale 3) and a 1280 x 800 desktop: median ms from the navigation's start to
# the animation frame after the drill's first pixels are put on the canvas.
# The page's aim is 1 s or less.
# Usage: bench/web_first_frame.sh [RUNS]   (default 5; builds the site in build-web/)
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$root_dir/scripts/lib.sh"
build_web >/dev/null
ensure_web_test_modules
node "$root_dir/tests/web/first_frame_bench.mjs" "$web_build/site" "${1:-5}"
