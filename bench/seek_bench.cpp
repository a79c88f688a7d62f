// Seeks in the platoon drill (the longest, 1383 keyframes) on the raster
// window, each timed with the composition a host presents afterwards. Goals:
// a seek at most 50 ms at 1920 x 1080 and 150 ms at 3840 x 2160, a step back
// at most 16 ms at 1920 x 1080 (medians: run with --benchmark_repetitions).
//
// A warm model has passed through the drill once, saving its surface
// checkpoints on the way; the cold seek is the first one, which has to
// paint the drill from its start.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <random>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/playback.hpp"

namespace {

constexpr int kPlatoon = 0;

stage::PlaybackPlace platoon() {
  stage::PlaybackPlace p;
  p.drill = kPlatoon;
  p.playing = false;
  return p;
}

struct Warm {
  raster::RasterWindow window;
  stage::Playback viewer;
  std::mt19937 random{20240601};  // fixed: every run seeks to the same places
  Warm(int w, int h) : window(w, h), viewer(window, drills::registry(), platoon()) {
    viewer.go_to_end();
    viewer.go_to_start();
    window.compose();
  }
  int last() const { return viewer.timeline().keyframes() - 1; }
  int any() { return std::uniform_int_distribution<int>(0, last())(random); }
};

// Times `move` from a place that `before` chose, untimed.
template <class Before, class Move>
void timed(benchmark::State& state, Warm& warm, Before before, Move move) {
  for (auto _ : state) {
    warm.viewer.seek_keyframe(before());
    warm.window.compose();
    const auto t0 = std::chrono::steady_clock::now();
    move();
    benchmark::DoNotOptimize(warm.window.compose());
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
}

int width(const benchmark::State& s) { return static_cast<int>(s.range(0)); }
int height(const benchmark::State& s) { return static_cast<int>(s.range(1)); }

void BM_SeekToLast(benchmark::State& state) {
  Warm warm(width(state), height(state));
  timed(
      state, warm, [&] { return warm.any() / 2; }, [&] { warm.viewer.seek_keyframe(warm.last()); });
}

void BM_SeekToRandom(benchmark::State& state) {
  Warm warm(width(state), height(state));
  timed(
      state, warm, [&] { return warm.any(); }, [&] { warm.viewer.seek_keyframe(warm.any()); });
}

void BM_SeekToFirst(benchmark::State& state) {
  Warm warm(width(state), height(state));
  timed(
      state, warm, [&] { return warm.any(); }, [&] { warm.viewer.go_to_start(); });
}

void BM_StepBack(benchmark::State& state) {
  Warm warm(width(state), height(state));
  timed(
      state, warm, [&] { return 1 + warm.any() % warm.last(); }, [&] { warm.viewer.step_back(); });
}

// The first seek to the end of a model that has no checkpoints yet.
void BM_ColdSeekToLast(benchmark::State& state) {
  raster::RasterWindow window(width(state), height(state));
  for (auto _ : state) {
    state.PauseTiming();
    auto viewer = std::make_unique<stage::Playback>(window, drills::registry(), platoon());
    window.compose();
    state.ResumeTiming();
    viewer->seek_keyframe(viewer->timeline().keyframes() - 1);
    benchmark::DoNotOptimize(window.compose());
  }
}

#define SIZES ->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)
BENCHMARK(BM_SeekToLast) SIZES->UseManualTime();
BENCHMARK(BM_SeekToRandom) SIZES->UseManualTime();
BENCHMARK(BM_SeekToFirst) SIZES->UseManualTime();
BENCHMARK(BM_StepBack) SIZES->UseManualTime();
BENCHMARK(BM_ColdSeekToLast) SIZES;

}  // namespace
