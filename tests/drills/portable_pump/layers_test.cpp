// The portable-pump layers, checked pixel by pixel at the stage points that the
// drill's shapes must and must not cover.

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "drills/portable_pump/portable_pump.hpp"
#include "render/layer.hpp"
#include "stage/frame_table.hpp"
#include "tests/support/canvas.hpp"

namespace {

using render_test::all;
using render_test::Canvas;
using render_test::is;
using render_test::Spot;
using namespace stage::colors;

using Renderer = void (*)(const render::Layer&);
constexpr Renderer kLayers[] = {
    drills::portable_pump::kahan_time_0, drills::portable_pump::kahan_time_1,
    drills::portable_pump::kahan_time_2, drills::portable_pump::kahan_time_3};

struct PortablePump {
  stage::FrameTable table = drills::portable_pump::make_kahan_frames();
  void place(int frame, int slot, int x, int y) {
    table[frame].persons(slot).x = static_cast<std::int16_t>(x);
    table[frame].persons(slot).y = static_cast<std::int16_t>(y);
  }
  void paint(Canvas& canvas, int layer, int frame, int code) {
    table[frame].code(layer) = static_cast<std::int16_t>(code);
    canvas.run(kLayers[layer], table, frame);
  }
};

TEST(PortablePumpRows, ExactlyTheListedCodesPaintAndNoneTouchesAFigure) {
  const std::set<int> rows[] = {
      {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
      {1,  2,  3,  4,  5,  6,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17,
       18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32},
      {1, 2, 3, 4, 5, 6, 7, 8, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26},
      {1, 2, 3, 4, 5, 6},
  };
  PortablePump drill;
  // Far to the right, the jet is full and the closing line has its coil.
  for (int f = 0; f < 6; ++f)
    for (int slot = 0; slot < 4; ++slot) drill.place(f, slot, 6000, 500);
  for (int layer = 0; layer < 4; ++layer) {
    for (int code = -3; code <= 60; ++code) {
      Canvas canvas(0, 10, 0, 10);
      drill.paint(canvas, layer, 5, code);
      const auto& calls = canvas.calls();
      EXPECT_EQ(calls.paint_calls > 0, rows[layer].count(code) == 1)
          << "kahan_time_" << layer << " code " << code;
      EXPECT_EQ(calls.slot_calls + calls.other_calls, 0)
          << "kahan_time_" << layer << " code " << code;
    }
  }
}

TEST(PortablePumpJet, LengthFollowsCrewMember1) {
  struct Case {
    int x1;
    int end;  // last x of the jet, 0 for none
  };
  for (const Case c : {Case{4000, 0},
                       {4500, 0},
                       {4501, 6545},
                       {4600, 6545},
                       {4601, 6845},
                       {4700, 6845},
                       {4701, 7145},
                       {4800, 7145},
                       {4801, 7245},
                       {5500, 7245}}) {
    SCOPED_TRACE(testing::Message() << "x1 = " << c.x1);
    Canvas canvas(6100, 7400, 150, 230);
    PortablePump drill;
    drill.place(4, 1, c.x1, 300);
    drill.paint(canvas, 1, 4, 18);
    if (c.end == 0) {
      EXPECT_TRUE(all(canvas, 6100, 7400, 150, 230, black));
      continue;
    }
    EXPECT_TRUE(all(canvas, 6245, c.end, 184, 195, cyan));
    EXPECT_TRUE(all(canvas, c.end + 1, 7400, 150, 230, black)) << "beyond the jet";
    EXPECT_TRUE(all(canvas, 6100, 6244, 150, 230, black)) << "behind the nozzle tip";
    EXPECT_TRUE(all(canvas, 6245, c.end, 196, 230, black)) << "above the jet";
    EXPECT_TRUE(all(canvas, 6245, c.end, 150, 183, black)) << "below the jet";
  }
}

TEST(PortablePumpJet, StoppingLeavesOnlyTheLaidHose) {
  Canvas canvas(6000, 7400, 150, 230);
  PortablePump drill;
  drill.place(2, 1, 4900, 300);
  drill.paint(canvas, 0, 1, 10);  // nozzle laid
  drill.paint(canvas, 1, 2, 18);  // full jet
  EXPECT_TRUE(all(canvas, 6145, 6244, 184, 195, red));
  int frame = 3;
  for (int code = 19; code <= 27; ++code) drill.paint(canvas, 1, frame++, code);
  EXPECT_TRUE(all(canvas, 6075, 6144, 185, 195, white));
  EXPECT_TRUE(all(canvas, 6145, 7400, 150, 230, black));
}

TEST(PortablePumpHose, CoilMovingOntoTheLineLeavesNoTraceOfItsEarlierBows) {
  Canvas canvas(5400, 6200, -100, 700);
  PortablePump drill;
  for (int f = 1; f <= 3; ++f) drill.place(f, 0, 6075, 300);  // coil centre x 5825
  drill.paint(canvas, 0, 1, 5);
  EXPECT_TRUE(is(canvas, 5825, 108, white)) << "bottom of the ring at cy 355";
  drill.paint(canvas, 0, 2, 6);
  drill.paint(canvas, 0, 3, 7);
  EXPECT_TRUE(is(canvas, 5825, 108, black));
  EXPECT_TRUE(is(canvas, 5825, 188, black)) << "bottom of the ring at cy 275";
  EXPECT_TRUE(is(canvas, 5825, -53, white));
  EXPECT_TRUE(is(canvas, 5583, 195, white));
  EXPECT_TRUE(is(canvas, 6067, 195, white));
  EXPECT_TRUE(all(canvas, 5400, 6200, 200, 700, black));
}

TEST(PortablePumpHose, Code8LaysTheHoseBetweenTheTwoPositionsInEitherOrder) {
  struct Case {
    int previous, now;
    std::vector<Spot> spots;
  };
  const Case cases[] = {
      {4800,
       5000,
       {{4800, 190, white},
        {4999, 185, white},
        {5000, 184, red},
        {5100, 195, red},
        {5101, 190, black}}},
      {5000,
       4800,
       {{4800, 184, red},
        {4900, 195, red},
        {4901, 185, white},
        {5000, 195, white},
        {5001, 190, black}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "x0' = " << c.previous << ", x0 = " << c.now);
    Canvas canvas(4700, 5200, 150, 230);
    PortablePump drill;
    drill.place(6, 0, c.previous, 300);
    drill.place(7, 0, c.now, 300);
    drill.paint(canvas, 0, 7, 8);
    for (const Spot& s : c.spots) EXPECT_TRUE(is(canvas, s.x, s.y, s.color));
    EXPECT_TRUE(is(canvas, 4799, 190, black));
  }
}

TEST(PortablePumpHose, Code6StraightFrom1600AndSlantedEndBelow) {
  for (const int x1 : {1600, 1599}) {
    SCOPED_TRACE(testing::Message() << "x1 = " << x1);
    Canvas canvas(500, 1700, 150, 450);
    canvas.paint(750, 800, 305, 355, white);  // stand-in for the scenery around x 775
    PortablePump drill;
    drill.place(6, 1, x1, 300);
    drill.paint(canvas, 1, 6, 6);
    const bool straight = x1 >= 1600;
    EXPECT_TRUE(all(canvas, 1600, 1600, 185, 195, straight ? white : black));
    EXPECT_TRUE(is(canvas, 1601, 190, black));
    // The slanted stroke at x 820 runs from y 203 to 213; left of 770 it is erased.
    EXPECT_TRUE(all(canvas, 820, 820, 204, 212, straight ? black : white));
    EXPECT_TRUE(is(canvas, 700, 260, black));  // on the slanted stroke, but left of 770
    EXPECT_TRUE(is(canvas, 775, 250, straight ? black : white));
    if (straight) {
      EXPECT_TRUE(all(canvas, 750, 800, 305, 355, white));
    } else {
      EXPECT_TRUE(all(canvas, 600, 769, 185, 400, black));
      EXPECT_TRUE(all(canvas, 770, 780, 230, 400, white));
    }
  }
}

TEST(PortablePumpHose, Code28RepaintsTheLineAndAddsTheCoilBeyond5400) {
  for (const int x0 : {5400, 5401}) {
    SCOPED_TRACE(testing::Message() << "x0 = " << x0);
    const bool coil = x0 > 5400;
    Canvas canvas(700, 6200, -100, 500);
    PortablePump drill;
    drill.place(9, 0, x0, 300);
    drill.paint(canvas, 1, 9, 28);
    for (const Spot s : {Spot{770, 190, white},
                         {2574, 190, white},
                         {2575, 195, grey},
                         {2580, 185, grey},
                         {2581, 190, white},
                         {4499, 190, white},
                         {4500, 190, grey},
                         {4505, 190, grey},
                         {4506, 190, white},
                         {5575, 190, white},
                         {6075, 190, white},
                         {6145, 190, white},
                         {6146, 190, black},
                         {769, 190, black},
                         {5700, 190, black},
                         {5825, 440, black},
                         {5825, -53, coil ? white : black},
                         {5578, 195, coil ? white : black},
                         {6072, 195, coil ? white : black}})
      EXPECT_TRUE(is(canvas, s.x, s.y, s.color));
    EXPECT_TRUE(all(canvas, 700, 6200, 200, 500, black));
  }
}

TEST(PortablePumpSuctionHose, LoopChosenByCrewMember2) {
  struct Case {
    int x2;
    std::vector<Spot> loop;  // points only the chosen loop covers
  };
  const Case cases[] = {
      {200, {}},
      {201, {{382, 550, grey}, {418, 550, grey}, {400, 550, black}}},
      {220, {{382, 550, grey}, {400, 550, black}}},
      {221, {{455 - 22, 600, grey}, {455, 600, black}}},
      {460, {{578, 700, grey}, {642, 700, grey}, {610, 700, black}}},
      {461, {{657, 730, grey}, {733, 730, grey}, {695, 730, black}}},
  };
  // Points of every loop: black unless the chosen loop is the one there.
  const Spot loop_points[] = {
      {382, 550, black}, {433, 600, black}, {578, 700, black}, {733, 730, black}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "x2 = " << c.x2);
    Canvas canvas(0, 900, 400, 850);
    canvas.paint(0, 900, 495, 805, white);  // whatever was drawn there before
    PortablePump drill;
    drill.place(5, 2, c.x2, 560);
    drill.place(5, 3, 700, 560);
    drill.paint(canvas, 2, 5, 1);
    for (const Spot& p : loop_points) {
      bool chosen = false;
      for (const Spot& s : c.loop) chosen = chosen || (s.x == p.x && s.y == p.y);
      if (!chosen) {
        EXPECT_TRUE(is(canvas, p.x, p.y, black)) << "another loop's ring";
      }
    }
    for (const Spot& s : c.loop) EXPECT_TRUE(is(canvas, s.x, s.y, s.color));
    if (c.x2 <= 200) {
      // Straight from crew member 2 to crew member 3's far side, yellow end to the left.
      EXPECT_TRUE(all(canvas, 201, 770, 480, 490, grey));
      EXPECT_TRUE(all(canvas, 190, 200, 480, 490, yellow));
      EXPECT_TRUE(is(canvas, 189, 485, black));
    } else {
      EXPECT_TRUE(all(canvas, c.x2 + 1, c.x2 + 30, 479, 490, grey));
      EXPECT_TRUE(all(canvas, c.x2 - 20, c.x2, 479, 490, yellow));
      EXPECT_TRUE(all(canvas, 700, 770, 479, 490, grey));
    }
    // The area is cleared first, then the pump's strainer pieces are put back.
    EXPECT_TRUE(is(canvas, 50, 790, black));
    EXPECT_TRUE(is(canvas, 851, 790, white));
    EXPECT_TRUE(is(canvas, 400, 499, white));
    EXPECT_TRUE(all(canvas, 750, 850, 670, 670, yellow));
    EXPECT_TRUE(all(canvas, 765, 785, 640, 650, yellow));
    EXPECT_EQ(canvas.pixels().fill_style(), stage::FillStyle::Transparent);
    EXPECT_EQ(canvas.pixels().fill_color(), black);
  }
}

TEST(PortablePumpScenery, PiecesOfTheFirstFrameAreRemovedAndTheRedBarPutBack) {
  struct Case {
    int layer, code;
    int x1, x2, y1, y2;
    stage::Rgb color;
  };
  for (const Case c : {Case{0, 11, 700, 711, 215, 315, black},
                       {0, 12, 750, 800, 175, 225, black},
                       {1, 31, 750, 800, 240, 290, black},
                       {1, 32, 750, 769, 305, 355, black},
                       {1, 29, 700, 711, 215, 315, red},
                       {2, 26, 765, 785, 640, 650, black}}) {
    SCOPED_TRACE(testing::Message() << "kahan_time_" << c.layer << " code " << c.code);
    Canvas canvas(600, 900, 100, 700);
    canvas.paint(600, 900, 100, 700, grey);
    PortablePump drill;
    drill.paint(canvas, c.layer, 3, c.code);
    EXPECT_TRUE(all(canvas, c.x1, c.x2, c.y1, c.y2, c.color));
    EXPECT_TRUE(is(canvas, c.x1 - 1, c.y1, grey));
    EXPECT_TRUE(is(canvas, c.x1, c.y2 + 1, grey));
  }
}

TEST(PortablePumpEarlierKeyframes, ReadingBeforeTheFirstRecordIsAnIndexError) {
  PortablePump drill;
  Canvas canvas(0, 10, 0, 10);
  drill.table[0].code(0) = 8;
  EXPECT_THROW(canvas.run(drills::portable_pump::kahan_time_0, drill.table, 0), stage::IndexError);
  drill.table[1].code(2) = 6;  // two records back
  EXPECT_THROW(canvas.run(drills::portable_pump::kahan_time_2, drill.table, 1), stage::IndexError);
}

}  // namespace
