// Cost of one timer tick on the raster window, including bringing the pixels
// a host presents up to date (compose). The goal at 3840 x 2160 is at most
// 1 ms a tick, a tenth of the shortest interval the drills use at speed 3.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "drills/platoon/platoon.hpp"
#include "drills/registry.hpp"
#include "raster/figure_painter.hpp"
#include "raster/overlay_painter.hpp"
#include "raster/raster_window.hpp"
#include "stage/playback.hpp"
#include "stage/stage.hpp"
#include "stage/teaching.hpp"
#include "viewer/command_table.hpp"
#include "viewer/overlay.hpp"
#include "viewer/overlay_display.hpp"
#include "viewer/practice.hpp"

namespace {

// Every record moves all 21 figures: the worst case for the platoon player.
void all_slots_move(stage::FrameTable& t) {
  for (int r = 0; r < 2000; ++r) {
    t[r].duration = 100;
    for (int i = 0; i < 21; ++i)
      t[r].persons(i) = {static_cast<std::int16_t>(200 * (i % 10) + (r % 2) * 70),
                         static_cast<std::int16_t>(1000 + 400 * (i / 10)),
                         static_cast<std::int16_t>(r % 16)};
  }
}
void nothing(stage::FrameTable&) {}

// The registered drills, the platoon building `platoon`, the others nothing.
std::vector<stage::DrillDescriptor> building(void (*platoon)(stage::FrameTable&)) {
  std::vector<stage::DrillDescriptor> d(drills::registry().begin(), drills::registry().end());
  for (stage::DrillDescriptor& drill : d) drill.build = nothing;
  d.at(0).build = platoon;
  return d;
}

void BM_PlatoonKeyframeAllSlotsChanged(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  raster::RasterWindow window(w, h);
  const auto drills = building(all_slots_move);
  auto fresh = [&] {
    auto s = std::make_unique<stage::Stage>(window, stage::conf_bit(0), 3, drills);
    s->activate();
    while (drills::playback_state(*s) != drills::PlaybackState::Kiritu) s->tick();
    s->tick();  // the full redraw of the first keyframe is not the steady case
    window.compose();
    return s;
  };
  auto stage = fresh();
  for (auto _ : state) {
    if (stage->frame_index() >= 1999) {
      state.PauseTiming();
      stage = fresh();
      state.ResumeTiming();
    }
    stage->tick();
    benchmark::DoNotOptimize(window.compose());
  }
}

// Times only the ticks of one transition state, over whole transitions.
void transition(benchmark::State& state, int conf, drills::PlaybackState which) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  raster::RasterWindow window(w, h);
  const auto drills = building(nothing);
  stage::Stage stage(window, conf, 3, drills);
  stage.activate();
  for (auto _ : state) {
    while (drills::playback_state(stage) != which) {
      stage.tick();
      window.compose();
    }
    const auto t0 = std::chrono::steady_clock::now();
    stage.tick();
    benchmark::DoNotOptimize(window.compose());
    state.SetIterationTime(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
}

void BM_PlatoonIntroTick(benchmark::State& s) {
  transition(s, 1, drills::PlaybackState::KirituStart);
}
void BM_PlatoonOutroTick(benchmark::State& s) {
  transition(s, 1, drills::PlaybackState::KirituEnd);
}
void BM_PumpTruckIntroTick(benchmark::State& s) {
  transition(s, 2, drills::PlaybackState::PonpuStart);
}
void BM_PumpTruckOutroTick(benchmark::State& s) {
  transition(s, 2, drills::PlaybackState::PonpuEnd);
}
void BM_PortablePumpIntroTick(benchmark::State& s) {
  transition(s, 4, drills::PlaybackState::KahanStart);
}
void BM_PortablePumpOutroTick(benchmark::State& s) {
  transition(s, 4, drills::PlaybackState::KahanEnd);
}

// The teaching picture of the pump-truck drill at a window's size, as a
// viewer holds it: the raster window, the teaching window over it and the
// playback, paused in the middle of the drill.
struct Teaching {
  static constexpr int kPumpTruck = 1;
  raster::RasterWindow device;
  stage::DrillList drills = drills::registry();
  viewer::OverlayRequest request;
  stage::TeachingWindow window;
  stage::Playback playback;

  Teaching(int w, int h)
      : device(w, h),
        request(teaching_request(w, h)),
        window(device, drills, stage::Theme::Light, viewer::teaching_stage_area(request)),
        playback(window, drills, middle()) {
    device.compose();
  }
  static viewer::OverlayRequest teaching_request(int w, int h) {
    viewer::OverlayRequest r{w, h, h / 30, false, true};
    r.teaching = true;
    return r;
  }
  static stage::PlaybackPlace middle() {
    stage::PlaybackPlace place;
    place.drill = kPumpTruck;
    place.time_ms = 150000;
    place.playing = false;
    return place;
  }
  // What a host redraws for the learner after a change: figures, trail,
  // scene path and the overlay.
  std::size_t redraw(const viewer::Learner& learner) {
    request.position = learner.position;
    request.mine_only = learner.mine_only;
    request.practice = learner.practice.get();
    const stage::FrameTable& table = playback.stage().table(playback.drill());
    std::size_t n = window.figures().size() + window.trail(table, playback.keyframe()).size() +
                    window.scene_path(table, playback.timeline(), playback.keyframe()).size();
    return n + viewer::overlay_view(playback, request).rows.size();
  }
};

// Choosing the next position (the key r) and redrawing for it.
void BM_SwitchPosition(benchmark::State& state) {
  Teaching t(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  viewer::Learner learner;
  learner.mine_only = true;
  viewer::ViewerPanels panels;
  for (auto _ : state) {
    viewer::apply(viewer::ViewerCommand::CyclePosition, 0, t.playback, panels, learner);
    t.window.choose(learner.position);
    benchmark::DoNotOptimize(t.redraw(learner));
  }
}

// Starting a practice session (the key p): back to the drill's start, the
// part read, the first prompt reached, and the redraw.
void BM_EnterPractice(benchmark::State& state) {
  Teaching t(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  viewer::Learner learner;
  learner.position = 2;
  t.window.choose(learner.position);
  viewer::ViewerPanels panels;
  std::int64_t now = 0;
  for (auto _ : state) {
    state.PauseTiming();
    learner.practice.reset();
    t.playback.seek_time(150000);  // where the learner was
    state.ResumeTiming();
    viewer::apply(viewer::ViewerCommand::Practice, 0, t.playback, panels, learner);
    learner.practice->advance(++now);
    benchmark::DoNotOptimize(t.redraw(learner));
    benchmark::DoNotOptimize(t.device.compose());
  }
}

// One keyframe shown while playing and presented, with no position followed
// (0) or one followed (1): highlight, trail and the scene's path on top.
void BM_TeachingTick(benchmark::State& state) {
  Teaching t(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  viewer::Learner learner;
  if (state.range(2) != 0) learner.position = 2;
  learner.whole_path = learner.position.has_value();
  t.window.choose(learner.position);
  const int last = t.playback.timeline().keyframes() - 1;
  for (auto _ : state) {
    if (t.playback.keyframe() >= last) {
      state.PauseTiming();
      t.playback.seek_time(150000);
      state.ResumeTiming();
    }
    t.playback.step_forward();
    benchmark::DoNotOptimize(t.device.compose());
    std::size_t n = 0;
    if (learner.position) {
      const stage::FrameTable& table = t.playback.stage().table(t.playback.drill());
      n += t.window.trail(table, t.playback.keyframe()).size();
      n += t.window.scene_path(table, t.playback.timeline(), t.playback.keyframe()).size();
    }
    benchmark::DoNotOptimize(n + t.window.figures().size());
  }
}

BENCHMARK(BM_SwitchPosition)->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnterPractice)->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TeachingTick)
    ->ArgNames({"w", "h", "following"})
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Unit(benchmark::kMicrosecond);

// One keyframe of the pump drill as the Linux viewer shows it: the playback's
// step, then the presentation: the stage's changes and what the overlay (and
// the teaching picture's figures) covered last time composed into the
// picture, the figures and the overlay painted anew (the teaching picture's
// command box and legend when they change). The saver's picture
// (range 2 = 0) against the teaching picture (1) on the same window, and the
// teaching picture following member 2 (2): its halo, the others muted and
// its trail under the figures; and with the scene's whole path as well (3, w).
void BM_ViewerKeyframePresented(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const bool teaching = state.range(2) != 0;
  const bool following = state.range(2) >= 2;
  const bool whole_path = state.range(2) == 3;
  constexpr int kFollowed = 2;
  const stage::DrillList drills = drills::registry();
  raster::RasterWindow window(w, h);
  raster::OverlayPainter painter;
  painter.fit(std::min(w, h));
  viewer::OverlayRequest request{w, h, painter.line_height()};
  request.teaching = teaching;
  request.learner = true;
  if (following) request.position = kFollowed;
  std::unique_ptr<stage::TeachingWindow> teach;
  if (teaching)
    teach = std::make_unique<stage::TeachingWindow>(window, drills, stage::Theme::Dark,
                                                    viewer::teaching_stage_area(request));
  if (teach && following) teach->choose(kFollowed);
  stage::PlaybackPlace place;
  place.drill = drills::find(drills, "ponpu");
  place.playing = false;
  stage::Playback playback(teach ? static_cast<stage::Window&>(*teach) : window, drills, place);
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
  raster::Surface picture{pixels.data(), w, h, w};
  std::vector<raster::Rect> drawn{{0, 0, w, h}};
  viewer::TeachingBoxesShown boxes;
  const int last = playback.timeline().keyframes() - 1;
  for (auto _ : state) {
    if (playback.keyframe() >= last) {
      state.PauseTiming();
      playback.seek_keyframe(0);
      state.ResumeTiming();
    }
    playback.step_forward();
    std::vector<raster::Rect> restore = window.changes();
    restore.insert(restore.end(), drawn.begin(), drawn.end());
    viewer::OverlayView view = viewer::overlay_view(playback, request);
    const bool boxes_due = boxes.due(view, playback.drill(), [&restore](const stage::PixelRect& b) {
      return raster::meets_any(restore, b);
    });
    if (boxes_due)
      for (const stage::PixelRect& b : {view.command_box, view.legend_box})
        if (b.w > 0 && b.h > 0) restore.push_back({b.x, b.y, b.w, b.h});
    for (const raster::Rect& r : restore) window.compose(r, &picture.at(r.x, r.y), picture.pitch);
    drawn.clear();
    if (teach) {
      const std::vector<stage::Figure> figures = teach->figures();
      std::vector<raster::Rect> painted;
      if (following && !figures.empty() && figures.back().highlighted) {
        const stage::Figure& me = figures.back();
        const stage::FrameTable& table = playback.stage().table(playback.drill());
        if (whole_path)
          painted = raster::paint_path(
              picture, teach->scene_path(table, playback.timeline(), playback.keyframe()),
              me.radius, me.body);
        for (const raster::Rect& r :
             raster::paint_trail(picture, teach->trail(table, playback.keyframe()), me.radius,
                                 me.body, stage::theme_background(teach->theme())))
          painted.push_back(r);
      }
      for (const raster::Rect& r : painter.paint_figures(figures, teach->theme(), picture))
        painted.push_back(r);
      for (raster::Rect r : painted) {
        const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
        r = {x0, y0, std::min(w, r.x + r.w) - x0, std::min(h, r.y + r.h) - y0};
        if (!r.empty()) drawn.push_back(r);
      }
    }
    if (boxes_due)
      painter.play(viewer::teaching_boxes_display(view, painter.line_height(), painter), picture);
    view.teaching = false;
    const std::vector<raster::Rect> overlay =
        painter.play(viewer::panels_display(view, painter.line_height(), painter), picture);
    drawn.insert(drawn.end(), overlay.begin(), overlay.end());
    benchmark::DoNotOptimize(pixels.data());
  }
}

#define SIZES ->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_PlatoonKeyframeAllSlotsChanged) SIZES;
BENCHMARK(BM_PlatoonIntroTick) SIZES->UseManualTime();
BENCHMARK(BM_PlatoonOutroTick) SIZES->UseManualTime();
BENCHMARK(BM_PumpTruckIntroTick) SIZES->UseManualTime();
BENCHMARK(BM_PumpTruckOutroTick) SIZES->UseManualTime();
BENCHMARK(BM_PortablePumpIntroTick) SIZES->UseManualTime();
BENCHMARK(BM_PortablePumpOutroTick) SIZES->UseManualTime();
BENCHMARK(BM_ViewerKeyframePresented)
    ->ArgNames({"w", "h", "teaching"})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->Args({3840, 2160, 2})
    ->Args({3840, 2160, 3})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
