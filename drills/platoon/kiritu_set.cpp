// The platoon drill's programme: opening, forming up, the march with its
// facings, wheels and deployments, the march past, the closing march and the
// dismissal, written front to back into the platoon table.

#include <algorithm>
#include <array>
#include <vector>

#include "drills/platoon/platoon.hpp"
#include "drills/platoon/primitives.hpp"
#include "drills/platoon/programme.hpp"
#include "drills/platoon/scenes.hpp"
#include "drills/platoon/wheel.hpp"

namespace drills::platoon {
namespace {

// Where the commander makes the announcements, and where he stands while the
// platoon marches up and down the stage.
constexpr int kFrontX = 2465, kFrontY = 85;
constexpr int kGatherX = 2115, kGatherY = 2535;

// The two-rank line the drill opens with, facing -y: member 1 at the right of
// the front rank, files 70 apart, the rear rank 140 behind; the commander 150
// to member 1's right.
void write_opening_formation(stage::FrameRecord& r) {
  r.duration = 3000;
  r.persons(kCommander) = {1965, 4800, pose::kS};
  r.persons(kFirstMember) = {2115, 4800, pose::kS};
  for (int i = 2; i <= kLastMember; ++i)
    r.persons(i) = {static_cast<std::int16_t>(2115 + kFileSpacing * (i / 2)),
                    static_cast<std::int16_t>(4800 + kRankSpacing * (i % 2)), pose::kS};
}

// Lays a walk of the commander over records the members' routine has already
// written from `from` up to `end`: the walk rewrites slot 0 and the durations,
// and the commander stands still for the rest.
void lay_commander_walk(stage::FrameTable& table, int& k, int from, int X, int Y, int d1, int d2) {
  const int end = k;
  k = from;
  kiritu_sikiido(table, k, X, Y, d1, d2, 0);
  for (; k < end; ++k) table[k].persons(kCommander) = table[k - 1].persons(kCommander);
  // A walk longer than the routine under it would leave records with no
  // members in them; they hold where the routine left them.
  for (int r = end; r < k; ++r)
    for (int i = kFirstMember; i <= kLastMember; ++i) table[r].persons(i) = table[r - 1].persons(i);
}

// The dismissal: the ranks turn outward in a fan from the middle, the two men
// of the middle file keep facing the front.
constexpr std::array<std::int16_t, kLastMember + 1> kDismissalFan = {
    -1, 5, 5, 5, 6, 6, 6, 6, 7, 7, -1, -1, 9, 9, 10, 10, 10, 10, 11, 11, 11};

}  // namespace

void kiritu_start(stage::FrameTable& table, int& k) {
  kiritu_sikiido(table, k, kFrontX, kFrontY, pose::kSSE, pose::kS, 1);
  hold(table, k, 3000, "ソラミ町消防隊、ただ今から小隊訓練を開始します");
  hold(table, k, 2000, "よし");
  kiritu_sikiido(table, k, kGatherX, kGatherY, pose::kNNW, pose::kN, 1);
  hold(table, k, 1000, "集まれ");
  kiritu_zensin(table, k, 22, kDoubleTime);

  // The platoon halts in a last half pace: the guide, and member 3 behind
  // member 2, come up 40 further than the ranks so the dressing has a line.
  {
    stage::FrameRecord& now = begin_record(table, k, 300);
    for (int i = kFirstMember; i <= kLastMember; ++i)
      now.persons(i).y = static_cast<std::int16_t>(now.persons(i).y - (i == 1 || i == 3 ? 80 : 40));
    ++k;
  }
  hold(table, k, 1000, "基準");

  // The commander takes post in front of the middle of the line while the
  // ranks dress.
  const int dressing_from = k;
  const int post_x = table[k - 1].persons(10).x;
  const int post_y = table[k - 1].persons(kFirstMember).y - 870;
  kiritu_seiton(table, k, 0);
  lay_commander_walk(table, k, dressing_from, post_x, post_y, pose::kESE, pose::kN);
}

void kiritu_wakare(stage::FrameTable& table, int& k) {
  hold(table, k, 1000, "わかれ");
  {
    stage::FrameRecord& now = begin_record(table, k, 1000);
    for (int i = kFirstMember; i <= kLastMember; ++i)
      if (kDismissalFan[static_cast<std::size_t>(i)] >= 0)
        now.persons(i).pose = kDismissalFan[static_cast<std::size_t>(i)];
    ++k;
  }
  hold(table, k, 3000);
  {
    stage::FrameRecord& now = begin_record(table, k, 1000);
    for (int i = kFirstMember; i <= kLastMember; ++i) now.persons(i).pose = pose::kS;
    ++k;
  }
  hold(table, k, 5000);
}

namespace {

// The closing march: two left wheels by rows, the second 16 records after the
// first (seven on the arc and nine paces on). The order to double time comes
// as member 1 begins the second wheel and shows for three records; the
// commander then walks to the assembly point.
constexpr int kSecondWheelAfter = 16;
constexpr int kCommandAt = kSecondWheelAfter;
constexpr int kDoubleTimeFrom = kCommandAt + 3;
constexpr int kAssemblyX = 2440, kAssemblyY = 2118;

}  // namespace

void kiritu_last(stage::FrameTable& table, int& k) {
  kiritu_sikiido2(table, k, 3670, 1370, pose::kS, pose::kSE);
  kiritu_migimuke(table, k);

  const ColumnPlaces column = read_column(table[k - 1], Hand::Left, "kiritu_last");
  int deepest = 0;
  for (int i = kFirstMember; i <= kLastMember; ++i)
    deepest = std::max(deepest, column[static_cast<std::size_t>(i)].rows_behind);
  // The march ends when the last row has finished its second wheel and taken
  // one step in the new direction.
  const int records = kSecondWheelAfter + 2 * deepest + kWheelOfSeven.records + 1;
  std::vector<int> durations(static_cast<std::size_t>(records), kQuickTime);
  for (int r = kDoubleTimeFrom; r < records; ++r)
    durations[static_cast<std::size_t>(r)] = kDoubleTime;

  const int first = k;
  write_wheels(table, k, durations, column, Hand::Left, kWheelOfSeven, {0, kSecondWheelAfter});
  announce(table, first + kDoubleTimeFrom, "目標集合位置、かけ足進め");
  lay_commander_walk(table, k, first + kDoubleTimeFrom, kAssemblyX, kAssemblyY, pose::kNW,
                     pose::kN);
}

namespace {

// The programme, one entry per step; the first writes record 0 and sets k to 1.
using ProgrammeStep = void (*)(stage::FrameTable&, int&);
const std::array<ProgrammeStep, kProgrammeSteps> kProgramme = {
    [](stage::FrameTable& table, int& k) {
      write_opening_formation(table[0]);
      k = 1;
    },
    [](stage::FrameTable& table, int& k) { hold(table, k, 1000, "気をつけ"); },
    [](stage::FrameTable& table, int& k) { kiritu_start(table, k); },
    [](stage::FrameTable& table, int& k) { kiritu_seisi(table, k); },
    [](stage::FrameTable& table, int& k) { hold(table, k, 1000, "前へ進め"); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 4, kQuickTime);
      announce(table, k, "左向け前へ進め");
    },
    [](stage::FrameTable& table, int& k) { kiritu_hidarimuke(table, k); },
    [](stage::FrameTable& table, int& k) { kiritu_zensin(table, k, 3, kQuickTime); },
    [](stage::FrameTable& table, int& k) {
      table[k].duration = 100;
      kiritu_sikiido2(table, k, kGatherX, kGatherY, pose::kNW, pose::kE);
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 10, kQuickTime);
      announce(table, k, "組々右へ進め");
    },
    [](stage::FrameTable& table, int& k) { kiritu_kumimigi(table, k, kQuickTime); },
    [](stage::FrameTable& table, int& k) { kiritu_zensin(table, k, 7, kQuickTime); },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido2(table, k, kGatherX, kGatherY, pose::kE, pose::kSE);
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 3, kQuickTime);
      announce(table, k, "まわれ右前へ進め");
    },
    [](stage::FrameTable& table, int& k) { kiritu_maware(table, k, kQuickTime); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 10, kQuickTime);
      announce(table, k, "かけ足進め");
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido2(table, k, kGatherX, kGatherY, pose::kSE, pose::kNE);
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 30, kDoubleTime);
      announce(table, k, "まわれ右前へ進め");
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido2(table, k, kGatherX, kGatherY, pose::kNE, pose::kE);
    },
    [](stage::FrameTable& table, int& k) { kiritu_maware(table, k, kDoubleTime); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 30, kDoubleTime);
      announce(table, k, "はや足進め");
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 10, kQuickTime);
      announce(table, k, "組々右へ進め");
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido2(table, k, kGatherX, kGatherY, pose::kE, pose::kSE);
    },
    [](stage::FrameTable& table, int& k) { kiritu_kumimigi(table, k, kQuickTime); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 3, kQuickTime);
      announce(table, k, "右へならび進め");
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido2(table, k, kGatherX, kGatherY, pose::kSE, pose::kS);
    },
    [](stage::FrameTable& table, int& k) { kiritu_miginarabi(table, k); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 17, kQuickTime);
      announce(table, k, "右に向きを変え進め");
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido2(table, k, kGatherX, kGatherY, pose::kS, pose::kW);
    },
    [](stage::FrameTable& table, int& k) { kiritu_migimuki(table, k); },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido2(table, k, 2985, 4440, pose::kNE, pose::kW);
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 9, kQuickTime);
      announce(table, k, "右向け前へ進め");
    },
    [](stage::FrameTable& table, int& k) { kiritu_migimuke(table, k); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 14, kQuickTime);
      announce(table, k, "左へならび止まれ");
    },
    [](stage::FrameTable& table, int& k) { kiritu_hidarinarabi(table, k); },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido(table, k, 2465, 3220, pose::kSSW, pose::kN, 1);
    },
    [](stage::FrameTable& table, int& k) { hold(table, k, 1000, "右に向きを変え進め"); },
    [](stage::FrameTable& table, int& k) { kiritu_migimuki2(table, k); },
    [](stage::FrameTable& table, int& k) { hold(table, k, 1000, "前へ進め"); },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido2(table, k, 1370, 868, pose::kSW, pose::kN);
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 10, kQuickTime);
      announce(table, k, "右向け前へ進め");
    },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido2(table, k, 1370, 868, pose::kN, pose::kW);
    },
    [](stage::FrameTable& table, int& k) { kiritu_migimuke(table, k); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 22, kQuickTime);
      announce(table, k, "組々左へ進め");
    },
    [](stage::FrameTable& table, int& k) { kiritu_kumihidari(table, k, kQuickTime); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 6, kQuickTime);
      announce(table, k, "小隊止まれ");
    },
    [](stage::FrameTable& table, int& k) { kiritu_hidarimuke2(table, k); },
    [](stage::FrameTable& table, int& k) { kiritu_bunretu(table, k); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 3, kQuickTime);
      announce(table, k, "右向け組々左へ進め");
    },
    [](stage::FrameTable& table, int& k) { kiritu_last(table, k); },
    [](stage::FrameTable& table, int& k) { kiritu_zensin(table, k, 20, kDoubleTime); },
    [](stage::FrameTable& table, int& k) { kiritu_kumihidari(table, k, kDoubleTime); },
    [](stage::FrameTable& table, int& k) {
      kiritu_zensin(table, k, 20, kDoubleTime);
      announce(table, k, "左向け止まれ");
    },
    [](stage::FrameTable& table, int& k) { kiritu_hidaristop(table, k); },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido(table, k, kFrontX, kFrontY, pose::kS, pose::kS, 1);
    },
    [](stage::FrameTable& table, int& k) {
      hold(table, k, 3000, "ソラミ町消防隊、小隊訓練を終了しました");
    },
    [](stage::FrameTable& table, int& k) { hold(table, k, 2000, "よし"); },
    [](stage::FrameTable& table, int& k) {
      kiritu_sikiido(table, k, kAssemblyX, kAssemblyY, pose::kN, pose::kN, 1);
    },
    [](stage::FrameTable& table, int& k) { kiritu_wakare(table, k); },
};

}  // namespace

void run_kiritu_programme(stage::FrameTable& table, const StepObserver& observer) {
  int k = 0;
  for (std::size_t n = 0; n < kProgramme.size(); ++n) {
    const int first = k;
    kProgramme[n](table, k);
    if (observer) observer(static_cast<int>(n) + 1, first, k);
  }
}

void kiritu_set(stage::FrameTable& table) { run_kiritu_programme(table, {}); }

}  // namespace drills::platoon
