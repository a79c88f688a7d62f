// The flood fill of the pump drills' transitions: 4-connected, up to a border
// colour, over every other colour.

#include "raster/flood_fill.hpp"

#include <gtest/gtest.h>

#include "raster/raster_window.hpp"
#include "support/pixel_check.hpp"

namespace raster {
namespace {

using namespace stage::colors;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kCyan = 0x00FFFF;

// A 12 x 10 window with a red outline (2, 2)-(8, 6).
RasterWindow& framed(RasterWindow& w) {
  w.box(2, 2, 8, 6, red);
  return w;
}
bool inside(int x, int y) { return x > 2 && x < 8 && y > 2 && y < 6; }
bool on_frame(int x, int y) { return x >= 2 && x <= 8 && y >= 2 && y <= 6 && !inside(x, y); }

TEST(FloodFill, FillsUpToTheBorderColour) {
  RasterWindow w(12, 10, 1);
  framed(w).set_fill_color(cyan);
  w.flood_fill(5, 4, red);
  EXPECT_TRUE(test::matches(w.surface(), [](int x, int y) -> std::uint32_t {
    return inside(x, y) ? kCyan : on_frame(x, y) ? kRed : 0;
  }));
}

TEST(FloodFill, PaintsWhateverTheFillStyle) {
  // The drill sets the style to solid first; the fill itself uses the colour alone.
  RasterWindow w(12, 10, 1);
  framed(w).set_fill_color(cyan);
  w.set_fill_style(stage::FillStyle::Transparent);
  w.flood_fill(3, 3, red);
  EXPECT_EQ(w.surface_pixel(7, 5), cyan);
}

TEST(FloodFill, PassesOverOtherColoursIncludingTheFillColour) {
  RasterWindow w(12, 10, 1);
  framed(w);
  w.line(4, 3, 4, 5, white);       // a wall of another colour across the inside
  w.filled_box(6, 4, 6, 4, cyan);  // already in the fill colour
  w.set_fill_color(cyan);
  w.flood_fill(3, 3, red);
  EXPECT_TRUE(test::matches(w.surface(), [](int x, int y) -> std::uint32_t {
    return inside(x, y) ? kCyan : on_frame(x, y) ? kRed : 0;
  }));
}

TEST(FloodFill, FillColourEqualToTheBorderStillStops) {
  // The transitions fill red up to red.
  RasterWindow w(12, 10, 1);
  framed(w).set_fill_color(red);
  w.flood_fill(5, 4, red);
  EXPECT_TRUE(test::matches(w.surface(), [](int x, int y) -> std::uint32_t {
    return inside(x, y) || on_frame(x, y) ? kRed : 0;
  }));
}

TEST(FloodFill, LeaksThroughAOnePixelGap) {
  RasterWindow w(12, 10, 1);
  framed(w).line(5, 2, 5, 2, black);
  w.set_fill_color(cyan);
  w.flood_fill(5, 4, red);
  EXPECT_TRUE(test::matches(w.surface(), [](int x, int y) -> std::uint32_t {
    return on_frame(x, y) && !(x == 5 && y == 2) ? kRed : kCyan;
  }));
}

TEST(FloodFill, DoesNotLeakThroughADiagonalGap) {
  // 4-connected: two border pixels touching at a corner close the shape.
  RasterWindow w(6, 6, 1);
  w.line(0, 2, 2, 0, red);  // a diagonal cutting off the top-left corner
  w.set_fill_color(cyan);
  w.flood_fill(0, 0, red);
  EXPECT_EQ(w.surface_pixel(0, 0), cyan);
  EXPECT_EQ(w.surface_pixel(1, 0), cyan);
  EXPECT_EQ(w.surface_pixel(0, 1), cyan);
  EXPECT_EQ(w.surface_pixel(2, 1), black);
  EXPECT_EQ(w.surface_pixel(5, 5), black);
}

TEST(FloodFill, DoesNothingOnABorderPixelOrOutside) {
  for (const auto& [x, y] : {std::pair{2, 2}, {8, 4}, {-1, 4}, {12, 4}, {5, -1}, {5, 10}}) {
    RasterWindow w(12, 10, 1);
    framed(w).set_fill_color(cyan);
    w.flood_fill(x, y, red);
    EXPECT_TRUE(test::matches(
        w.surface(), [](int px, int py) -> std::uint32_t { return on_frame(px, py) ? kRed : 0; }))
        << "start " << x << ", " << y;
  }
}

TEST(FloodFill, FillsAWholeOpenWindowThatAlreadyHasTheFillColour) {
  RasterWindow w(64, 48, 1);
  w.set_fill_color(black);
  w.flood_fill(10, 10, red);  // terminates although nothing changes colour
  EXPECT_TRUE(test::shows(w.surface(), {}, kRed));
}

TEST(FloodWalk, VisitsEachReachablePixelOnce) {
  // A serpentine corridor: walls of red with alternating openings, so the
  // walk must wind back and forth through the whole window.
  const int width = 41;
  const int height = 41;
  // Palette indices as the painter keeps them; 1 is the wall.
  constexpr std::uint8_t kWall = 1;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height, 0);
  const IndexSurface surface{pixels.data(), width, height, width};
  long open = static_cast<long>(width) * height;
  for (int y = 1; y < height; y += 2) {
    const bool gap_right = (y / 2) % 2 == 0;
    for (int x = gap_right ? 0 : 1; x <= (gap_right ? width - 2 : width - 1); ++x)
      pixels[static_cast<std::size_t>(y) * width + x] = kWall;
    open -= width - 1;
  }
  FloodWalker walker;
  const std::vector<Span> spans = walker.walk(surface, 0, 0, kWall);
  test::Pixels seen;
  long count = 0;
  for (const Span& s : spans)
    for (int x = s.x0; x <= s.x1; ++x) {
      seen.insert({x, s.y});
      ++count;
      EXPECT_NE(surface.at(x, s.y), kWall);
    }
  EXPECT_EQ(count, open) << "every open pixel, each once";
  EXPECT_EQ(static_cast<long>(seen.size()), open);
  EXPECT_TRUE(seen.count({width - 1, height - 1}));  // the far end of the corridor

  // The walker is reusable: a second walk from a sealed-off start sees nothing.
  EXPECT_TRUE(walker.walk(surface, 0, 1, kWall).empty());
  EXPECT_EQ(static_cast<long>(walker.walk(surface, 5, 40, kWall).size()), spans.size());
  // A border no pixel has (-1) stops nothing: every pixel, walls included.
  long all = 0;
  for (const Span& s : walker.walk(surface, 3, 1, -1)) all += s.x1 - s.x0 + 1;
  EXPECT_EQ(all, static_cast<long>(width) * height);
}

}  // namespace
}  // namespace raster
