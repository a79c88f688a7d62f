// The viewer's overlay painted over a picture: the timeline shows elapsed and
// remaining time apart with the position and the command marks on it, the
// band and cards darken what is below without hiding it, text stays inside
// its row, and nothing outside the overlay changes.

#include "raster/overlay_painter.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace raster {
namespace {

constexpr int kW = 320;
constexpr int kH = 200;
constexpr std::uint32_t kStage = 0x6090C0;  // a lit stage, so that darkening shows

struct Picture {
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kW * kH, kStage);
  Surface surface{pixels.data(), kW, kH, kW};
};

stage::OverlayView timeline_only() {
  stage::OverlayView v;
  v.shown = true;
  v.band = {0, kH - 40, kW, 40};
  v.bar = {4, kH - 36, kW - 8, 16};
  v.position_x = 160;
  v.command_marks = {40, 100};
  return v;
}

bool darker(std::uint32_t p, std::uint32_t than) {
  for (const int shift : {16, 8, 0})
    if (((p >> shift) & 0xFF) >= ((than >> shift) & 0xFF)) return false;
  return true;
}

int changed_outside(const Surface& s, const std::vector<stage::PixelRect>& inside) {
  int n = 0;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      bool in = false;
      for (const stage::PixelRect& r : inside) in = in || r.contains(x, y);
      if (!in && s.at(x, y) != kStage) ++n;
    }
  return n;
}

TEST(OverlayPainter, HiddenViewPaintsNothing) {
  Picture p;
  OverlayPainter painter;
  stage::OverlayView v = timeline_only();
  v.shown = false;
  EXPECT_TRUE(painter.paint(v, p.surface).empty());
  EXPECT_EQ(changed_outside(p.surface, {}), 0);
}

TEST(OverlayPainter, TimelineShowsElapsedPositionAndMarks) {
  Picture p;
  OverlayPainter painter;
  painter.fit(kH);
  const stage::OverlayView v = timeline_only();
  const std::vector<Rect> touched = painter.paint(v, p.surface);
  ASSERT_EQ(touched.size(), 1u);
  EXPECT_EQ(touched[0], (Rect{v.band.x, v.band.y, v.band.w, v.band.h}));
  EXPECT_EQ(changed_outside(p.surface, {v.band}), 0);

  // The band's corner: darkened stage, not black.
  const std::uint32_t shade = p.surface.at(0, kH - 1);
  EXPECT_TRUE(darker(shade, kStage)) << std::hex << shade;
  EXPECT_NE(shade, 0u);

  const int y = v.bar.y + v.bar.h - 1;  // below the command marks
  const std::uint32_t elapsed = p.surface.at(v.bar.x, y);
  const std::uint32_t remaining = p.surface.at(v.bar.x + v.bar.w - 1, y);
  EXPECT_NE(elapsed, remaining);
  for (int x = v.bar.x; x < v.position_x - 1; ++x) ASSERT_EQ(p.surface.at(x, y), elapsed) << x;
  for (int x = v.position_x + 2; x < v.bar.x + v.bar.w; ++x)
    ASSERT_EQ(p.surface.at(x, y), remaining) << x;
  EXPECT_EQ(p.surface.at(v.position_x, y), 0xFFFFFFu);
  for (const int x : v.command_marks) {
    EXPECT_NE(p.surface.at(x, v.bar.y), p.surface.at(x + 1, v.bar.y)) << "mark at " << x;
    EXPECT_EQ(p.surface.at(x, y), elapsed) << "a mark covers the whole bar at " << x;
  }
}

TEST(OverlayPainter, LoopTintsItsPassageOnly) {
  Picture plain, looped;
  OverlayPainter painter;
  painter.fit(kH);
  stage::OverlayView v = timeline_only();
  painter.paint(v, plain.surface);
  v.loop = stage::PixelRect{200, v.bar.y, 50, v.bar.h};
  painter.paint(v, looped.surface);
  const int y = v.bar.y + v.bar.h - 1;
  EXPECT_EQ(looped.surface.at(199, y), plain.surface.at(199, y));
  EXPECT_NE(looped.surface.at(200, y), plain.surface.at(200, y));
  EXPECT_NE(looped.surface.at(249, y), plain.surface.at(249, y));
  EXPECT_EQ(looped.surface.at(250, y), plain.surface.at(250, y));
}

TEST(OverlayPainter, CommandRowsKeepTheirTextInsideAndMarkTheCurrentOne) {
  Picture p;
  OverlayPainter painter;
  const int line = painter.fit(kH);
  stage::OverlayView v = timeline_only();
  const stage::PixelRect panel{200, 4, 100, 4 * line};
  v.panel = panel;
  // A row narrower than its text: the text must stop at the row's edge.
  const stage::PixelRect narrow{204, 4 + line, 60, line};
  v.rows = {{{204, 4, 92, line}, 0, "番号", "0:01", false},
            {narrow, 1, "指揮者「放水はじめ」指揮者「放水はじめ」", "0:09", true}};
  const std::vector<Rect> touched = painter.paint(v, p.surface);
  EXPECT_EQ(touched.size(), 2u);
  EXPECT_EQ(changed_outside(p.surface, {v.band, panel}), 0);

  // Right of the narrow row, inside the panel: the panel's plain shade.
  const std::uint32_t shade = p.surface.at(narrow.x + narrow.w + 1, narrow.y);
  for (int y = narrow.y; y < narrow.y + narrow.h; ++y)
    for (int x = narrow.x + narrow.w; x < panel.x + panel.w - 1; ++x)
      ASSERT_EQ(p.surface.at(x, y), shade) << "text beyond its row at " << x << "," << y;
  // The current row is highlighted, the other is not.
  EXPECT_NE(p.surface.at(narrow.x, narrow.y), p.surface.at(204, 4));
}

TEST(OverlayPainter, ViewsReachingPastThePictureAreCut) {
  Picture p;
  OverlayPainter painter;
  painter.fit(kH);
  stage::OverlayView v = timeline_only();
  v.band = {-10, kH - 20, kW + 40, 60};
  v.bar = {-10, kH - 10, kW + 40, 30};
  v.help = stage::PixelRect{kW - 20, -30, 100, 80};
  for (const Rect& r : painter.paint(v, p.surface)) {
    EXPECT_GE(r.x, 0);
    EXPECT_GE(r.y, 0);
    EXPECT_LE(r.x + r.w, kW);
    EXPECT_LE(r.y + r.h, kH);
  }
}

}  // namespace
}  // namespace raster
