// Segments, boxes and circles on tiny surfaces, one twip per pixel unless a
// case is about the twips conversion itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "raster/raster_window.hpp"
#include "support/pixel_check.hpp"

namespace raster {
namespace {

using test::Pixels;
using test::shows;
using namespace stage::colors;

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGrey = 0x808080;

TEST(ToPixel, RoundsTwipsHalfToEven) {
  struct Case {
    float twips;
    float tpp;
    int pixel;
  };
  const Case cases[] = {
      {0, 15, 0},     {7.5f, 15, 0},  {7.6f, 15, 1},    {22.5f, 15, 2},   {37.5f, 15, 2},
      {52.5f, 15, 4}, {-7.5f, 15, 0}, {-22.5f, 15, -2}, {-37.5f, 15, -2}, {150, 15, 10},
      {2.5f, 1, 2},   {3.5f, 1, 4},   {12, 12, 1},      {18, 12, 2},      {30, 12, 2},
  };
  for (const Case& c : cases)
    EXPECT_EQ(to_pixel(c.twips, c.tpp), c.pixel) << c.twips << " twips at " << c.tpp;
}

TEST(ToPixel, KeepsHugeAndInvalidValuesFarOffTheWindow) {
  EXPECT_GT(to_pixel(1e30f, 15), 1 << 20);
  EXPECT_LT(to_pixel(-1e30f, 15), -(1 << 20));
  EXPECT_LT(to_pixel(std::numeric_limits<float>::quiet_NaN(), 15), -(1 << 20));
}

// --- segments ---

Pixels row(int y, int x0, int x1) {
  Pixels p;
  for (int x = x0; x <= x1; ++x) p.insert({x, y});
  return p;
}

TEST(Segment, PaintsBothEndPoints) {
  RasterWindow w(12, 8, 1);
  w.line(1, 2, 6, 2, white);
  EXPECT_TRUE(shows(w.surface(), row(2, 1, 6), kWhite));

  RasterWindow v(8, 12, 1);
  v.line(3, 9, 3, 4, white);
  Pixels column;
  for (int y = 4; y <= 9; ++y) column.insert({3, y});
  EXPECT_TRUE(shows(v.surface(), column, kWhite));

  RasterWindow dot(5, 5, 1);
  dot.line(2, 3, 2, 3, white);
  EXPECT_TRUE(shows(dot.surface(), {{2, 3}}, kWhite));
}

TEST(Segment, PaintsThePixelNearestTheIdealLine) {
  // Slope 2/5: the ideal y at x is 0.4 x, never a tie.
  const Pixels shallow{{0, 0}, {1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}};
  RasterWindow a(8, 8, 1);
  a.line(0, 0, 5, 2, white);
  EXPECT_TRUE(shows(a.surface(), shallow, kWhite));

  Pixels steep;
  for (const auto& [x, y] : shallow) steep.insert({y, x});
  RasterWindow b(8, 8, 1);
  b.line(0, 0, 2, 5, white);
  EXPECT_TRUE(shows(b.surface(), steep, kWhite));

  // Going up and to the left: the same shape mirrored.
  Pixels mirrored;
  for (const auto& [x, y] : shallow) mirrored.insert({7 - x, 7 - y});
  RasterWindow c(8, 8, 1);
  c.line(7, 7, 2, 5, white);
  EXPECT_TRUE(shows(c.surface(), mirrored, kWhite));

  RasterWindow d(8, 8, 1);
  d.line(0, 7, 7, 0, white);
  Pixels anti;
  for (int i = 0; i < 8; ++i) anti.insert({i, 7 - i});
  EXPECT_TRUE(shows(d.surface(), anti, kWhite));
}

TEST(Segment, ReversedSegmentPaintsTheSamePixels) {
  struct Seg {
    float x1, y1, x2, y2;
  };
  // Includes slopes with exact ties (1/2, 3/2, 1/4) where a naive walk would
  // differ by direction.
  const Seg segs[] = {{0, 0, 4, 2},   {1, 9, 11, 4}, {2, 1, 5, 11}, {0, 3, 12, 6},
                      {11, 0, 0, 11}, {3, 3, 9, 12}, {0, 0, 13, 1}, {6, 0, 7, 13}};
  for (const Seg& s : segs) {
    RasterWindow f(14, 14, 1);
    RasterWindow r(14, 14, 1);
    f.line(s.x1, s.y1, s.x2, s.y2, white);
    r.line(s.x2, s.y2, s.x1, s.y1, white);
    EXPECT_TRUE(test::matches(r.surface(), [&](int x, int y) { return f.surface().at(x, y); }))
        << "(" << s.x1 << ", " << s.y1 << ") - (" << s.x2 << ", " << s.y2 << ")";
    // One pixel per step along the longer axis: no gaps, no doubling.
    const long expected =
        static_cast<long>(std::max(std::fabs(s.x2 - s.x1), std::fabs(s.y2 - s.y1))) + 1;
    EXPECT_EQ(static_cast<long>(test::painted_in(f.surface(), kWhite).size()), expected);
  }
}

TEST(Segment, ClipsEndPointsFarOutside) {
  RasterWindow a(10, 10, 1);
  a.line(-1000, -1000, 1000, 1000, white);
  Pixels diagonal;
  for (int i = 0; i < 10; ++i) diagonal.insert({i, i});
  EXPECT_TRUE(shows(a.surface(), diagonal, kWhite));

  RasterWindow b(10, 10, 1);
  b.line(-5e6f, 3, 5e6f, 3, white);
  EXPECT_TRUE(shows(b.surface(), row(3, 0, 9), kWhite));

  // Slope 0.4 through the origin entering from far away: the pixels inside
  // must be those of the ideal line y = round(0.4 x), as if nothing was cut.
  RasterWindow c(10, 10, 1);
  c.line(-100, -40, 100, 40, white);
  Pixels ideal;
  for (int x = 0; x < 10; ++x) ideal.insert({x, static_cast<int>(std::lround(0.4 * x))});
  EXPECT_TRUE(shows(c.surface(), ideal, kWhite));

  RasterWindow d(10, 10, 1);
  d.line(-50, -3, 60, -1, white);  // above
  d.line(20, -30, 40, 30, white);  // right
  d.line(-1e9f, 1e9f, 1e9f, 2e9f, white);
  d.line(std::numeric_limits<float>::quiet_NaN(), 0, 5, 5, white);
  EXPECT_TRUE(shows(d.surface(), {}, kWhite));
}

TEST(Segment, ConvertsTwipsToPixels) {
  RasterWindow w(12, 4, 15);
  w.line(15, 22.5f, 150, 22.5f, white);  // y 1.5 -> 2
  EXPECT_TRUE(shows(w.surface(), row(2, 1, 10), kWhite));
  RasterWindow s(12, 4, 15);
  s.line_step(15, 15, 135, 0, white);
  EXPECT_TRUE(shows(s.surface(), row(1, 1, 10), kWhite));
}

// --- boxes ---

Pixels rect_pixels(int x0, int y0, int x1, int y1, bool outline) {
  Pixels p;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (!outline || x == x0 || x == x1 || y == y0 || y == y1) p.insert({x, y});
  return p;
}

TEST(Box, OutlinePassesThroughBothCornersAndLeavesTheInside) {
  for (const bool reversed : {false, true}) {
    RasterWindow w(10, 8, 1);
    w.filled_box(2, 2, 4, 3, grey);
    reversed ? w.box(5, 4, 1, 1, white) : w.box(1, 1, 5, 4, white);
    EXPECT_TRUE(test::matches(w.surface(), [](int x, int y) -> std::uint32_t {
      if ((x == 1 || x == 5) && y >= 1 && y <= 4) return kWhite;
      if ((y == 1 || y == 4) && x >= 1 && x <= 5) return kWhite;
      if (x >= 2 && x <= 4 && y >= 2 && y <= 3) return kGrey;
      return 0;
    })) << (reversed ? "corners given in reverse" : "corners in order");
  }
  RasterWindow crossed(10, 8, 1);
  crossed.box(5, 1, 1, 4, white);  // the other diagonal
  EXPECT_TRUE(shows(crossed.surface(), rect_pixels(1, 1, 5, 4, true), kWhite));
}

TEST(Box, FilledBoxIncludesItsEdgesWhateverTheFillState) {
  for (const auto style : {stage::FillStyle::Solid, stage::FillStyle::Transparent}) {
    RasterWindow w(10, 8, 1);
    w.set_fill_style(style);
    w.set_fill_color(cyan);
    w.filled_box(6, 5, 2, 1, red);
    EXPECT_TRUE(shows(w.surface(), rect_pixels(2, 1, 6, 5, false), kRed));
  }
  RasterWindow step(10, 8, 1);
  step.filled_box_step(6, 5, -4, -4, red);
  EXPECT_TRUE(shows(step.surface(), rect_pixels(2, 1, 6, 5, false), kRed));
  RasterWindow clipped(10, 8, 1);
  clipped.filled_box(-100, 6, 100, 200, red);
  EXPECT_TRUE(shows(clipped.surface(), rect_pixels(0, 6, 9, 7, false), kRed));
}

// --- circles ---

struct CircleImage {
  RasterWindow w{25, 25, 1};
  static constexpr int c = 12;
  CircleImage(float r, stage::FillStyle style, stage::Rgb fill) {
    w.filled_box(0, 0, 24, 24, grey);
    w.set_fill_style(style);
    w.set_fill_color(fill);
    w.circle(c, c, r, white);
  }
  std::uint32_t at(int dx, int dy) const { return w.surface().at(c + dx, c + dy); }
};

TEST(Circle, OutlineMeetsTheRadiusOnBothAxes) {
  const CircleImage img(6, stage::FillStyle::Transparent, red);
  for (const auto& [dx, dy] : {std::pair{6, 0}, {-6, 0}, {0, 6}, {0, -6}})
    EXPECT_EQ(img.at(dx, dy), kWhite) << dx << ", " << dy;
  for (const auto& [dx, dy] : {std::pair{7, 0}, {-7, 0}, {0, 7}, {0, -7}, {5, 5}})
    EXPECT_EQ(img.at(dx, dy), kGrey) << dx << ", " << dy;
}

TEST(Circle, InteriorTakesTheFillColourOnlyWhenSolid) {
  const int r = 6;
  const CircleImage hollow(r, stage::FillStyle::Transparent, red);
  const CircleImage solid(r, stage::FillStyle::Solid, red);
  for (int dy = -r; dy <= r; ++dy) {
    for (int dx = -r; dx <= r; ++dx) {
      const double d = std::hypot(dx, dy);
      if (d <= r - 1.0) {
        EXPECT_EQ(hollow.at(dx, dy), kGrey) << dx << ", " << dy;
        EXPECT_EQ(solid.at(dx, dy), kRed) << dx << ", " << dy;
      } else if (d > r + 0.5) {
        EXPECT_EQ(solid.at(dx, dy), kGrey) << dx << ", " << dy;
      }
    }
  }
}

TEST(Circle, OutlineIsSymmetricAndClosed) {
  const int r = 9;
  const CircleImage img(r, stage::FillStyle::Transparent, red);
  for (int dy = -r; dy <= r; ++dy) {
    for (int dx = -r; dx <= r; ++dx) {
      const std::uint32_t p = img.at(dx, dy);
      ASSERT_EQ(p, img.at(-dx, dy)) << dx << ", " << dy;
      ASSERT_EQ(p, img.at(dx, -dy)) << dx << ", " << dy;
      ASSERT_EQ(p, img.at(dy, dx)) << dx << ", " << dy;
    }
  }
  // Closed: a fill from the centre up to white stays inside the circle.
  RasterWindow w(25, 25, 1);
  w.circle(12, 12, 9, white);
  w.set_fill_color(red);
  w.flood_fill(12, 12, white);
  EXPECT_EQ(w.surface_pixel(0, 0), black);
  EXPECT_EQ(w.surface_pixel(12, 12), red);
}

TEST(Circle, RadiusZeroIsOnePixelAndRadiusIsRoundedHalfToEven) {
  for (const auto style : {stage::FillStyle::Transparent, stage::FillStyle::Solid}) {
    RasterWindow w(5, 5, 1);
    w.set_fill_style(style);
    w.set_fill_color(red);
    w.circle(2, 2, 0, white);
    EXPECT_TRUE(shows(w.surface(), {{2, 2}}, kWhite));
  }
  RasterWindow t(12, 12, 15);
  t.circle(90, 90, 37.5f, white);  // 2.5 pixels -> 2
  EXPECT_EQ(t.surface_pixel(8, 6), white);
  EXPECT_EQ(t.surface_pixel(9, 6), black);
}

TEST(Circle, ClipsAtTheEdges) {
  RasterWindow w(10, 10, 1);
  w.set_fill_style(stage::FillStyle::Solid);
  w.set_fill_color(red);
  w.circle(0, 0, 5, white);
  w.circle(500, 500, 3, white);
  EXPECT_EQ(w.surface_pixel(5, 0), white);
  EXPECT_EQ(w.surface_pixel(0, 5), white);
  EXPECT_EQ(w.surface_pixel(1, 1), red);
  EXPECT_EQ(w.surface_pixel(9, 9), black);
}

// --- clear ---

TEST(Clear, ErasesEverythingPaintedAnywhere) {
  RasterWindow w(300, 200, 1);
  w.filled_box(0, 0, 10, 10, red);
  w.line(0, 199, 299, 0, white);
  w.set_fill_style(stage::FillStyle::Solid);
  w.circle(280, 180, 40, white);
  w.filled_box(140, 70, 160, 90, cyan);
  w.clear();
  EXPECT_TRUE(shows(w.surface(), {}, kWhite));
  w.compose();
  EXPECT_TRUE(shows(w.frame(), {}, kWhite));
  w.line(5, 5, 6, 5, white);  // still paints after a clear
  EXPECT_EQ(w.surface_pixel(6, 5), white);
}

// The surface keeps palette indices; the colours painted must come back exact.
TEST(Palette, ColoursComeBackExactAfterThePaletteIsReused) {
  RasterWindow w(16, 8, 1);
  w.line(0, 0, 15, 0, red);  // stays while six hundred other colours come and go
  for (int i = 1; i <= 600; ++i) {
    const stage::Rgb c{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8), 7};
    w.filled_box(0, 1, 15, 7, c);
    ASSERT_EQ(w.surface_pixel(5, 4), c) << "colour " << i;
  }
  EXPECT_EQ(w.surface_pixel(9, 0), red);
  // A flood fill still finds its border among the reused entries.
  w.box(2, 2, 8, 6, cyan);
  w.set_fill_color(yellow);
  w.flood_fill(4, 4, cyan);
  EXPECT_EQ(w.surface_pixel(4, 4), yellow);
  EXPECT_NE(w.surface_pixel(10, 4), yellow);
}

TEST(Palette, ANewColourWithAFullPaletteTakesTheNearestShown) {
  RasterWindow w(16, 16, 1);
  for (int i = 1; i < 256; ++i)  // 255 colours and black on the surface at once
    w.line(static_cast<float>(i % 16), static_cast<float>(i / 16), static_cast<float>(i % 16),
           static_cast<float>(i / 16), stage::Rgb{static_cast<std::uint8_t>(i), 0, 0});
  w.line(0, 0, 0, 0, stage::Rgb{100, 0, 1});
  EXPECT_EQ(w.surface_pixel(0, 0), (stage::Rgb{100, 0, 0}));
  EXPECT_EQ(w.surface_pixel(4, 6), (stage::Rgb{100, 0, 0}));  // its own pixel keeps it
}

}  // namespace
}  // namespace raster
