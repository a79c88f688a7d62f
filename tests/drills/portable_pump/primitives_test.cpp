#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "drills/portable_pump/kahan_primitives.hpp"
#include "drills/portable_pump/portable_pump.hpp"
#include "stage/frame_table.hpp"
#include "stage/rounding.hpp"

namespace {

using drills::portable_pump::kahan_ido;
using drills::portable_pump::kahan_stop;
using drills::portable_pump::kahan_stop2;
using drills::portable_pump::kahan_wait;
using stage::FrameTable;
using stage::PersonSlot;

FrameTable table_with(int record, int slot, PersonSlot at) {
  FrameTable t = drills::portable_pump::make_kahan_frames();
  t[record].persons(slot) = at;
  return t;
}

// ---- kahan_ido -------------------------------------------------------------

struct WalkCase {
  const char* name;
  PersonSlot from;
  int to_x, to_y;
  std::vector<PersonSlot> expected;  // records 11, 12, ... (walk pose 3, end pose 7)
  friend void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }
};

class KahanIdo : public ::testing::TestWithParam<WalkCase> {};

TEST_P(KahanIdo, WritesTheWalkingRecordsAndEndsOnTheTarget) {
  const WalkCase& c = GetParam();
  FrameTable t = table_with(10, 2, c.from);
  int k = 11;
  kahan_ido(t, k, 2, c.to_x, c.to_y, 3, 7, 5);
  ASSERT_EQ(k, 11 + static_cast<int>(c.expected.size()));
  for (std::size_t i = 0; i < c.expected.size(); ++i) {
    const int r = 11 + static_cast<int>(i);
    EXPECT_EQ(t[r].persons(2), c.expected[i]) << c.name << " record " << r;
    EXPECT_EQ(t[r].code(2), 5) << c.name << " record " << r;
  }
  EXPECT_EQ(t[k].persons(2), PersonSlot{}) << "wrote past its last record";
}

INSTANTIATE_TEST_SUITE_P(
    Walks, KahanIdo,
    ::testing::Values(
        // 170 along x: two records, each a full stride of 80, the last 10 on the final one.
        WalkCase{
            "stride capped", {100, 50, 4}, 270, 50, {{180, 50, 3}, {260, 50, 3}, {270, 50, 7}}},
        // 150 along x and -45 along y: one walking record, x capped, y proportional.
        WalkCase{"short axis whole", {100, 500, 4}, 250, 455, {{180, 455, 3}, {250, 455, 7}}},
        // Exactly 80 per record is not capped; the final record only turns.
        WalkCase{
            "even strides", {0, 0, 0}, 240, 0, {{80, 0, 3}, {160, 0, 3}, {240, 0, 3}, {240, 0, 7}}},
        // The short axis rounds half to even on each record: 2.5 -> 2, 4.5 -> 4.
        WalkCase{"half to even", {0, 0, 0}, 160, 5, {{80, 2, 3}, {160, 4, 3}, {160, 5, 7}}},
        // 1.5 -> 2, 3.5 -> 4 (both round up to the even neighbour).
        WalkCase{"half to even up", {0, 0, 0}, 160, 3, {{80, 2, 3}, {160, 4, 3}, {160, 3, 7}}},
        // Walking left and down: steps of -80 capped toward the target.
        WalkCase{
            "negative", {500, 300, 0}, 330, 300, {{420, 300, 3}, {340, 300, 3}, {330, 300, 7}}},
        // The longer axis is y: four strides down, x follows proportionally.
        WalkCase{"longer y",
                 {650, 350, 0},
                 740,
                 0,
                 {{672, 270, 3}, {694, 190, 3}, {716, 110, 3}, {738, 30, 3}, {740, 0, 7}}},
        // |dx| = |dy|: the count comes from dy; both axes move a capped stride.
        WalkCase{
            "diagonal tie", {0, 0, 0}, -170, 170, {{-80, 80, 3}, {-160, 160, 3}, {-170, 170, 7}}},
        // Shorter than a stride: straight onto the target in one record.
        WalkCase{"under a stride", {600, 300, 4}, 565, 270, {{565, 270, 7}}},
        // On the spot: one record that turns and sets the code.
        WalkCase{"on the spot", {600, 300, 4}, 600, 300, {{600, 300, 7}}}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& ch : n)
        if (ch == ' ') ch = '_';
      return n;
    });

TEST(KahanIdoFields, TouchesOnlyItsSlotAndCode) {
  FrameTable t = table_with(10, 1, {100, 100, 4});
  t[10].persons(0) = {7, 8, 9};
  t[11].duration = 1234;
  t[11].caption = "x";
  t[11].code(0) = 6;
  int k = 11;
  kahan_ido(t, k, 1, 300, 100, 4, 4, 2);
  for (int r = 11; r < k; ++r) {
    EXPECT_EQ(t[r].persons(0), PersonSlot{}) << r;
    EXPECT_EQ(t[r].persons(2), PersonSlot{}) << r;
    EXPECT_EQ(t[r].code(2), 0) << r;
  }
  EXPECT_EQ(t[11].duration, 1234);
  EXPECT_EQ(t[11].caption, "x");
  EXPECT_EQ(t[11].code(0), 6);
}

TEST(KahanIdoFields, FailsOutsideTheTableAndTheInt16Range) {
  FrameTable t = drills::portable_pump::make_kahan_frames();
  int k = 0;  // record -1 does not exist
  EXPECT_THROW(kahan_ido(t, k, 0, 10, 10, 0, 0, 0), stage::IndexError);
  k = 1;
  EXPECT_THROW(kahan_ido(t, k, 4, 10, 10, 0, 0, 0), stage::IndexError);
  k = 1000;  // a 160-unit walk needs records 1000..1002
  EXPECT_THROW(kahan_ido(t, k, 0, 160, 0, 0, 0, 0), stage::IndexError);
  k = 1;
  EXPECT_THROW(kahan_ido(t, k, 0, 40000, 0, 0, 0, 0), stage::OverflowError);
}

// ---- kahan_stop and kahan_stop2 ----------------------------------------------

TEST(KahanStop, CopiesSlotsFromJOnAndNothingElse) {
  FrameTable t = drills::portable_pump::make_kahan_frames();
  for (int i = 0; i < 4; ++i) t[20].persons(i) = {static_cast<std::int16_t>(100 + i), 5, 4};
  t[20].code(1) = 9;
  t[20].duration = 700;
  t[20].caption = "c";
  t[21].code(2) = 3;
  int k = 21;
  kahan_stop(t, k, 1);
  EXPECT_EQ(k, 22);
  EXPECT_EQ(t[21].persons(0), PersonSlot{});
  for (int i = 1; i < 4; ++i) EXPECT_EQ(t[21].persons(i), t[20].persons(i)) << i;
  EXPECT_EQ(t[21].code(1), 0);
  EXPECT_EQ(t[21].code(2), 3);
  EXPECT_EQ(t[21].duration, 0);
  EXPECT_TRUE(t[21].caption.empty());

  kahan_stop(t, k, 0);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(t[22].persons(i), t[21].persons(i)) << i;
}

TEST(KahanStop2, HoldsOneSlotAndSetsItsCode) {
  FrameTable t = table_with(30, 3, {860, 510, 4});
  t[30].persons(2) = {1, 2, 3};
  t[30].code(3) = 8;
  int k = 31;
  kahan_stop2(t, k, 3, 2);
  kahan_stop2(t, k, 3, 0);
  EXPECT_EQ(k, 33);
  EXPECT_EQ(t[31].persons(3), (PersonSlot{860, 510, 4}));
  EXPECT_EQ(t[32].persons(3), (PersonSlot{860, 510, 4}));
  EXPECT_EQ(t[31].code(3), 2);
  EXPECT_EQ(t[32].code(3), 0);
  EXPECT_EQ(t[31].persons(2), PersonSlot{});
  EXPECT_EQ(t[31].duration, 0);
}

// ---- kahan_wait ----------------------------------------------------------------

TEST(KahanWait, HoldsTheLateTrackAndLeavesOthersAlone) {
  FrameTable t = drills::portable_pump::make_kahan_frames();
  for (int i = 0; i < 4; ++i) t[571].persons(i) = {static_cast<std::int16_t>(10 * i), 7, 4};
  for (int r = 572; r < 582; ++r) t[r].persons(1) = {500, 430, static_cast<std::int16_t>(r % 16)};
  t[575].duration = 1000;  // an earlier duration is overwritten
  t[582].duration = 77;
  int k0 = 0, k1 = 582, k2 = 572, k3 = 0;
  kahan_wait(t, 572, k0, k1, k2, k3);
  EXPECT_EQ(k0, 0);
  EXPECT_EQ(k1, 582);
  EXPECT_EQ(k2, 582);
  EXPECT_EQ(k3, 0);
  for (int r = 572; r <= 581; ++r) {
    EXPECT_EQ(t[r].duration, 300) << r;
    EXPECT_EQ(t[r].persons(2), t[571].persons(2)) << r;
    EXPECT_EQ(t[r].persons(0), PersonSlot{}) << r;
    EXPECT_EQ(t[r].persons(3), PersonSlot{}) << r;
    EXPECT_EQ(t[r].persons(1).pose, r % 16) << "the leading track is not rewritten";
  }
  EXPECT_EQ(t[582].duration, 77);
  EXPECT_EQ(t[582].persons(2), PersonSlot{});
}

TEST(KahanWait, AlignedCountersOnlySetDurations) {
  FrameTable t = drills::portable_pump::make_kahan_frames();
  int a = 60, b = 60;
  int none = 0;
  kahan_wait(t, 50, a, b, none, none);
  EXPECT_EQ(a, 60);
  EXPECT_EQ(b, 60);
  for (int r = 50; r < 60; ++r) EXPECT_EQ(t[r].duration, 300) << r;
  EXPECT_EQ(t[49].duration, 0);
  EXPECT_EQ(t[60].duration, 0);
}

// A counter that lies before the first record of the alignment still ends on the
// common record, and the person stands on every record in between.
TEST(KahanWait, CounterBeforeTheFirstRecordStandsUntilTheEnd) {
  FrameTable t = table_with(44, 0, {5, 6, 7});
  int k0 = 45, k1 = 0, k2 = 0, k3 = 52;
  kahan_wait(t, 48, k0, k1, k2, k3);
  EXPECT_EQ(k0, 52);
  EXPECT_EQ(k3, 52);
  for (int r = 45; r < 52; ++r) EXPECT_EQ(t[r].persons(0), (PersonSlot{5, 6, 7})) << r;
  EXPECT_EQ(t[47].duration, 0);
  EXPECT_EQ(t[48].duration, 300);
}

}  // namespace
