// The pump-truck layers, checked pixel by pixel at the stage points that the
// drill's shapes must and must not cover.

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "drills/pump_truck/pump_truck.hpp"
#include "render/layer.hpp"
#include "stage/frame_table.hpp"
#include "stage/rounding.hpp"
#include "tests/support/canvas.hpp"

namespace {

using render_test::all;
using render_test::Canvas;
using render_test::is;
using render_test::Spot;
using namespace stage::colors;

using Renderer = void (*)(const render::Layer&);
constexpr Renderer kLayers[] = {drills::pump_truck::ponpu_time_0, drills::pump_truck::ponpu_time_1,
                                drills::pump_truck::ponpu_time_2, drills::pump_truck::ponpu_time_3,
                                drills::pump_truck::ponpu_time_4};

struct PumpTruck {
  stage::FrameTable table = drills::pump_truck::make_ponpu_frames();
  void place(int frame, int slot, int x, int y) {
    table[frame].persons(slot).x = static_cast<std::int16_t>(x);
    table[frame].persons(slot).y = static_cast<std::int16_t>(y);
  }
  // Code `code` for layer `layer` on record `frame`, painted on `canvas`.
  void paint(Canvas& canvas, int layer, int frame, int code) {
    table[frame].code(layer) = static_cast<std::int16_t>(code);
    canvas.run(kLayers[layer], table, frame);
  }
};

// --- doors -----------------------------------------------------------------

enum class Door { Closed, Open, Gone };

struct DoorCase {
  int layer;
  std::vector<int> codes;  // on consecutive keyframes
  int px, py, out;         // pivot; out = +1 on the y 600 side, -1 on the y 400 side
  Door after;
};

class DoorLeaves : public ::testing::TestWithParam<DoorCase> {};

TEST_P(DoorLeaves, FreeEndSitsWhereTheAngleSaysAndErasingLeavesBlack) {
  const DoorCase& c = GetParam();
  Canvas canvas(1000, 1300, 250, 750);
  PumpTruck drill;
  int frame = 1;
  for (int code : c.codes) drill.paint(canvas, c.layer, frame++, code);
  // Closed at 20 degrees the free end is 94.0 back and 34.2 out; open at 70
  // degrees 34.2 back and 94.0 out.
  const Spot closed{c.px - 94, c.py + 34 * c.out, c.after == Door::Closed ? red : black};
  const Spot open{c.px - 34, c.py + 94 * c.out, c.after == Door::Open ? red : black};
  EXPECT_TRUE(is(canvas, closed.x, closed.y, closed.color)) << "closed leaf's end";
  EXPECT_TRUE(is(canvas, open.x, open.y, open.color)) << "open leaf's end";
  // One unit further along either leaf is beyond its end.
  EXPECT_TRUE(is(canvas, c.px - 96, c.py + 35 * c.out, black));
  EXPECT_TRUE(is(canvas, c.px - 35, c.py + 96 * c.out, black));
  if (c.after == Door::Gone) {
    EXPECT_TRUE(all(canvas, 1000, 1300, 250, 750, black));
  } else {
    EXPECT_TRUE(is(canvas, c.px, c.py, red)) << "pivot";
  }
}

INSTANTIATE_TEST_SUITE_P(AllFourDoors, DoorLeaves,
                         ::testing::Values(
                             // commander: boarding 1..5, getting out 6..10
                             DoorCase{0, {1}, 1200, 600, +1, Door::Closed},
                             DoorCase{0, {1, 2}, 1200, 600, +1, Door::Open},
                             DoorCase{0, {1, 2, 3, 4}, 1200, 600, +1, Door::Closed},
                             DoorCase{0, {1, 2, 3, 4, 5}, 1200, 600, +1, Door::Gone},
                             DoorCase{0, {6, 7}, 1200, 600, +1, Door::Open},
                             DoorCase{0, {6, 7, 8, 9}, 1200, 600, +1, Door::Closed},
                             DoorCase{0, {6, 7, 8, 9, 10}, 1200, 600, +1, Door::Gone},
                             // crew member 1
                             DoorCase{1, {1}, 1100, 600, +1, Door::Closed},
                             DoorCase{1, {1, 2}, 1100, 600, +1, Door::Open},
                             DoorCase{1, {1, 2, 5}, 1100, 600, +1, Door::Closed},
                             DoorCase{1, {1, 2, 5, 6}, 1100, 600, +1, Door::Gone},
                             // crew member 2 uses crew member 1's door, finding it open
                             DoorCase{2, {1}, 1100, 600, +1, Door::Open},
                             DoorCase{2, {1, 2}, 1100, 600, +1, Door::Closed},
                             DoorCase{2, {1, 2, 3}, 1100, 600, +1, Door::Gone},
                             DoorCase{2, {4}, 1100, 600, +1, Door::Closed},
                             DoorCase{2, {4, 5}, 1100, 600, +1, Door::Open},
                             // crew members 3 and 4 on the y 400 side
                             DoorCase{3, {1}, 1100, 400, -1, Door::Closed},
                             DoorCase{3, {1, 2}, 1100, 400, -1, Door::Open},
                             DoorCase{3, {1, 2, 4}, 1100, 400, -1, Door::Closed},
                             DoorCase{3, {1, 2, 4, 5}, 1100, 400, -1, Door::Gone},
                             DoorCase{3, {6, 7, 9, 10}, 1100, 400, -1, Door::Gone},
                             DoorCase{4, {6}, 1200, 400, -1, Door::Closed},
                             DoorCase{4, {6, 7}, 1200, 400, -1, Door::Open},
                             DoorCase{4, {1, 2, 4}, 1200, 400, -1, Door::Closed},
                             DoorCase{4, {1, 2, 4, 5}, 1200, 400, -1, Door::Gone}));

// --- which codes do anything ------------------------------------------------

TEST(PumpTruckRows, ExactlyTheListedCodesCallTheWindowAndOnlyFigureRowsTouchASlot) {
  struct Rows {
    int layer;
    int last;                  // the rows run 1 .. last
    std::set<int> slot_codes;  // rows that show or hide the layer's own figure
  };
  const Rows rows[] = {
      {0, 12, {3, 8}}, {1, 26, {3, 4}}, {2, 50, {1, 6}}, {3, 51, {3, 8}}, {4, 22, {3, 8}}};
  PumpTruck drill;
  // Far to the right, every row with a choice paints its long variant.
  for (int f = 0; f < 6; ++f)
    for (int slot = 0; slot < 5; ++slot) drill.place(f, slot, 6000, 500);
  for (const Rows& r : rows) {
    for (int code = -3; code <= 70; ++code) {
      Canvas canvas(0, 10, 0, 10);
      drill.paint(canvas, r.layer, 5, code);
      const bool listed = code >= 1 && code <= r.last;
      const auto& calls = canvas.calls();
      EXPECT_EQ(calls.paint_calls + calls.slot_calls > 0, listed)
          << "ponpu_time_" << r.layer << " code " << code;
      EXPECT_EQ(calls.slot_calls, r.slot_codes.count(code) ? 1 : 0)
          << "ponpu_time_" << r.layer << " code " << code;
      EXPECT_EQ(calls.other_calls, 0);
    }
  }
}

TEST(PumpTruckRows, EachLayerShowsAndHidesOnlyItsOwnFigure) {
  struct Case {
    int layer, code;
    bool visible;
  };
  for (const Case c : {Case{0, 3, false},
                       {0, 8, true},
                       {1, 3, false},
                       {1, 4, true},
                       {2, 1, false},
                       {2, 6, true},
                       {3, 3, false},
                       {3, 8, true},
                       {4, 3, false},
                       {4, 8, true}}) {
    Canvas canvas(1000, 1300, 250, 750);
    for (int slot = 0; slot < stage::kImageSlots; ++slot)
      canvas.window().set_slot_visible(slot, !c.visible);
    PumpTruck drill;
    drill.paint(canvas, c.layer, 3, c.code);
    for (int slot = 0; slot < stage::kImageSlots; ++slot)
      EXPECT_EQ(canvas.pixels().slot(slot).visible, slot == c.layer ? c.visible : !c.visible)
          << "ponpu_time_" << c.layer << " code " << c.code << " slot " << slot;
  }
}

// --- jets --------------------------------------------------------------------

struct JetCase {
  int runner_x;
  int end;  // last x of the jet, or 0 for no jet
};

void expect_jet(const Canvas& canvas, int y1, int y2, int end) {
  if (end == 0) {
    EXPECT_TRUE(all(canvas, 6300, 7500, y1 - 2, y2 + 2, black));
    return;
  }
  EXPECT_TRUE(all(canvas, 6420, end, y1, y2, cyan));
  EXPECT_TRUE(all(canvas, end + 1, 7500, y1, y2, black)) << "beyond the jet";
  EXPECT_TRUE(all(canvas, 6300, 6419, y1, y2, black)) << "behind the nozzle tip";
  EXPECT_TRUE(all(canvas, 6300, 7500, y1 - 2, y1 - 1, black)) << "below the jet";
  EXPECT_TRUE(all(canvas, 6300, 7500, y2 + 1, y2 + 2, black)) << "above the jet";
}

constexpr JetCase kJetCases[] = {{4000, 0},    {4680, 0},    {4681, 6720}, {4780, 6720},
                                 {4781, 7020}, {4880, 7020}, {4881, 7320}, {4980, 7320},
                                 {4981, 7420}, {6000, 7420}};

TEST(PumpTruckJets, LineOneLengthFollowsCrewMember2) {
  for (const JetCase c : kJetCases) {
    SCOPED_TRACE(testing::Message() << "x2 = " << c.runner_x);
    Canvas canvas(6300, 7500, 150, 230);
    PumpTruck drill;
    drill.place(7, 2, c.runner_x, 300);
    drill.paint(canvas, 2, 7, 26);
    expect_jet(canvas, 184, 195, c.end);
  }
}

TEST(PumpTruckJets, LineTwoLengthFollowsCrewMember3) {
  for (const JetCase c : kJetCases) {
    SCOPED_TRACE(testing::Message() << "x3 = " << c.runner_x);
    Canvas canvas(6300, 7500, 770, 850);
    PumpTruck drill;
    drill.place(7, 3, c.runner_x, 300);
    drill.paint(canvas, 3, 7, 46);
    expect_jet(canvas, 804, 815, c.end);
  }
}

TEST(PumpTruckJets, StoppingLineOneLeavesOnlyTheLaidHose) {
  Canvas canvas(6200, 7500, 150, 230);
  PumpTruck drill;
  drill.place(2, 2, 5200, 300);
  drill.paint(canvas, 1, 1, 15);  // nozzle laid
  drill.paint(canvas, 2, 2, 26);  // full jet
  EXPECT_TRUE(all(canvas, 6320, 6419, 184, 195, red));
  EXPECT_TRUE(all(canvas, 6421, 7420, 184, 195, cyan));
  int frame = 3;
  for (int code = 16; code <= 25; ++code) drill.paint(canvas, 1, frame++, code);
  EXPECT_TRUE(all(canvas, 6250, 6319, 185, 195, white));
  EXPECT_TRUE(all(canvas, 6320, 7500, 150, 230, black));
}

TEST(PumpTruckJets, StoppingLineTwoClearsTheJetRowsButNotTheNozzlesTopRow) {
  Canvas canvas(6200, 7500, 770, 850);
  PumpTruck drill;
  drill.place(2, 3, 5200, 300);
  drill.paint(canvas, 2, 1, 39);  // nozzle laid, [805..816]
  drill.paint(canvas, 3, 2, 46);  // full jet, [804..815]
  EXPECT_TRUE(all(canvas, 6320, 6419, 805, 816, red));
  EXPECT_TRUE(all(canvas, 6421, 7420, 804, 815, cyan));
  int frame = 3;
  for (int code = 40; code <= 49; ++code) drill.paint(canvas, 2, frame++, code);
  EXPECT_TRUE(all(canvas, 6250, 6319, 805, 815, white));
  EXPECT_TRUE(all(canvas, 6320, 7500, 770, 815, black));
  // The nozzle is drawn one unit higher than the jet and its erasers.
  EXPECT_TRUE(all(canvas, 6320, 6420, 816, 816, red));
  EXPECT_TRUE(all(canvas, 6421, 7500, 816, 850, black));
}

// --- coils ---------------------------------------------------------------------

TEST(PumpTruckCoils, CoilOnItsWayShowsOnlyTheBowBelowLineOne) {
  Canvas canvas(5500, 6500, 0, 700);
  PumpTruck drill;
  drill.place(4, 1, 6250, 300);
  drill.paint(canvas, 1, 4, 12);  // coil (x1 - 250, 355)
  for (const Spot s : {Spot{6000, 107, white},
                       {6000, 103, black},
                       {6000, 130, black},
                       {6185, 199, white},
                       {5815, 199, white},
                       {6185, 200, black},
                       {6000, 600, black}})
    EXPECT_TRUE(is(canvas, s.x, s.y, s.color));
  EXPECT_TRUE(all(canvas, 5500, 6500, 200, 700, black));
  EXPECT_TRUE(all(canvas, 5500, 6500, 0, 103, black));
  EXPECT_EQ(canvas.pixels().fill_style(), stage::FillStyle::Transparent);
  EXPECT_EQ(canvas.pixels().fill_color(), black);
}

TEST(PumpTruckCoils, CoilOnLineOneShowsItsLowerHalfDownToMinus55) {
  Canvas canvas(5500, 6500, -100, 500);
  PumpTruck drill;
  drill.paint(canvas, 1, 4, 14);  // coil (6000, 195)
  for (const Spot s : {Spot{6000, -53, white},
                       {6000, -57, black},
                       {6242, 195, white},
                       {5758, 195, white},
                       {6000, 195, black},
                       {6242, 199, white}})
    EXPECT_TRUE(is(canvas, s.x, s.y, s.color));
  EXPECT_TRUE(all(canvas, 5650, 6250, 200, 445, black)) << "the ring's upper half";
}

TEST(PumpTruckCoils, CoilOnItsWayToLineTwoShowsOnlyTheBowAboveIt) {
  Canvas canvas(5500, 6500, 300, 1000);
  PumpTruck drill;
  drill.place(4, 2, 6250, 300);
  drill.paint(canvas, 2, 4, 36);  // coil (x2 - 250, 645)
  for (const Spot s : {Spot{6000, 893, white},
                       {6000, 897, black},
                       {6000, 870, black},
                       {6185, 801, white},
                       {6185, 800, black}})
    EXPECT_TRUE(is(canvas, s.x, s.y, s.color));
  EXPECT_TRUE(all(canvas, 5500, 6500, 300, 800, black));
}

// --- rows with a choice ----------------------------------------------------------

TEST(PumpTruckCommander, Code11LaysTheShortHoseUpTo5500AndTheLongOneWithCoilBeyond) {
  struct Case {
    int x0;
    std::vector<Spot> spots;
  };
  const Case cases[] = {
      {5500,
       {{4686, 190, white},
        {5650, 185, white},
        {5650, 195, white},
        {5651, 190, black},
        {4685, 190, black},
        {5758, 190, black},
        {6000, -50, black}}},
      {5501,
       {{4686, 190, white},
        {5700, 190, white},
        {5758, 190, white},
        {5900, 190, black},
        {6242, 190, white},
        {6000, -50, white},
        {6000, 440, black}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "x0 = " << c.x0);
    Canvas canvas(4600, 6400, -100, 500);
    PumpTruck drill;
    drill.place(9, 0, c.x0, 300);
    drill.paint(canvas, 0, 9, 11);
    for (const Spot& s : c.spots) EXPECT_TRUE(is(canvas, s.x, s.y, s.color));
  }
}

TEST(PumpTruckHoseEnds, OsamuRowsPaintOnlyOnTheirSideOfTheThresholds) {
  struct Case {
    int layer, code, x;
    bool hose_start, coil;  // [950..960] x [600..805] / coil and end piece
    int coil_y, hose_y;
  };
  const Case cases[] = {
      {1, 26, 1199, true, false, 195, 185},  {1, 26, 1200, false, false, 195, 185},
      {1, 26, 5600, false, false, 195, 185}, {1, 26, 5601, false, true, 195, 185},
      {2, 50, 1199, true, false, 805, 805},  {2, 50, 1200, false, false, 805, 805},
      {2, 50, 5500, false, false, 805, 805}, {2, 50, 5501, false, true, 805, 805},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "ponpu_time_" << c.layer << " code " << c.code << " at x " << c.x);
    Canvas canvas(900, 6500, -100, 1100);
    PumpTruck drill;
    drill.place(9, c.layer, c.x, 300);
    drill.paint(canvas, c.layer, 9, c.code);
    EXPECT_TRUE(all(canvas, 950, 960, 600, 805, c.hose_start ? white : black));
    EXPECT_TRUE(is(canvas, 6000, c.coil_y + (c.layer == 1 ? -245 : 245), c.coil ? white : black));
    EXPECT_TRUE(all(canvas, 6250, 6320, c.hose_y, c.hose_y + 10, c.coil ? white : black));
  }
}

TEST(PumpTruckHoseEnds, SlantedEndBelowX1200AndStraightHoseFromIt) {
  struct Case {
    int layer, code, x, line_y;
    int stroke_y;  // the slanted stroke's lowest point at x 1000
    int outlet_y1, outlet_y2;
  };
  for (const Case c : {Case{2, 14, 1200, 185, 220, 250, 400},
                       {2, 14, 1199, 185, 220, 250, 400},
                       {3, 34, 1200, 805, 773, 600, 750},
                       {3, 34, 1199, 805, 773, 600, 750}}) {
    SCOPED_TRACE(testing::Message() << "ponpu_time_" << c.layer << " at x " << c.x);
    Canvas canvas(700, 1400, 100, 1000);
    PumpTruck drill;
    drill.paint(canvas, 3, 8, 27);  // the white disc at (855, 900), removed by the slanted end
    drill.place(9, c.layer, c.x, 300);
    drill.paint(canvas, c.layer, 9, c.code);
    const bool straight = c.x >= 1200;
    EXPECT_TRUE(all(canvas, 1081, 1200, c.line_y, c.line_y + 10, straight ? white : black));
    EXPECT_TRUE(all(canvas, 1000, 1000, c.stroke_y + 1, c.stroke_y + 9, straight ? black : white));
    EXPECT_TRUE(all(canvas, 950, 960, c.outlet_y1, c.outlet_y2, straight ? black : white));
    if (c.layer == 3) {
      EXPECT_TRUE(is(canvas, 855, 900, straight ? white : black));
    }
  }
}

TEST(PumpTruckNozzles, CouplingRowsCarryTheNozzleOfTheOtherCrewMember) {
  struct Case {
    int layer, code, carrier, y1, y2;
  };
  for (const Case c : {Case{2, 22, 1, 184, 195},
                       {2, 23, 1, 184, 195},
                       {2, 24, 1, 184, 195},
                       {3, 42, 2, 805, 816},
                       {3, 43, 2, 805, 816},
                       {3, 44, 2, 805, 816}}) {
    SCOPED_TRACE(testing::Message() << "ponpu_time_" << c.layer << " code " << c.code);
    Canvas canvas(4600, 6000, 100, 900);
    PumpTruck drill;
    for (int slot = 0; slot < 5; ++slot) drill.place(9, slot, 5000 + 100 * slot, 300);
    drill.paint(canvas, c.layer, 9, c.code);
    const int x = 5000 + 100 * c.carrier;
    EXPECT_TRUE(all(canvas, x, x + 100, c.y1, c.y2, red));
    EXPECT_TRUE(is(canvas, x - 1, c.y1 + 5, black));
    EXPECT_TRUE(is(canvas, x + 101, c.y1 + 5, black));
  }
}

// --- reading earlier keyframes ----------------------------------------------------

TEST(PumpTruckEarlierKeyframes, CarriedPieceIsErasedWhereItWasAndPaintedWhereItIs) {
  Canvas canvas(1800, 2500, 200, 400);
  PumpTruck drill;
  drill.place(9, 3, 2000, 300);
  drill.place(10, 3, 2000, 300);
  drill.place(11, 3, 2200, 300);
  drill.paint(canvas, 3, 10, 20);  // not moved: tilted down from (2000, 320) to (2100, 290)
  EXPECT_TRUE(is(canvas, 2000, 320, yellow));
  EXPECT_TRUE(is(canvas, 2100, 290, yellow));
  EXPECT_TRUE(is(canvas, 2100, 320, black));
  drill.paint(canvas, 3, 11, 19);  // moved: level piece at the new place only
  EXPECT_TRUE(all(canvas, 1800, 2199, 200, 400, black));
  EXPECT_TRUE(all(canvas, 2200, 2300, 320, 320, yellow));
}

TEST(PumpTruckEarlierKeyframes, SuctionHoseBoxMixesThisAndThePreviousKeyframe) {
  Canvas canvas(0, 1200, 0, 800);
  canvas.paint(0, 1200, 0, 800, white);
  PumpTruck drill;
  drill.place(8, 3, 300, 600);  // previous: y3' = 600
  drill.place(8, 4, 900, 500);  // previous: x4' = 900
  drill.place(9, 3, 400, 500);
  drill.place(9, 4, 700, 500);
  drill.paint(canvas, 3, 9, 12);
  // Black from (x3 - 20, y3' - 75) = (380, 525) to (x4' + 70, y3 - 85) = (970, 415),
  // then grey from (400, 425) to (770, 415), yellow from (380..400).
  EXPECT_TRUE(all(canvas, 380, 970, 426, 525, black));
  EXPECT_TRUE(all(canvas, 771, 970, 415, 425, black));
  EXPECT_TRUE(all(canvas, 401, 770, 415, 425, grey));
  EXPECT_TRUE(all(canvas, 380, 400, 415, 425, yellow));
  EXPECT_TRUE(is(canvas, 379, 450, white));
  EXPECT_TRUE(is(canvas, 971, 450, white));
  EXPECT_TRUE(is(canvas, 500, 526, white));
  EXPECT_TRUE(is(canvas, 500, 414, white));
}

TEST(PumpTruckEarlierKeyframes, Crew4SuctionEndIsRepaintedAtTheNewHeight) {
  Canvas canvas(400, 1200, 0, 600);
  PumpTruck drill;
  drill.place(8, 4, 800, 400);
  drill.place(9, 4, 800, 400);
  drill.place(10, 4, 800, 300);
  drill.paint(canvas, 4, 9, 12);  // end at (870, 325 - k)
  EXPECT_TRUE(all(canvas, 870, 870, 315, 325, grey));
  drill.paint(canvas, 4, 10, 12);  // end at (870, 225 - k); the old stroke is black
  EXPECT_TRUE(all(canvas, 870, 870, 315, 325, black));
  EXPECT_TRUE(all(canvas, 870, 870, 215, 225, grey));
  EXPECT_TRUE(all(canvas, 550, 550, 390, 400, grey)) << "the common start";
}

TEST(PumpTruckEarlierKeyframes, ACodeThatReadsEarlierRecordsCannotRunOnTheFirst) {
  PumpTruck drill;
  Canvas canvas(0, 10, 0, 10);
  drill.table[0].code(3) = 19;
  EXPECT_THROW(canvas.run(drills::pump_truck::ponpu_time_3, drill.table, 0), stage::IndexError);
  drill.table[1].code(3) = 15;  // reads two records back
  EXPECT_THROW(canvas.run(drills::pump_truck::ponpu_time_3, drill.table, 1), stage::IndexError);
}

TEST(PumpTruckArithmetic, ACoordinatePast16BitsIsAnOverflowNotAWrap) {
  PumpTruck drill;
  Canvas canvas(0, 10, 0, 10);
  drill.place(3, 1, 32700, 0);
  drill.table[3].code(1) = 10;  // nozzle [x1..x1 + 100]
  EXPECT_THROW(canvas.run(drills::pump_truck::ponpu_time_1, drill.table, 3), stage::OverflowError);
}

TEST(PumpTruckShapes, DiscsLeaveTheFillStateTransparentAndBlack) {
  Canvas canvas(800, 1000, 200, 1000);
  PumpTruck drill;
  drill.paint(canvas, 2, 2, 7);   // white disc (855, 300) radius 20
  drill.paint(canvas, 3, 2, 27);  // white disc (855, 900) radius 20
  for (int cy : {300, 900}) {
    EXPECT_TRUE(all(canvas, 845, 865, cy - 10, cy + 10, white));
    EXPECT_TRUE(is(canvas, 855, cy + 22, black));
    EXPECT_TRUE(is(canvas, 855 - 22, cy, black));
  }
  EXPECT_EQ(canvas.pixels().fill_style(), stage::FillStyle::Transparent);
  EXPECT_EQ(canvas.pixels().fill_color(), black);
}

TEST(PumpTruckShapes, SuctionHoseAtTheTruckAndWaterSourceLine) {
  Canvas canvas(0, 800, 200, 500);
  PumpTruck drill;
  drill.paint(canvas, 2, 2, 29);
  EXPECT_TRUE(all(canvas, 550, 700, 390, 400, grey));
  EXPECT_TRUE(all(canvas, 470, 470, 315, 325, grey)) << "thick stroke's far end";
  EXPECT_TRUE(is(canvas, 470, 314, black));
  EXPECT_TRUE(is(canvas, 470, 326, black));
  EXPECT_TRUE(is(canvas, 100, 300, yellow));
  EXPECT_TRUE(is(canvas, 700, 435, yellow));
  EXPECT_TRUE(is(canvas, 701, 435, black));
}

}  // namespace
