// The renderers at the stage geometry of a 6200-twip-high window (s = 1, 15
// stage units per pixel), where the shapes shrink to a few pixels: each stage
// point lands on pixel round(twips / 15), with x = 100 + x and y = 3600 - y twips.

#include <gtest/gtest.h>

#include "drills/pump_truck/pump_truck.hpp"
#include "raster/raster_window.hpp"
#include "render/layer.hpp"
#include "stage/frame_table.hpp"
#include "stage/geometry.hpp"
#include "tests/support/canvas.hpp"

namespace {

using namespace stage::colors;
using render_test::name_of;

struct Pixel {
  int x, y;
  stage::Rgb color;
};

struct Case {
  const char* what;
  void (*renderer)(const render::Layer&);
  int entry, code, slot, runner_x;
  std::vector<Pixel> pixels;
};

TEST(ScaleOne, ShapesLandOnTheRoundedPixels) {
  const Case cases[] = {
      {"closed door: pivot (1300, 3000), end (1206.0, 2965.8) twips",
       drills::pump_truck::ponpu_time_0,
       0,
       1,
       0,
       0,
       {{87, 200, red}, {80, 198, red}, {84, 194, black}, {79, 198, black}}},
      {"open door: end (1265.8, 2906.0) twips",
       drills::pump_truck::ponpu_time_0,
       0,
       2,
       0,
       0,
       {{87, 200, red}, {84, 194, red}, {80, 198, black}, {84, 193, black}}},
      {"closed door on the y 400 side: pivot (1300, 3200), end (1206.0, 3234.2)",
       drills::pump_truck::ponpu_time_4,
       4,
       1,
       4,
       0,
       {{87, 213, red}, {80, 216, red}, {79, 216, black}}},
      {"full jet on line 1: x 6520..7520, y 3405..3416 twips",
       drills::pump_truck::ponpu_time_2,
       2,
       26,
       2,
       5000,
       {{435, 227, cyan},
        {501, 228, cyan},
        {434, 227, black},
        {502, 227, black},
        {468, 226, black},
        {468, 229, black}}},
      {"full jet on line 2: y 2785..2796 twips, one pixel row",
       drills::pump_truck::ponpu_time_3,
       3,
       46,
       3,
       5000,
       {{435, 186, cyan}, {501, 186, cyan}, {468, 185, black}, {468, 187, black}}},
  };
  const auto g = stage::StageGeometry::from_window(9000, 6200);
  ASSERT_EQ(g.stage_scale, 1.0f);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    raster::RasterWindow window(600, 414);
    stage::FrameTable table = drills::pump_truck::make_ponpu_frames();
    table[5].code(c.entry) = static_cast<std::int16_t>(c.code);
    table[5].persons(c.slot).x = static_cast<std::int16_t>(c.runner_x);
    c.renderer(render::Layer{window, table, 5, drills::pump_truck::ponpu_origin(g)});
    for (const Pixel& p : c.pixels)
      EXPECT_EQ(window.surface_pixel(p.x, p.y), p.color)
          << "pixel (" << p.x << ", " << p.y << ") is " << name_of(window.surface_pixel(p.x, p.y));
  }
}

}  // namespace
