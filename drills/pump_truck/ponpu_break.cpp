#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {
namespace {

// Members 1 and 2 work their lines side by side, one record each in turn
// (codes per record, member 1 first): shutting the water off, and later
// making the nozzles safe before they simply stand.
constexpr int kShutOff[2][4] = {{16, 17, 18, 19}, {40, 41, 42, 43}};
constexpr int kLayDown[2][8] = {{20, 21, 22, 23, 24, 0, 0, 0}, {44, 45, 46, 47, 48, 0, 0, 0}};

}  // namespace

void ponpu_break(stage::FrameTable& table, int& k) {
  PonpuSection s(table, k);
  s.ido(0, 6550, 0, 4, 14);
  s.hold(0, 3);
  s.say("指揮者「放水止め」", {{0}});

  s.sync({0, 1, 2});
  for (int i = 0; i < 4; ++i) {
    s.hold(1, 1, kShutOff[0][i]);
    s.hold(2, 1, kShutOff[1][i]);
  }
  s.say("１番員「第１線、放水止め」", {{1}, {2}});
  s.say("２番員「第２線、放水止め」", {{1}, {2}});

  s.sync({1, 2, 3});
  s.say("３番員「よし」", {{3}});

  // Member 3 carries the command back to member 4 at the pump, and returns.
  s.ido(3, 6320, 535, 4, 10, 26);
  s.ido(3, 5750, 270, 10, 12, 26);
  s.ido(3, 2750, 270, 12, 14);
  s.ido(3, 1300, 370, 13, 12);

  s.sync({3, 4});
  s.say("３番員「放水止め」", {{3}, {4}});
  s.say("４番員「放水止め」", {{3}, {4}});

  s.ido(3, 1300, 370, 12, 5);
  s.ido(3, 2750, 270, 5, 4);
  s.ido(3, 5750, 270, 4, 3);
  s.ido(3, 6300, 535, 3, 4);
  s.say("３番員「伝達終わり」", {{3}});

  s.ido(4, 800, 370, 4, 6, 14);
  s.ido(4, 950, 185, 6, 2, 14);
  s.ido(4, 1300, 400, 2, 0, 14);
  s.ido(4, 1300, 600, 0, 14);
  s.ido(4, 950, 800, 14, 10, 18);
  s.ido(4, 800, 700, 10, 4, 18);

  s.sync_all();

  s.ido(0, 6550, 0, 14, 4);

  s.sync({0, 1, 2});
  for (int i = 0; i < 8; ++i) {
    s.hold(1, 1, kLayDown[0][i]);
    s.hold(2, 1, kLayDown[1][i]);
  }
  s.say("１番員「よし」", {{1}, {2}});
  s.ido(1, 6300, 270, 4, 4, 25);
  s.hold(2);
  s.say("２番員「よし」", {{1}, {2}});
  s.hold(1);
  s.ido(2, 6300, 890, 4, 4, 49);

  s.hold(3, 2);
  s.hold_codes(3, 47, 48);

  ponpu_round_the_pump(s);

  s.sync_all();
  k = s.counter(0);
  ponpu_record(table, k, 3000);
}

}  // namespace drills::pump_truck
