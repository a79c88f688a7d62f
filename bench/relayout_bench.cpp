// A viewer's relayout in the teaching picture: the theme switched (t) with
// the platoon drill (the longest, 1383 keyframes) paused on its last
// keyframe, as the viewers do it: the old window, teaching window and
// playback go, new ones at the same size and place come, and the whole
// frame is composed for the host to present. Goal: at most 100 ms at
// 5000 x 5000.

#include <benchmark/benchmark.h>

#include <memory>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/playback.hpp"
#include "stage/teaching.hpp"
#include "viewer/overlay.hpp"

namespace {

constexpr int kPlatoon = 0;
constexpr int kBandHeightShare = 30;  // the overlay's line height, of the window's height

// What a viewer holds for the teaching picture at one size and theme.
struct Picture {
  raster::RasterWindow device;
  stage::TeachingWindow teaching;
  stage::Playback playback;

  Picture(int w, int h, stage::Theme theme, const stage::PlaybackPlace& place)
      : device(w, h),
        teaching(device, drills::registry(), theme, viewer::teaching_stage_area(request(w, h))),
        playback(teaching, drills::registry(), place) {
    device.compose();
  }
  static viewer::OverlayRequest request(int w, int h) {
    viewer::OverlayRequest r{w, h, h / kBandHeightShare, false, false};
    r.teaching = true;
    r.learner = true;
    return r;
  }
};

stage::Theme other(stage::Theme t) {
  return t == stage::Theme::Dark ? stage::Theme::Light : stage::Theme::Dark;
}

void BM_ThemeSwitchAtPlatoonEnd(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  stage::PlaybackPlace place;
  place.drill = kPlatoon;
  place.playing = false;
  auto picture = std::make_unique<Picture>(w, h, stage::Theme::Dark, place);
  picture->playback.go_to_end();
  stage::Theme theme = stage::Theme::Dark;
  for (auto _ : state) {
    place = picture->playback.place();
    theme = other(theme);
    picture.reset();  // the viewers free the old picture before making the new
    picture = std::make_unique<Picture>(w, h, theme, place);
  }
  if (picture->playback.keyframe() != picture->playback.timeline().keyframes() - 1)
    state.SkipWithError("the relayout left the last keyframe");
}
BENCHMARK(BM_ThemeSwitchAtPlatoonEnd)
    ->Args({1024, 640})
    ->Args({1920, 1080})
    ->Args({5000, 5000})
    ->Unit(benchmark::kMillisecond);

}  // namespace
