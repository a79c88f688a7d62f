// Image slots and the caption label above the painted surface, and the
// incremental composition that presents only what changed.

#include <gtest/gtest.h>

#include <random>

#include "raster/raster_window.hpp"
#include "raster/tile_map.hpp"
#include "stage/assets.hpp"
#include "support/pixel_check.hpp"

namespace raster {
namespace {

using namespace stage::colors;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kButtonFace = 0xF0F0F0;

void place(RasterWindow& w, int slot, float x, float y, float size, int pose) {
  w.set_slot_left(slot, x);
  w.set_slot_top(slot, y);
  w.set_slot_size(slot, size, size);
  w.set_slot_picture(slot, pose);
}

TEST(Slots, LieAboveThePaintedSurface) {
  RasterWindow w(100, 100, 1);
  w.filled_box(0, 0, 99, 99, white);
  place(w, 0, 10, 10, 32, 0);
  w.compose();
  // The sprite's body disc spans its pixels 5..26; its background is black
  // and opaque, hiding the white surface.
  EXPECT_EQ(w.frame_pixel(10 + 16, 10 + 16), stage::colors::blue);
  EXPECT_EQ(w.frame_pixel(10 + 31, 10 + 31), black);
  EXPECT_EQ(w.frame_pixel(10, 10), black);
  EXPECT_EQ(w.frame_pixel(9, 10), white);
  EXPECT_EQ(w.frame_pixel(42, 42), white);
  // At its native size the slot shows the sprite pixel for pixel.
  const stage::Sprite& sprite = stage::pose_sprite(0);
  EXPECT_TRUE(test::matches(w.frame(), [&](int x, int y) -> std::uint32_t {
    if (x >= 10 && x < 42 && y >= 10 && y < 42) return sprite.at(x - 10, y - 10);
    return 0xFFFFFF;
  }));
  EXPECT_EQ(w.surface_pixel(26, 26), white);  // the surface itself is untouched
}

TEST(Slots, NothingIsDrawnWithoutAPictureOrWhenHidden) {
  RasterWindow w(64, 64, 1);
  w.filled_box(0, 0, 63, 63, white);
  w.set_slot_left(3, 0);
  w.set_slot_top(3, 0);
  w.set_slot_size(3, 32, 32);
  EXPECT_TRUE(w.slot(3).visible);
  w.compose();
  EXPECT_TRUE(test::shows(w.frame(), {}, 0, 0xFFFFFF)) << "visible but no picture";
  w.set_slot_picture(3, 4);
  w.compose();
  EXPECT_EQ(w.frame_pixel(16, 16), stage::colors::blue);
  w.set_slot_visible(3, false);
  w.compose();
  EXPECT_TRUE(test::shows(w.frame(), {}, 0, 0xFFFFFF)) << "hidden";
}

TEST(Slots, LaterSlotsLieAboveEarlierOnes) {
  // Sprite pixel (16, 2) is in the facing disc of pose 0 (facing up) and in
  // the black background of pose 8 (facing down).
  ASSERT_EQ(stage::pose_sprite(0).at(16, 2), kBlue);
  ASSERT_EQ(stage::pose_sprite(8).at(16, 2), 0u);
  for (const auto& [lower, upper] : {std::pair{8, 0}, {0, 8}}) {
    RasterWindow w(40, 40, 1);
    place(w, 4, 0, 0, 32, lower);
    place(w, 7, 0, 0, 32, upper);
    w.compose();
    EXPECT_EQ(w.frame().at(16, 2), stage::pose_sprite(upper).at(16, 2))
        << "pose " << upper << " over pose " << lower;
  }
}

TEST(Slots, StretchingKeepsTheSpriteColours) {
  RasterWindow w(80, 80, 15);
  place(w, 0, 5 * 15, 5 * 15, 70 * 15, 0);  // 32 -> 70 pixels
  w.compose();
  EXPECT_EQ(w.frame_pixel(5 + 35, 5 + 35), stage::colors::blue);
  EXPECT_EQ(w.frame_pixel(5, 5), black);
  EXPECT_EQ(w.frame_pixel(5 + 69, 5 + 69), black);
  EXPECT_EQ(w.frame_pixel(4, 40), black);
  // Averaging blue with black can only give darker blues.
  for (int y = 5; y < 75; ++y)
    for (int x = 5; x < 75; ++x) ASSERT_EQ(w.frame().at(x, y) & 0xFFFF00, 0u) << x << ", " << y;
  // Shrinking (a 4K-free window keeps the figures about 24 pixels) as well.
  place(w, 1, 0, 0, 24 * 15, 4);
  w.compose();
  EXPECT_EQ(w.frame_pixel(12, 12), stage::colors::blue);
}

TEST(Caption, HeightShrinksWithTheFontSize) {
  RasterWindow w(640, 480, 15);
  float previous = 0;
  for (int points = 1; points <= 50; ++points) {
    w.set_caption_font_size(points);
    const float h = w.caption_height();
    EXPECT_GE(h, previous) << points << " pt";
    previous = h;
  }
  w.set_caption_font_size(50);
  const float h50 = w.caption_height();
  w.set_caption_font_size(20);
  const float h20 = w.caption_height();
  w.set_caption_font_size(5);
  const float h5 = w.caption_height();
  EXPECT_GT(h50, h20);
  EXPECT_GT(h20, h5);
  EXPECT_GT(h5, 0);
  // 20 pt at 96 DPI is a 26.7-pixel font; a line is about that (a Gothic face
  // adds little leading).
  EXPECT_GE(h20, 26 * 15.0f);
  EXPECT_LE(h20, 40 * 15.0f);
}

TEST(Caption, HeightIsReportedForEmptyTextAndScalesWithTwipsPerPixel) {
  RasterWindow w(640, 480, 15);
  w.set_caption_font_size(12);
  const float empty = w.caption_height();
  w.set_caption_text("ミルカドスクリーンセーバー");
  EXPECT_EQ(w.caption_height(), empty);
  EXPECT_GT(empty, 0);
  // At 12 twips per pixel (120 DPI) the same points are more pixels but
  // about the same twips.
  RasterWindow dense(640, 480, 12);
  dense.set_caption_font_size(12);
  EXPECT_NEAR(dense.caption_height(), empty, 2 * 15.0f);
}

TEST(Caption, StageFittingFindsALargestSize) {
  // The stage sets sizes from 50 down and keeps the first whose label is
  // lower than 200 stage units.
  RasterWindow w(1920, 1080, 15);
  const float s = w.height() / 6200.0f;
  w.set_caption_text("ミルカドスクリーンセーバー");
  int fitted = 0;
  for (int points = 50; points >= 1; --points) {
    w.set_caption_font_size(points);
    if (w.caption_height() < 200 * s) {
      fitted = points;
      break;
    }
  }
  ASSERT_GT(fitted, 1);
  ASSERT_LT(fitted, 50);
  w.set_caption_font_size(fitted + 1);
  EXPECT_GE(w.caption_height(), 200 * s);
}

TEST(Caption, LabelLiesAboveSlotsWithAButtonFaceBackground) {
  RasterWindow w(400, 100, 15);
  w.set_caption_font_size(12);
  place(w, 0, 0, 0, 32 * 15, 0);
  w.filled_box(0, 0, 400 * 15, 99 * 15, red);
  w.set_caption_left(10 * 15);
  w.set_caption_text("番号");
  w.compose();
  const int h = static_cast<int>(w.caption_height() / 15);
  ASSERT_GT(h, 0);
  EXPECT_EQ(w.frame_pixel(10, 0), (stage::Rgb{240, 240, 240}));
  EXPECT_EQ(w.frame_pixel(10, h - 1), (stage::Rgb{240, 240, 240}));
  EXPECT_EQ(w.frame_pixel(9, 0), black) << "slot 0 left of the label";
  EXPECT_EQ(w.frame_pixel(1, h), black) << "slot 0 below the label";
  EXPECT_EQ(w.frame().at(10, h), stage::pose_sprite(0).at(10, h)) << "slot 0 under the label";
  int right = 10;
  for (int y = 0; y < h; ++y)
    for (int x = 10; x < 400; ++x)
      if (w.frame().at(x, y) == kButtonFace) right = std::max(right, x);
  EXPECT_LT(right, 10 + 4 * h) << "two characters are about two line heights wide";
  EXPECT_GT(right, 10 + h) << "two characters are about two line heights wide";
  int text = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 10; x <= right; ++x)
      if (w.frame().at(x, y) != kButtonFace) ++text;
  EXPECT_GT(text, 20);
  EXPECT_EQ(w.frame_pixel(right + 2, 1), red);

  // An empty text shows nothing: the surface and slot come back.
  w.set_caption_text("");
  w.compose();
  EXPECT_EQ(w.frame_pixel(100, 1), red);
  EXPECT_EQ(w.frame_pixel(10, 0), black);
}

// --- incremental composition ---

long area(const std::vector<Rect>& rects) {
  long a = 0;
  for (const Rect& r : rects) a += static_cast<long>(r.w) * r.h;
  return a;
}
bool covers(const std::vector<Rect>& rects, int x, int y) {
  for (const Rect& r : rects)
    if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) return true;
  return false;
}

TEST(Compose, FirstCallReturnsTheWholeWindowAndASecondNothing) {
  RasterWindow w(640, 480, 1);
  const auto first = w.compose();
  EXPECT_EQ(area(first), 640L * 480);
  EXPECT_TRUE(covers(first, 0, 0));
  EXPECT_TRUE(covers(first, 639, 479));
  EXPECT_TRUE(w.compose().empty());
}

TEST(Compose, ReturnsOnlyTheRegionsNearAChange) {
  RasterWindow w(640, 480, 1);
  w.compose();
  w.line(630, 470, 639, 479, white);
  const auto rects = w.compose();
  ASSERT_FALSE(rects.empty());
  EXPECT_TRUE(covers(rects, 630, 470));
  EXPECT_TRUE(covers(rects, 639, 479));
  for (const Rect& r : rects) {
    EXPECT_GE(r.x, 640 - 2 * TileMap::kTile);
    EXPECT_GE(r.y, 480 - 2 * TileMap::kTile);
    EXPECT_LE(r.x + r.w, 640);
    EXPECT_LE(r.y + r.h, 480);
  }
  EXPECT_TRUE(w.compose().empty());
  EXPECT_EQ(w.frame_pixel(635, 475), white);

  // Clearing touches only where ink was.
  w.clear();
  const auto cleared = w.compose();
  for (const Rect& r : cleared) EXPECT_GE(r.x, 640 - 2 * TileMap::kTile);
  EXPECT_EQ(w.frame_pixel(635, 475), black);

  // A slot move dirties where it was and where it is.
  place(w, 2, 0, 0, 32, 0);
  w.compose();
  w.set_slot_left(2, 300);
  const auto moved = w.compose();
  EXPECT_TRUE(covers(moved, 16, 16));
  EXPECT_TRUE(covers(moved, 316, 16));
  EXPECT_FALSE(covers(moved, 600, 400));
  EXPECT_EQ(w.frame_pixel(16, 16), black);
  EXPECT_EQ(w.frame_pixel(316, 16), stage::colors::blue);
  // Setting the same value again changes nothing.
  w.set_slot_left(2, 300);
  w.set_slot_picture(2, 0);
  EXPECT_TRUE(w.compose().empty());
}

TEST(Compose, RepaintingWhatIsThereChangesNothing) {
  // The drills redraw their fixed marks on every keyframe.
  RasterWindow w(640, 480, 1);
  auto marks = [&] {
    w.box(10, 10, 600, 400, white);
    w.filled_box(300, 420, 340, 440, red);
    w.line(20, 300, 20, 100, white);
    w.set_fill_style(stage::FillStyle::Solid);
    w.set_fill_color(red);
    w.circle(500, 200, 30, white);
    w.set_fill_style(stage::FillStyle::Transparent);
  };
  marks();
  w.compose();
  marks();
  EXPECT_TRUE(w.compose().empty());
  // Black on the black background neither.
  w.filled_box(0, 450, 639, 479, black);
  w.line(0, 460, 639, 470, black);
  EXPECT_TRUE(w.compose().empty());
}

TEST(Compose, IncrementalFrameEqualsAFullComposition) {
  // The same random drawing three times: composed into the window's frame
  // after every step; composed after every step as a host presents, each
  // change a few rows at a time into a picture of its own; and composed once
  // at the end. Any missed dirty tile shows up as a difference.
  RasterWindow stepwise(333, 217, 1);
  RasterWindow banded(333, 217, 1);
  RasterWindow once(333, 217, 1);
  std::vector<std::uint32_t> shown(333 * 217, 0x123456);
  constexpr int kBandRows = 7;
  std::mt19937 rng(20240611);
  auto coord = [&](int limit) {
    return static_cast<float>(static_cast<int>(rng() % (limit + 200)) - 100);
  };
  const stage::Rgb palette[] = {white, red, cyan, yellow, grey, black};
  for (int step = 0; step < 300; ++step) {
    const int op = static_cast<int>(rng() % 9);
    const stage::Rgb c = palette[rng() % 6];
    const float a = coord(333), b = coord(217), x2 = coord(333), y2 = coord(217);
    const int slot = static_cast<int>(rng() % stage::kImageSlots);
    const int pose = static_cast<int>(rng() % stage::kPoses);
    for (RasterWindow* w : {&stepwise, &banded, &once}) {
      switch (op) {
        case 0:
          w->line(a, b, x2, y2, c);
          break;
        case 1:
          w->filled_box(a, b, x2, y2, c);
          break;
        case 2:
          w->box(a, b, x2, y2, c);
          break;
        case 3:
          w->set_fill_style(stage::FillStyle::Solid);
          w->set_fill_color(c);
          w->circle(a, b, static_cast<float>(step % 40), white);
          w->set_fill_style(stage::FillStyle::Transparent);
          break;
        case 4:
          w->set_fill_color(c);
          w->flood_fill(static_cast<int>(a), static_cast<int>(b), red);
          break;
        case 5:
          place(*w, slot, a, b, static_cast<float>(10 + step % 50), pose);
          break;
        case 6:
          w->set_slot_visible(slot, step % 3 != 0);
          break;
        case 7:
          w->set_caption_left(a);
          w->set_caption_text(step % 4 ? "放水はじめ" : "");
          break;
        default:
          if (step % 5 == 0) w->clear();
          break;
      }
    }
    stepwise.compose();
    for (const Rect& r : banded.changes())
      for (int top = r.y; top < r.y + r.h; top += kBandRows)
        banded.compose({r.x, top, r.w, std::min(kBandRows, r.y + r.h - top)},
                       &shown[static_cast<std::size_t>(top) * 333 + r.x], 333);
  }
  stepwise.compose();
  once.compose();
  EXPECT_TRUE(test::matches(stepwise.frame(), [&](int x, int y) { return once.frame().at(x, y); }));
  const Surface picture{shown.data(), 333, 217, 333};
  EXPECT_TRUE(test::matches(picture, [&](int x, int y) { return once.frame().at(x, y); }));
}

// A host composes any rectangle into its own buffer, the pixel at the
// rectangle's corner first; what lies off the window is left as it was.
TEST(Compose, AnAreaGoesToTheCallersBufferAndStopsAtTheWindowsEdge) {
  RasterWindow w(70, 50, 1);
  w.filled_box(0, 0, 69, 49, cyan);
  w.line(0, 0, 69, 49, red);
  place(w, 2, 40, 5, 20, 3);
  w.set_caption_text("放水");
  w.compose();  // the reference frame
  const Rect areas[] = {
      {0, 0, 70, 50}, {33, 7, 9, 30}, {-5, -4, 12, 10}, {60, 45, 20, 20}, {100, 100, 4, 4}};
  for (const Rect& a : areas) {
    constexpr std::uint32_t kUntouched = 0xABCDEF;
    std::vector<std::uint32_t> out(static_cast<std::size_t>(a.w) * a.h, kUntouched);
    w.compose(a, out.data(), a.w);
    for (int y = 0; y < a.h; ++y)
      for (int x = 0; x < a.w; ++x) {
        const int wx = a.x + x, wy = a.y + y;
        const bool inside = wx >= 0 && wy >= 0 && wx < 70 && wy < 50;
        ASSERT_EQ(out[static_cast<std::size_t>(y) * a.w + x],
                  inside ? w.frame().at(wx, wy) : kUntouched)
            << a.x << "," << a.y << " at " << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace raster
