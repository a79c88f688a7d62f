// The viewer's playback model on the raster window with the real drills:
// seeks rebuild exactly the picture that straight play leaves, the command
// lists follow the tables, the loop wraps and the speeds scale the delays.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/playback.hpp"
#include "stage/stage.hpp"
#include "stage/teaching.hpp"
#include "support/pixel_check.hpp"
#include "viewer/overlay.hpp"
#include "viewer/overlay_display.hpp"

namespace {

using stage::Playback;
using stage::PlaySpeed;

// Small enough to keep whole-drill replays quick, large enough that the
// drills' shapes stay apart (s is about 0.9 twips per stage unit).
constexpr int kW = 640;
constexpr int kH = 360;

using Image = std::vector<std::uint32_t>;

stage::PlaybackPlace paused_in(int drill) {
  stage::PlaybackPlace p;
  p.drill = drill;
  p.playing = false;
  return p;
}

Image picture(raster::RasterWindow& w) {
  w.compose();
  const raster::Surface& f = w.frame();
  Image out;
  for (int y = 0; y < f.height; ++y) out.insert(out.end(), f.row(y), f.row(y) + f.width);
  return out;
}

::testing::AssertionResult shows(raster::RasterWindow& w, const Image& want) {
  w.compose();
  return raster::test::matches(w.frame(), [&](int x, int y) {
    return want[static_cast<std::size_t>(y) * kW + static_cast<std::size_t>(x)];
  });
}

// The saver's own stage playing drill `d` from its start: the pictures it
// leaves after each of `keyframes` (ascending).
std::map<int, Image> straight_play(int d, const std::vector<int>& keyframes) {
  raster::RasterWindow w(kW, kH);
  const stage::DrillList drills = drills::registry();
  stage::Stage s(w, stage::conf_bit(static_cast<std::size_t>(d)), 3, drills);
  s.activate();
  std::map<int, Image> out;
  for (const int k : keyframes) {
    while (!(s.drill() == d && s.raw_state() % 3 == 1 && s.frame_index() == k + 1)) s.tick();
    out[k] = picture(w);
  }
  return out;
}

TEST(ViewerSeek, RebuildsThePictureThatPlayingStraightThereLeaves) {
  const stage::DrillList drills = drills::registry();
  for (int d = 0; d < static_cast<int>(drills.size()); ++d) {
    SCOPED_TRACE(drills[static_cast<std::size_t>(d)].name);
    raster::RasterWindow w(kW, kH);
    Playback viewer(w, drills, paused_in(d));
    const int last = viewer.timeline().keyframes() - 1;
    // Both sides of checkpoint keyframes, the middle and the ends.
    const std::vector<int> targets{0,        1,        31,        32,       33,  95,
                                   last / 3, last / 2, last - 33, last - 1, last};
    const std::map<int, Image> want = straight_play(d, targets);

    for (const int k : targets) {  // from before, the first pass painting on
      viewer.seek_keyframe(k);
      ASSERT_EQ(viewer.keyframe(), k);
      EXPECT_TRUE(shows(w, want.at(k))) << "forward to " << k;
    }
    for (auto k = targets.rbegin(); k != targets.rend(); ++k) {  // from after, by checkpoints
      viewer.seek_keyframe(*k);
      EXPECT_TRUE(shows(w, want.at(*k))) << "back to " << *k;
    }
    for (const int k : {last / 2, 33, last}) {  // from another drill
      viewer.select_drill((d + 1) % viewer.drill_count());
      viewer.seek_time(viewer.timeline().total_ms() / 2);
      viewer.select_drill(d);
      viewer.seek_keyframe(k);
      EXPECT_TRUE(shows(w, want.at(k))) << "from another drill to " << k;
    }
    for (const int k : {1, 32, last / 2}) {  // a step back and forth again
      viewer.seek_keyframe(k);
      viewer.step_back();
      EXPECT_EQ(viewer.keyframe(), k - 1);
      viewer.step_forward();
      EXPECT_TRUE(shows(w, want.at(k))) << "back and forth at " << k;
    }
  }
}

// A relayout makes a new model at the old one's place: in the teaching
// picture of either theme, on any drill, it shows what the stage playing
// straight there through the same teaching window leaves.
TEST(ViewerSeek, ANewModelAtAPlaceShowsWhatPlayingStraightThereLeaves) {
  const stage::DrillList drills = drills::registry();
  const stage::PixelRect area{0, 0, kW, kH};
  for (const stage::Theme theme : {stage::Theme::Dark, stage::Theme::Light})
    for (int d = 0; d < static_cast<int>(drills.size()); ++d) {
      SCOPED_TRACE(drills[static_cast<std::size_t>(d)].name);
      raster::RasterWindow straight_window(kW, kH);
      stage::TeachingWindow straight_teaching(straight_window, drills, theme, area);
      stage::Stage s(straight_teaching, stage::conf_bit(static_cast<std::size_t>(d)), 3, drills);
      s.activate();
      const stage::SharedExtents extents = straight_teaching.extents();
      const int last = stage::DrillTimeline(s.table(d)).keyframes() - 1;
      for (const int k : {1, 40, last}) {
        while (!(s.drill() == d && s.raw_state() % 3 == 1 && s.frame_index() == k + 1)) s.tick();
        const Image want = picture(straight_window);
        raster::RasterWindow w(kW, kH);
        stage::TeachingWindow teaching(w, drills, theme, area, extents);
        stage::PlaybackPlace place = paused_in(d);
        place.time_ms = stage::DrillTimeline(s.table(d)).start_ms(k);
        Playback viewer(teaching, drills, place);
        ASSERT_EQ(viewer.keyframe(), k);
        EXPECT_TRUE(shows(w, want)) << "keyframe " << k;
      }
    }
}

// Drawing calls a replay may not drop when a keyframe repeats them: a circle
// takes the fill settings that the keyframe before left, so keyframe 3
// fills the circle that keyframe 2, the same calls after other settings,
// left empty.
void circle_then_solid(const stage::Layer& l) {
  constexpr int kEmptying = 1;
  if (l.frame == kEmptying) {
    l.window.set_fill_style(stage::FillStyle::Transparent);
    return;
  }
  l.window.circle(l.origin.x(2500), l.origin.y(2500), 400 * l.origin.s, stage::colors::white);
  l.window.set_fill_style(stage::FillStyle::Solid);
  l.window.set_fill_color(stage::colors::red);
}
constexpr stage::LayerPainter kCircleThenSolid[] = {circle_then_solid};

TEST(ViewerSeek, AReplayKeepsAKeyframeWhoseCallsMeetOtherFillSettings) {
  std::vector<stage::DrillDescriptor> drills(drills::registry().begin(), drills::registry().end());
  drills.front().layers = kCircleThenSolid;
  constexpr int kTarget = 3;
  raster::RasterWindow straight(kW, kH);
  stage::Stage s(straight, stage::conf_bit(0), 3, drills);
  s.activate();
  while (!(s.raw_state() == 1 && s.frame_index() == kTarget + 1)) s.tick();
  raster::RasterWindow w(kW, kH);
  Playback viewer(w, drills, paused_in(0));
  viewer.seek_keyframe(kTarget);
  EXPECT_TRUE(shows(w, picture(straight)));
}

TEST(ViewerSeek, ATimeLandsInTheKeyframeOnScreenThen) {
  raster::RasterWindow w(kW, kH);
  Playback viewer(w, drills::registry(), paused_in(1));
  const stage::DrillTimeline& t = viewer.timeline();
  viewer.seek_time(t.start_ms(11) + 1);  // 集まれ is on from its start to the next keyframe
  EXPECT_EQ(viewer.keyframe(), 11);
  EXPECT_EQ(viewer.elapsed_ms(), t.start_ms(11) + 1);
  viewer.seek_time(-5);
  EXPECT_EQ(viewer.keyframe(), 0);
  viewer.seek_time(t.total_ms() + 1);
  EXPECT_EQ(viewer.keyframe(), t.keyframes() - 1);
  EXPECT_TRUE(viewer.at_end());
}

// The lists against the baseline dumps of the tables: a command is a run of
// keyframes showing one caption, so the pump truck's 125 captioned keyframes
// (42 different texts) make 53 commands.
TEST(CommandList, FollowsTheDrillsCaptions) {
  struct Case {
    int drill, count;
    stage::Command first, last;
    int keyframes, total_ms;
  };
  const Case cases[] = {
      {0, 73, {1, 3000, "気をつけ"}, {1378, 459000, "わかれ"}, 1383, 470000},
      {1, 53, {11, 6200, "指揮者「集まれ」"}, {1041, 348700, "指揮者「わかれ」"}, 1046, 365700},
      {2, 40, {15, 7400, "指揮者「集まれ」"}, {605, 208200, "指揮者「わかれ」"}, 610, 225200},
  };
  raster::RasterWindow w(64, 36);
  Playback viewer(w, drills::registry(), paused_in(0));
  for (const Case& c : cases) {
    const stage::DrillTimeline& t = viewer.timeline(c.drill);
    SCOPED_TRACE(c.drill);
    EXPECT_EQ(t.keyframes(), c.keyframes);
    EXPECT_EQ(t.total_ms(), c.total_ms);
    ASSERT_EQ(static_cast<int>(t.commands().size()), c.count);
    for (const auto& [got, want] :
         {std::pair{t.commands().front(), c.first}, std::pair{t.commands().back(), c.last}}) {
      EXPECT_EQ(got.first_keyframe, want.first_keyframe);
      EXPECT_EQ(got.time_ms, want.time_ms);
      EXPECT_EQ(got.text, want.text);
    }
    // Silent keyframes after a command still belong to it.
    EXPECT_EQ(t.command_at(c.first.first_keyframe - 1), -1);
    EXPECT_EQ(t.command_at(c.keyframes - 1), c.count - 1);
  }
}

TEST(CommandJumps, MoveBetweenTheCommandsFirstKeyframes) {
  raster::RasterWindow w(64, 36);
  Playback viewer(w, drills::registry(), paused_in(1));
  const auto& commands = viewer.timeline().commands();
  ASSERT_TRUE(viewer.next_command());
  EXPECT_EQ(viewer.keyframe(), 11);
  ASSERT_TRUE(viewer.next_command());
  EXPECT_EQ(viewer.keyframe(), 22);
  viewer.seek_keyframe(23);  // silent, after the second command
  ASSERT_TRUE(viewer.previous_command());
  EXPECT_EQ(viewer.keyframe(), 22);
  ASSERT_TRUE(viewer.previous_command());
  EXPECT_EQ(viewer.keyframe(), 11);
  EXPECT_FALSE(viewer.previous_command());
  viewer.go_to_command(static_cast<int>(commands.size()) - 1);
  EXPECT_FALSE(viewer.next_command());
  EXPECT_EQ(viewer.current_command(), static_cast<int>(commands.size()) - 1);
}

TEST(ViewerPlay, TheLoopWrapsAfterBAndPlayEndsAtTheDrillsEnd) {
  raster::RasterWindow w(64, 36);
  Playback viewer(w, drills::registry(), paused_in(1));
  viewer.seek_keyframe(24);
  viewer.set_loop_start();
  viewer.seek_keyframe(28);
  viewer.set_loop_end();
  EXPECT_EQ(viewer.loop(), (stage::LoopRange{24, 28}));
  viewer.seek_keyframe(24);
  viewer.play();
  std::int64_t now = 0;
  std::vector<int> seen;
  for (int i = 0; i < 12; ++i) {
    now += viewer.advance(now);
    viewer.advance(now);
    seen.push_back(viewer.keyframe());
  }
  EXPECT_EQ(seen, (std::vector<int>{25, 26, 27, 28, 24, 25, 26, 27, 28, 24, 25, 26}));

  viewer.clear_loop();
  viewer.go_to_end();
  viewer.play();  // from the end: again from the start
  EXPECT_EQ(viewer.keyframe(), 0);
  viewer.seek_keyframe(viewer.timeline().keyframes() - 1);
  EXPECT_EQ(viewer.advance(now + 100000), Playback::kIdle);
  EXPECT_TRUE(viewer.at_end());
}

TEST(ViewerPlay, SpeedsScaleTheKeyframesDelaysAsTheSaverDoes) {
  raster::RasterWindow w(64, 36);
  const stage::DrillList drills = drills::registry();
  // Keyframes 0..3 of the pump truck last 3000, 500, 300 and 300 ms.
  std::map<int, std::vector<int>> saver;  // speed 1..3 -> its stage's intervals
  for (int speed = 1; speed <= 3; ++speed) {
    raster::RasterWindow sw(64, 36);
    stage::Stage s(sw, stage::conf_bit(1), speed, drills);
    s.activate();
    while (s.raw_state() % 3 != 1) s.tick();
    for (int k = 0; k < 4; ++k) saver[speed].push_back(s.tick());
  }
  Playback viewer(w, drills, paused_in(1));
  const PlaySpeed speeds[] = {PlaySpeed::Quarter, PlaySpeed::Half, PlaySpeed::One, PlaySpeed::Two,
                              PlaySpeed::Three};
  std::int64_t now = 1000;
  for (const PlaySpeed speed : speeds) {
    viewer.advance(now);
    viewer.set_speed(speed);
    viewer.seek_keyframe(0);
    viewer.play();
    std::vector<int> delays;
    for (int k = 0; k < 4; ++k) {
      delays.push_back(viewer.advance(now));
      now += delays.back();
    }
    viewer.pause();
    const std::vector<int>& one = saver[1];
    switch (speed) {
      case PlaySpeed::Quarter:
        EXPECT_EQ(delays, (std::vector<int>{4 * one[0], 4 * one[1], 4 * one[2], 4 * one[3]}));
        break;
      case PlaySpeed::Half:
        EXPECT_EQ(delays, (std::vector<int>{2 * one[0], 2 * one[1], 2 * one[2], 2 * one[3]}));
        break;
      default:
        EXPECT_EQ(delays, saver[static_cast<int>(speed) - 1]);
    }
  }
}

// The viewer times a keyframe shown from its start by the stage's tick and
// one entered part way by the timeline; both must agree on every keyframe.
TEST(ViewerPlay, TheTickAndTheTimelineGiveEveryKeyframeTheSameDelayAtEverySpeed) {
  const stage::DrillList drills = drills::registry();
  for (int d = 0; d < static_cast<int>(drills.size()); ++d) {
    for (int v = 0; v < stage::kPlaySpeeds; ++v) {
      const auto speed = static_cast<PlaySpeed>(v);
      raster::RasterWindow w(64, 36);
      stage::Stage s(w, stage::conf_bit(static_cast<std::size_t>(d)), 1, drills);
      s.activate();
      s.set_keyframe_speed(speed);
      s.go_to_keyframe(d, 0);
      const stage::DrillTimeline timeline(s.table(d));
      int differ = 0;
      for (int k = 0; k < timeline.keyframes(); ++k) {
        const int tick = s.tick();
        if (tick != stage::scaled_delay(timeline.duration_ms(k), speed) ||
            tick != s.keyframe_delay(d, k))
          ++differ;
      }
      EXPECT_EQ(differ, 0) << drills[static_cast<std::size_t>(d)].name << " at speed " << v;
    }
  }
}

TEST(ViewerPlay, PausingMidKeyframeKeepsTheRestOfItsTime) {
  raster::RasterWindow w(64, 36);
  stage::PlaybackPlace half;
  half.drill = 1;
  half.speed = PlaySpeed::Half;
  Playback viewer(w, drills::registry(), half);
  EXPECT_EQ(viewer.advance(0), 6000);  // keyframe 0: 3000 ms at half speed
  viewer.advance(2000);
  viewer.pause();
  EXPECT_EQ(viewer.elapsed_ms(), 1000);
  EXPECT_EQ(viewer.advance(50000), Playback::kIdle);
  EXPECT_EQ(viewer.elapsed_ms(), 1000);
  viewer.set_speed(PlaySpeed::One);
  viewer.play();
  EXPECT_EQ(viewer.advance(50000), 2000);
  EXPECT_EQ(viewer.keyframe(), 0);
  viewer.advance(52000);
  EXPECT_EQ(viewer.keyframe(), 1);
}

}  // namespace

namespace {

TEST(ViewerOverlay, TimelineAndCommandListMapClicksBackToTheDrill) {
  raster::RasterWindow w(64, 36);
  Playback viewer(w, drills::registry(), paused_in(1));
  viewer.go_to_command(20);
  // Help and list asked for together: the help card alone, never the two overlapping.
  const viewer::OverlayView both = viewer::overlay_view(viewer, {1280, 720, 20, true, true});
  ASSERT_TRUE(both.help);
  EXPECT_FALSE(both.panel);
  EXPECT_FALSE(both.help->contains(both.bar.x, both.bar.y));  // the cards stay above the band

  const viewer::OverlayView v = viewer::overlay_view(viewer, {1280, 720, 20, false, true});
  ASSERT_TRUE(v.shown);
  EXPECT_TRUE(v.paused);
  EXPECT_EQ(v.command_marks.size(), viewer.timeline().commands().size());
  EXPECT_TRUE(std::is_sorted(v.command_marks.begin(), v.command_marks.end()));
  EXPECT_EQ(v.position_x, v.command_marks[20]);
  ASSERT_TRUE(v.panel);

  const int total = viewer.timeline().total_ms();
  EXPECT_EQ(viewer::timeline_hit(v, viewer, v.bar.x, v.bar.y), 0);
  EXPECT_EQ(viewer::timeline_hit(v, viewer, v.bar.x + v.bar.w - 1, v.band.y), total);
  EXPECT_EQ(viewer::timeline_hit(v, viewer, v.bar.x, v.band.y - 1), std::nullopt);

  // The current command's row is marked; a click on another row names it.
  const auto current = std::find_if(v.rows.begin(), v.rows.end(),
                                    [](const viewer::CommandRow& r) { return r.current; });
  ASSERT_NE(current, v.rows.end());
  EXPECT_EQ(current->command, 20);
  // Numbered from 1, as the tool's command list and "go to command" number it.
  EXPECT_EQ(current->text, "21. " + std::string(viewer.timeline().commands()[20].text));
  struct EvenWidths final : stage::TextMeasure {
    int text_width(std::string_view utf8) override { return static_cast<int>(utf8.size()) * 8; }
  } measure;
  const stage::DisplayList panels = viewer::panels_display(v, 20, measure);
  const viewer::CommandRow& other = v.rows.front();
  const std::optional<stage::HitRegion> hit = panels.hit(other.rect.x + 1, other.rect.y + 1);
  ASSERT_TRUE(hit);
  EXPECT_EQ(hit->kind, stage::HitKind::Command);
  EXPECT_EQ(hit->value, other.command);
  EXPECT_EQ(panels.hit(0, 0), std::nullopt);
}

// The titles count as the tool does: keyframe 1 is the first, the pump-truck
// drill's first command (1, at keyframe 12 in `mirukado-render commands`)
// and its last keyframe, 1046 of 1046. Speeds are named as they play.
TEST(ViewerTitle, NumbersKeyframesAndCommandsFromOneAsTheToolDoes) {
  raster::RasterWindow w(64, 36);
  Playback viewer(w, drills::registry(), paused_in(1));
  viewer::CommandNumberEntry entry;
  EXPECT_EQ(viewer::viewer_title(viewer, entry), "ポンプ車操法  コマ 1/1046");
  viewer.go_to_command(0);
  EXPECT_EQ(viewer::viewer_title(viewer, entry),
            "ポンプ車操法  コマ 12/1046  号令 1 指揮者「集まれ」");
  viewer.go_to_end();
  const std::string end = viewer::viewer_title(viewer, entry);
  EXPECT_TRUE(end.starts_with("ポンプ車操法  コマ 1046/1046  号令 53 ")) << end;
  entry.open();
  entry.key("1");
  entry.key("2");
  const std::string typing = viewer::viewer_title(viewer, entry);
  EXPECT_TRUE(typing.starts_with(end) && typing.ends_with("  → 号令番号 12_")) << typing;

  viewer.set_speed(PlaySpeed::Three);  // the saver's speed 3: durations divided by 10
  EXPECT_EQ(viewer::overlay_view(viewer, {1280, 720, 20, false, false}).speed, "×10");
}

// In practice the title says what is asked, the answer once revealed and the
// score at the end (scripts driving either desktop viewer read it), and a
// word that progress is not saved comes last.
TEST(ViewerTitle, SaysWhatPracticeAsksAndWhetherProgressIsSaved) {
  raster::RasterWindow w(64, 36);
  Playback viewer(w, drills::registry(), paused_in(1));
  const viewer::CommandNumberEntry entry;
  const std::string plain = viewer::viewer_title(viewer, entry);
  viewer::PracticeOverlay asked;
  asked.progress = "3 / 12";
  asked.prompt = "あなたの号令は？";
  viewer::PracticeOverlay revealed = asked;
  revealed.revealed = true;  // a move: no call to show
  viewer::PracticeOverlay finished;
  finished.state = viewer::PracticeState::Finished;
  finished.progress = "12 / 12";
  finished.score_lines = {"２番員の練習", "覚えていた 7/12"};
  const struct {
    const viewer::PracticeOverlay* practice;
    std::string_view notice;
    std::string tail;
  } cases[] = {
      {nullptr, "", ""},
      {&asked, "", "  練習 3 / 12 あなたの号令は？"},
      {&revealed, "", "  練習 3 / 12 あなたの号令は？ 答え 移動"},
      {&finished, "保存できません", "  練習 12 / 12 覚えていた 7/12  ［保存できません］"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(viewer::viewer_title(viewer, entry, c.practice, c.notice), plain + c.tail) << c.tail;
}

TEST(ViewerOverlay, AWindowTooSmallShowsOnlyTheStage) {
  raster::RasterWindow w(64, 36);
  Playback viewer(w, drills::registry(), paused_in(0));
  for (const viewer::OverlayRequest r : {viewer::OverlayRequest{200, 150, 20, true, true},
                                         viewer::OverlayRequest{1280, 100, 20, false, false}}) {
    const viewer::OverlayView v = viewer::overlay_view(viewer, r);
    EXPECT_FALSE(v.shown);
    EXPECT_EQ(viewer::timeline_hit(v, viewer, 10, r.height - 1), std::nullopt);
  }
}

}  // namespace
