#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drills/pump_truck/pump_truck.hpp"

namespace {

using stage::FrameTable;
using stage::PersonSlot;

PersonSlot at(int x, int y, int pose) {
  return PersonSlot{static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                    static_cast<std::int16_t>(pose)};
}

// The drill is built once; every test reads the same table.
class PonpuTable : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    table_ = new FrameTable(drills::pump_truck::make_ponpu_frames());
    drills::pump_truck::ponpu_set(*table_);
  }
  static void TearDownTestSuite() {
    delete table_;
    table_ = nullptr;
  }
  static const FrameTable& t() { return *table_; }

  static void expect_formation(int record, const std::vector<PersonSlot>& slots) {
    SCOPED_TRACE("record " + std::to_string(record));
    for (int p = 0; p < 5; ++p)
      EXPECT_EQ(t()[record].persons(p), slots[static_cast<std::size_t>(p)]) << "person " << p;
  }

 private:
  static FrameTable* table_;
};
FrameTable* PonpuTable::table_ = nullptr;

constexpr int kEnd = 1046;

// --- Scenes and their record ranges ---------------------------------------

TEST(PonpuScenes, EachSceneEndsWhereTheNextBegins) {
  FrameTable t = drills::pump_truck::make_ponpu_frames();
  // The opening formation, as the programme writes it into record 0.
  t[0].duration = 3000;
  t[0].persons(0) = at(300, 210, 4);
  for (int i = 1; i <= 4; ++i) t[0].persons(i) = at(300, 360 + 70 * i, 4);

  struct Scene {
    const char* name;
    void (*build)(FrameTable&, int&);
    int next;
  };
  const Scene scenes[] = {
      {"ponpu_start", drills::pump_truck::ponpu_start, 37},
      {"ponpu_josya", drills::pump_truck::ponpu_josya, 74},
      {"ponpu_first", drills::pump_truck::ponpu_first, 321},
      {"ponpu_second", drills::pump_truck::ponpu_second, 646},
      {"ponpu_break", drills::pump_truck::ponpu_break, 826},
      {"ponpu_osamu", drills::pump_truck::ponpu_osamu, 998},
      {"ponpu_last", drills::pump_truck::ponpu_last, 1045},
  };
  int k = 1;
  for (const Scene& s : scenes) {
    s.build(t, k);
    EXPECT_EQ(k, s.next) << s.name;
    k = s.next;
  }
}

TEST_F(PonpuTable, EndsWithALongStillAndTheEndMarker) {
  EXPECT_EQ(t().end_index(), kEnd);
  EXPECT_EQ(t()[1045].duration, 5000);
  EXPECT_EQ(t()[kEnd].duration, 0);
  for (int p = 0; p < 5; ++p) EXPECT_EQ(t()[kEnd].persons(p), t()[1045].persons(p));
  // Nothing is written past the end marker.
  EXPECT_EQ(t()[kEnd + 1].persons(0), PersonSlot{});
}

// --- Durations --------------------------------------------------------------

struct DurationRun {
  int first, last, ms;
};

// Every record of the drill, front to back.
const DurationRun kDurations[] = {
    {0, 0, 3000},       {1, 1, 500},        {2, 10, 300},       {11, 12, 1000},
    {13, 14, 300},      {15, 16, 500},      {17, 21, 300},      {22, 22, 1000},
    {23, 23, 500},      {24, 29, 1000},     {30, 30, 500},      {31, 31, 3000},
    {32, 32, 1000},     {33, 33, 500},      {34, 35, 3000},     {36, 36, 1000},
    {37, 55, 300},      {56, 56, 1000},     {57, 73, 300},      {74, 74, 1000},
    {75, 76, 300},      {77, 77, 500},      {78, 78, 1000},     {79, 319, 300},
    {320, 320, 3000},   {321, 644, 300},    {645, 645, 3000},   {646, 824, 300},
    {825, 825, 3000},   {826, 989, 300},    {990, 990, 500},    {991, 995, 300},
    {996, 996, 1000},   {997, 997, 500},    {998, 998, 1000},   {999, 1035, 300},
    {1036, 1036, 1000}, {1037, 1037, 500},  {1038, 1038, 3000}, {1039, 1039, 1000},
    {1040, 1040, 500},  {1041, 1044, 3000}, {1045, 1045, 5000}, {1046, 1046, 0},
};

TEST_F(PonpuTable, EveryRecordHasItsDuration) {
  int next = 0;
  for (const DurationRun& run : kDurations) {
    ASSERT_EQ(run.first, next) << "duration table has a gap";
    for (int r = run.first; r <= run.last; ++r)
      EXPECT_EQ(t()[r].duration, run.ms) << "record " << r;
    next = run.last + 1;
  }
  ASSERT_EQ(next, kEnd + 1);
}

TEST_F(PonpuTable, PlaysForSixMinutesAndAQuarter) {
  long total = 0;
  for (int r = 0; r <= kEnd; ++r) total += t()[r].duration;
  EXPECT_EQ(total, 365700);
}

// --- Captions -----------------------------------------------------------------

struct CaptionRun {
  int first, last;
  const char* text;
};

const CaptionRun kCaptions[] = {
    {11, 11, "指揮者「集まれ」"},
    {22, 22, "１番員「よし」"},
    {24, 24, "指揮者「番号」"},
    {25, 25, "１番員「１」"},
    {26, 26, "２番員「２」"},
    {27, 27, "３番員「３」"},
    {28, 28, "４番員「４」"},
    {31, 31, "指揮者「ソラミ町消防隊、ただ今からポンプ車操法を開始します」"},
    {34, 34, "指揮者「火点は前方の標的、水利はポンプ車右側後方防火水槽」"},
    {35, 35, "指揮者「手びろめによる二重巻ホース、一線延長、乗車」"},
    {56, 56, "４番員「よし」"},
    {74, 74, "指揮者「操作はじめ」"},
    {78, 78, "４番員「よし」"},
    {123, 125, "４番員「よし」"},
    {146, 148, "３番員「よし」"},
    {178, 180, "１番員「放水はじめ」"},
    {181, 183, "２番員「放水はじめ」"},
    {228, 230, "２番員「放水はじめ」"},
    {231, 233, "４番員「放水はじめ」"},
    {296, 298, "２番員「伝達終わり」"},
    {325, 327, "指揮者「第２線、延長はじめ」"},
    {328, 330, "１番員「第２線、延長はじめ」"},
    {331, 333, "２，３番員「よし」"},
    {400, 402, "２番員「第２線延長」"},
    {403, 405, "４番員「第２線延長」"},
    {504, 506, "２番員「第２線、放水はじめ」"},
    {507, 509, "３番員「第２線、放水はじめ」"},
    {554, 556, "３番員「第２線、放水はじめ」"},
    {557, 559, "４番員「第２線、放水はじめ」"},
    {623, 625, "３番員「伝達終わり」"},
    {650, 652, "指揮者「放水止め」"},
    {657, 659, "１番員「第１線、放水止め」"},
    {660, 662, "２番員「第２線、放水止め」"},
    {663, 665, "３番員「よし」"},
    {732, 734, "３番員「放水止め」"},
    {735, 737, "４番員「放水止め」"},
    {803, 805, "３番員「伝達終わり」"},
    {815, 817, "１番員「よし」"},
    {819, 821, "２番員「よし」"},
    {830, 832, "指揮者「おさむ」"},
    {833, 835, "１，２，３，４番員「よし」"},
    {996, 996, "１番員「よし」"},
    {998, 998, "指揮者「点検、報告」"},
    {1002, 1004, "１番員「１番員、異常無し」"},
    {1005, 1007, "指揮者「よし」"},
    {1011, 1013, "２番員「２番員、異常無し」"},
    {1014, 1016, "指揮者「よし」"},
    {1020, 1022, "３番員「３番員、異常無し」"},
    {1023, 1025, "指揮者「よし」"},
    {1029, 1031, "４番員「４番員、異常無し」"},
    {1032, 1034, "指揮者「よし」"},
    {1038, 1038, "指揮者「ソラミ町消防隊、ポンプ車操法を終了しました。」"},
    {1041, 1041, "指揮者「わかれ」"},
};

TEST_F(PonpuTable, FiftyThreeCaptionsStandOnTheirRecordsAndNowhereElse) {
  ASSERT_EQ(std::size(kCaptions), 53u);
  std::vector<std::string> expected(kEnd + 1);
  for (const CaptionRun& c : kCaptions)
    for (int r = c.first; r <= c.last; ++r) expected[static_cast<std::size_t>(r)] = c.text;
  for (int r = 0; r <= kEnd; ++r)
    EXPECT_EQ(t()[r].caption, expected[static_cast<std::size_t>(r)]) << "record " << r;
}

TEST_F(PonpuTable, CaptionsOnTheCommonTimelineStandForOneSecondOrThree) {
  for (const CaptionRun& c : kCaptions) {
    const int ms = t()[c.first].duration;
    if (c.first == c.last)
      EXPECT_TRUE(ms == 1000 || ms == 3000) << c.text;
    else
      for (int r = c.first; r <= c.last; ++r) EXPECT_EQ(t()[r].duration, 300) << c.text;
  }
}

// --- Formations -----------------------------------------------------------------

TEST_F(PonpuTable, OpeningFormation) {
  expect_formation(
      0, {at(300, 210, 4), at(300, 430, 4), at(300, 500, 4), at(300, 570, 4), at(300, 640, 4)});
}

TEST_F(PonpuTable, CommanderWalksOutWithUnclampedSteps) {
  const PersonSlot walk[] = {at(356, 296, 2), at(412, 382, 2), at(468, 468, 2),
                             at(524, 554, 2), at(580, 640, 2), at(636, 726, 2),
                             at(692, 812, 2), at(748, 898, 2), at(750, 900, 10)};
  EXPECT_EQ(t()[1].persons(0), at(300, 210, 2));
  for (int i = 0; i < 9; ++i) EXPECT_EQ(t()[2 + i].persons(0), walk[i]) << "record " << 2 + i;
  for (int r = 1; r <= 10; ++r)
    for (int p = 1; p <= 4; ++p) EXPECT_EQ(t()[r].persons(p), t()[0].persons(p));
}

TEST_F(PonpuTable, CrewAssemblesAndDressesOnMember2) {
  for (int p = 1; p <= 4; ++p) {
    EXPECT_EQ(t()[13].persons(p).x, 380);
    EXPECT_EQ(t()[14].persons(p).x, 460);
    EXPECT_EQ(t()[15].persons(p).x, p == 2 ? 500 : 480);
  }
  EXPECT_EQ(t()[16].persons(1).pose, 0);
  EXPECT_EQ(t()[16].persons(2).pose, 4);
  EXPECT_EQ(t()[16].persons(3).pose, 8);
  EXPECT_EQ(t()[16].persons(4).pose, 8);
  // Members 1 and 3 step on the first four records, member 4 on the last four.
  const int x13[] = {485, 490, 495, 500, 500};
  const int x4[] = {480, 485, 490, 495, 500};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(t()[17 + i].persons(1).x, x13[i]);
    EXPECT_EQ(t()[17 + i].persons(3).x, x13[i]);
    EXPECT_EQ(t()[17 + i].persons(4).x, x4[i]);
  }
}

// The line-up of the opening and of the end: crew at x = 500 facing +x,
// commander before them facing the crew.
const std::vector<PersonSlot> kLine = {at(750, 900, 10), at(500, 430, 4), at(500, 500, 4),
                                       at(500, 570, 4), at(500, 640, 4)};

TEST_F(PonpuTable, LineUpFromNumberingToTheLastAnnouncement) {
  for (int r = 23; r <= 29; ++r) expect_formation(r, kLine);
  expect_formation(36, kLine);
}

TEST_F(PonpuTable, BoardingPositions) {
  // The commander waits at his place over the crew's whole walk to the truck.
  for (int r = 37; r <= 52; ++r) EXPECT_EQ(t()[r].persons(0), at(750, 900, 10)) << r;
  // Member 1's walk to (700, 700): the shorter share 90 is clamped to 80.
  EXPECT_EQ(t()[38].persons(1), at(567, 510, 2));
  EXPECT_EQ(t()[40].persons(1), at(701, 670, 2));
  EXPECT_EQ(t()[41].persons(1), at(700, 700, 3));
  expect_formation(52, {at(750, 900, 10), at(1000, 770, 8), at(1000, 840, 8), at(1000, 300, 0),
                        at(1100, 300, 0)});
  // Member 2 boards behind member 1 on record 60; nothing else moves him here.
  EXPECT_EQ(t()[59].persons(2), at(1000, 840, 8));
  EXPECT_EQ(t()[60].persons(2), at(1000, 770, 8));
  expect_formation(73, {at(1100, 770, 8), at(1000, 770, 8), at(1000, 770, 8), at(1000, 300, 0),
                        at(1100, 300, 0)});
}

TEST_F(PonpuTable, FirstLine) {
  EXPECT_EQ(t()[82].persons(0), at(1100, 770, 5));
  EXPECT_NE(t()[83].persons(0).x, 1100) << "the commander leaves his place on record 83";
  // Member 1's long run: 44 steps of exactly 80 in x, y rounded on each record.
  EXPECT_EQ(t()[104].persons(1), at(1200, 700, 5));
  for (int r = 105; r <= 148; ++r) EXPECT_EQ(t()[r].persons(1).x, 1200 + 80 * (r - 104)) << r;
  EXPECT_EQ(t()[105].persons(1).y, 690);  // 700 - 9.77 rounds to 690
  EXPECT_EQ(t()[149].persons(1), at(4750, 270, 4));
  expect_formation(
      320, {at(6550, 0, 4), at(6320, 270, 4), at(6250, 170, 4), at(6320, 535, 4), at(800, 370, 4)});
}

TEST_F(PonpuTable, SecondLine) {
  // Member 4 takes no part until the crew reaches him.
  for (int r = 321; r <= 399; ++r) EXPECT_EQ(t()[r].persons(4), t()[320].persons(4)) << r;
  EXPECT_EQ(t()[437].persons(2), at(700, 1000, 5));
  EXPECT_EQ(t()[488].persons(2), at(4750, 890, 4));
  for (int r = 561; r <= 611; ++r) EXPECT_EQ(t()[r].persons(4), at(800, 700, 6)) << r;
  expect_formation(
      645, {at(6550, 0, 4), at(6320, 270, 4), at(6320, 890, 4), at(6320, 535, 4), at(800, 370, 4)});
}

TEST_F(PonpuTable, WaterOff) {
  expect_formation(
      825, {at(6550, 0, 4), at(6300, 270, 4), at(6300, 890, 4), at(6300, 535, 4), at(800, 370, 4)});
}

TEST_F(PonpuTable, StowedAndBackOnTheLine) {
  const int x13[] = {485, 490, 495, 500, 500};
  const int x4[] = {480, 485, 490, 495, 500};
  EXPECT_EQ(t()[990].persons(1).pose, 0);
  EXPECT_EQ(t()[990].persons(3).pose, 8);
  EXPECT_EQ(t()[990].persons(4).pose, 8);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(t()[991 + i].persons(1).x, x13[i]);
    EXPECT_EQ(t()[991 + i].persons(3).x, x13[i]);
    EXPECT_EQ(t()[991 + i].persons(4).x, x4[i]);
  }
  expect_formation(997, kLine);
}

TEST_F(PonpuTable, ReportsAndDismissal) {
  // Each member faces the commander while reporting, the others face front.
  const int turned[] = {1002, 1011, 1020, 1029};
  for (int m = 1; m <= 4; ++m)
    for (int p = 1; p <= 4; ++p)
      EXPECT_EQ(t()[turned[m - 1]].persons(p).pose, p == m ? 2 : 4) << "member " << m;
  EXPECT_EQ(t()[1037].persons(0).pose, 4);
  EXPECT_EQ(t()[1040].persons(0).pose, 10);
  for (int p = 1; p <= 4; ++p) EXPECT_EQ(t()[1042].persons(p).pose, 2);
  expect_formation(1044, kLine);
  expect_formation(kEnd, kLine);
}

TEST_F(PonpuTable, EveryoneStaysOnTheStage) {
  int min_x = 1 << 20, max_x = -(1 << 20), min_y = 1 << 20, max_y = -(1 << 20);
  for (int r = 0; r <= kEnd; ++r)
    for (int p = 0; p < 5; ++p) {
      const PersonSlot s = t()[r].persons(p);
      min_x = std::min<int>(min_x, s.x);
      max_x = std::max<int>(max_x, s.x);
      min_y = std::min<int>(min_y, s.y);
      max_y = std::max<int>(max_y, s.y);
      EXPECT_TRUE(s.pose >= 0 && s.pose <= 15) << "record " << r << " person " << p;
    }
  EXPECT_EQ(min_x, 100);
  EXPECT_EQ(max_x, 6550);
  // The commander's long diagonal walk drifts 18 units below y = 0: every
  // record rounds its own share of the y distance.
  EXPECT_EQ(min_y, -18);
  EXPECT_EQ(max_y, 1000);
}

// --- Equipment codes ------------------------------------------------------------

struct CodeRun {
  int first, last, entry;
  std::vector<int> values;  // one per record, or one for the whole run
};

const CodeRun kCodes[] = {
    // Doors while boarding, and the commander's door.
    {57, 59, 1, {1, 2, 3}},
    {57, 61, 3, {1, 2, 3, 4, 5}},
    {57, 61, 4, {1, 2, 3, 4, 5}},
    {61, 63, 2, {1, 2, 3}},
    {69, 73, 0, {1, 2, 3, 4, 5}},
    // After "操作はじめ".
    {75, 76, 0, {6, 7}},
    {75, 76, 2, {4, 5}},
    {75, 76, 3, {6, 7}},
    {75, 76, 4, {6, 7}},
    {79, 81, 0, {8, 9, 10}},
    {79, 83, 1, {0, 0, 4, 5, 6}},
    {79, 83, 4, {0, 0, 8, 9, 10}},
    {123, 125, 4, {11}},
    {123, 125, 3, {0}},
    {146, 146, 2, {18}},
    {150, 152, 1, {7, 8, 9}},
    {315, 319, 3, {22, 23, 24, 25, 26}},
    {436, 441, 3, {28, 29, 30, 31, 32, 33}},
    {489, 491, 2, {31, 32, 33}},
    // Water off: both nozzle crews on the same records.
    {653, 656, 1, {16, 17, 18, 19}},
    {653, 656, 2, {40, 41, 42, 43}},
    {807, 811, 1, {20, 21, 22, 23, 24}},
    {807, 811, 2, {44, 45, 46, 47, 48}},
    {812, 814, 1, {0}},
    {812, 814, 2, {0}},
    {808, 809, 3, {47, 48}},
    // Stowing.
    {841, 843, 4, {1, 2, 3}},
    {860, 862, 4, {8, 4, 5}},
    {914, 914, 3, {51}},
};

TEST_F(PonpuTable, EquipmentCodesRunWhereTheDrillPutsThem) {
  for (const CodeRun& c : kCodes)
    for (int r = c.first; r <= c.last; ++r) {
      const int want =
          c.values.size() == 1 ? c.values[0] : c.values[static_cast<std::size_t>(r - c.first)];
      EXPECT_EQ(t()[r].code(c.entry), want) << "record " << r << " entry " << c.entry;
    }
}

TEST_F(PonpuTable, StillAndCaptionRecordsCarryNoCodes) {
  const int quiet[] = {0, 36, 56, 74, 77, 78, 320, 645, 825};
  for (int r : quiet)
    for (int e = 0; e < 5; ++e) EXPECT_EQ(t()[r].code(e), 0) << "record " << r;
  for (int r = 998; r <= kEnd; ++r)
    for (int e = 0; e < 5; ++e) EXPECT_EQ(t()[r].code(e), 0) << "record " << r;
  for (int r = 0; r <= 56; ++r)
    for (int e = 0; e < 5; ++e) EXPECT_EQ(t()[r].code(e), 0) << "record " << r;
}

TEST(PonpuFailures, ATableTooShortForTheDrillStopsTheBuilding) {
  FrameTable small("ponpu_frames", 500, 5, 5);
  EXPECT_THROW(drills::pump_truck::ponpu_set(small), stage::IndexError);
}

}  // namespace
