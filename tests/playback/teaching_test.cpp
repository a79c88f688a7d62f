// The teaching picture on the real drills: how a drill fills the area it is
// given, the quarter turn on upright areas, the positions' colours and the
// themes, and the teaching layout of the overlay around it.

#include "stage/teaching.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <optional>
#include <set>
#include <tuple>
#include <vector>

#include "drills/registry.hpp"
#include "raster/figure_painter.hpp"
#include "raster/overlay_painter.hpp"
#include "raster/raster_window.hpp"
#include "stage/playback.hpp"
#include "viewer/overlay.hpp"
#include "viewer/overlay_display.hpp"

namespace {

using stage::PixelRect;
using stage::Theme;

stage::PlaybackPlace paused_in(int drill) {
  stage::PlaybackPlace p;
  p.drill = drill;
  p.playing = false;
  return p;
}

int pump_drill(const stage::DrillList& drills) { return drills::find(drills, "ponpu"); }

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
  void add(int x, int y) {
    left = std::min(left, x);
    top = std::min(top, y);
    right = std::max(right, x);
    bottom = std::max(bottom, y);
  }
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

// The pump drill played through in the teaching picture on a w x h window
// (the whole window its area): the box around every pixel it painted that is
// not the ground and around every figure, over all its keyframes.
Box pump_drill_span(int w, int h) {
  constexpr int kKeyframesPerLook = 8;
  const stage::DrillList drills = drills::registry();
  raster::RasterWindow device(w, h);
  stage::TeachingWindow teach(device, drills, Theme::Dark, {0, 0, w, h});
  stage::Playback playback(teach, drills, paused_in(pump_drill(drills)));
  Box box;
  const int keyframes = playback.timeline().keyframes();
  for (int k = 0; k < keyframes; ++k) {
    if (k > 0) playback.step_forward();
    // The equipment stays drawn for many keyframes: every few are enough.
    if (k % kKeyframesPerLook == 0 || k == keyframes - 1) {
      device.compose();
      const raster::Surface& f = device.frame();
      for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x)
          if (f.at(x, y) != raster::pack(stage::colors::black)) box.add(x, y);
    }
    for (const stage::Figure& fig : teach.figures()) {
      box.add(static_cast<int>(fig.x - fig.radius), static_cast<int>(fig.y - fig.radius));
      box.add(static_cast<int>(fig.x + fig.radius), static_cast<int>(fig.y + fig.radius));
    }
  }
  return box;
}

TEST(TeachingFit, ThePumpDrillFillsAWideWindowAndRunsUpAnUprightOne) {
  constexpr int kLong = 1280;
  constexpr int kShort = 720;
  constexpr double kFilled = 0.85;
  const Box wide = pump_drill_span(kLong, kShort);
  EXPECT_GE(wide.width(), kFilled * kLong) << wide.left << ".." << wide.right;
  EXPECT_GT(wide.width(), wide.height());
  // Upright, the drill's long side runs along the window's long side.
  const Box upright = pump_drill_span(kShort, kLong);
  EXPECT_GT(upright.height(), upright.width());
  EXPECT_GE(upright.height(), kFilled * kLong) << upright.top << ".." << upright.bottom;
}

// The figures of keyframe `k` of the pump drill with its area w x h.
std::vector<stage::Figure> pump_figures(int w, int h, int k) {
  const stage::DrillList drills = drills::registry();
  raster::RasterWindow device(w, h);
  stage::TeachingWindow teach(device, drills, Theme::Dark, {0, 0, w, h});
  stage::Playback playback(teach, drills, paused_in(pump_drill(drills)));
  playback.seek_keyframe(k);
  return teach.figures();
}

// A pose's facing as a screen direction (y down): pose 0 faces up, each pose
// a sixteenth of a turn clockwise.
void facing(int pose, double& dx, double& dy) {
  const double a = pose * 2 * std::numbers::pi / stage::pose::kCount;
  dx = std::sin(a);
  dy = -std::cos(a);
}

TEST(TeachingFit, AnUprightWindowTurnsTheDrillAndItsPeopleAQuarterCounterClockwise) {
  // A keyframe well into the drill, where the crew stands spread out.
  const stage::DrillList drills = drills::registry();
  raster::RasterWindow probe(64, 64);
  const int k =
      stage::Playback(probe, drills, paused_in(pump_drill(drills))).timeline().keyframes() / 2;
  const std::vector<stage::Figure> wide = pump_figures(1280, 720, k);
  const std::vector<stage::Figure> upright = pump_figures(720, 1280, k);
  ASSERT_EQ(wide.size(), upright.size());
  ASSERT_GE(wide.size(), 2u);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    ASSERT_EQ(wide[i].position, upright[i].position);
    // Turned counter-clockwise, a direction (x, y) on the screen becomes (y, -x).
    double wx, wy, ux, uy;
    facing(wide[i].pose, wx, wy);
    facing(upright[i].pose, ux, uy);
    EXPECT_NEAR(ux, wy, 1e-9) << "position " << wide[i].position << " pose " << wide[i].pose;
    EXPECT_NEAR(uy, -wx, 1e-9) << "position " << wide[i].position << " pose " << wide[i].pose;
    for (std::size_t j = 0; j < wide.size(); ++j) {
      // Whoever stands further right in the wide picture stands higher up.
      if (wide[i].x > wide[j].x + 1) {
        EXPECT_LT(upright[i].y, upright[j].y) << i << " vs " << j;
      }
      // Whoever stands lower stands further right.
      if (wide[i].y > wide[j].y + 1) {
        EXPECT_GT(upright[i].x, upright[j].x) << i << " vs " << j;
      }
    }
  }
}

// Every position has a colour of its own, the legend names it, and it is the
// same colour on the dark and the light picture (and so on paper): a figure
// sampled from each theme's picture has its position's colour.
TEST(TeachingColours, EachPositionHasOneColourInEveryThemeAndTheLegendNamesIt) {
  const stage::DrillList drills = drills::registry();
  const stage::DrillDescriptor& pump = drills[static_cast<std::size_t>(pump_drill(drills))];
  const int persons = pump.make_table().person_count();
  ASSERT_EQ(persons, 5);  // the commander and four members
  const std::vector<stage::LegendEntry> legend = stage::legend(pump);
  ASSERT_EQ(legend.size(), 5u);
  std::set<std::tuple<int, int, int>> colours;
  for (int p = 0; p < persons; ++p) {
    const stage::Rgb c = stage::position_color(pump.crew, p);
    colours.insert({c.r, c.g, c.b});
    EXPECT_EQ(legend[static_cast<std::size_t>(p)].color, c) << p;
    for (const Theme theme : {Theme::Dark, Theme::Light})
      EXPECT_NE(c, stage::theme_background(theme)) << p;
  }
  EXPECT_EQ(colours.size(), 5u);
  // Sampled from each theme's picture: the body's centre, where the pump
  // crew stand apart.
  constexpr int kSpreadKeyframe = 150;
  std::map<int, std::uint32_t> seen_dark;
  for (const Theme theme : {Theme::Dark, Theme::Light}) {
    raster::RasterWindow device(1280, 720);
    stage::TeachingWindow teach(device, drills, theme, {0, 0, 1280, 720});
    stage::Playback playback(teach, drills, paused_in(pump_drill(drills)));
    playback.seek_keyframe(kSpreadKeyframe);
    device.compose();
    raster::Surface frame = device.frame();
    std::vector<std::uint32_t> pixels(frame.pixels, frame.pixels + frame.height * frame.pitch);
    raster::Surface picture{pixels.data(), frame.width, frame.height, frame.pitch};
    const std::vector<stage::Figure> figures = teach.figures();
    raster::paint_figures(picture, figures, theme);
    // Those no one else stands over: a figure's centre clear of the others.
    std::vector<stage::Figure> apart;
    for (const stage::Figure& f : figures)
      if (std::none_of(figures.begin(), figures.end(), [&f](const stage::Figure& g) {
            return g.position != f.position &&
                   std::hypot(g.x - f.x, g.y - f.y) < 2 * (g.radius + f.radius);
          }))
        apart.push_back(f);
    ASSERT_GE(apart.size(), 3u);
    for (const stage::Figure& f : apart) {
      const std::uint32_t at = picture.at(static_cast<int>(f.x), static_cast<int>(f.y));
      EXPECT_EQ(at, raster::pack(stage::position_color(pump.crew, f.position))) << f.position;
      if (theme == Theme::Dark)
        seen_dark[f.position] = at;
      else
        EXPECT_EQ(at, seen_dark[f.position]) << "position " << f.position << " changed colour";
    }
  }
}

TEST(TeachingColours, TheLightThemeClearsToWhiteAndTheDarkToBlack) {
  const stage::DrillList drills = drills::registry();
  for (const auto& [theme, ground] : {std::pair{Theme::Light, stage::colors::white},
                                      std::pair{Theme::Dark, stage::colors::black}}) {
    raster::RasterWindow device(320, 180);
    // The drill fitted into the right half: the left half is bare ground.
    stage::TeachingWindow teach(device, drills, theme, {160, 0, 160, 180});
    stage::Playback playback(teach, drills, paused_in(pump_drill(drills)));
    device.compose();
    const raster::Surface& f = device.frame();
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{100, 90}, std::pair{159, 179}})
      EXPECT_EQ(f.at(x, y), raster::pack(ground)) << x << "," << y;
    int drawn = 0;
    for (int y = 0; y < f.height; ++y)
      for (int x = 160; x < f.width; ++x) drawn += f.at(x, y) != raster::pack(ground);
    EXPECT_GT(drawn, 0) << "nothing of the drill drawn";
  }
}

// --- The overlay's teaching layout ---

bool overlap(const PixelRect& a, const PixelRect& b) {
  return a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
}

TEST(TeachingLayout, TheDrillsAreaMeetsNoBoxAndTheCardSitsBesideOrUnderIt) {
  const stage::DrillList drills = drills::registry();
  raster::RasterWindow window(64, 64);
  stage::Playback playback(window, drills, paused_in(pump_drill(drills)));
  playback.step_forward();
  const struct { int w, h; } sizes[] = {{1280, 720}, {1024, 640}, {720, 1280}, {600, 900}};
  constexpr int kLine = 20;
  for (const auto& size : sizes)
    for (const bool help : {false, true})
      for (const bool list : {false, true}) {
        SCOPED_TRACE(::testing::Message()
                     << size.w << "x" << size.h << " help " << help << " list " << list);
        viewer::OverlayRequest r{size.w, size.h, kLine, help, list};
        r.teaching = true;
        const viewer::OverlayView v = viewer::overlay_view(playback, r);
        ASSERT_TRUE(v.shown);
        const PixelRect area = v.stage_area;
        EXPECT_EQ(area, viewer::teaching_stage_area(r));
        EXPECT_GT(area.w * area.h, 0);
        for (const PixelRect& box : {v.band, v.command_box, v.legend_box})
          EXPECT_FALSE(overlap(area, box));
        EXPECT_FALSE(overlap(v.command_box, v.legend_box));
        // One card: help wins over the list.
        EXPECT_EQ(v.help.has_value(), help);
        EXPECT_EQ(v.panel.has_value(), list && !help);
        const std::optional<PixelRect> card = help ? v.help : v.panel;
        if (!card) {
          EXPECT_EQ(area.w, size.w);
          continue;
        }
        for (const PixelRect& box : {v.band, v.command_box, v.legend_box, area})
          EXPECT_FALSE(overlap(*card, box));
        if (size.w > size.h) {
          EXPECT_GE(card->x, area.x + area.w);  // beside
        } else {
          EXPECT_GE(card->y, area.y + area.h);  // under
          EXPECT_EQ(area.w, size.w);
        }
      }
}

TEST(TeachingLayout, TheCommandStaysAfterItsKeyframeUntilTheNextOne) {
  const stage::DrillList drills = drills::registry();
  raster::RasterWindow window(64, 64);
  stage::Playback playback(window, drills, paused_in(pump_drill(drills)));
  const stage::DrillTimeline& t = playback.timeline();
  ASSERT_GE(t.commands().size(), 2u);
  const stage::Command& first = t.commands()[0];
  const stage::Command& second = t.commands()[1];
  ASSERT_GT(second.first_keyframe, first.first_keyframe + 1);
  viewer::OverlayRequest r{1280, 720, 20};
  r.teaching = true;
  // Stepping through the keyframes between two commands, and seeking there.
  playback.seek_keyframe(first.first_keyframe);
  for (int k = first.first_keyframe; k < second.first_keyframe; ++k) {
    EXPECT_EQ(viewer::overlay_view(playback, r).command, first.text) << "keyframe " << k;
    playback.step_forward();
  }
  EXPECT_EQ(viewer::overlay_view(playback, r).command, second.text);
  playback.seek_keyframe(second.first_keyframe - 1);
  EXPECT_EQ(viewer::overlay_view(playback, r).command, first.text);
}

TEST(TeachingLayout, TheWheelScrollsTheListWithinItsEnds) {
  const stage::DrillList drills = drills::registry();
  raster::RasterWindow window(64, 64);
  stage::Playback playback(window, drills, paused_in(pump_drill(drills)));
  const int n = static_cast<int>(playback.timeline().commands().size());
  for (const bool teaching : {false, true}) {
    SCOPED_TRACE(teaching ? "teaching" : "saver");
    viewer::OverlayRequest r{1280, 720, 20, false, true};
    r.teaching = teaching;
    const viewer::OverlayView at_start = viewer::overlay_view(playback, r);
    ASSERT_FALSE(at_start.rows.empty());
    ASSERT_LT(static_cast<int>(at_start.rows.size()), n) << "the list must be longer than the card";
    EXPECT_EQ(at_start.rows.front().command, 0);
    r.list_scroll = 2;
    const viewer::OverlayView scrolled = viewer::overlay_view(playback, r);
    EXPECT_EQ(scrolled.rows.front().command, 2);
    EXPECT_EQ(scrolled.list_scroll, 2);
    // Further than the list goes: its last rows, and the scroll it really took.
    r.list_scroll = n * 2;
    const viewer::OverlayView end = viewer::overlay_view(playback, r);
    EXPECT_EQ(end.rows.back().command, n - 1);
    EXPECT_EQ(end.list_scroll, end.rows.front().command);
    r.list_scroll = -1;
    EXPECT_EQ(viewer::overlay_view(playback, r).list_scroll, 0);  // already at the top
  }
}

// Every position of every drill has one legend entry that stands for it (the
// platoon's members share theirs); the picture underlines the followed one's
// entry, and a click on an entry chooses the first position it stands for.
TEST(TeachingLegend, EachPositionHasItsEntryWhichIsMarkedAndChoosesIt) {
  const stage::DrillList drills = drills::registry();
  for (const stage::DrillDescriptor& d : drills) {
    const std::vector<stage::LegendEntry> legend = stage::legend(d);
    for (int p = 0; p < d.make_table().person_count(); ++p)
      EXPECT_EQ(std::count_if(legend.begin(), legend.end(),
                              [p](const stage::LegendEntry& e) { return e.stands_for(p); }),
                1)
          << d.name << " position " << p;
  }
  const stage::DrillDescriptor& platoon =
      drills[static_cast<std::size_t>(drills::find(drills, "kiritu"))];
  constexpr int kW = 640, kH = 360;
  const auto paint = [&](std::optional<int> position, raster::OverlayPainter& painter) {
    std::vector<std::uint32_t> pixels(kW * kH, 0);
    raster::Surface surface{pixels.data(), kW, kH, kW};
    viewer::OverlayRequest r;
    r.width = kW;
    r.height = kH;
    r.line = painter.fit(kH);
    r.teaching = true;
    r.theme = Theme::Dark;
    r.position = position;
    const viewer::OverlayView v = viewer::teaching_picture_view(r, platoon, "集まれ");
    painter.play(viewer::teaching_boxes_display(v, r.line, painter), surface);
    return std::tuple{pixels, v.legend_box, viewer::teaching_boxes_display(v, r.line, painter)};
  };
  raster::OverlayPainter painter;
  // Named, not structured bindings: clang before 16 cannot capture those.
  const auto unmarked = paint(std::nullopt, painter);
  const std::vector<std::uint32_t>& plain = std::get<0>(unmarked);
  const stage::PixelRect row = std::get<1>(unmarked);
  const stage::DisplayList& list = std::get<2>(unmarked);
  const std::vector<std::uint32_t> marked = std::get<0>(paint(7, painter));
  // Member 7 followed: the members' entry gains a line in their colour.
  const std::uint32_t members = raster::pack(stage::position_color(platoon.crew, 7));
  const auto count = [&](const std::vector<std::uint32_t>& pixels, int& first_x) {
    int n = 0;
    first_x = -1;
    for (int y = row.y; y < row.y + row.h; ++y)
      for (int x = row.x; x < row.x + row.w; ++x)
        if (pixels[static_cast<std::size_t>(y * kW + x)] == members) {
          ++n;
          if (first_x < 0 || x < first_x) first_x = x;
        }
    return n;
  };
  int swatch_x = 0, ignored = 0;
  EXPECT_GT(count(marked, ignored), count(plain, swatch_x));
  ASSERT_GE(swatch_x, 0) << "no members' swatch in the legend";
  // A click on an entry reaches the position it stands for (a squad's: its first).
  const auto legend_hit = [&list](int x, int y) -> std::optional<int> {
    const std::optional<stage::HitRegion> hit = list.hit(x, y);
    if (!hit || hit->kind != stage::HitKind::Legend) return std::nullopt;
    return hit->value;
  };
  EXPECT_EQ(legend_hit(swatch_x + 1, row.y + row.h / 2), 1);
  EXPECT_EQ(legend_hit(row.x + 1, row.y + row.h / 2), 0);
}

}  // namespace
