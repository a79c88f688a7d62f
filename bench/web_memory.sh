#!/usr/bin/env bash
# The web page's JavaScript heap as it plays on: a passage of the platoon
# drill looping at ×10 in the saver's picture in headless chromium, heap used
# after a garbage collection as the loop starts and through SECONDS, and how
# many tick costs the page holds then. A screen left on for days must not grow.
# Usage: bench/web_memory.sh [SECONDS]   (default 120; builds the site in build-web/)
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$root_dir/scripts/lib.sh"
build_web >/dev/null
ensure_web_test_modules
node "$root_dir/tests/web/memory_bench.mjs" "$web_build/site" "${1:-120}"
