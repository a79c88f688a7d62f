// The followed position in the teaching picture: its figure ringed by a halo
// in its own colour with ground between ring and body, every other figure
// paler (towards the ground), and its trail fading with age. Without a
// position chosen none of it is drawn.

#include "raster/figure_painter.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace raster {
namespace {

constexpr int kW = 160;
constexpr int kH = 80;
constexpr float kRadius = 8;
constexpr stage::Rgb kOrange{230, 159, 0};
constexpr stage::Rgb kBlue{86, 180, 233};
const stage::Rgb kGround = stage::theme_background(stage::Theme::Dark);

struct Picture {
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kW * kH, pack(kGround));
  Surface surface{pixels.data(), kW, kH, kW};
  stage::Rgb at(int x, int y) const { return unpack(surface.at(x, y)); }
};

stage::Figure figure(float x, stage::Rgb body, bool highlighted, bool muted) {
  stage::Figure f;
  f.x = x;
  f.y = 40;
  f.radius = kRadius;
  f.pose = 0;  // facing up: the facing disc stays off the row through the centre
  f.body = body;
  f.highlighted = highlighted;
  f.muted = muted;
  return f;
}

// Each channel strictly between the ground's and the colour's (or equal where they are).
bool between(stage::Rgb p, stage::Rgb ground, stage::Rgb colour) {
  const auto in = [](int v, int a, int b) {
    return a == b ? v == a : v > std::min(a, b) && v < std::max(a, b);
  };
  return in(p.r, ground.r, colour.r) && in(p.g, ground.g, colour.g) &&
         in(p.b, ground.b, colour.b) && !(p == colour);
}

TEST(FollowedFigure, HaloInItsColourAndTheOthersMuted) {
  Picture p;
  const std::vector<stage::Figure> figures{figure(110, kBlue, false, true),
                                           figure(40, kOrange, true, false)};
  paint_figures(p.surface, figures, stage::Theme::Dark);
  EXPECT_EQ(p.at(40, 40), kOrange);  // the followed body itself, full colour
  // The ring, about one and a half radii out on either side, in its colour;
  // ground between it and the body's outline.
  EXPECT_EQ(p.at(40 + 13, 40), kOrange);
  EXPECT_EQ(p.at(40 - 14, 40), kOrange);
  EXPECT_EQ(p.at(40 + 10, 40), kGround);
  // The other figure paler: part way to the ground, and no ring around it.
  EXPECT_TRUE(between(p.at(110, 40), kGround, kBlue)) << int(p.at(110, 40).r);
  EXPECT_EQ(p.at(110 + 13, 40), kGround);
}

TEST(FollowedFigure, NoPositionChosenDrawsNoHaloAndMutesNoOne) {
  Picture p;
  const std::vector<stage::Figure> figures{figure(40, kOrange, false, false),
                                           figure(110, kBlue, false, false)};
  paint_figures(p.surface, figures, stage::Theme::Dark);
  EXPECT_EQ(p.at(40, 40), kOrange);
  EXPECT_EQ(p.at(110, 40), kBlue);
  EXPECT_EQ(p.at(40 + 13, 40), kGround);
}

TEST(FollowedFigure, TrailFadesAndShrinksWithAge) {
  Picture p;
  const std::vector<stage::TrailPoint> trail{{{20, 40}, 1.0f}, {{60, 40}, 0.5f}, {{100, 40}, 0}};
  paint_trail(p.surface, trail, kRadius, kOrange, kGround);
  EXPECT_EQ(p.at(100, 40), kOrange);  // now: the full colour
  EXPECT_TRUE(between(p.at(60, 40), kGround, kOrange));
  EXPECT_TRUE(between(p.at(20, 40), kGround, p.at(60, 40)));  // older is paler still
  // The newest dot reaches further from its centre than the oldest.
  EXPECT_NE(p.at(100 + 2, 40), kGround);
  EXPECT_EQ(p.at(20 + 2, 40), kGround);
}

}  // namespace
}  // namespace raster
