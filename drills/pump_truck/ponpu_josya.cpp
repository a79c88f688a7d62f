#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {
namespace {

// Boarding, one 300 ms record per row, code entries of slots 0..4. A member's
// codes 1..5 open his door, hide his figure inside and shut the door again.
// Members 3 and 4 board through the two doors on the lower side together;
// member 1 boards on the upper side and member 2 follows him through the same
// door, stepping across to it on the fourth record.
constexpr int kBoardingCodes[7][5] = {
    {0, 1, 0, 1, 1}, {0, 2, 0, 2, 2}, {0, 3, 0, 3, 3}, {0, 0, 0, 4, 4},
    {0, 0, 1, 5, 5}, {0, 0, 2, 0, 0}, {0, 0, 3, 0, 0},
};
constexpr int kMember2BoardsOn = 3;

}  // namespace

void ponpu_josya(stage::FrameTable& table, int& k) {
  {
    PonpuSection s(table, k);
    // Members 1 and 2 head for the truck's upper side, 3 and 4 for its lower side.
    s.turn(1, pose::kNE);
    s.turn(2, pose::kNE);
    s.turn(3, pose::kSW);
    s.turn(4, pose::kSW);

    s.ido(1, 700, 700, 2, 3);
    s.ido(1, 1000, 770, 3, 8);

    s.ido(2, 700, 770, 2, 3);
    s.ido(2, 1000, 840, 3, 8);

    s.ido(3, 495, 565, 10, 10);
    s.ido(3, 490, 560, 10, 10);
    s.ido(3, 485, 555, 10, 10);
    s.ido(3, 480, 550, 10, 8);
    s.ido(3, 500, 300, 8, 4);
    s.ido(3, 1000, 300, 4, 0);

    s.ido(4, 400, 600, 10, 8);
    s.ido(4, 400, 400, 8, 6);
    s.ido(4, 600, 300, 6, 4);
    s.ido(4, 1100, 300, 4, 0);

    s.sync_all();
    k = s.counter(0);
  }

  ponpu_record(table, k, 300).persons(0).pose = pose::kSE;
  table[k - 1].persons(4).pose = pose::kNW;  // member 4 looks about before answering
  ponpu_record(table, k, 300).persons(4).pose = pose::kW;
  ponpu_record(table, k, 300).persons(4).pose = pose::kN;
  ponpu_record(table, k, 1000, "４番員「よし」");

  for (int i = 0; i < 7; ++i) {
    stage::FrameRecord& r = ponpu_record(table, k, 300);
    for (int p = 1; p <= 4; ++p)
      r.code(p) = static_cast<stage::EquipmentCode>(kBoardingCodes[i][p]);
    if (i == kMember2BoardsOn) r.persons(2) = stage::PersonSlot{1000, 770, pose::kS};
  }

  {
    PonpuSection s(table, k);
    s.ido(0, 1100, 770, 6, 8);
    s.sync_all();
    k = s.counter(0);
  }

  // The commander boards last through his own door.
  for (int h = 1; h <= 5; ++h)
    ponpu_record(table, k, 300).code(0) = static_cast<stage::EquipmentCode>(h);
}

}  // namespace drills::pump_truck
