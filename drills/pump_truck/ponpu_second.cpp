#include "drills/pump_truck/hose_lines.hpp"
#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {

void ponpu_second(stage::FrameTable& table, int& k) {
  PonpuSection s(table, k);
  s.ido(0, 6550, 0, 4, 14);
  s.hold(0, 3);
  s.say("指揮者「第２線、延長はじめ」", {{0}});

  s.sync({0, 1});
  s.say("１番員「第２線、延長はじめ」", {{1}});

  s.sync({1, 2, 3});
  s.say("２，３番員「よし」", {{2}, {3}});

  // Member 2 hands over the first line and runs back to member 4 at the pump.
  s.hold(2);
  s.ido(2, 6250, 170, 4, 14, Crew2Code::Line1CoilAndEnd);
  s.ido(2, 6180, 270, 14, 12, Crew2Code::Line1CoilAndEnd);
  s.ido(2, 2750, 270, 12, 13);
  s.ido(2, 1300, 370, 13, 12);

  s.sync({2, 4});
  s.say("２番員「第２線延長」", {{2}, {4}});
  s.say("４番員「第２線延長」", {{2}, {4}});

  s.ido(2, 1300, 370, 12, 11);
  s.ido(2, 880, 185, 11, 13, Crew2Code::RepaintLine1Start);
  s.ido(2, 600, 370, 13, 0, Crew2Code::RepaintLine1Start);

  s.ido(4, 800, 370, 4, 12);
  s.ido(4, 600, 370, 12, 0);
  s.ido(4, 600, 500, 0, 4, Crew4Code::RepaintSuctionSide);
  s.hold(4, 3, Crew4Code::RepaintSuctionSide);
  s.ido(4, 600, 500, 4, 8);

  s.sync({2, 4});

  // Member 2 couples the second line and lays it out along y = 890.
  s.hold(2);
  s.hold(2, 1, Crew2Code::ValveMarkMovesDown);
  s.hold(2);
  s.hold(2, 2, Crew2Code::RepaintSuctionSide);
  s.ido(2, 600, 370, 0, 12);
  s.ido(2, 550, 370, 12, 0);
  s.ido(2, 550, 500, 0, 3, Crew2Code::ValveMarkErased);
  s.ido(2, 600, 500, 3, 4, Crew2Code::ValveMarkErased);
  s.hold(2, 2);
  s.ido(2, 600, 500, 4, 0);
  s.ido(2, 600, 670, 0, 2);
  s.ido(2, 700, 1000, 2, 5);
  lay_nozzle_end(s, kLine2);

  s.hold(4, 1, Crew4Code::ValveMarkUp);
  s.hold(4);
  s.ido(4, 600, 500, 8, 12);
  s.ido(4, 550, 500, 12, 8);
  s.ido(4, 550, 370, 8, 5, Crew4Code::RepaintSuctionSide);
  s.ido(4, 950, 185, 5, 3, Crew4Code::RepaintSuctionSide);
  s.ido(4, 1300, 370, 3, 0, Crew4Code::RepaintLine1AtPump);
  s.ido(4, 1300, 600, 0, 14, Crew4Code::RepaintLine1AtPump);

  // Member 3 leaves the first line's nozzle and fetches the second line's hoses.
  s.hold(3, 3);
  s.ido(3, 6320, 535, 4, 10, Crew3Code::NozzleStandMark);
  s.ido(3, 5750, 270, 10, 12, Crew3Code::NozzleStandMark);
  s.ido(3, 2750, 270, 12, 14);
  s.ido(3, 1200, 700, 14, 12);
  s.ido(3, 600, 700, 12, 8);
  s.ido(3, 600, 600, 8, 4);
  s.hold(3, 2);
  s.ido(3, 600, 700, 0, 2);
  s.ido(3, 750, 900, 2, 4);
  s.hold(3, 2, Crew3Code::Line2PumpOutletDisc);
  s.ido(3, 600, 700, 12, 8);
  s.ido(3, 600, 600, 8, 4);
  s.hold(3, 2);
  s.ido(3, 600, 890, 0, 4);
  s.ido(3, 750, 890, 4, 4);
  s.hold_codes(3, Crew3Code::Line2HoseTo1120, Crew3Code::Line2OutletCleared);
  run_out_middle_hose(s, kLine2);
  s.ido(3, 2750, 890, 4, 8);
  s.hold_codes(3, Crew3Code::Line2MiddleCouplingRight, Crew3Code::Line2MiddleCouplingJoined);

  s.hold(4, 6);
  s.ido(4, 950, 800, 14, 10, Crew4Code::RepaintLine2Outlet);
  s.ido(4, 800, 700, 10, 4, Crew4Code::RepaintLine2Outlet);

  s.sync({3, 4});

  s.hold(4, 2);
  s.hold(4, 1, Crew4Code::RepaintLine2AtPump);

  join_nozzle_coupling(s, kLine2);

  s.sync({2, 3});
  s.say("２番員「第２線、放水はじめ」", {{2}, {3}});
  s.say("３番員「第２線、放水はじめ」", {{2}, {3}});

  take_nozzle_forward(s, kLine2);

  // Member 3 relays the command back to member 4 at the pump.
  s.ido(3, 2750, 890, 12, 11);
  s.ido(3, 1300, 700, 11, 12, Crew3Code::RepaintLine2ToMiddle);

  s.sync({3, 4});
  s.say("３番員「第２線、放水はじめ」", {{3}, {4}});
  s.say("４番員「第２線、放水はじめ」", {{3}, {4}});

  s.ido(3, 1300, 700, 12, 3, Crew3Code::Line2JetFollowsRunner);
  s.ido(3, 2750, 795, 3, 4, Crew3Code::Line2JetFollowsRunner);
  s.ido(3, 6180, 795, 4, 4, Crew3Code::Line2JetFollowsRunner);
  s.say("３番員「伝達終わり」", {{3}});

  s.ido(4, 800, 700, 4, 6);
  s.hold(4, 51);
  s.ido(4, 800, 700, 6, 4);

  s.sync({0, 3, 4});

  s.ido(0, 6550, 0, 14, 4);

  s.ido(3, 6180, 740, 4, 6);
  s.ido(3, 6320, 535, 6, 4);

  ponpu_round_the_pump(s);

  s.sync_all();
  k = s.counter(0);
  ponpu_record(table, k, 3000);
}

}  // namespace drills::pump_truck
