// The whole programme: each step's records, the named records and formations
// of the drill, and what holds over the whole table.

#include "drills/platoon/programme.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "drills/platoon/platoon.hpp"
#include "drills/platoon/scenes.hpp"
#include "formations.hpp"

namespace dp = drills::platoon;
using namespace platoon_test;

namespace {

struct StepRange {
  int first;
  int last;
};

// Built once: the programme is deterministic and the table is read only here.
struct Built {
  stage::FrameTable table = drills::platoon::make_kiritu_frames();
  std::map<int, StepRange> steps;
  Built() {
    dp::run_kiritu_programme(table, [this](int step, int first, int end) {
      steps[step] = {first, end - 1};
    });
  }
};

const Built& built() {
  static const Built b;
  return b;
}
const stage::FrameRecord& rec(int r) { return built().table[r]; }
const stage::PersonSlot& slot(int r, int i) { return rec(r).persons(i); }

#define EXPECT_AT(r, i, X, Y)                                        \
  do {                                                               \
    EXPECT_EQ(slot(r, i).x, X) << "record " << r << " member " << i; \
    EXPECT_EQ(slot(r, i).y, Y) << "record " << r << " member " << i; \
  } while (0)

// --- record ranges -----------------------------------------------------------------

struct RangeCase {
  int step, first, last;
};
class ProgrammeStep : public ::testing::TestWithParam<RangeCase> {};

TEST_P(ProgrammeStep, WritesItsRecords) {
  const RangeCase c = GetParam();
  const auto it = built().steps.find(c.step);
  ASSERT_NE(it, built().steps.end());
  EXPECT_EQ(it->second.first, c.first) << "step " << c.step;
  EXPECT_EQ(it->second.last, c.last) << "step " << c.step;
}

INSTANTIATE_TEST_SUITE_P(
    All59, ProgrammeStep,
    ::testing::Values(
        RangeCase{1, 0, 0}, RangeCase{2, 1, 1}, RangeCase{3, 2, 150}, RangeCase{4, 151, 316},
        RangeCase{5, 317, 317}, RangeCase{6, 318, 321}, RangeCase{7, 322, 325},
        RangeCase{8, 326, 328}, RangeCase{9, 329, 352}, RangeCase{10, 353, 362},
        RangeCase{11, 363, 382}, RangeCase{12, 383, 389}, RangeCase{13, 390, 390},
        RangeCase{14, 391, 393}, RangeCase{15, 394, 394}, RangeCase{16, 395, 404},
        RangeCase{17, 405, 405}, RangeCase{18, 406, 435}, RangeCase{19, 436, 436},
        RangeCase{20, 437, 437}, RangeCase{21, 438, 467}, RangeCase{22, 468, 477},
        RangeCase{23, 478, 478}, RangeCase{24, 479, 498}, RangeCase{25, 499, 501},
        RangeCase{26, 502, 502}, RangeCase{27, 503, 569}, RangeCase{28, 570, 586},
        RangeCase{29, 587, 587}, RangeCase{30, 588, 654}, RangeCase{31, 655, 723},
        RangeCase{32, 724, 732}, RangeCase{33, 733, 736}, RangeCase{34, 737, 750},
        RangeCase{35, 751, 786}, RangeCase{36, 787, 802}, RangeCase{37, 803, 803},
        RangeCase{38, 804, 907}, RangeCase{39, 908, 908}, RangeCase{40, 909, 995},
        RangeCase{41, 996, 1005}, RangeCase{42, 1006, 1006}, RangeCase{43, 1007, 1010},
        RangeCase{44, 1011, 1032}, RangeCase{45, 1033, 1052}, RangeCase{46, 1053, 1058},
        RangeCase{47, 1059, 1099}, RangeCase{48, 1100, 1173}, RangeCase{49, 1174, 1176},
        RangeCase{50, 1177, 1217}, RangeCase{51, 1218, 1237}, RangeCase{52, 1238, 1257},
        RangeCase{53, 1258, 1277}, RangeCase{54, 1278, 1323}, RangeCase{55, 1324, 1349},
        RangeCase{56, 1350, 1350}, RangeCase{57, 1351, 1351}, RangeCase{58, 1352, 1377},
        RangeCase{59, 1378, 1382}),
    [](const ::testing::TestParamInfo<RangeCase>& info) {
      return "Step" + std::to_string(info.param.step);
    });

// --- the whole table -----------------------------------------------------------------

TEST(PlatoonTable, EndsAfterRecord1382AndLasts470Seconds) {
  EXPECT_EQ(built().table.end_index(), 1383);
  EXPECT_EQ(rec(1383).duration, 0);
  long total = 0;
  for (int r = 0; r < 1383; ++r) total += rec(r).duration;
  EXPECT_EQ(total, 470000);
}

TEST(PlatoonTable, KiritusetFillsTheSameTable) {
  stage::FrameTable t = drills::platoon::make_kiritu_frames();
  drills::platoon::kiritu_set(t);
  for (int r = 0; r <= 1383; ++r) {
    ASSERT_EQ(t[r].duration, rec(r).duration) << r;
    ASSERT_EQ(t[r].caption, rec(r).caption) << r;
    for (int i = 0; i <= 20; ++i) ASSERT_EQ(t[r].persons(i), slot(r, i)) << r << "/" << i;
  }
}

TEST(PlatoonTable, EveryRecordIsShownAtLeast100MsAndStaysInTheWindowsReach) {
  for (int r = 0; r < 1383; ++r) {
    EXPECT_GE(rec(r).duration, 100) << r;
    for (int i = 0; i <= 20; ++i) {
      const stage::PersonSlot& s = slot(r, i);
      EXPECT_TRUE(s.x >= -1000 && s.x <= 6000 && s.y >= -800 && s.y <= 5400)
          << "record " << r << " slot " << i << " at (" << s.x << ", " << s.y << ")";
      EXPECT_TRUE(s.pose >= 0 && s.pose <= 15) << r << "/" << i;
    }
  }
}

// Every caption of the drill and the records it shows on.
struct CaptionRun {
  int first, last;
  const char* text;
};
const std::vector<CaptionRun> kCaptions = {
    {1, 1, "気をつけ"},
    {61, 61, "ソラミ町消防隊、ただ今から小隊訓練を開始します"},
    {62, 62, "よし"},
    {94, 94, "集まれ"},
    {118, 118, "基準"},
    {151, 151, "小隊の編成を行う"},
    {152, 152, "番号"},
    {153, 153, "１"},
    {154, 154, "２"},
    {155, 155, "３"},
    {156, 156, "４"},
    {157, 157, "５"},
    {158, 158, "６"},
    {159, 159, "７"},
    {160, 160, "８"},
    {161, 161, "９"},
    {162, 162, "満"},
    {164, 164, "右翼分隊長、○○班長"},
    {165, 165, "はい"},
    {166, 166, "左翼分隊長、○○班長"},
    {167, 167, "はい"},
    {168, 168, "５番まで、第１分隊"},
    {169, 169, "左翼、第２分隊"},
    {170, 170, "教導３歩前へ進め"},
    {202, 202, "右へならえ"},
    {224, 224, "なおれ"},
    {227, 227, "番号"},
    {228, 228, "１"},
    {229, 229, "２"},
    {230, 230, "３"},
    {231, 231, "４"},
    {232, 232, "５"},
    {233, 233, "６"},
    {234, 234, "７"},
    {235, 235, "８"},
    {236, 236, "９"},
    {237, 237, "満"},
    {239, 239, "整列休め"},
    {240, 240, "気をつけ"},
    {241, 241, "右向け右"},
    {245, 245, "左向け左"},
    {266, 266, "左向け左"},
    {270, 270, "右向け右"},
    {290, 290, "まわれ右"},
    {295, 295, "まわれ右"},
    {317, 317, "前へ進め"},
    {319, 321, "左向け前へ進め"},
    {360, 362, "組々右へ進め"},
    {391, 393, "まわれ右前へ進め"},
    {402, 404, "かけ足進め"},
    {433, 435, "まわれ右前へ進め"},
    {465, 467, "はや足進め"},
    {475, 477, "組々右へ進め"},
    {499, 501, "右へならび進め"},
    {584, 586, "右に向きを変え進め"},
    {730, 732, "右向け前へ進め"},
    {748, 750, "左へならび止まれ"},
    {803, 803, "右に向きを変え進め"},
    {908, 908, "前へ進め"},
    {1003, 1005, "右向け前へ進め"},
    {1030, 1032, "組々左へ進め"},
    {1056, 1058, "小隊止まれ"},
    {1060, 1060, "左向け左"},
    {1111, 1111, "分列に前へ"},
    {1113, 1113, "進め"},
    {1129, 1131, "かしら右"},
    {1154, 1155, "なおれ"},
    {1174, 1176, "右向け組々左へ進め"},
    {1198, 1200, "目標集合位置、かけ足進め"},
    {1275, 1277, "左向け止まれ"},
    {1350, 1350, "ソラミ町消防隊、小隊訓練を終了しました"},
    {1351, 1351, "よし"},
    {1378, 1378, "わかれ"},
};

TEST(PlatoonTable, CaptionsOnlyWhereTheCommandsAreGiven) {
  std::map<int, std::string> expected;
  for (const CaptionRun& c : kCaptions)
    for (int r = c.first; r <= c.last; ++r) expected[r] = c.text;
  for (int r = 0; r <= 1383; ++r) {
    const auto it = expected.find(r);
    EXPECT_EQ(rec(r).caption, it == expected.end() ? std::string() : it->second) << "record " << r;
  }
}

// --- opening --------------------------------------------------------------------------

TEST(Opening, TwoRanksFacingTheFrontWithTheCommanderOnTheRight) {
  for (int r : {0, 1}) {
    EXPECT_EQ(rec(r).duration, r == 0 ? 3000 : 1000);
    EXPECT_AT(r, 0, 1965, 4800);
    EXPECT_AT(r, 1, 2115, 4800);
    for (int i = 0; i <= 20; ++i) EXPECT_EQ(slot(r, i).pose, 8);
  }
  EXPECT_AT(0, 2, 2185, 4800);
  EXPECT_AT(0, 3, 2185, 4940);
  EXPECT_AT(0, 19, 2745, 4940);
  EXPECT_AT(0, 20, 2815, 4800);
  EXPECT_EQ(rec(0).caption, "");
}

TEST(Opening, CommanderWalksToTheFrontAndTheGatheringPoint) {
  for (int r = 2; r <= 60; ++r) EXPECT_EQ(rec(r).duration, 300) << r;
  EXPECT_EQ(slot(59, 0).pose, 7);
  EXPECT_AT(60, 0, 2465, 85);
  EXPECT_EQ(slot(60, 0).pose, 8);
  EXPECT_AT(93, 0, 2115, 2535);
  EXPECT_EQ(slot(93, 0).pose, 0);
  // 22 double-time steps of 80, then the half pace of the halt.
  EXPECT_AT(116, 1, 2115, 4800 - 22 * 80);
  EXPECT_AT(117, 1, 2115, 2960);
  EXPECT_AT(117, 3, 2185, 3100);
  EXPECT_AT(117, 2, 2185, 3000);
}

TEST(Opening, CommanderTakesPostDuringTheDressing) {
  for (int r = 119; r <= 123; ++r) EXPECT_EQ(slot(r, 0).pose, 5) << r;
  EXPECT_AT(124, 0, 2465, 2090);  // member 10's x, member 1's y less 870
  EXPECT_EQ(slot(124, 0).pose, 0);
  for (int r = 125; r <= 150; ++r) EXPECT_EQ(slot(r, 0), slot(124, 0)) << r;
  // Under the walk the members' records are the dressing's own.
  stage::FrameTable alone = drills::platoon::make_kiritu_frames();
  alone[0] = rec(118);
  int k = 1;
  dp::kiritu_seiton(alone, k, 0);
  ASSERT_EQ(k, 33);
  for (int r = 1; r < k; ++r)
    for (int i = 1; i <= 20; ++i) EXPECT_EQ(alone[r].persons(i), slot(118 + r, i)) << r << "/" << i;
  for (int r = 125; r <= 150; ++r) EXPECT_EQ(rec(r).duration, alone[r - 118].duration) << r;
}

// --- forming up -----------------------------------------------------------------------

TEST(FormingUp, DressingOfTheSquareLineAndFacingsAtTheHalt) {
  // seiton(k, 0) on the dressed platoon after the facings: records 248 to 264.
  EXPECT_EQ(slot(248, 2).pose, 12);
  EXPECT_EQ(rec(250).duration, 1000);
  EXPECT_EQ(slot(251, 3).pose, 4);
  for (int r = 252; r <= 264; ++r) EXPECT_EQ(rec(r).duration, 300) << r;
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(slot(264, i).pose, 8);
  // The formed platoon: member 1 three paces ahead of where it halted.
  for (int r : {222, 264, 316}) {
    EXPECT_AT(r, 1, 2115, 2750);
    EXPECT_AT(r, 2, 2185, 2750);
    EXPECT_AT(r, 3, 2185, 2890);
    EXPECT_AT(r, 20, 2815, 2750);
  }
  // Column of fours facing -x on "右向け右".
  EXPECT_AT(243, 4, 2255 - 70, 2750 + 70);
  EXPECT_AT(243, 5, 2255 - 70, 2890 + 70);
}

// --- the march --------------------------------------------------------------------------

TEST(March, FirstRightWheelTurnsAboutItsCentre) {
  // Member 20 leads the left-face column at (4285, 2400) and wheels first.
  EXPECT_AT(362, 20, 4285, 2400);
  EXPECT_AT(370, 20, 4385, 2300);
  EXPECT_EQ(slot(369, 20).pose, 7);
  EXPECT_AT(372, 18, 4385, 2300);
  EXPECT_AT(382, 1, 4385, 2300);
  EXPECT_AT(382, 20, 4385, 1460);
}

TEST(March, RightDeploymentOnTheMarch) {
  // Member 18 (3 beats) is set on its place first, at t = 10; member 1 (13
  // beats) last, at t = 61; member 20 marches straight on.
  EXPECT_AT(502, 20, 3165, 660);
  EXPECT_EQ(slot(511, 18).pose, 14);
  EXPECT_AT(512, 18, 3165 - 210, 730);
  EXPECT_EQ(slot(512, 18).pose, 12);
  EXPECT_EQ(slot(562, 1).pose, 14);
  EXPECT_AT(563, 1, 3165 - 910, 1360);
  EXPECT_EQ(slot(563, 1).pose, 12);
  for (int r = 503; r <= 568; ++r) EXPECT_EQ(rec(r).duration, 100) << r;
  EXPECT_EQ(rec(569).duration, 400);
  EXPECT_AT(569, 20, 2185, 660);
  EXPECT_AT(569, 1, 2185, 1360);
  for (int i = 2; i <= 19; ++i) {
    EXPECT_AT(569, i, i % 2 == 0 ? 2185 : 2325, 1360 - 70 * (i / 2));
    EXPECT_EQ(slot(569, i).pose, 12);
  }
}

TEST(March, ChangeOfDirectionOnTheMarchPivotsOnMember1) {
  EXPECT_AT(587, 1, 925, 1360);
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(slot(654, i).pose, 0) << i;
  EXPECT_EQ(rec(654).duration, 400);
  // Fourteen beats of 70 for member 1 and the new line beside him.
  EXPECT_AT(654, 1, 925, 1360 + 14 * 70);
  for (int i = 2; i <= 20; ++i) EXPECT_AT(654, i, 925 - 70 * (i / 2), 2340 - 140 * (i % 2));
}

TEST(March, RightFaceIntoColumnAndLeftDeploymentAtTheHalt) {
  EXPECT_AT(736, 1, 1065, 4020);
  EXPECT_AT(736, 20, 1065 - 840, 4020);
  EXPECT_AT(750, 1, 2045, 4020);
  for (int r = 751; r <= 786; ++r) {
    EXPECT_EQ(rec(r).duration, 300) << r;
    EXPECT_AT(r, 1, 2045, 4020);
  }
  EXPECT_EQ(slot(752, 1).pose, 0);
  for (int i = 2; i <= 20; ++i) EXPECT_AT(786, i, 2045 - 140 * (i % 2), 4020 + 70 * (i / 2));
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(slot(786, i).pose, 4) << i;
}

TEST(March, ChangeOfDirectionAtTheHalt) {
  int tenths = 0, threes = 0;
  for (int r = 804; r <= 907; ++r) {
    tenths += rec(r).duration == 100;
    threes += rec(r).duration == 300;
    EXPECT_AT(r, 1, 2045, 4020);
  }
  EXPECT_EQ(tenths, 91);
  EXPECT_EQ(threes, 13);
  EXPECT_EQ(slot(804, 1).pose, 8);
  EXPECT_EQ(slot(809, 1).pose, 4);
  for (int i = 2; i <= 20; ++i) EXPECT_AT(907, i, 2045 + 70 * (i / 2), 4020 + 140 * (i % 2));
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(slot(907, i).pose, 8) << i;
}

TEST(March, HaltFacesLeftAndDressesOnTheGuidePoint) {
  EXPECT_AT(1062, 1, 265, 490);
  EXPECT_AT(1062, 2, 265, 630);
  EXPECT_AT(1099, 1, 300, 518);
  EXPECT_AT(1099, 2, 300, 588);
  for (int i = 2; i <= 20; ++i) EXPECT_AT(1099, i, 300 - 140 * (i % 2), 518 + 70 * (i / 2));
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(slot(1099, i).pose, 4) << i;
}

TEST(MarchPast, EyesRightExceptTheGuide) {
  EXPECT_AT(1110, 0, 520, 868);
  EXPECT_AT(1100, 0, 1370 - 85, 868);
  EXPECT_EQ(slot(1112, 0).pose, 4);
  for (int i = 0; i <= 20; ++i) EXPECT_EQ(slot(1132, i).pose, i == 1 ? 4 : 6) << i;
  EXPECT_EQ(slot(1151, 0).pose, 6);
  EXPECT_EQ(slot(1152, 0).pose, 4);
  EXPECT_EQ(slot(1154, 5).pose, 6);
  EXPECT_EQ(slot(1155, 5).pose, 4);
  // Everybody steps 70 toward +x in each of the 42 records from 1114 to 1155.
  EXPECT_AT(1155, 0, 520 + 42 * 70, 868);
  EXPECT_AT(1155, 1, 300 + 42 * 70, 518);
  EXPECT_AT(1157, 0, 3460 + 35, 868 + 84);
  EXPECT_EQ(slot(1157, 0).pose, 1);
  EXPECT_AT(1173, 0, 3670, 1370);
  EXPECT_EQ(slot(1173, 0).pose, 8);
}

TEST(ClosingMarch, TwoLeftWheelsThenDoubleTime) {
  EXPECT_EQ(slot(1177, 0).pose, 6);
  for (int r = 1177; r <= 1200; ++r) EXPECT_EQ(rec(r).duration, 500) << r;
  for (int r = 1201; r <= 1217; ++r) EXPECT_EQ(rec(r).duration, 300) << r;
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(slot(1181, i).pose, 8);
  EXPECT_AT(1181, 1, 3870, 378);
  // Member 1 wheels from record 1182 and again from 1198; member 20 from 1194 and 1210.
  EXPECT_EQ(slot(1182, 1).pose, 7);
  EXPECT_EQ(slot(1188, 1).pose, 4);
  EXPECT_EQ(slot(1198, 1).pose, 3);
  EXPECT_EQ(slot(1204, 1).pose, 0);
  EXPECT_EQ(slot(1193, 20).pose, 8);
  EXPECT_EQ(slot(1194, 20).pose, 7);
  EXPECT_EQ(slot(1209, 20).pose, 4);
  EXPECT_EQ(slot(1210, 20).pose, 3);
  EXPECT_EQ(slot(1216, 20).pose, 0);
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(slot(1217, i).pose, 0) << i;
  // The commander walks to the assembly point over the members' records.
  for (int r = 1201; r <= 1215; ++r) EXPECT_EQ(slot(r, 0).pose, 14) << r;
  EXPECT_AT(1216, 0, 2440, 2118);
  EXPECT_EQ(slot(1216, 0).pose, 0);
  EXPECT_EQ(slot(1217, 0), slot(1216, 0));
  EXPECT_AT(1200, 0, 3670, 1370);
}

TEST(Finale, HaltDressAndDismissal) {
  EXPECT_AT(1277, 1, 2090, 2988);
  EXPECT_EQ(rec(1278).duration, 500);
  EXPECT_EQ(rec(1280).duration, 1000);
  EXPECT_AT(1349, 0, 2465, 85);
  // The fan at "わかれ": members turn outward, the middle file faces the front.
  const std::array<int, 21> fan = {0, 5, 5, 5,  6,  6,  6,  6,  7,  7, 8,
                                   8, 9, 9, 10, 10, 10, 10, 11, 11, 11};
  for (int i = 0; i <= 20; ++i)
    EXPECT_EQ(slot(1379, i).pose, fan[static_cast<std::size_t>(i)]) << i;
  EXPECT_EQ(rec(1379).duration, 1000);
  EXPECT_EQ(rec(1380).duration, 3000);
  EXPECT_EQ(rec(1382).duration, 5000);
  // The final formation.
  EXPECT_AT(1382, 0, 2440, 2118);
  EXPECT_EQ(slot(1382, 0).pose, 0);
  EXPECT_AT(1382, 1, 2090, 2988);
  for (int i = 2; i <= 20; ++i) EXPECT_AT(1382, i, 2090 + 70 * (i / 2), 2988 + 140 * (i % 2));
  for (int i = 1; i <= 20; ++i) EXPECT_EQ(slot(1382, i).pose, 8) << i;
}

}  // namespace
