// The stage plays any list of drill descriptors: a small fourth drill, defined
// here alone, takes its turn after three stand-ins through intro, keyframes,
// end pause and outro, with nothing but its descriptor.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stage/drill.hpp"
#include "stage/stage.hpp"
#include "support/recording_window.hpp"

namespace {

using stage::DrillDescriptor;
using stage::FrameTable;
using testing_support::Call;
using testing_support::RecordingWindow;

constexpr int kFourthBit = 8;
constexpr int kFourth = 3;  // its place in the list

// 100 units in from the left, y = 500 on the window's midline.
stage::Origin pump_origin(const stage::StageGeometry& g) {
  const float s = g.stage_scale;
  return {100.0f * s, g.height - (g.height - 1000.0f * s) / 2.0f, s};
}
void no_marks(stage::Window&, const stage::Origin&) {}

// Stand-ins for the three registered drills: one person, no keyframes.
FrameTable one_record() { return FrameTable("stand_in_frames", 1, 1, 0); }
void no_keyframes(FrameTable&) {}
stage::TransitionShape still_point(bool, int) { return {0, 0, 0, 0, {0, 0, 0, 0}}; }
constexpr DrillDescriptor stand_in(const char* name) {
  return {.name = name,
          .display_name = name,
          .checkbox_label = name,
          .english_name = name,
          .make_table = one_record,
          .build = no_keyframes,
          .origin = pump_origin,
          .transition = {still_point, stage::colors::white, false},
          .border = no_marks,
          .scenery = nullptr,
          .layers = {},
          .rules = {}};
}

// The fourth drill: two persons, one code, two keyframes and the end record.
FrameTable shiken_frames() { return FrameTable("shiken_frames", 3, 2, 1); }
void shiken_set(FrameTable& t) {
  t[0].duration = 200;
  t[0].caption = "一";
  t[0].persons(0) = {10, 20, 4};
  t[0].persons(1) = {30, 40, 8};
  t[0].code(0) = 1;
  t[1] = t[0];
  t[1].duration = 300;
  t[1].caption = "二";
  t[1].persons(1) = {50, 40, 8};
  t[1].code(0) = 2;
}
// A blue square of radius 100 + k around (1000, 1000) that never turns; the
// outro shrinks it from 136.
stage::TransitionShape shiken_transition(bool outro, int k) {
  return {1000, 1000, outro ? 136.0 - k : 100.0 + k, 0, {0, 90, 180, 270}};
}
void shiken_waku(stage::Window& w, const stage::Origin& o) {
  w.box(o.x(0), o.y(0), o.x(500), o.y(500), stage::colors::blue);
}
// Its one layer: a yellow line along y 0, code x 100 units long.
void shiken_time_0(const stage::Layer& l) {
  const stage::Origin& o = l.origin;
  l.window.line(o.x(0), o.y(0), o.x(100.0f * l.table[l.frame].code(0)), o.y(0),
                stage::colors::yellow);
}
constexpr stage::LayerPainter kShikenLayers[] = {shiken_time_0};

const DrillDescriptor kDrills[] = {
    stand_in("kiritu"),
    stand_in("ponpu"),
    stand_in("kahan"),
    {.name = "shiken",
     .display_name = "試験",
     .checkbox_label = "試験",
     .english_name = "Test drill",
     .make_table = shiken_frames,
     .build = shiken_set,
     .origin = pump_origin,
     .transition = {shiken_transition, stage::colors::blue, false},
     .border = shiken_waku,
     .scenery = nullptr,
     .layers = kShikenLayers,
     .rules = {}},
};

// Window 9000 x 6200 twips: s = 1, pump origin (100, 3600).
struct Played {
  explicit Played(int conf) : stage(window, conf, 1, kDrills) { stage.activate(); }
  RecordingWindow window{9000, 6200};
  stage::Stage stage;
};

std::vector<int> intro_order(int conf, int intros) {
  Played run(conf);
  std::vector<int> order;
  int last = -1;
  for (int i = 0; i < 10000 && static_cast<int>(order.size()) < intros; ++i) {
    const int state = run.stage.raw_state();
    if (state % 3 == 0 && state != last) order.push_back(state);
    last = state;
    run.stage.tick();
  }
  return order;
}

TEST(FourthDrill, TakesItsTurnByItsConfBit) {
  EXPECT_EQ(intro_order(15, 5), (std::vector<int>{0, 3, 6, 9, 0}));
  EXPECT_EQ(intro_order(kFourthBit, 3), (std::vector<int>{9, 9, 9}));
  EXPECT_EQ(intro_order(kFourthBit | 2, 4), (std::vector<int>{3, 9, 3, 9}));
  EXPECT_EQ(intro_order(16, 5), (std::vector<int>{0, 3, 6, 9, 0}));  // no drill bit: all four
}

// One line's window coordinates and colour, as the recording window gives them.
std::vector<float> line(float x1, float y1, float x2, float y2, stage::Rgb c) {
  return {x1, y1, x2, y2, float(c.r), float(c.g), float(c.b)};
}

TEST(FourthDrill, PlaysIntroKeyframesEndPauseAndOutro) {
  Played run(kFourthBit);
  stage::Stage& s = run.stage;
  RecordingWindow& w = run.window;
  EXPECT_EQ(w.only("slot_size").size(), 2u);  // the most persons of any drill

  // Intro: 37 ticks of its own shape; k = 0 has radius 100 around window (1100, 2600).
  w.reset();
  EXPECT_EQ(s.tick(), 100);
  EXPECT_EQ(s.raw_state(), 3 * kFourth);
  const auto first = w.only("line");
  ASSERT_EQ(first.size(), 4u);
  EXPECT_EQ(first[0].v, line(1200, 2600, 1100, 2700, stage::colors::blue));
  EXPECT_TRUE(w.only("flood_fill").empty());
  for (int k = 1; k < 37; ++k) s.tick();
  EXPECT_EQ(s.raw_state(), 3 * kFourth + 1);

  // Keyframe 0: clear, the layer, both figures, the border, caption, interval.
  w.reset();
  EXPECT_EQ(s.tick(), 200);
  std::vector<std::string> expected{"clear", "line"};
  for (int i = 0; i < 2; ++i)
    expected.insert(expected.end(), {"slot_top", "slot_left", "slot_picture", "slot_visible"});
  expected.insert(expected.end(), {"box", "caption_text"});
  EXPECT_EQ(w.ops(), expected);
  EXPECT_EQ(w.calls[1].v, line(100, 3600, 200, 3600, stage::colors::yellow));
  EXPECT_EQ(w.only("slot_top")[1].v, (std::vector<float>{1, 3600 - 40}));
  EXPECT_EQ(w.only("box")[0].v, (std::vector<float>{100, 3600, 600, 3100, 0, 0, 255}));
  EXPECT_EQ(w.only("caption_text")[0].text, "一");

  // Keyframe 1: only the person who moved, the layer reading its new code.
  w.reset();
  EXPECT_EQ(s.tick(), 300);
  EXPECT_EQ(w.only("line")[0].v, line(100, 3600, 300, 3600, stage::colors::yellow));
  ASSERT_EQ(w.only("slot_left").size(), 1u);
  EXPECT_EQ(w.only("slot_left")[0].v, (std::vector<float>{1, 150}));

  // The end record: a 500 ms pause, then the outro hides its two figures once.
  EXPECT_EQ(s.tick(), 500);
  EXPECT_EQ(s.raw_state(), 3 * kFourth + 2);
  w.reset();
  EXPECT_EQ(s.tick(), 100);
  EXPECT_EQ(w.only("slot_visible").size(), 2u);
  EXPECT_EQ(w.only("line")[0].v, line(1236, 2600, 1100, 2736, stage::colors::blue));
  for (int k = 1; k < 37; ++k) s.tick();
  EXPECT_EQ(s.raw_state(), 3 * kFourth);  // its own intro again: the only drill enabled
  EXPECT_EQ(s.frame_index(), 0);
}

TEST(FourthDrill, AStageNeedsAtLeastOneDrill) {
  RecordingWindow w;
  EXPECT_THROW(stage::Stage(w, 7, 1, {}), std::invalid_argument);
}

}  // namespace
