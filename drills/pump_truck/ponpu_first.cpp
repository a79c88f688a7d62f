#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {
namespace {

// The two records after "操作はじめ", code entries of slots 0..4: the commander
// and members 3 and 4 open their doors again (6, 7) while member 2 goes on with
// his own equipment (4, 5).
constexpr int kOpeningCodes[2][5] = {
    {6, 0, 4, 6, 6},
    {7, 0, 5, 7, 7},
};

}  // namespace

void ponpu_first(stage::FrameTable& table, int& k) {
  ponpu_record(table, k, 1000, "指揮者「操作はじめ」");
  for (const auto& codes : kOpeningCodes) {
    stage::FrameRecord& r = ponpu_record(table, k, 300);
    for (int p = 0; p <= 4; ++p) r.code(p) = static_cast<stage::EquipmentCode>(codes[p]);
  }
  ponpu_record(table, k, 500);
  ponpu_record(table, k, 1000, "４番員「よし」");

  PonpuSection s(table, k);
  // Everyone gets out (codes 8..10: figure shown, door shut again); the
  // commander then heads for his place beside the target.
  s.codes(0, 1100, 770, 8, {8, 9, 10});
  s.ido(0, 1100, 770, 8, 5);
  s.ido(0, 1200, 700, 5, 6);
  s.ido(0, 2000, 150, 6, 0);
  s.ido(0, 2000, 150, 0, 14);

  s.codes(1, 1000, 770, 8, {0, 0, 4, 5, 6});
  s.ido(1, 1000, 770, 8, 11);
  s.ido(1, 600, 700, 11, 8);
  s.ido(1, 600, 600, 8, 4);
  s.hold(1, 2);
  s.ido(1, 600, 700, 0, 4);
  s.ido(1, 1200, 700, 4, 5);
  s.ido(1, 4750, 270, 5, 4);
  s.hold_codes(1, 7, 9);
  s.ido(1, 4750, 270, 4, 12);
  s.hold(1, 2);
  s.ido(1, 4750, 270, 12, 4, 10);

  s.ido(2, 1000, 770, 8, 8, 6);
  s.ido(2, 1000, 770, 8, 11);
  s.ido(2, 600, 700, 11, 8);
  s.ido(2, 600, 500, 8, 4);
  s.hold(2, 2);
  s.ido(2, 600, 300, 8, 4);
  s.ido(2, 750, 300, 4, 4);
  s.hold(2, 2, 7);
  s.ido(2, 600, 300, 12, 0);
  s.ido(2, 600, 500, 0, 4);
  s.hold(2, 2);
  s.ido(2, 600, 270, 8, 4);
  s.ido(2, 750, 270, 4, 4);

  s.codes(3, 1000, 300, 0, {8, 9, 10});
  s.ido(3, 1000, 300, 0, 13);
  s.ido(3, 700, 370, 13, 0);

  s.codes(4, 1100, 300, 0, {0, 0, 8, 9, 10});
  s.ido(4, 1100, 300, 0, 13);
  s.ido(4, 770, 370, 13, 0);

  s.sync({2, 3, 4});

  // Members 3 and 4 carry the suction hose to the water tank.
  s.ido(3, 630, 370, 0, 4, 11);
  s.ido(3, 595, 425, 4, 8, 11);
  s.ido(3, 560, 475, 8, 12, 11);
  s.ido(3, 100, 475, 12, 12, 11);

  s.hold(4, 4);
  s.ido(4, 400, 370, 12, 12);
  s.hold(4);
  s.ido(4, 400, 475, 12, 12, 11);

  s.sync({3, 4});
  s.say("４番員「よし」", {{3}, {4, 11}});

  // The suction hose goes into the tank.
  s.ido(3, 100, 445, 12, 12, 12);
  s.ido(3, 100, 415, 12, 12, 12);
  s.ido(3, 100, 400, 12, 12, 12);
  s.hold(3, 16);
  s.ido(3, 100, 400, 12, 8);

  s.ido(4, 400, 445, 12, 12, 12);
  s.ido(4, 400, 415, 12, 12, 12);
  s.ido(4, 400, 400, 12, 12, 12);

  s.sync({3, 4});
  s.say("３番員「よし」", {{3}, {4}});

  s.hold(3, 6);
  s.hold(3, 6, 13);
  s.hold(3, 6, 14);
  s.ido(3, 600, 470, 3, 4, 15);
  s.ido(3, 600, 470, 4, 11);
  s.hold(3);
  s.hold(3, 1, 16);
  s.hold(3);
  s.ido(3, 600, 470, 11, 4);
  s.hold(3, 16);
  s.ido(3, 100, 400, 11, 8, 17);
  s.hold(3, 11);
  s.hold(3, 1, 18);
  s.hold(3, 4);
  s.ido(3, 750, 700, 2, 8);
  s.hold(3, 16);
  // Member 3 then runs out along the first line to stand by the nozzle.
  s.ido(3, 1200, 700, 4, 6, 19);
  s.ido(3, 2750, 270, 6, 4, 20);
  s.ido(3, 5750, 270, 4, 2, 19);
  s.ido(3, 6320, 535, 2, 4, 21);
  s.hold_codes(3, 22, 26);

  s.hold_codes(2, 8, 13);

  s.sync({0, 2});

  s.ido(0, 6550, 0, 5, 14);

  // Member 2 lays the first line out to its middle coupling.
  s.ido(2, 2750, 270, 4, 4, 14);
  s.hold_codes(2, 15, 17);
  s.turn(2, pose::kS, 18);
  s.hold_codes(2, 19, 20);
  s.ido(2, 4680, 270, 4, 8, 21);
  s.hold_codes(2, 22, 24);
  s.ido(2, 4680, 270, 8, 4);

  s.sync({1, 2});
  s.say("１番員「放水はじめ」", {{1}, {2}});
  s.say("２番員「放水はじめ」", {{1}, {2}});

  s.ido(1, 6250, 270, 4, 4, 11);
  s.ido(1, 6250, 270, 4, 12);
  s.hold(1, 4);
  s.ido(1, 6250, 270, 12, 4);
  s.hold_codes(1, 12, 14);
  s.ido(1, 6320, 270, 12, 4, 15);

  // Member 2 relays the command back to member 4 at the pump.
  s.ido(2, 2750, 270, 12, 13);
  s.ido(2, 1300, 370, 13, 12);

  s.ido(4, 800, 370, 4, 2, 13);
  s.hold(4, 6);
  s.ido(4, 800, 370, 2, 4, 14);

  s.sync({2, 4});
  s.say("２番員「放水はじめ」", {{2}, {4}});
  s.say("４番員「放水はじめ」", {{2}, {4}});

  s.ido(4, 800, 370, 4, 2);
  s.hold(4, 51);
  s.ido(4, 800, 370, 2, 4);

  s.ido(2, 2750, 270, 5, 4);
  s.ido(2, 6180, 270, 4, 4, 26);
  s.say("２番員「伝達終わり」", {{2}});

  s.sync({0, 2});

  s.ido(0, 6550, 0, 14, 4);

  s.ido(2, 6180, 270, 4, 6);
  s.ido(2, 6250, 170, 6, 4, 25);
  s.hold(2, 1, 25);

  s.sync_all();
  k = s.counter(0);
  ponpu_record(table, k, 3000);
}

}  // namespace drills::pump_truck
