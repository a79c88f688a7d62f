#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {
namespace {

// Members 1 and 2 work their lines side by side, one record each in turn
// (codes per record, member 1 first): shutting the water off, and later
// making the nozzles safe before they simply stand.
struct SideBySide {
  Crew1Code member1;
  Crew2Code member2;
};
constexpr SideBySide kShutOff[] = {
    {Crew1Code::Line1JetFallsTo700, Crew2Code::Line2JetFallsTo700},
    {Crew1Code::Line1JetFallsTo400, Crew2Code::Line2JetFallsTo400},
    {Crew1Code::Line1JetFallsTo100, Crew2Code::Line2JetFallsTo100},
    {Crew1Code::Line1JetDry, Crew2Code::Line2JetDry},
};
constexpr SideBySide kLayDown[] = {
    {Crew1Code::Line1JetSpurts100, Crew2Code::Line2JetSpurts100},
    {Crew1Code::Line1JetSpurts400, Crew2Code::Line2JetSpurts400},
    {Crew1Code::Line1JetSpurtsTo100, Crew2Code::Line2JetSpurtsTo100},
    {Crew1Code::Line1JetSpurtDry, Crew2Code::Line2JetSpurtDry},
    {Crew1Code::Line1NozzleHalfAway, Crew2Code::Line2NozzleHalfAway},
    {Crew1Code::None, Crew2Code::None},
    {Crew1Code::None, Crew2Code::None},
    {Crew1Code::None, Crew2Code::None},
};

}  // namespace

void ponpu_break(stage::FrameTable& table, int& k) {
  PonpuSection s(table, k);
  s.ido(0, 6550, 0, 4, 14);
  s.hold(0, 3);
  s.say("指揮者「放水止め」", {{0}});

  s.sync({0, 1, 2});
  for (const SideBySide& codes : kShutOff) {
    s.hold(1, 1, codes.member1);
    s.hold(2, 1, codes.member2);
  }
  s.say("１番員「第１線、放水止め」", {{1}, {2}});
  s.say("２番員「第２線、放水止め」", {{1}, {2}});

  s.sync({1, 2, 3});
  s.say("３番員「よし」", {{3}});

  // Member 3 carries the command back to member 4 at the pump, and returns.
  s.ido(3, 6320, 535, 4, 10, Crew3Code::NozzleStandMark);
  s.ido(3, 5750, 270, 10, 12, Crew3Code::NozzleStandMark);
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

  s.ido(4, 800, 370, 4, 6, Crew4Code::RepaintLine1AtPump);
  s.ido(4, 950, 185, 6, 2, Crew4Code::RepaintLine1AtPump);
  s.ido(4, 1300, 400, 2, 0, Crew4Code::RepaintLine1AtPump);
  s.ido(4, 1300, 600, 0, 14);
  s.ido(4, 950, 800, 14, 10, Crew4Code::RepaintLine2AtPump);
  s.ido(4, 800, 700, 10, 4, Crew4Code::RepaintLine2AtPump);

  s.sync_all();

  s.ido(0, 6550, 0, 14, 4);

  s.sync({0, 1, 2});
  for (const SideBySide& codes : kLayDown) {
    s.hold(1, 1, codes.member1);
    s.hold(2, 1, codes.member2);
  }
  s.say("１番員「よし」", {{1}, {2}});
  s.ido(1, 6300, 270, 4, 4, Crew1Code::Line1NozzleAway);
  s.hold(2);
  s.say("２番員「よし」", {{1}, {2}});
  s.hold(1);
  s.ido(2, 6300, 890, 4, 4, Crew2Code::Line2NozzleAway);

  s.hold(3, 2);
  s.hold_codes(3, Crew3Code::NozzleStandMarkHalfAway, Crew3Code::NozzleStandMarkAway);

  ponpu_round_the_pump(s);

  s.sync_all();
  k = s.counter(0);
  ponpu_record(table, k, 3000);
}

}  // namespace drills::pump_truck
