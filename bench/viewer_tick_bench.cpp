// One timer tick of a viewer at 1920 x 1080: the playback model shows what is
// due and the raster window composes what changed, over the whole platoon
// drill at speed 3, as a host's timer would call it. Reports the median tick
// (median_tick_ms), the figure the web page's tick plus presentation is
// compared with (bench/web_tick.sh measures the page).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/playback.hpp"

namespace {

// range(2): 0 calls tick after tick (warm caches); 1 sleeps each delay as a
// host's timer does, so each tick starts cold, as in a browser or a real host.
void BM_ViewerTickWholeDrill(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  const int height = static_cast<int>(state.range(1));
  const bool real_time = state.range(2) != 0;
  std::vector<double> ticks;
  for (auto _ : state) {
    state.PauseTiming();
    raster::RasterWindow window(width, height);
    stage::PlaybackPlace place;
    place.speed = stage::PlaySpeed::Three;
    stage::Playback viewer(window, drills::registry(), place);
    window.compose();
    ticks.clear();
    state.ResumeTiming();
    // Virtual time: each call comes exactly when the previous one asked.
    std::int64_t now = 0;
    for (int delay = viewer.advance(now); delay != stage::Playback::kIdle;) {
      now += delay;
      if (real_time) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
      const auto t0 = std::chrono::steady_clock::now();
      delay = viewer.advance(now);
      benchmark::DoNotOptimize(window.compose());
      ticks.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    }
  }
  std::nth_element(ticks.begin(), ticks.begin() + ticks.size() / 2, ticks.end());
  state.counters["median_tick_ms"] = ticks[ticks.size() / 2];
  state.counters["ticks"] = static_cast<double>(ticks.size());
}
BENCHMARK(BM_ViewerTickWholeDrill)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
