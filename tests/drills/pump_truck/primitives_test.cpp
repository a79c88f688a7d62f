#include "drills/pump_truck/primitives.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <stdexcept>
#include <vector>

#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"
#include "stage/rounding.hpp"

namespace {

using drills::pump_truck::ponpu_ido;
using drills::pump_truck::ponpu_stop;
using drills::pump_truck::ponpu_stop2;
using drills::pump_truck::ponpu_wait;
using stage::FrameTable;
using stage::PersonSlot;

PersonSlot at(int x, int y, int pose) {
  return PersonSlot{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                    static_cast<std::int16_t>(pose)};
}

// A fresh pump-truck table with person p standing at (x, y) in record k - 1.
FrameTable table_with(int k, int p, int x, int y, int pose = 0) {
  FrameTable t = drills::pump_truck::make_ponpu_frames();
  t[k - 1].persons(p) = at(x, y, pose);
  return t;
}

// --- ponpu_ido ------------------------------------------------------------

struct IdoCase {
  const char* name;
  int x, y;                         // start
  int X, Y;                         // target
  std::vector<PersonSlot> records;  // expected slot p on records k, k+1, ...
  friend void PrintTo(const IdoCase& c, std::ostream* os) { *os << c.name; }
};

class PonpuIdo : public ::testing::TestWithParam<IdoCase> {};

TEST_P(PonpuIdo, WritesTheStepsThenTheTarget) {
  const IdoCase& c = GetParam();
  const int p = 3, d1 = 5, d2 = 11, h = 7, start = 40;
  FrameTable t = table_with(start, p, c.x, c.y);
  int k = start;
  ponpu_ido(t, k, p, c.X, c.Y, d1, d2, h);
  ASSERT_EQ(k, start + static_cast<int>(c.records.size()));
  for (std::size_t i = 0; i < c.records.size(); ++i) {
    const stage::FrameRecord& r = t[start + static_cast<int>(i)];
    SCOPED_TRACE("record offset " + std::to_string(i));
    const bool last = i + 1 == c.records.size();
    EXPECT_EQ(r.persons(p), at(c.records[i].x, c.records[i].y, last ? d2 : d1));
    EXPECT_EQ(r.code(p), h);
    // Only slot p and code p are written.
    for (int q = 0; q < 5; ++q) {
      if (q == p) continue;
      EXPECT_EQ(r.persons(q), PersonSlot{});
      EXPECT_EQ(r.code(q), 0);
    }
    EXPECT_EQ(r.duration, 0);
    EXPECT_TRUE(r.caption.empty());
  }
  EXPECT_EQ(t[k].persons(p), PersonSlot{}) << "wrote past its last record";
}

INSTANTIATE_TEST_SUITE_P(
    Moves, PonpuIdo,
    ::testing::Values(
        // The y share 90 is clamped to 80; the last record covers the rest.
        IdoCase{"ClampedShorterShare",
                500,
                430,
                700,
                700,
                {at(567, 510, 0), at(634, 590, 0), at(701, 670, 0), at(700, 700, 0)}},
        IdoCase{"UnderOneStepIsOneRecord", 500, 430, 579, 351, {at(579, 351, 0)}},
        IdoCase{"SamePlaceOnlyTurns", 500, 430, 500, 430, {at(500, 430, 0)}},
        // 159 units: one step of 80 and the remainder on the final record.
        IdoCase{"RemainderIsNotRoundedUp", 100, 100, 259, 100, {at(180, 100, 0), at(259, 100, 0)}},
        IdoCase{"BothAxesNegative",
                700,
                700,
                500,
                430,
                {at(633, 620, 0), at(566, 540, 0), at(499, 460, 0), at(500, 430, 0)}},
        // 45 / 2 = 22.5 per step: 522.5 rounds to 522, then 544.5 to 544.
        IdoCase{"HalvesRoundToEvenOnEachRecord",
                500,
                100,
                545,
                260,
                {at(522, 180, 0), at(544, 260, 0), at(545, 260, 0)}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PonpuIdoFailures, RecordOutsideTheTableIsAnIndexError) {
  FrameTable t = table_with(1100, 1, 100, 100);
  int k = 1100;
  EXPECT_THROW(ponpu_ido(t, k, 1, 400, 100, 4, 4, 0), stage::IndexError);
}

TEST(PonpuIdoFailures, SlotOutsideTheRecordIsAnIndexError) {
  FrameTable t = drills::pump_truck::make_ponpu_frames();
  int k = 1;
  EXPECT_THROW(ponpu_ido(t, k, 5, 0, 0, 0, 0, 0), stage::IndexError);
}

TEST(PonpuIdoFailures, StepLeavingSixteenBitsIsAnOverflow) {
  FrameTable t = table_with(1, 2, 32700, 0);
  int k = 1;
  // 32700 + 80 must not wrap round to a negative position.
  EXPECT_THROW(ponpu_ido(t, k, 2, 32900, 0, 4, 4, 0), stage::OverflowError);
}

// --- ponpu_stop / ponpu_stop2 -----------------------------------------------

TEST(PonpuStop, CopiesSlotsFromJOnAndLeavesTheRestAlone) {
  FrameTable t = drills::pump_truck::make_ponpu_frames();
  for (int i = 0; i < 5; ++i) t[9].persons(i) = at(100 * i, 10 * i, i);
  for (int i = 0; i < 5; ++i) t[9].code(i) = static_cast<std::int16_t>(i + 1);
  t[10].persons(0) = at(750, 900, 10);  // the commander placed by the caller
  t[10].duration = 1000;
  t[10].caption = "指揮者「番号」";
  int k = 10;
  ponpu_stop(t, k, 1);
  EXPECT_EQ(k, 11);
  EXPECT_EQ(t[10].persons(0), at(750, 900, 10));
  for (int i = 1; i < 5; ++i) EXPECT_EQ(t[10].persons(i), t[9].persons(i));
  // A hold after a record with codes has all codes 0.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t[10].code(i), 0);
  EXPECT_EQ(t[10].duration, 1000);
  EXPECT_EQ(t[10].caption, "指揮者「番号」");

  ponpu_stop(t, k, 0);
  EXPECT_EQ(k, 12);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t[11].persons(i), t[10].persons(i));
}

TEST(PonpuStop2, HoldsOnePersonWithItsCode) {
  FrameTable t = table_with(20, 2, 600, 300, 8);
  t[19].persons(1) = at(1, 1, 1);
  int k = 20;
  for (int h = 1; h <= 3; ++h) ponpu_stop2(t, k, 2, h);
  EXPECT_EQ(k, 23);
  for (int r = 20; r < 23; ++r) {
    EXPECT_EQ(t[r].persons(2), at(600, 300, 8));
    EXPECT_EQ(t[r].code(2), r - 19);
    EXPECT_EQ(t[r].persons(1), PersonSlot{});
    EXPECT_EQ(t[r].duration, 0);
  }
}

// --- ponpu_wait ---------------------------------------------------------------

TEST(PonpuWait, CarriesTheLateOnesForwardFromTheirOwnCounters) {
  FrameTable t = drills::pump_truck::make_ponpu_frames();
  t[78].persons(0) = at(1100, 770, 8);
  t[78].persons(1) = at(1000, 770, 8);
  t[86].persons(3) = at(700, 370, 0);
  t[89].persons(4) = at(770, 370, 0);
  for (int r = 79; r <= 110; ++r) t[r].persons(2) = at(r, r, 4);  // person 2 "moving"
  int k0 = 0, k1 = 0, k2 = 111, k3 = 87, k4 = 90;
  ponpu_wait(t, 79, k0, k1, k2, k3, k4);
  EXPECT_EQ((std::vector<int>{k0, k1, k2, k3, k4}), (std::vector<int>{0, 0, 111, 111, 111}));
  for (int r = 79; r <= 110; ++r) {
    SCOPED_TRACE("record " + std::to_string(r));
    EXPECT_EQ(t[r].duration, 300);
    EXPECT_EQ(t[r].persons(0), PersonSlot{});
    EXPECT_EQ(t[r].persons(1), PersonSlot{});
    EXPECT_EQ(t[r].persons(2), at(r, r, 4));
    // Before its counter a person's records are its own (here: untouched zeros).
    EXPECT_EQ(t[r].persons(3), r >= 86 ? at(700, 370, 0) : PersonSlot{});
    EXPECT_EQ(t[r].persons(4), r >= 89 ? at(770, 370, 0) : PersonSlot{});
  }
  EXPECT_EQ(t[78].duration, 0);
  EXPECT_EQ(t[111].duration, 0);
  EXPECT_EQ(t[111].persons(3), PersonSlot{});
}

TEST(PonpuWait, NothingToWaitForWritesNothing) {
  FrameTable t = drills::pump_truck::make_ponpu_frames();
  t[49].persons(1) = at(5, 5, 5);
  int k0 = 50, k1 = 50, k2 = 0, k3 = 50, k4 = 0;
  ponpu_wait(t, 50, k0, k1, k2, k3, k4);
  EXPECT_EQ((std::vector<int>{k0, k1, k2, k3, k4}), (std::vector<int>{50, 50, 0, 50, 0}));
  EXPECT_EQ(t[50].duration, 0);
  EXPECT_EQ(t[50].persons(1), PersonSlot{});
}

// --- announcements in an independent section ---------------------------------

TEST(PonpuSectionSay, GroupMustStandOnOneRecord) {
  FrameTable t = drills::pump_truck::make_ponpu_frames();
  drills::pump_truck::PonpuSection s(t, 10);
  s.hold(1, 2);
  EXPECT_THROW(s.say("１番員「よし」", {{1}, {2}}), std::logic_error);
  s.hold(2, 2);
  s.say("１番員「よし」", {{1}, {2, drills::pump_truck::Crew2Code::Line1HoseTo1420}});
  EXPECT_EQ(s.counter(1), 15);
  EXPECT_EQ(s.counter(2), 15);
  for (int r = 12; r <= 14; ++r) {
    EXPECT_EQ(t[r].caption, "１番員「よし」");
    EXPECT_EQ(t[r].code(2), 9);
    EXPECT_EQ(t[r].code(1), 0);
  }
  EXPECT_TRUE(t[11].caption.empty());
  EXPECT_TRUE(t[15].caption.empty());
}

TEST(PonpuSectionCodes, ACodeOfAnotherPersonsEntryStopsTheBuilding) {
  using drills::pump_truck::Crew2Code;
  FrameTable t = drills::pump_truck::make_ponpu_frames();
  drills::pump_truck::PonpuSection s(t, 10);
  EXPECT_THROW(s.hold(1, 1, Crew2Code::ShowFigure), std::logic_error);
  EXPECT_THROW(s.ido(3, 100, 100, 0, 0, Crew2Code::ShowFigure), std::logic_error);
  EXPECT_THROW(s.say("", {{1, Crew2Code::ShowFigure}}), std::logic_error);
  s.hold(2, 1, Crew2Code::ShowFigure);
  EXPECT_EQ(t[10].code(2), 6);
}

}  // namespace
