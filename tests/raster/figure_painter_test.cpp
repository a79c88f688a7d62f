// The followed position in the raster pictures: its trail fades with age and
// stays inside the rectangles it reports; a muted figure is paler than the
// same figure plain, a highlighted one rings itself in its own colour.

#include "raster/figure_painter.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace raster {
namespace {

constexpr int kW = 80;
constexpr int kH = 60;
constexpr stage::Rgb kGreen{0, 158, 115};
constexpr std::uint32_t kWhite = 0xFFFFFF;

struct Picture {
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kW * kH, kWhite);
  Surface surface{pixels.data(), kW, kH, kW};
};

int green_of(std::uint32_t p) { return static_cast<int>((p >> 8) & 0xFF); }
int red_of(std::uint32_t p) { return static_cast<int>((p >> 16) & 0xFF); }

TEST(PaintTrail, NewerPlacesAreStrongerAndTheOldestIsGone) {
  Picture p;
  const std::vector<stage::TrailPoint> trail = {
      {{10.5f, 10.5f}, 1.0f}, {{30.5f, 10.5f}, 0.5f}, {{50.5f, 10.5f}, 0.0f}};
  const std::vector<Rect> touched = paint_trail(p.surface, trail, 4, kGreen);
  EXPECT_EQ(p.surface.at(10, 10), kWhite);
  // Further from white the newer the place (red falls from 255 towards 0).
  EXPECT_LT(red_of(p.surface.at(30, 10)), 255);
  EXPECT_LT(red_of(p.surface.at(50, 10)), red_of(p.surface.at(30, 10)));
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      if (p.surface.at(x, y) == kWhite) continue;
      bool inside = false;
      for (const Rect& r : touched)
        inside = inside || (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h);
      EXPECT_TRUE(inside) << x << "," << y;
    }
}

TEST(PaintFigures, MutedIsPalerAndHighlightedRingsItselfClearOfItsBody) {
  stage::Figure f;
  f.x = 40;
  f.y = 30;
  f.radius = 8;
  f.body = kGreen;
  Picture plain, muted, lit;
  paint_figures(plain.surface, std::vector{f}, stage::Theme::Light);
  f.muted = true;
  paint_figures(muted.surface, std::vector{f}, stage::Theme::Light);
  f.muted = false;
  f.highlighted = true;
  const std::vector<Rect> touched = paint_figures(lit.surface, std::vector{f}, stage::Theme::Light);
  EXPECT_EQ(plain.surface.at(40, 33), pack(kGreen));
  EXPECT_GT(red_of(muted.surface.at(40, 33)), kGreen.r + 100);
  EXPECT_EQ(lit.surface.at(40, 33), pack(kGreen));
  // Left of the body, past its outline: white plain, green in the halo.
  constexpr int kHaloX = 40 - 12;
  EXPECT_EQ(plain.surface.at(kHaloX, 30), kWhite);
  EXPECT_EQ(green_of(lit.surface.at(kHaloX, 30)), kGreen.g);
  // Between body and halo the ground still shows.
  EXPECT_EQ(lit.surface.at(40 - 10, 30), kWhite);
  ASSERT_EQ(touched.size(), 1u);
  EXPECT_LE(touched[0].x, kHaloX);
}

}  // namespace
}  // namespace raster
