// The viewer's overlay painted over a picture: the timeline shows elapsed and
// remaining time apart with the position and the command marks on it, the
// band and cards darken what is below without hiding it, text stays inside
// its row, and nothing outside the overlay changes.

#include "viewer/overlay_display.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "raster/overlay_painter.hpp"

namespace raster {
namespace {

constexpr int kW = 320;
constexpr int kH = 200;
constexpr std::uint32_t kStage = 0x6090C0;  // a lit stage, so that darkening shows

struct Picture {
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kW * kH, kStage);
  Surface surface{pixels.data(), kW, kH, kW};
};

viewer::OverlayView timeline_only() {
  viewer::OverlayView v;
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
  viewer::OverlayView v = timeline_only();
  v.shown = false;
  EXPECT_TRUE(
      painter.play(viewer::overlay_display(v, painter.line_height(), painter), p.surface).empty());
  EXPECT_EQ(changed_outside(p.surface, {}), 0);
}

TEST(OverlayPainter, TimelineShowsElapsedPositionAndMarks) {
  Picture p;
  OverlayPainter painter;
  painter.fit(kH);
  const viewer::OverlayView v = timeline_only();
  const std::vector<Rect> touched =
      painter.play(viewer::overlay_display(v, painter.line_height(), painter), p.surface);
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
  viewer::OverlayView v = timeline_only();
  painter.play(viewer::overlay_display(v, painter.line_height(), painter), plain.surface);
  v.loop = stage::PixelRect{200, v.bar.y, 50, v.bar.h};
  painter.play(viewer::overlay_display(v, painter.line_height(), painter), looped.surface);
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
  viewer::OverlayView v = timeline_only();
  const stage::PixelRect panel{200, 4, 100, 4 * line};
  v.panel = panel;
  // A row narrower than its text: the text must stop at the row's edge.
  const stage::PixelRect narrow{204, 4 + line, 60, line};
  v.rows = {{{204, 4, 92, line}, 0, "番号", "0:01", false},
            {narrow, 1, "指揮者「放水はじめ」指揮者「放水はじめ」", "0:09", true}};
  const std::vector<Rect> touched =
      painter.play(viewer::overlay_display(v, painter.line_height(), painter), p.surface);
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
  viewer::OverlayView v = timeline_only();
  v.band = {-10, kH - 20, kW + 40, 60};
  v.bar = {-10, kH - 10, kW + 40, 30};
  v.help = stage::PixelRect{kW - 20, -30, 100, 80};
  for (const Rect& r :
       painter.play(viewer::overlay_display(v, painter.line_height(), painter), p.surface)) {
    EXPECT_GE(r.x, 0);
    EXPECT_GE(r.y, 0);
    EXPECT_LE(r.x + r.w, kW);
    EXPECT_LE(r.y + r.h, kH);
  }
}

}  // namespace
}  // namespace raster

namespace raster {
namespace {

TEST(BlendRect, EachChannelMovesTowardsTheColourByAlphaOver255RoundedTowardsTheBelow) {
  // Worked by hand: b + (a - b) * alpha / 255, the division cut towards zero.
  const struct {
    std::uint32_t below, colour;
    int alpha;
    std::uint32_t want;
  } cases[] = {
      {0xFFFFFF, 0x000000, 160, 0x5F5F5F},  // 255 - 160 in each channel
      {0x102030, 0x2F6FB0, 200, 0x285D94},  // 16+24, 32+61, 48+100
      {0xC8C8C8, 0x000000, 100, 0x7A7A7A},  // 200 - 78 (78.4 cut, not 79)
      {0x123456, 0xABCDEF, 0, 0x123456},    // nothing of the colour
      {0x123456, 0xABCDEF, 255, 0xABCDEF},  // the colour alone
  };
  for (const auto& c : cases) {
    std::vector<std::uint32_t> pixels(6, c.below);
    Surface s{pixels.data(), 3, 2, 3};
    blend_rect(s, {1, 0, 5, 1}, c.colour, c.alpha);  // cut to the surface's right edge
    EXPECT_EQ(pixels[0], c.below);
    EXPECT_EQ(pixels[1], c.want) << std::hex << c.below << " " << c.colour << " " << c.alpha;
    EXPECT_EQ(pixels[2], c.want);
    EXPECT_EQ(pixels[4], c.below) << "the row below was touched";
  }
}

TEST(TeachingBoxesShown, PaintedAgainOnlyWhenTheyChangeOrARestoreMeetsThem) {
  viewer::OverlayView v;
  v.teaching = true;
  v.command = "指揮者「集まれ」";
  v.command_box = {4, 4, 300, 40};
  v.legend_box = {4, 48, 300, 16};
  viewer::TeachingBoxesShown shown;
  // Whether a box meets one of `restored`, as a host that restores rectangles asks it.
  const auto meets = [](const std::vector<Rect>& restored) {
    return std::function<bool(const stage::PixelRect&)>(
        [&restored](const stage::PixelRect& b) { return meets_any(restored, b); });
  };
  const std::vector<Rect> nothing;
  ASSERT_TRUE(shown.due(v, 0, meets(nothing))) << "never painted yet";
  const struct {
    const char* what;
    std::vector<Rect> restored;
    bool due;
  } cases[] = {
      {"nothing restored", {}, false},
      {"a restore away from the boxes", {{0, 100, 50, 50}}, false},
      {"a figure over the command box", {{290, 30, 20, 20}}, true},
      {"a figure over the legend", {{10, 60, 8, 8}}, true},
      {"a restore touching the legend's corner only from outside", {{304, 64, 5, 5}}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(shown.due(v, 0, meets(c.restored)), c.due) << c.what;
  const auto due = [&](int drill) { return shown.due(v, drill, meets(nothing)); };
  v.command = "指揮者「番号」";
  EXPECT_TRUE(due(0)) << "a new command";
  EXPECT_FALSE(due(0));
  EXPECT_TRUE(due(1)) << "another drill's legend";
  v.theme = stage::Theme::Light;
  EXPECT_TRUE(due(1)) << "another theme";
  shown.forget();
  EXPECT_TRUE(due(1)) << "a picture made anew";
  v.teaching = false;
  EXPECT_FALSE(due(1)) << "the saver's picture has no boxes";
}

// A revealed call shows the keys that mark it after the answer where the box
// has room, and nothing of them where it has not: ink beyond the answer in a
// wide box, none outside a narrow one.
TEST(PracticePrompt, TheMarkKeysFollowTheAnswerOnlyWhereTheyFit) {
  const auto rightmost_ink = [](int box_width, bool revealed) {
    Picture p;
    OverlayPainter painter;
    viewer::OverlayView v;
    v.teaching = true;
    v.command_box = {0, 0, box_width, 2 * painter.fit(kH)};
    viewer::PracticeOverlay practice;
    practice.state = revealed ? viewer::PracticeState::Revealed : viewer::PracticeState::Prompt;
    practice.who = "２番員の練習";
    practice.progress = "3 / 12";
    practice.prompt = std::string(viewer::kCallPrompt);
    practice.revealed = revealed;
    practice.answer = revealed ? "２番員「よし」" : "";
    v.practice = practice;
    painter.play(viewer::teaching_boxes_display(v, painter.line_height(), painter), p.surface);
    const stage::PixelRect& box = v.command_box;
    int right = -1;
    const std::uint32_t card = p.surface.at(box.w - 1, box.h - 1);
    for (int y = box.h / 2; y < box.h; ++y)  // the second line: answer and keys
      for (int x = 0; x < kW; ++x)
        if (p.surface.at(x, y) != card && p.surface.at(x, y) != kStage) right = std::max(right, x);
    return right;
  };
  constexpr int kNarrow = kW / 3;
  const int narrow = rightmost_ink(kNarrow, true);
  ASSERT_GT(narrow, 0) << "no answer";
  EXPECT_LT(narrow, kNarrow) << "the keys drawn past a box too narrow for them";
  EXPECT_GT(rightmost_ink(kW, true), narrow + kNarrow / 4) << "no keys after the answer";
}

}  // namespace
}  // namespace raster
