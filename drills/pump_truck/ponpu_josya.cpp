#include <iterator>

#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {
namespace {

// Boarding, one 300 ms record per row: a member's door goes ajar, wide open,
// his figure is hidden inside and the door goes back ajar and shut. Members 3
// and 4 board through the two doors on the lower side together; member 1
// boards on the upper side and member 2 follows him through the same door,
// stepping across to it on the fourth record and shutting it behind him.
struct BoardingRecord {
  Crew1Code member1;
  Crew2Code member2;
  Crew3Code member3;
  Crew4Code member4;
};
constexpr BoardingRecord kBoardingCodes[] = {
    {Crew1Code::BoardDoorAjar, Crew2Code::None, Crew3Code::BoardDoorAjar, Crew4Code::BoardDoorAjar},
    {Crew1Code::BoardDoorWideOpen, Crew2Code::None, Crew3Code::BoardDoorWideOpen,
     Crew4Code::BoardDoorWideOpen},
    {Crew1Code::HideFigure, Crew2Code::None, Crew3Code::HideFigure, Crew4Code::HideFigure},
    {Crew1Code::None, Crew2Code::None, Crew3Code::BoardDoorBackAjar, Crew4Code::BoardDoorBackAjar},
    {Crew1Code::None, Crew2Code::BoardHideFigureDoorWideOpen, Crew3Code::BoardDoorShut,
     Crew4Code::BoardDoorShut},
    {Crew1Code::None, Crew2Code::BoardDoorBackAjar, Crew3Code::None, Crew4Code::None},
    {Crew1Code::None, Crew2Code::BoardDoorShut, Crew3Code::None, Crew4Code::None},
};

// The commander boards last through his own door, one 300 ms record a step.
constexpr CommanderCode kCommanderBoards[] = {
    CommanderCode::BoardDoorAjar, CommanderCode::BoardDoorWideOpen, CommanderCode::HideFigure,
    CommanderCode::BoardDoorBackAjar, CommanderCode::BoardDoorShut};
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

  for (int i = 0; i < std::ssize(kBoardingCodes); ++i) {
    const BoardingRecord& codes = kBoardingCodes[i];
    stage::FrameRecord& r = ponpu_record(table, k, 300);
    set_code(r, codes.member1);
    set_code(r, codes.member2);
    set_code(r, codes.member3);
    set_code(r, codes.member4);
    if (i == kMember2BoardsOn) r.persons(2) = stage::PersonSlot{1000, 770, pose::kS};
  }

  {
    PonpuSection s(table, k);
    s.ido(0, 1100, 770, 6, 8);
    s.sync_all();
    k = s.counter(0);
  }

  for (const CommanderCode code : kCommanderBoards) set_code(ponpu_record(table, k, 300), code);
}

}  // namespace drills::pump_truck
