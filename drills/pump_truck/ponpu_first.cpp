#include "drills/pump_truck/hose_lines.hpp"
#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {
namespace {

// The two records after "操作はじめ": the commander and members 2, 3 and 4
// open their doors to get out (members 1 and 2 share the door member 2 opens).
struct OpeningRecord {
  CommanderCode commander;
  Crew2Code member2;
  Crew3Code member3;
  Crew4Code member4;
};
constexpr OpeningRecord kOpeningCodes[] = {
    {CommanderCode::ExitDoorAjar, Crew2Code::ExitDoorAjar, Crew3Code::ExitDoorAjar,
     Crew4Code::ExitDoorAjar},
    {CommanderCode::ExitDoorWideOpen, Crew2Code::ExitDoorWideOpen, Crew3Code::ExitDoorWideOpen,
     Crew4Code::ExitDoorWideOpen},
};

}  // namespace

void ponpu_first(stage::FrameTable& table, int& k) {
  ponpu_record(table, k, 1000, "指揮者「操作はじめ」");
  for (const auto& codes : kOpeningCodes) {
    stage::FrameRecord& r = ponpu_record(table, k, 300);
    set_code(r, codes.commander);
    set_code(r, codes.member2);
    set_code(r, codes.member3);
    set_code(r, codes.member4);
  }
  ponpu_record(table, k, 500);
  ponpu_record(table, k, 1000, "４番員「よし」");

  PonpuSection s(table, k);
  // Everyone gets out (figure shown, door back ajar and shut); the
  // commander then heads for his place beside the target.
  s.codes(
      0, 1100, 770, 8,
      {CommanderCode::ShowFigure, CommanderCode::ExitDoorBackAjar, CommanderCode::ExitDoorShut});
  s.ido(0, 1100, 770, 8, 5);
  s.ido(0, 1200, 700, 5, 6);
  s.ido(0, 2000, 150, 6, 0);
  s.ido(0, 2000, 150, 0, 14);

  s.codes(1, 1000, 770, 8,
          {Crew1Code::None, Crew1Code::None, Crew1Code::ShowFigure, Crew1Code::ExitDoorBackAjar,
           Crew1Code::ExitDoorShut});
  s.ido(1, 1000, 770, 8, 11);
  s.ido(1, 600, 700, 11, 8);
  s.ido(1, 600, 600, 8, 4);
  s.hold(1, 2);
  s.ido(1, 600, 700, 0, 4);
  s.ido(1, 1200, 700, 4, 5);
  lay_nozzle_end(s, kLine1);

  s.ido(2, 1000, 770, 8, 8, Crew2Code::ShowFigure);
  s.ido(2, 1000, 770, 8, 11);
  s.ido(2, 600, 700, 11, 8);
  s.ido(2, 600, 500, 8, 4);
  s.hold(2, 2);
  s.ido(2, 600, 300, 8, 4);
  s.ido(2, 750, 300, 4, 4);
  s.hold(2, 2, Crew2Code::Line1PumpOutletDisc);
  s.ido(2, 600, 300, 12, 0);
  s.ido(2, 600, 500, 0, 4);
  s.hold(2, 2);
  s.ido(2, 600, 270, 8, 4);
  s.ido(2, 750, 270, 4, 4);

  s.codes(3, 1000, 300, 0,
          {Crew3Code::ShowFigure, Crew3Code::ExitDoorBackAjar, Crew3Code::ExitDoorShut});
  s.ido(3, 1000, 300, 0, 13);
  s.ido(3, 700, 370, 13, 0);

  s.codes(4, 1100, 300, 0,
          {Crew4Code::None, Crew4Code::None, Crew4Code::ShowFigure, Crew4Code::ExitDoorBackAjar,
           Crew4Code::ExitDoorShut});
  s.ido(4, 1100, 300, 0, 13);
  s.ido(4, 770, 370, 13, 0);

  s.sync({2, 3, 4});

  // Members 3 and 4 carry the suction hose to the water tank.
  s.ido(3, 630, 370, 0, 4, Crew3Code::SuctionHoseAlongTruck);
  s.ido(3, 595, 425, 4, 8, Crew3Code::SuctionHoseAlongTruck);
  s.ido(3, 560, 475, 8, 12, Crew3Code::SuctionHoseAlongTruck);
  s.ido(3, 100, 475, 12, 12, Crew3Code::SuctionHoseAlongTruck);

  s.hold(4, 4);
  s.ido(4, 400, 370, 12, 12);
  s.hold(4);
  s.ido(4, 400, 475, 12, 12, Crew4Code::SuctionHoseAlongTruck);

  s.sync({3, 4});
  s.say("４番員「よし」", {{3}, {4, Crew4Code::SuctionHoseAlongTruck}});

  // The suction hose goes into the tank.
  s.ido(3, 100, 445, 12, 12, Crew3Code::SuctionHoseCarried);
  s.ido(3, 100, 415, 12, 12, Crew3Code::SuctionHoseCarried);
  s.ido(3, 100, 400, 12, 12, Crew3Code::SuctionHoseCarried);
  s.hold(3, 16);
  s.ido(3, 100, 400, 12, 8);

  s.ido(4, 400, 445, 12, 12, Crew4Code::SuctionHoseFreeEnd);
  s.ido(4, 400, 415, 12, 12, Crew4Code::SuctionHoseFreeEnd);
  s.ido(4, 400, 400, 12, 12, Crew4Code::SuctionHoseFreeEnd);

  s.sync({3, 4});
  s.say("３番員「よし」", {{3}, {4}});

  s.hold(3, 6);
  s.hold(3, 6, Crew3Code::SuctionHoseBentIntoTank);
  s.hold(3, 6, Crew3Code::RepaintWaterSource);
  s.ido(3, 600, 470, 3, 4, Crew3Code::SuctionHoseDragged);
  s.ido(3, 600, 470, 4, 11);
  s.hold(3);
  s.hold(3, 1, Crew3Code::SuctionHoseLaid);
  s.hold(3);
  s.ido(3, 600, 470, 11, 4);
  s.hold(3, 16);
  s.ido(3, 100, 400, 11, 8, Crew3Code::RepaintSuctionSide);
  s.hold(3, 11);
  s.hold(3, 1, Crew3Code::StrainerInWater);
  s.hold(3, 4);
  s.ido(3, 750, 700, 2, 8);
  s.hold(3, 16);
  // Member 3 then runs out along the first line to stand by the nozzle.
  s.ido(3, 1200, 700, 4, 6, Crew3Code::CarryLevel);
  s.ido(3, 2750, 270, 6, 4, Crew3Code::CarryTiltedDown);
  s.ido(3, 5750, 270, 4, 2, Crew3Code::CarryLevel);
  s.ido(3, 6320, 535, 2, 4, Crew3Code::CarryTiltedUp);
  s.hold_codes(3, Crew3Code::CarryLevelled, Crew3Code::NozzleStandMark);

  s.hold_codes(2, Crew2Code::Line1HoseTo1120, Crew2Code::Line1OutletCleared);

  s.sync({0, 2});

  s.ido(0, 6550, 0, 5, 14);

  // Member 2 lays the first line out to its middle coupling.
  run_out_middle_hose(s, kLine1);
  s.turn(2, pose::kS, Crew2Code::Line1MiddleCouplingRight);
  s.hold_codes(2, Crew2Code::Line1MiddleCouplingCentre, Crew2Code::Line1MiddleCouplingJoined);
  join_nozzle_coupling(s, kLine1);

  s.sync({1, 2});
  s.say("１番員「放水はじめ」", {{1}, {2}});
  s.say("２番員「放水はじめ」", {{1}, {2}});

  take_nozzle_forward(s, kLine1);

  // Member 2 relays the command back to member 4 at the pump.
  s.ido(2, 2750, 270, 12, 13);
  s.ido(2, 1300, 370, 13, 12);

  s.ido(4, 800, 370, 4, 2, Crew4Code::RepaintSuctionAtTruck);
  s.hold(4, 6);
  s.ido(4, 800, 370, 2, 4, Crew4Code::RepaintLine1AtPump);

  s.sync({2, 4});
  s.say("２番員「放水はじめ」", {{2}, {4}});
  s.say("４番員「放水はじめ」", {{2}, {4}});

  s.ido(4, 800, 370, 4, 2);
  s.hold(4, 51);
  s.ido(4, 800, 370, 2, 4);

  s.ido(2, 2750, 270, 5, 4);
  s.ido(2, 6180, 270, 4, 4, Crew2Code::Line1JetFollowsRunner);
  s.say("２番員「伝達終わり」", {{2}});

  s.sync({0, 2});

  s.ido(0, 6550, 0, 14, 4);

  s.ido(2, 6180, 270, 4, 6);
  s.ido(2, 6250, 170, 6, 4, Crew2Code::Line1CoilAndEnd);
  s.hold(2, 1, Crew2Code::Line1CoilAndEnd);

  s.sync_all();
  k = s.counter(0);
  ponpu_record(table, k, 3000);
}

}  // namespace drills::pump_truck
