// Cost of the raster window's drawing operations and of whole engine ticks at
// full HD and 4K (15 twips per pixel). A tick must stay well under the 1 ms
// budget: the keyframe tick moves all 21 platoon figures and redraws the
// stage borders, the transition tick clears, draws four edges and fills.

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/geometry.hpp"
#include "stage/rounding.hpp"

namespace {

using raster::RasterWindow;
using namespace stage::colors;
constexpr float kTpp = 15.0f;

struct Scene {
  RasterWindow w;
  stage::StageGeometry g;
  explicit Scene(const benchmark::State& state)
      : w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), kTpp),
        g(stage::StageGeometry::from_window(w.width(), w.height())) {
    w.compose();
  }
  stage::Origin platoon() const { return drills::registry()[0].origin(g); }
  stage::Origin pump() const { return drills::registry()[1].origin(g); }
};

void sizes(benchmark::internal::Benchmark* b) {
  b->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMicrosecond);
}

// The four corners of a transition shape: centre and radius in stage units,
// angles in degrees turning clockwise on the screen.
std::array<std::array<float, 2>, 4> corners(const stage::Origin& o, float cx, float cy, float r,
                                            const std::array<double, 4>& angles) {
  std::array<std::array<float, 2>, 4> p{};
  for (std::size_t i = 0; i < 4; ++i) {
    const double a = stage::deg2rad(angles[i]);
    p[i] = {static_cast<float>(o.x(cx) + r * o.s * std::cos(a)),
            static_cast<float>(o.y(cy) + r * o.s * std::sin(a))};
  }
  return p;
}

void outline(RasterWindow& w, const std::array<std::array<float, 2>, 4>& p, stage::Rgb c) {
  w.line(p[0][0], p[0][1], p[1][0], p[1][1], c);
  w.line(p[1][0], p[1][1], p[2][0], p[2][1], c);
  w.line(p[2][0], p[2][1], p[3][0], p[3][1], c);
  w.line(p[0][0], p[0][1], p[3][0], p[3][1], c);
}

// The pump truck's red shape (about 506 x 184 stage units) at rest, drawn and
// filled the way its transition does.
void red_shape(Scene& sc) {
  const auto o = sc.pump();
  outline(sc.w, corners(o, 950, 500, 269, {20, 160, 200, 340}), red);
  sc.w.set_fill_style(stage::FillStyle::Solid);
  sc.w.set_fill_color(red);
  sc.w.flood_fill(raster::to_pixel(o.x(950), kTpp), raster::to_pixel(o.y(500), kTpp), red);
  sc.w.set_fill_style(stage::FillStyle::Transparent);
}

void BM_ClearAfterFullWindow(benchmark::State& state) {
  Scene sc(state);
  for (auto _ : state) {
    state.PauseTiming();
    sc.w.filled_box(0, 0, sc.w.width(), sc.w.height(), white);
    sc.w.compose();
    state.ResumeTiming();
    sc.w.clear();
    if (state.range(2)) benchmark::DoNotOptimize(sc.w.compose());
  }
}
BENCHMARK(BM_ClearAfterFullWindow)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->ArgNames({"w", "h", "compose"})
    ->Unit(benchmark::kMicrosecond);

void BM_FilledStageBox(benchmark::State& state) {
  Scene sc(state);
  const auto o = sc.platoon();
  bool odd = false;
  for (auto _ : state) {
    sc.w.filled_box(o.x(0), o.y(0), o.x(5000), o.y(5000), (odd = !odd) ? white : red);
    if (state.range(2)) benchmark::DoNotOptimize(sc.w.compose());
  }
}
BENCHMARK(BM_FilledStageBox)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->ArgNames({"w", "h", "compose"})
    ->Unit(benchmark::kMicrosecond);

void BM_LongSegment(benchmark::State& state) {
  Scene sc(state);
  bool odd = false;
  for (auto _ : state) {
    sc.w.line(0, 0, sc.w.width() - 1, sc.w.height() - 1, (odd = !odd) ? white : red);
    if (state.range(2)) benchmark::DoNotOptimize(sc.w.compose());
  }
}
BENCHMARK(BM_LongSegment)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->ArgNames({"w", "h", "compose"})
    ->Unit(benchmark::kMicrosecond);

void BM_FloodFillRedShape(benchmark::State& state) {
  Scene sc(state);
  for (auto _ : state) {
    state.PauseTiming();
    sc.w.clear();
    sc.w.compose();
    state.ResumeTiming();
    red_shape(sc);
    if (state.range(2)) benchmark::DoNotOptimize(sc.w.compose());
  }
}
BENCHMARK(BM_FloodFillRedShape)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->ArgNames({"w", "h", "compose"})
    ->Unit(benchmark::kMicrosecond);

// One tick of the pump truck's intro: clear, the four edges at the tick's
// position and angle, the fill, and the presentation.
void BM_PumpTransitionTick(benchmark::State& state) {
  Scene sc(state);
  const auto o = sc.pump();
  int k = 0;
  for (auto _ : state) {
    const float cx = 950 + 8000.0f / 36 * static_cast<float>(36 - k);
    const double turn = 10.0 * k;
    sc.w.clear();
    outline(sc.w, corners(o, cx, 500, 269, {turn + 20, turn + 160, turn + 200, turn + 340}), red);
    sc.w.set_fill_style(stage::FillStyle::Solid);
    sc.w.set_fill_color(red);
    sc.w.flood_fill(raster::to_pixel(o.x(cx), kTpp), raster::to_pixel(o.y(500), kTpp), red);
    sc.w.set_fill_style(stage::FillStyle::Transparent);
    benchmark::DoNotOptimize(sc.w.compose());
    k = (k + 1) % 37;
  }
}
BENCHMARK(BM_PumpTransitionTick)->Apply(sizes);

// One tick of the platoon intro: the white square grows to the whole stage.
void BM_PlatoonTransitionTick(benchmark::State& state) {
  Scene sc(state);
  const auto o = sc.platoon();
  int k = 0;
  for (auto _ : state) {
    const double turn = 10.0 * k;
    sc.w.clear();
    outline(sc.w,
            corners(o, 2500, 2500, 3535.0f / 36 * static_cast<float>(k),
                    {turn + 45, turn + 135, turn + 225, turn + 315}),
            white);
    benchmark::DoNotOptimize(sc.w.compose());
    k = (k + 1) % 37;
  }
}
BENCHMARK(BM_PlatoonTransitionTick)->Apply(sizes);

// One platoon keyframe: all 21 figures step forward (new position and pose),
// the caption changes every fourth frame, and the stage borders are redrawn.
void BM_PlatoonKeyframeTick(benchmark::State& state) {
  Scene sc(state);
  const auto o = sc.platoon();
  const float size = 70 * o.s;
  for (int i = 0; i < 21; ++i) sc.w.set_slot_size(i, size, size);
  sc.w.set_caption_left(sc.g.caption_left);
  sc.w.set_caption_font_size(20);
  const char* captions[] = {"番号", "右向け右", "前へ進め", "分隊止まれ"};
  int frame = 0;
  for (auto _ : state) {
    for (int i = 0; i < 21; ++i) {
      const int x = 500 + (i % 7) * 500 + (frame % 40) * 25;
      const int y = 1000 + (i / 7) * 400 + (frame % 40) * 10;
      sc.w.set_slot_left(i, o.x(static_cast<float>(x)));
      sc.w.set_slot_top(i, o.y(static_cast<float>(y)));
      sc.w.set_slot_picture(i, (frame + i) % 16);
      sc.w.set_slot_visible(i, true);
    }
    if (frame % 4 == 0) sc.w.set_caption_text(captions[(frame / 4) % 4]);
    // The platoon's border marks.
    sc.w.box(o.x(0), o.y(0), o.x(5000), o.y(5000), white);
    sc.w.line(o.x(300), o.y(818), o.x(300), o.y(448), white);
    sc.w.line(o.x(300), o.y(518), o.x(300) + 50, o.y(518), white);
    sc.w.line(o.x(2150), o.y(4800), o.x(2850), o.y(4800), white);
    for (const auto& [cx, cy] : {std::pair{2500, 50}, {1900, -50}, {3100, -50}, {2150, 2500}})
      sc.w.circle(o.x(static_cast<float>(cx)), o.y(static_cast<float>(cy)), 35 * o.s, white);
    sc.w.box(o.x(2400), o.y(-450), o.x(2600), o.y(-550), white);
    benchmark::DoNotOptimize(sc.w.compose());
    ++frame;
  }
}
BENCHMARK(BM_PlatoonKeyframeTick)->Apply(sizes);

}  // namespace
