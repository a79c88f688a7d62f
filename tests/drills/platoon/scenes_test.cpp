// Scene routines driven on hand-built formations: dressing, facings, wheels.

#include "drills/platoon/scenes.hpp"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "drills/platoon/platoon.hpp"
#include "drills/platoon/primitives.hpp"
#include "formations.hpp"

namespace dp = drills::platoon;
using namespace platoon_test;

namespace {

class Scene : public ::testing::Test {
 protected:
  stage::FrameTable table = drills::platoon::make_kiritu_frames();
  int k = 1;
  stage::FrameRecord& start() { return table[0]; }
  void SetUp() override { put(start(), 0, 2465, 2090, 0); }
  void expect_at(int r, int i, int x, int y) {
    EXPECT_EQ(table[r].persons(i).x, x) << "record " << r << " member " << i;
    EXPECT_EQ(table[r].persons(i).y, y) << "record " << r << " member " << i;
  }
  void expect_dressed_facing_minus_y(int r, int x1, int y1) {
    expect_at(r, 1, x1, y1);
    for (int i = 2; i <= 20; ++i) expect_at(r, i, x1 + 70 * (i / 2), y1 + 140 * (i % 2));
  }
};

// --- kiritu_seiton -------------------------------------------------------------

using Seiton = Scene;

TEST_F(Seiton, DressedPlatoonTurnsStandsAndTurnsBack) {
  two_rank_line(start(), 2115, 2750, 8);
  dp::kiritu_seiton(table, k, 0);
  ASSERT_EQ(k, 18);  // turn, still record, hold, member 3's turn, 13 records of turning back
  const std::array<int, 17> durations = {300, 300, 1000, 1000, 300, 300, 300, 300, 300,
                                         300, 300, 300,  300,  300, 300, 300, 300};
  for (int r = 1; r <= 17; ++r)
    EXPECT_EQ(table[r].duration, durations[static_cast<std::size_t>(r - 1)]);
  EXPECT_EQ(table[1].persons(1).pose, 4);
  EXPECT_EQ(table[1].persons(2).pose, 12);
  EXPECT_EQ(table[1].persons(3).pose, 8);
  EXPECT_EQ(table[3].persons(3).pose, 8);
  EXPECT_EQ(table[4].persons(3).pose, 4) << "member 3 turns on its own record";
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(table[17].persons(i).pose, i == 0 ? 0 : 8);
  expect_dressed_facing_minus_y(17, 2115, 2750);
}

TEST_F(Seiton, TurnBackRunsOneFilePerRecordAndReachesMember3WithMember8) {
  two_rank_line(start(), 2115, 2750, 8);
  dp::kiritu_seiton(table, k, 0);
  const int first = 5;  // first record of the turn back
  const auto turned_in = [&](int i) {
    for (int r = first; r < k; ++r)
      if (table[r].persons(i).pose == 8) return r - first + 1;
    return -1;
  };
  for (int i = 1; i <= 20; i += (i == 1 ? 1 : 2)) EXPECT_EQ(turned_in(i), i / 2 + 1) << i;
  EXPECT_EQ(turned_in(3), turned_in(8));
  EXPECT_EQ(turned_in(19), 13);
}

TEST_F(Seiton, ClosesUpFromTheGuideOutwardOneFilePerRecord) {
  // The halt of the opening: member 1 40 ahead of the front rank, member 3 40
  // ahead of the rear rank, so member 3 already stands behind member 2's place.
  two_rank_line(start(), 2115, 3000, 8);
  for (int i = 1; i <= 20; ++i)
    start().persons(i).y =
        static_cast<std::int16_t>(start().persons(i).y - (i == 1 || i == 3 ? 40 : 0));
  dp::kiritu_seiton(table, k, 0);
  EXPECT_EQ(k, 33);  // turn, 17 records of closing up and a still one, 13 of turning back
  const auto first_move = [&](int i) {
    for (int r = 2; r < k; ++r)
      if (table[r].persons(i).y != table[r - 1].persons(i).y) return r - 1;
    return -1;
  };
  for (int file = 1; file <= 9; ++file) EXPECT_EQ(first_move(2 * file), file) << "file " << file;
  for (int i = 5; i <= 19; i += 2)
    EXPECT_EQ(first_move(i), (i - 3) / 2) << "rear rank, member " << i;
  EXPECT_EQ(first_move(20), 10);
  EXPECT_EQ(first_move(3), -1);
  for (int i : {2, 9, 20}) {
    int moves = 0;
    for (int r = 2; r < k; ++r) moves += table[r].persons(i).y != table[r - 1].persons(i).y;
    EXPECT_EQ(moves, 8) << i;
  }
  EXPECT_EQ(table[18].persons(20).y, 2960);
  for (int i = 0; i <= 20; ++i)
    EXPECT_EQ(table[19].persons(i), table[18].persons(i)) << "still record";
  expect_dressed_facing_minus_y(k - 1, 2115, 2960);
}

TEST_F(Seiton, WithM1LeavesTheMembersFacingTheGuide) {
  two_rank_line(start(), 2115, 2750, 8);
  dp::kiritu_seiton(table, k, 1);
  EXPECT_EQ(k, 5);
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(table[4].persons(i).pose, i == 1 || i == 3 ? 4 : 12) << i;
}

TEST_F(Seiton, AMemberShortOfItsPlaceIsALogicErrorNotAnEndlessLoop) {
  two_rank_line(start(), 2115, 2750, 8);
  start().persons(8).x = static_cast<std::int16_t>(start().persons(8).x - 20);
  try {
    dp::kiritu_seiton(table, k, 0);
    FAIL() << "expected a logic error";
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("kiritu_seiton"), std::string::npos) << e.what();
  }
}

TEST_F(Seiton, Seiton2DressesOnTheLeftGuideAndEndsFacingTheFront) {
  two_rank_line(start(), 2115, 2750, 8);
  dp::kiritu_seiton2(table, k);
  EXPECT_EQ(k, 17);  // turn, hold, member 19's turn, 13 records of turning back
  EXPECT_EQ(table[1].persons(20).pose, 12);
  EXPECT_EQ(table[1].persons(1).pose, 4);
  EXPECT_EQ(table[1].persons(19).pose, 8);
  EXPECT_EQ(table[3].persons(19).pose, 12);
  EXPECT_EQ(table[3].duration, 1000);
  EXPECT_EQ(table[4].persons(20).pose, 8) << "the left guide turns back first";
  EXPECT_EQ(table[4].persons(18).pose, 4);
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(table[16].persons(i).pose, 8) << i;
  expect_dressed_facing_minus_y(16, 2115, 2750);
}

TEST_F(Seiton, HaltFacingPlusXDressesOnTheGuidePointIn37Records) {
  // "小隊止まれ" halts the right-face column facing -y with member 1 at its head.
  column(start(), 265, 490, 8, true);
  dp::kiritu_hidarimuke2(table, k);
  ASSERT_EQ(k, 42);  // two holds, the facing, the step into line, then 37 records of dressing
  EXPECT_EQ(table[2].caption, "左向け左");
  expect_at(4, 1, 265, 490);
  expect_at(4, 2, 265, 630);
  expect_at(4, 4, 265, 700);
  expect_at(4, 5, 125, 700);
  for (int r = 5; r <= 41; ++r) EXPECT_EQ(table[r].duration, 300) << r;
  expect_at(41, 1, 300, 518);
  for (int i = 2; i <= 20; ++i) expect_at(41, i, 300 - 140 * (i % 2), 518 + 70 * (i / 2));
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(table[41].persons(i).pose, 4) << i;
}

TEST_F(Seiton, Seiton3NamesItselfWhenAMemberIsAheadOfItsPlace) {
  two_rank_line(start(), 300, 518, 4);
  start().persons(6).x = static_cast<std::int16_t>(start().persons(6).x + 20);
  try {
    dp::kiritu_seiton3(table, k);
    FAIL() << "expected a logic error";
  } catch (const std::logic_error& e) {
    EXPECT_NE(std::string(e.what()).find("kiritu_seiton3"), std::string::npos) << e.what();
  }
}

// --- facings on the march --------------------------------------------------------

using Facing = Scene;

TEST_F(Facing, RightFaceFromPlusYFormsTheColumnWithMember1AtItsHead) {
  two_rank_line(start(), 925, 3950, 0);
  dp::kiritu_migimuke(table, k);
  ASSERT_EQ(k, 5);
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(table[r].duration, 500);
  expect_at(1, 1, 925, 4020);
  expect_at(4, 1, 1065, 4020);
  for (int i = 1; i <= 20; ++i) {
    const Vec p = right_face_column(i, 1065, 4020, 4);
    expect_at(4, i, p.x, p.y);
    EXPECT_EQ(table[4].persons(i).pose, 4);
  }
  expect_at(4, 20, 1065 - 840, 4020);
}

TEST_F(Facing, RightFaceFromMinusYMirrorsTheMoves) {
  two_rank_line(start(), 2045, 1990, 8);
  dp::kiritu_migimuke(table, k);
  expect_at(2, 1, 2045, 1920);
  expect_at(3, 1, 1975, 1920);
  expect_at(4, 1, 1905, 1920);
  const stage::PersonSlot m4 = table[2].persons(4);
  expect_at(3, 4, m4.x - 35, m4.y + 35);
  expect_at(4, 4, m4.x - 140, m4.y + 70);
  for (int i = 1; i <= 20; ++i) {
    const Vec p = right_face_column(i, 1905, 1920, 12);
    expect_at(4, i, p.x, p.y);
  }
}

TEST_F(Facing, LeftFaceTurnsFromMinusYToPlusXIntoTheLeftFaceColumn) {
  two_rank_line(start(), 2115, 2470, 8);
  dp::kiritu_hidarimuke(table, k);
  ASSERT_EQ(k, 5);
  for (int r = 1; r <= 4; ++r) EXPECT_EQ(table[r].duration, 500);
  for (int i = 1; i <= 20; ++i) {
    EXPECT_EQ(table[1].persons(i).pose, 8);
    EXPECT_EQ(table[2].persons(i).pose, 4);
    const Vec p = left_face_column(i, 2185, 2400, 4);
    expect_at(4, i, p.x, p.y);
  }
}

TEST_F(Facing, FacingOnASlantIsALogicError) {
  two_rank_line(start(), 2115, 2470, 8);
  for (int i = 1; i <= 20; ++i) start().persons(i).pose = 6;
  EXPECT_THROW(dp::kiritu_migimuke(table, k), std::logic_error);
}

// --- group wheels ----------------------------------------------------------------

using Wheel = Scene;

TEST_F(Wheel, RightWheelOfTheLeftFaceColumnAboutItsCentre) {
  column(start(), 3445, 2400, 4, false);  // member 20 leads at (4285, 2400)
  dp::kiritu_kumimigi(table, k, 500);
  ASSERT_EQ(k, 21);
  // Member 3 is in the outer file (R = 310) and wheels in records 11 to 18.
  expect_at(10, 3, 4285, 2610);
  expect_at(11, 3, 4285 + 59, 2610 - 6);
  const std::array<int, 8> poses = {5, 5, 6, 6, 6, 7, 7, 8};
  for (int j = 1; j <= 8; ++j)
    EXPECT_EQ(table[10 + j].persons(3).pose, poses[static_cast<std::size_t>(j - 1)]) << j;
  expect_at(18, 3, 4285 + 310, 2300);
  // Member 20 (inner file, R = 100) wheels first and ends a quarter turn on.
  expect_at(8, 20, 4385, 2300);
  for (int i = 1; i <= 20; ++i) {
    const Vec p = left_face_column(i, 4385, 2300, 8);
    expect_at(20, i, p.x, p.y);
    EXPECT_EQ(table[20].persons(i).pose, 8);
  }
  for (int r = 1; r <= 20; ++r) EXPECT_EQ(table[r].duration, 500);
}

TEST_F(Wheel, LeftWheelOfTheRightFaceColumnOnSevenRecords) {
  column(start(), 365, 1920, 12, true);  // member 1 leads
  dp::kiritu_kumihidari(table, k, 300);
  ASSERT_EQ(k, 21);
  const std::array<Vec, 7> arc = {
      {{-22, -3}, {-44, -10}, {-63, -22}, {-79, -38}, {-91, -58}, {-98, -79}, {-100, -100}}};
  const std::array<int, 7> poses = {11, 11, 10, 10, 9, 9, 8};
  for (int j = 1; j <= 7; ++j) {
    expect_at(j, 1, 365 + arc[static_cast<std::size_t>(j - 1)].x,
              1920 + arc[static_cast<std::size_t>(j - 1)].y);
    EXPECT_EQ(table[j].persons(1).pose, poses[static_cast<std::size_t>(j - 1)]);
  }
  expect_at(8, 1, 265, 1750);
  for (int i = 1; i <= 20; ++i) {
    const Vec p = right_face_column(i, 265, 1820 - 13 * 70, 8);
    expect_at(20, i, p.x, p.y);
    EXPECT_EQ(table[20].persons(i).pose, 8);
  }
  for (int r = 1; r <= 20; ++r) EXPECT_EQ(table[r].duration, 300);
}

TEST_F(Wheel, AColumnOutOfItsRowsIsALogicError) {
  column(start(), 3445, 2400, 4, false);
  start().persons(9).x = static_cast<std::int16_t>(start().persons(9).x + 35);
  EXPECT_THROW(dp::kiritu_kumimigi(table, k, 500), std::logic_error);
}

}  // namespace
