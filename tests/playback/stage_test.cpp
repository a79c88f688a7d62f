#include "stage/stage.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "drills/registry.hpp"
#include "stage/virtual_clock.hpp"
#include "support/recording_window.hpp"

namespace {

using drills::PlaybackState;
using stage::FrameTable;
using stage::Stage;
using stage::VirtualClock;
using testing_support::Call;
using testing_support::RecordingWindow;

// Small hand-made drills. Platoon: three keyframes, the second equal to the
// first; pump truck: two; portable pump: two, the second hiding the crew.
void small_kiritu(FrameTable& t) {
  for (int r = 0; r < 3; ++r) {
    t[r].duration = 125;
    for (int i = 0; i < 21; ++i) t[r].persons(i) = {static_cast<std::int16_t>(100 * i), 200, 0};
  }
  t[1].caption = "番号";
  t[2].persons(5) = {555, 300, 4};
  t[2].duration = 35;
}
void small_ponpu(FrameTable& t) {
  t[0].duration = 300;
  t[1].duration = 25;
  t[1].persons(2) = {700, 500, 8};
}
void small_kahan(FrameTable& t) {
  t[0].duration = 300;
  t[1].duration = 300;
  t[1].code(2) = 1;
}

// The registered drills, each building its small table instead.
std::vector<stage::DrillDescriptor> small_drills() {
  std::vector<stage::DrillDescriptor> d(drills::registry().begin(), drills::registry().end());
  d.at(0).build = small_kiritu;
  d.at(1).build = small_ponpu;
  d.at(2).build = small_kahan;
  return d;
}
const std::vector<stage::DrillDescriptor> kSmall = small_drills();

// Window 9000 x 6200 twips: s = 1, platoon origin (2000, 5400), pump origins (100, 3600).
struct Fixture {
  explicit Fixture(int conf, int speed = 1, float tpp = 15)
      : window(9000, 6200, tpp), stage(window, conf, speed, kSmall) {}
  RecordingWindow window;
  Stage stage;
};

// Runs ticks until the stage reaches `state` (at most `limit` ticks).
void run_until_state(Stage& s, PlaybackState state, int limit = 1000) {
  for (int i = 0; i < limit && drills::playback_state(s) != state; ++i) s.tick();
  ASSERT_EQ(drills::playback_state(s), state);
}

std::vector<Call> calls_of(const RecordingWindow& w, const std::string& op) { return w.only(op); }

TEST(StageSetup, RunsOnceFitsTheCaptionAndHidesTheSlots) {
  Fixture f(7);
  f.stage.activate();
  // Label height = size x 27 twips (fake); the first size below 200 twips is 7.
  EXPECT_EQ(f.stage.caption_font_size(), 7);
  const auto texts = calls_of(f.window, "caption_text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "ミルカドスクリーンセーバー");
  EXPECT_EQ(texts[1].text, "");
  EXPECT_EQ(calls_of(f.window, "slot_size").size(), 21u);
  EXPECT_EQ(calls_of(f.window, "slot_size")[20].v, (std::vector<float>{20, 70, 70}));
  const auto hidden = calls_of(f.window, "slot_visible");
  EXPECT_EQ(hidden.size(), 21u);
  EXPECT_TRUE(std::all_of(hidden.begin(), hidden.end(), [](const Call& c) { return c.v[1] == 0; }));
  EXPECT_EQ(f.stage.table(0)[0].duration, 125);  // builders ran

  const std::size_t n = f.window.calls.size();
  f.stage.activate();  // a second activation changes nothing
  EXPECT_EQ(f.window.calls.size(), n);
}

TEST(StageSetup, CaptionFittingOnLargeAndTinyWindows) {
  RecordingWindow large(28800, 16200);  // s = 2.61: 200 x s = 522 twips
  Stage big(large, 7, 1, kSmall);
  big.activate();
  EXPECT_EQ(big.caption_font_size(), 19);  // 19 x 27 = 513 < 522.6; 20 x 27 = 540
  RecordingWindow tiny(1500, 1000);        // a preview: 200 x s = 32 twips, never reached
  Stage small(tiny, 7, 1, kSmall);
  small.activate();
  EXPECT_EQ(small.caption_font_size(), 1);
}

struct FirstStateCase {
  int conf;
  PlaybackState first;
};
class FirstState : public ::testing::TestWithParam<FirstStateCase> {};
TEST_P(FirstState, FollowsTheLowestEnabledDrill) {
  Fixture f(GetParam().conf);
  f.stage.activate();
  EXPECT_EQ(drills::playback_state(f.stage), GetParam().first);
}
INSTANTIATE_TEST_SUITE_P(Conf, FirstState,
                         ::testing::Values(FirstStateCase{7, PlaybackState::KirituStart},
                                           FirstStateCase{6, PlaybackState::PonpuStart},
                                           FirstStateCase{4, PlaybackState::KahanStart},
                                           // no drill bit: played as all three
                                           FirstStateCase{8, PlaybackState::KirituStart},
                                           FirstStateCase{0, PlaybackState::KirituStart}));

// The order in which intros follow one another over several cycles.
std::vector<int> intro_order(int conf, int intros) {
  RecordingWindow w(9000, 6200);
  Stage s(w, conf, 3, kSmall);
  s.activate();
  std::vector<int> order;
  int last = -1;
  for (int i = 0; i < 100000 && static_cast<int>(order.size()) < intros; ++i) {
    const int state = s.raw_state();
    if (state % 3 == 0 && state != last) order.push_back(state);
    last = state;
    s.tick();
  }
  return order;
}

TEST(DrillOrder, LoopsOverTheEnabledDrills) {
  EXPECT_EQ(intro_order(7, 7), (std::vector<int>{0, 3, 6, 0, 3, 6, 0}));
  EXPECT_EQ(intro_order(4, 3), (std::vector<int>{6, 6, 6}));
  EXPECT_EQ(intro_order(5, 5), (std::vector<int>{0, 6, 0, 6, 0}));
  EXPECT_EQ(intro_order(3, 4), (std::vector<int>{0, 3, 0, 3}));
  EXPECT_EQ(intro_order(2, 2), (std::vector<int>{3, 3}));
  // A hand-edited Conf without any drill bit cycles all three instead of
  // repeating the platoon outro for ever.
  EXPECT_EQ(intro_order(8, 4), (std::vector<int>{0, 3, 6, 0}));
}

// A whole run on virtual time ends where the first enabled drill opens again,
// every enabled drill having opened once.
TEST(DrillOrder, PlayRoundEndsAtTheFirstDrillsOpeningAgain) {
  for (const int conf : {7, 6, 4}) {
    RecordingWindow w(9000, 6200);
    Stage s(w, conf, 3, kSmall);
    VirtualClock clock(s);
    const int first = s.drill();
    std::vector<int> opened;  // drills seen opening, in order
    bool was_intro = true;
    auto watch = [&] {
      const bool intro = s.phase() == Stage::Phase::Intro;
      if (intro && !was_intro) opened.push_back(s.drill());
      was_intro = intro;
    };
    ASSERT_TRUE(clock.play_round(24LL * 3600 * 1000, watch)) << conf;
    EXPECT_EQ(s.drill(), first);
    EXPECT_EQ(s.phase(), Stage::Phase::Intro);
    EXPECT_EQ(opened.size(), static_cast<std::size_t>(std::popcount(static_cast<unsigned>(conf))))
        << "every enabled drill opened once, the first again at the end";
    // From then on the run repeats: every later round lasts as long.
    const std::int64_t first_end = clock.now();
    ASSERT_TRUE(clock.play_round(24LL * 3600 * 1000, [] {}));
    const std::int64_t second = clock.now() - first_end;
    ASSERT_TRUE(clock.play_round(24LL * 3600 * 1000, [] {}));
    EXPECT_EQ(clock.now() - first_end, 2 * second) << conf;
    // A limit the run cannot meet stops it.
    EXPECT_FALSE(clock.play_round(clock.now() + 50, [] {}));
  }
}

TEST(Transitions, PlatoonIntroTakes37TicksOf100MsThenTheFirstKeyframe) {
  RecordingWindow w(9000, 6200);
  Stage s(w, 1, 1, kSmall);
  VirtualClock clock(s);
  clock.advance_to(1);  // first intro tick at 1 ms
  EXPECT_EQ(s.frame_index(), 1);
  clock.advance_to(1 + 36 * 100);  // the 37th tick
  EXPECT_EQ(drills::playback_state(s), PlaybackState::Kiritu);
  EXPECT_EQ(s.frame_index(), 0);
  EXPECT_FALSE(s.first_drawn());
  clock.advance_to(1 + 37 * 100 - 1);
  EXPECT_EQ(s.frame_index(), 0);  // nothing shown yet
  clock.advance_to(1 + 37 * 100);
  EXPECT_EQ(s.frame_index(), 1);  // the first keyframe, 100 ms after the last intro tick
}

TEST(Transitions, TickIntervalFollowsTheSpeed) {
  for (const auto& [speed, ms] : {std::pair{1, 100}, {2, 50}, {3, 10}, {7, 10}}) {
    RecordingWindow w(9000, 6200);
    Stage s(w, 1, speed, kSmall);
    s.activate();
    EXPECT_EQ(s.tick(), ms) << speed;
  }
}

TEST(Transitions, PlatoonIntroStartsAsASinglePointAndGrowsTurning) {
  RecordingWindow w(9000, 6200);
  Stage s(w, 1, 1, kSmall);
  s.activate();
  w.reset();
  s.tick();  // k = 0
  const auto lines = w.only("line");
  ASSERT_EQ(lines.size(), 4u);
  for (const Call& l : lines) {
    // centre of the stage: (2000 + 2500, 5400 - 2500)
    EXPECT_FLOAT_EQ(l.v[0], 4500);
    EXPECT_FLOAT_EQ(l.v[1], 2900);
    EXPECT_FLOAT_EQ(l.v[2], 4500);
    EXPECT_FLOAT_EQ(l.v[3], 2900);
    EXPECT_EQ(l.v[4], 255);  // white
  }
  EXPECT_EQ(w.ops().front(), "clear");

  for (int k = 1; k < 36; ++k) s.tick();
  w.reset();
  s.tick();  // k = 36: the whole 5000 x 5000 stage, turned 360 degrees
  const auto last = w.only("line");
  ASSERT_EQ(last.size(), 4u);
  // P1 at 45 degrees: (2500 + 3535 cos 45, 2500 - ...) -> right, and down on the screen.
  EXPECT_NEAR(last[0].v[0], 4500 + 3535 * std::cos(M_PI / 4), 0.05);
  EXPECT_NEAR(last[0].v[1], 2900 + 3535 * std::sin(M_PI / 4), 0.05);
  // The four lines in the order P1-P2, P2-P3, P3-P4, P1-P4.
  EXPECT_FLOAT_EQ(last[1].v[0], last[0].v[2]);
  EXPECT_FLOAT_EQ(last[2].v[0], last[1].v[2]);
  EXPECT_FLOAT_EQ(last[3].v[0], last[0].v[0]);
  EXPECT_FLOAT_EQ(last[3].v[2], last[2].v[2]);
  EXPECT_EQ(drills::playback_state(s), PlaybackState::Kiritu);
}

TEST(Transitions, PumpDrillsFloodFillTheShapeAtItsCentreInPixels) {
  {
    // s = 1, pump origin (100, 3600); intro k = 18: centre x = 950 + 4000.
    RecordingWindow w(9000, 6200, 15);
    Stage s(w, 2, 1, kSmall);
    s.activate();
    for (int k = 0; k < 18; ++k) s.tick();
    w.reset();
    s.tick();
    const auto fills = w.only("flood_fill");
    ASSERT_EQ(fills.size(), 1u);
    // (100 + 4950) / 15 = 336.67 -> 337; (3600 - 500) / 15 = 206.67 -> 207
    EXPECT_EQ(fills[0].v, (std::vector<float>{337, 207, 255, 0, 0}));
    const auto ops = w.ops();
    const auto at = std::find(ops.begin(), ops.end(), "flood_fill") - ops.begin();
    EXPECT_EQ(ops[at - 2], "fill_style");
    EXPECT_EQ(ops[at - 1], "fill_color");
    EXPECT_EQ(ops[at + 1], "fill_style");
  }
  {
    // Portable pump at 10 twips per pixel, intro k = 36: centre (775, 475) ->
    // window (875, 3125) -> pixels 87.5 and 312.5, both halves to even.
    RecordingWindow w(9000, 6200, 10);
    Stage s(w, 4, 1, kSmall);
    s.activate();
    for (int k = 0; k < 36; ++k) s.tick();
    w.reset();
    s.tick();
    const auto fills = w.only("flood_fill");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].v[0], 88);
    EXPECT_EQ(fills[0].v[1], 312);
  }
}

TEST(Transitions, OutrosHideTheFiguresOnTheirFirstTickOnly) {
  struct Case {
    int conf;
    PlaybackState outro;
    int slots;
  };
  for (const Case c : {Case{1, PlaybackState::KirituEnd, 21},
                       {2, PlaybackState::PonpuEnd, 5},
                       {4, PlaybackState::KahanEnd, 4}}) {
    RecordingWindow w(9000, 6200);
    Stage s(w, c.conf, 1, kSmall);
    s.activate();
    run_until_state(s, c.outro);
    w.reset();
    s.tick();
    const auto hides = w.only("slot_visible");
    ASSERT_EQ(static_cast<int>(hides.size()), c.slots) << c.conf;
    EXPECT_EQ(hides.back().v, (std::vector<float>{float(c.slots - 1), 0}));
    w.reset();
    s.tick();
    EXPECT_TRUE(w.only("slot_visible").empty());
  }
}

TEST(Player, FirstKeyframeRedrawsEverythingEvenWhenSlotsEqualTheLastRun) {
  Fixture f(1);
  f.stage.activate();
  run_until_state(f.stage, PlaybackState::Kiritu);
  run_until_state(f.stage, PlaybackState::KirituEnd);
  run_until_state(f.stage, PlaybackState::Kiritu);  // second run of the platoon
  f.window.reset();
  f.stage.tick();
  const auto ops = f.window.ops();
  EXPECT_EQ(ops.front(), "clear");
  EXPECT_EQ(f.window.only("slot_visible").size(), 21u);
  const auto tops = f.window.only("slot_top");
  ASSERT_EQ(tops.size(), 21u);
  EXPECT_FLOAT_EQ(tops[3].v[1], 5400 - 200);
  const auto lefts = f.window.only("slot_left");
  EXPECT_FLOAT_EQ(lefts[3].v[1], 2000 + 300);
  // Top before Left before the picture, then visible, slot by slot.
  const auto it = std::find(ops.begin(), ops.end(), "slot_top") - ops.begin();
  EXPECT_EQ(ops[it + 1], "slot_left");
  EXPECT_EQ(ops[it + 2], "slot_picture");
  EXPECT_EQ(ops[it + 3], "slot_visible");
}

TEST(Player, AnUnchangedKeyframeChangesOnlyCaptionAndInterval) {
  Fixture f(1);
  f.stage.activate();
  run_until_state(f.stage, PlaybackState::Kiritu);
  f.stage.tick();  // record 0
  f.window.reset();
  EXPECT_EQ(f.stage.tick(), 125);  // record 1 equals record 0
  for (const Call& c : f.window.calls)
    EXPECT_TRUE(c.op == "line" || c.op == "box" || c.op == "circle" || c.op == "caption_text")
        << c.str();
  EXPECT_EQ(f.window.only("caption_text").at(0).text, "番号");
  EXPECT_EQ(f.window.calls.back().op, "caption_text");
  f.window.reset();
  f.stage.tick();  // record 2 moves member 5 only
  const auto tops = f.window.only("slot_top");
  ASSERT_EQ(tops.size(), 1u);
  EXPECT_EQ(tops[0].v, (std::vector<float>{5, 5400 - 300}));
  EXPECT_EQ(f.window.only("slot_picture").at(0).v, (std::vector<float>{5, 4}));
  EXPECT_TRUE(f.window.only("slot_visible").empty());
  EXPECT_EQ(f.window.only("caption_text").at(0).text, "");  // a silent keyframe empties it
}

TEST(Player, IntervalsDivideByTheSpeedRoundingHalvesToEven) {
  struct Case {
    int speed;
    int first;  // platoon record 0: 125 ms
    int third;  // record 2: 35 ms
  };
  for (const Case c : {Case{1, 125, 35}, {2, 62, 18}, {3, 12, 4}, {5, 12, 4}}) {
    Fixture f(1, c.speed);
    f.stage.activate();
    run_until_state(f.stage, PlaybackState::Kiritu);
    EXPECT_EQ(f.stage.tick(), c.first) << c.speed;
    f.stage.tick();
    EXPECT_EQ(f.stage.tick(), c.third) << c.speed;
  }
  Fixture pump(2, 3);  // 25 ms at speed 3 is 2.5 -> 2
  pump.stage.activate();
  run_until_state(pump.stage, PlaybackState::Ponpu);
  pump.stage.tick();
  EXPECT_EQ(pump.stage.tick(), 2);
}

TEST(Player, TheEndOfTableWaits500MsAtEverySpeedAndShowsNothing) {
  for (int speed : {1, 2, 3}) {
    Fixture f(2, speed);
    f.stage.activate();
    run_until_state(f.stage, PlaybackState::Ponpu);
    f.stage.tick();
    f.stage.tick();
    f.window.reset();
    EXPECT_EQ(f.stage.tick(), 500) << speed;
    EXPECT_EQ(drills::playback_state(f.stage), PlaybackState::PonpuEnd);
    EXPECT_EQ(f.stage.frame_index(), 0);
    EXPECT_TRUE(f.window.only("slot_top").empty());
    EXPECT_TRUE(f.window.only("caption_text").empty());
  }
}

TEST(Player, AHiddenSlotStaysHiddenExceptInThePortablePumpPlayer) {
  struct Case {
    int conf;
    PlaybackState player;
    bool shown_again;
  };
  for (const Case c : {Case{1, PlaybackState::Kiritu, false},
                       {2, PlaybackState::Ponpu, false},
                       {4, PlaybackState::Kahan, true}}) {
    Fixture f(c.conf);
    f.stage.activate();
    run_until_state(f.stage, c.player);
    f.stage.tick();                       // first keyframe: everything shown
    f.window.set_slot_visible(0, false);  // as an equipment renderer would
    f.window.reset();
    f.stage.tick();
    bool shown = false;
    for (const Call& call : f.window.only("slot_visible"))
      if (call.v[0] == 0 && call.v[1] == 1) shown = true;
    EXPECT_EQ(shown, c.shown_again) << c.conf;
  }
}

TEST(Player, PortablePumpHidesTheCrewThenProcessesEventsBeforeTheFigures) {
  Fixture f(4);
  f.stage.activate();
  run_until_state(f.stage, PlaybackState::Kahan);
  f.stage.tick();
  f.window.reset();
  f.stage.tick();  // record 1: code entry 2 is 1
  const auto ops = f.window.ops();
  ASSERT_GE(ops.size(), 6u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(ops[i], "slot_visible");
    EXPECT_EQ(f.window.calls[i].v, (std::vector<float>{float(i), 0}));
  }
  EXPECT_EQ(ops[4], "process_events");
}

TEST(Player, ARunEndedWhileProcessingEventsStopsTheTickThere) {
  Fixture f(4);
  f.stage.activate();
  run_until_state(f.stage, PlaybackState::Kahan);
  f.window.on_process_events = [] { return false; };
  f.window.reset();
  EXPECT_EQ(f.stage.tick(), 0);
  EXPECT_EQ(f.window.ops().back(), "process_events");
  EXPECT_TRUE(f.stage.ended());
  f.window.reset();
  EXPECT_EQ(f.stage.tick(), 0);  // no further tick touches the window
  EXPECT_TRUE(f.window.calls.empty());
}

TEST(Scenery, PumpDrillsDrawTheirFixedPartsAfterTheClear) {
  Fixture pump(2);
  pump.stage.activate();
  run_until_state(pump.stage, PlaybackState::Ponpu);
  pump.window.reset();
  pump.stage.tick();
  ASSERT_GE(pump.window.calls.size(), 2u);
  EXPECT_EQ(pump.window.calls[0].op, "clear");
  // The water source: cyan box (200, 300)-(0, 100) at origin (100, 3600).
  EXPECT_EQ(pump.window.calls[1].str(), "filled_box 300 3300 100 3500 0 255 255");
  // The border: red box, then two white lines.
  const auto boxes = pump.window.only("filled_box");
  EXPECT_EQ(boxes.back().str(), "filled_box 800 3200 1300 3000 255 0 0");

  Fixture kahan(4);
  kahan.stage.activate();
  run_until_state(kahan.stage, PlaybackState::Kahan);
  kahan.window.reset();
  kahan.stage.tick();
  const auto circles = kahan.window.only("circle");
  ASSERT_EQ(circles.size(), 5u);
  EXPECT_EQ(circles[3].str(), "circle 875 2850 50 128 128 128");
  EXPECT_EQ(circles[4].str(), "circle 875 2850 35 0 0 0");
  // The fill state is left transparent and black.
  const auto styles = kahan.window.only("fill_style");
  EXPECT_EQ(styles.back().v[0], 1);
  EXPECT_EQ(kahan.window.only("fill_color").back().str(), "fill_color 0 0 0");
}

TEST(Borders, PlatoonMarksIncludeAFixed50TwipTick) {
  RecordingWindow w(18000, 12400);  // s = 2, origin ((18000 - 10000) / 2, 12400 - 1600)
  Stage s(w, 1, 1, kSmall);
  s.activate();
  run_until_state(s, PlaybackState::Kiritu);
  w.reset();
  s.tick();
  const auto lines = w.only("line");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].str(), "line 4600 9764 4650 9764 255 255 255");  // not scaled by s
  const auto circles = w.only("circle");
  ASSERT_EQ(circles.size(), 4u);
  EXPECT_EQ(circles[1].str(), "circle 7800 10900 70 255 255 255");  // (1900, -50), r 35 x 2
  EXPECT_EQ(w.only("box").front().str(), "box 4000 10800 14000 800 255 255 255");
}

TEST(VirtualClock, AdvancesByTheReturnedIntervals) {
  RecordingWindow w(9000, 6200);
  Stage s(w, 2, 2, kSmall);
  VirtualClock clock(s);
  EXPECT_EQ(clock.advance_to(0), 0);
  EXPECT_EQ(clock.advance_to(1), 1);
  EXPECT_EQ(clock.next_due(), 51);
  EXPECT_EQ(clock.advance_to(200), 3);  // ticks at 51, 101 and 151
  EXPECT_EQ(clock.next_due(), 201);
  EXPECT_EQ(clock.now(), 200);
}

}  // namespace
