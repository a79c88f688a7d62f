// The stage on the real raster window: caption fitting with the real font and
// what the transitions leave on the screen.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/stage.hpp"
#include "stage/virtual_clock.hpp"

namespace {

void nothing(stage::FrameTable&) {}
std::vector<stage::DrillDescriptor> empty_drills() {
  std::vector<stage::DrillDescriptor> d(drills::registry().begin(), drills::registry().end());
  for (stage::DrillDescriptor& drill : d) drill.build = nothing;
  return d;
}
const std::vector<stage::DrillDescriptor> kEmpty = empty_drills();

TEST(CaptionFitting, PicksTheLargestSizeWhoseLabelIsLowerThan200StageUnits) {
  struct Case {
    int w, h;
  };
  for (const Case c : {Case{1920, 1080}, {3840, 2160}, {640, 360}}) {
    raster::RasterWindow window(c.w, c.h);
    stage::Stage stage(window, 7, 1, kEmpty);
    stage.activate();
    const int size = stage.caption_font_size();
    const float limit = 200 * stage.geometry().stage_scale;
    ASSERT_GT(size, 1) << c.w;
    ASSERT_LE(size, 50);
    window.set_caption_font_size(size);
    EXPECT_LT(window.caption_height(), limit) << c.w;
    if (size < 50) {
      window.set_caption_font_size(size + 1);
      EXPECT_GE(window.caption_height(), limit) << c.w;
    }
    EXPECT_EQ(window.caption_text(), "");  // the sample text is emptied again
  }
}

TEST(CaptionFitting, ATinyPreviewFallsToSizeOne) {
  raster::RasterWindow window(40, 20);  // 200 stage units are under 1 pixel here
  stage::Stage stage(window, 7, 1, kEmpty);
  stage.activate();
  EXPECT_EQ(stage.caption_font_size(), 1);
}

TEST(TransitionPixels, PumpTruckShapeIsFilledRedAndThePlatoonSquareIsAnOutline) {
  // 620 x 413 px at 15 twips: 9300 x 6195 twips, s just under 1.
  raster::RasterWindow window(620, 414);
  {
    stage::Stage stage(window, 2, 1, kEmpty);
    stage::VirtualClock clock(stage);
    for (int k = 0; k <= 36; ++k) clock.step();  // the intro's last picture: shape at rest, x 950
    const stage::Origin o = stage.drills()[1].origin(stage.geometry());
    const int cx = static_cast<int>((o.x0 + 950 * o.s) / 15);
    const int cy = static_cast<int>((o.y0 - 500 * o.s) / 15);
    EXPECT_EQ(window.surface_pixel(cx, cy), stage::colors::red);
    EXPECT_EQ(window.surface_pixel(cx + 10, cy + 3), stage::colors::red);
    EXPECT_EQ(window.surface_pixel(cx, cy - 30),
              stage::colors::black);  // 184 units high: ends ~6 px above
  }
  {
    stage::Stage stage(window, 1, 1, kEmpty);
    stage::VirtualClock clock(stage);
    for (int k = 0; k <= 36; ++k) clock.step();
    const stage::Origin o = stage.drills()[0].origin(stage.geometry());
    const int cx = static_cast<int>((o.x0 + 2500 * o.s) / 15);
    const int cy = static_cast<int>((o.y0 - 2500 * o.s) / 15);
    EXPECT_EQ(window.surface_pixel(cx, cy), stage::colors::black);  // outline only
    // The stage frame's corner (0, 0) lies on the square's outline at k = 36.
    const int x0 = static_cast<int>(std::lround(o.x0 / 15));
    const int y0 = static_cast<int>(std::lround(o.y0 / 15));
    int white = 0;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        white += window.surface_pixel(x0 + dx, y0 + dy) == stage::colors::white;
    EXPECT_GT(white, 0);
  }
}

}  // namespace
