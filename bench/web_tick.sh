#!/usr/bin/env bash
# A tick plus its presentation on the web page at 1920 x 1080 in headless
# chromium (performance.now() around each timer tick: the model's advance, the
# composition, the RGBA conversion and putImageData; then with the caption and
# the timeline and status updated as well), median over the whole platoon drill at speed 3;
# and the native tick (viewer_tick_bench) in the same run, for the ratios.
# Usage: bench/web_tick.sh [native build folder]   (default build/; builds
# viewer_tick_bench there and the site in build-web/)
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/.." && pwd)
source "$root_dir/scripts/lib.sh"
build=${1:-$root_dir/build}
build_web >/dev/null
ensure_web_test_modules
cmake --build "$build" --target viewer_tick_bench >/dev/null
# Native: tick after tick (warm caches), then at the timer's cadence (each
# tick after a sleep, as a host runs it; the page is timed the same way).
native=$("$build/bench/viewer_tick_bench" --benchmark_format=json |
  node -e 'let s="";process.stdin.on("data",d=>s+=d).on("end",()=>console.log(JSON.parse(s).benchmarks.map(b=>b.median_tick_ms).join(" ")))')
web=$(node "$root_dir/tests/web/tick_bench.mjs" "$web_build/site")
node -e "
const [warm, cadence] = '$native'.split(' ').map(Number), web = $web;
const ratios = (ms) => ms.toFixed(3) + ' ms (' + (ms / cadence).toFixed(2) + 'x the timer-cadence tick, ' +
  (ms / warm).toFixed(1) + 'x the tick after tick)';
console.log('median tick at 1920x1080, platoon drill at speed 3 (' + web.ticks + ' page ticks):');
console.log('  native, tick after tick:      ' + warm.toFixed(3) + ' ms');
console.log('  native, at the timer cadence: ' + cadence.toFixed(3) + ' ms');
console.log('  web page, tick + stage:       ' + ratios(web.stage));
console.log('  web page, tick + stage + text: ' + ratios(web.all));"
