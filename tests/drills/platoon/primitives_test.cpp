// The seven primitives on small hand-built records.

#include "drills/platoon/primitives.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "drills/platoon/platoon.hpp"
#include "formations.hpp"

namespace dp = drills::platoon;
using platoon_test::put;
using platoon_test::two_rank_line;

namespace {

class Primitives : public ::testing::Test {
 protected:
  stage::FrameTable table = drills::platoon::make_kiritu_frames();
  int k = 1;
  stage::FrameRecord& before() { return table[0]; }
};

TEST_F(Primitives, StopKeepsDurationAndCaptionAndCopiesEverySlot) {
  two_rank_line(before(), 2115, 4800, 8);
  put(before(), 0, 1965, 4800, 8);
  table[1].duration = 700;
  table[1].caption = "気をつけ";
  dp::kiritu_stop(table, k, 0);
  EXPECT_EQ(k, 2);
  EXPECT_EQ(table[1].duration, 700);
  EXPECT_EQ(table[1].caption, "気をつけ");
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(table[1].persons(i), before().persons(i)) << i;
}

TEST_F(Primitives, StopFromSlotOneLeavesThePlacedCommander) {
  two_rank_line(before(), 2115, 4800, 8);
  put(table[1], 0, 10, 20, 3);
  dp::kiritu_stop(table, k, 1);
  EXPECT_EQ(table[1].persons(0), (stage::PersonSlot{10, 20, 3}));
  EXPECT_EQ(table[1].persons(20), before().persons(20));
}

struct OneStepCase {
  int pose, s, x, y;
};
class OneStep : public Primitives, public ::testing::WithParamInterface<OneStepCase> {};

TEST_P(OneStep, MovesAlongThePoseSetOnTheRecord) {
  const OneStepCase c = GetParam();
  put(before(), 5, 100, 200, 0);
  table[1].persons(5).pose = static_cast<std::int16_t>(c.pose);
  dp::kiritu_one(table, k, 5, c.s);
  EXPECT_EQ(k, 1);
  EXPECT_EQ(table[1].persons(5).x, c.x);
  EXPECT_EQ(table[1].persons(5).y, c.y);
  EXPECT_EQ(table[1].persons(5).pose, c.pose);
}
INSTANTIATE_TEST_SUITE_P(Poses, OneStep,
                         ::testing::Values(OneStepCase{0, 70, 100, 270},
                                           OneStepCase{4, 80, 180, 200},
                                           OneStepCase{8, 70, 100, 130},
                                           OneStepCase{12, 35, 65, 200},
                                           // A slanted pose never steps: the place carries over.
                                           OneStepCase{6, 70, 100, 200}));

TEST_F(Primitives, ZensinStepLengthFollowsTheCadence) {
  for (int sp : {300, 500}) {
    table.clear();
    k = 1;
    two_rank_line(before(), 2115, 4800, 8);
    put(before(), 0, 1965, 4800, 8);
    dp::kiritu_zensin(table, k, 3, sp);
    const int step = sp == 300 ? 80 : 70;
    EXPECT_EQ(k, 4);
    for (int r = 1; r <= 3; ++r) {
      EXPECT_EQ(table[r].duration, sp);
      EXPECT_EQ(table[r].persons(0), before().persons(0)) << "commander stands";
      EXPECT_EQ(table[r].persons(1).y, 4800 - step * r);
      EXPECT_EQ(table[r].persons(19).y, 4940 - step * r);
      EXPECT_EQ(table[r].persons(19).x, before().persons(19).x);
    }
  }
}

TEST_F(Primitives, SikiidoToAPointUnder80AwayIsOneRecordOnTarget) {
  put(before(), 0, 1000, 1000, 8);
  two_rank_line(before(), 2115, 4800, 8);
  dp::kiritu_sikiido(table, k, 1079, 921, 2, 4, 1);
  EXPECT_EQ(k, 2);
  EXPECT_EQ(table[1].persons(0), (stage::PersonSlot{1079, 921, 4}));
  EXPECT_EQ(table[1].duration, 300);
  EXPECT_EQ(table[1].persons(7), before().persons(7));
  EXPECT_EQ(table[2].duration, 0);
}

TEST_F(Primitives, SikiidoFromTheFrontToTheGatheringPoint) {
  put(before(), 0, 2465, 85, 8);
  two_rank_line(before(), 2115, 4800, 8);
  dp::kiritu_sikiido(table, k, 2115, 2535, 15, 0, 1);
  ASSERT_EQ(k, 32);  // 30 walking records (2450 / 80 = 30.6) and the last
  for (int r = 1; r <= 31; ++r) {
    EXPECT_EQ(table[r].duration, 300) << r;
    EXPECT_EQ(table[r].persons(0).pose, r < 31 ? 15 : 0) << r;
    EXPECT_EQ(table[r].persons(20), before().persons(20)) << r;
  }
  // Each step adds (-350 / 30, 2450 / 30) to the previous rounded place.
  EXPECT_EQ(table[1].persons(0).x, 2453);  // 2465 - 11.67
  EXPECT_EQ(table[1].persons(0).y, 167);   // 85 + 81.67
  EXPECT_EQ(table[2].persons(0).x, 2441);  // 2453 - 11.67
  EXPECT_EQ(table[2].persons(0).y, 249);   // 167 + 81.67
  EXPECT_EQ(table[31].persons(0).x, 2115);
  EXPECT_EQ(table[31].persons(0).y, 2535);
}

TEST_F(Primitives, SikiidoRoundsHalvesToEven) {
  // 200 over two steps of 100 on y; x moves 5 in two halves of 2.5.
  put(before(), 0, 0, 0, 0);
  dp::kiritu_sikiido(table, k, 5, 200, 1, 2, 1);
  EXPECT_EQ(table[1].persons(0).x, 2);  // 2.5 -> 2
  EXPECT_EQ(table[2].persons(0).x, 4);  // 2 + 2.5 = 4.5 -> 4
  EXPECT_EQ(table[3].persons(0).x, 5);
}

TEST_F(Primitives, SikiidoOverPrewrittenRecordsLeavesTheMembers) {
  put(before(), 0, 0, 0, 0);
  put(table[1], 4, 11, 22, 3);
  put(table[2], 4, 33, 44, 5);
  table[1].duration = 1000;
  dp::kiritu_sikiido(table, k, 0, 100, 0, 8, 0);
  EXPECT_EQ(k, 3);
  EXPECT_EQ(table[1].persons(4), (stage::PersonSlot{11, 22, 3}));
  EXPECT_EQ(table[2].persons(4), (stage::PersonSlot{33, 44, 5}));
  EXPECT_EQ(table[1].duration, 300) << "the walk sets the durations it lies over";
  EXPECT_EQ(table[2].persons(0), (stage::PersonSlot{0, 100, 8}));
}

struct Sikiido2Case {
  int distance;                   // on x, from the commander
  std::vector<int> durations;     // of the records written
  std::vector<int> member_steps;  // records (from 1) in which the members step
};
class Sikiido2 : public Primitives, public ::testing::WithParamInterface<Sikiido2Case> {};

TEST_P(Sikiido2, FillsWholeBeatsAndKeepsTheMembersOnTheBeat) {
  const Sikiido2Case& c = GetParam();
  put(before(), 0, 1000, 1000, 0);
  two_rank_line(before(), 2000, 2000, 0);
  dp::kiritu_sikiido2(table, k, 1000 + c.distance, 1000, 4, 8);
  ASSERT_EQ(k, 1 + static_cast<int>(c.durations.size()));
  int y = 2000;
  int total = 0;
  for (int r = 1; r < k; ++r) {
    EXPECT_EQ(table[r].duration, c.durations[static_cast<std::size_t>(r - 1)]) << r;
    total += table[r].duration;
    if (std::find(c.member_steps.begin(), c.member_steps.end(), r) != c.member_steps.end()) y += 70;
    EXPECT_EQ(table[r].persons(1).y, y) << r;
  }
  EXPECT_EQ(total % 500, 0);
  EXPECT_EQ(table[k - 1].persons(0),
            (stage::PersonSlot{static_cast<std::int16_t>(1000 + c.distance), 1000, 8}));
}
INSTANTIATE_TEST_SUITE_P(
    Walks, Sikiido2,
    ::testing::Values(Sikiido2Case{0, {500}, {1}}, Sikiido2Case{79, {500}, {1}},
                      Sikiido2Case{80, {100, 100, 300}, {1}},
                      Sikiido2Case{160, {100, 100, 100, 100, 100, 500}, {1, 6}}));

TEST_F(Primitives, Sikiido2StepsTheCommanderEveryThirdRecord) {
  put(before(), 0, 0, 0, 0);
  dp::kiritu_sikiido2(table, k, 240, 0, 3, 4);  // n = 3
  const std::array<int, 9> xs = {80, 80, 80, 160, 160, 160, 240, 240, 240};
  for (int r = 1; r <= 9; ++r)
    EXPECT_EQ(table[r].persons(0).x, xs[static_cast<std::size_t>(r - 1)]);
  EXPECT_EQ(table[1].persons(0).pose, 3);
  EXPECT_EQ(table[9].persons(0).pose, 4);
}

TEST_F(Primitives, MawareTurnsTheMembersAbout) {
  put(before(), 0, 5, 5, 12);
  put(before(), 1, 10, 10, 8);
  put(before(), 2, 20, 20, 12);
  dp::kiritu_maware(table, k, 300);
  EXPECT_EQ(k, 2);
  EXPECT_EQ(table[1].duration, 300);
  EXPECT_EQ(table[1].persons(0), before().persons(0));
  EXPECT_EQ(table[1].persons(1), (stage::PersonSlot{10, 10, 0}));
  EXPECT_EQ(table[1].persons(2), (stage::PersonSlot{20, 20, 4}));
}

TEST_F(Primitives, BangoCallsElevenHeldRecords) {
  two_rank_line(before(), 2115, 4800, 8);
  dp::kiritu_bango(table, k);
  ASSERT_EQ(k, 12);
  const std::array<const char*, 11> calls = {"番号", "１", "２", "３", "４", "５",
                                             "６",   "７", "８", "９", "満"};
  for (int r = 1; r <= 11; ++r) {
    EXPECT_EQ(table[r].caption, calls[static_cast<std::size_t>(r - 1)]);
    EXPECT_EQ(table[r].duration, 500);
    for (int i = 0; i <= 20; ++i) EXPECT_EQ(table[r].persons(i), before().persons(i));
  }
}

TEST_F(Primitives, AnnounceCaptionsTheThreeRecordsBeforeK) {
  k = 10;
  dp::announce(table, k, "組々右へ進め");
  EXPECT_EQ(table[6].caption, "");
  EXPECT_EQ(table[7].caption, "組々右へ進め");
  EXPECT_EQ(table[9].caption, "組々右へ進め");
  EXPECT_EQ(table[10].caption, "");
}

TEST_F(Primitives, WritingPastTheTableStopsTheBuild) {
  k = 1999;
  EXPECT_THROW(dp::kiritu_zensin(table, k, 3, 500), stage::IndexError);
}

}  // namespace
