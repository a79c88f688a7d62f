#include "drills/pump_truck/pump_truck.hpp"
#include "drills/pump_truck/section.hpp"

namespace drills::pump_truck {
namespace {

struct Move {
  int X, Y, d1, d2;
};

// Member 4 rolls up a hose: small steps sideways while turning round, one
// record each, the coil growing under him.
constexpr Move kRollFirstHose[] = {
    {935, 360, 14, 12}, {905, 350, 12, 10}, {875, 340, 10, 8}, {845, 330, 8, 6}, {815, 320, 6, 4},
};
constexpr Move kRollSecondHose[] = {
    {935, 710, 14, 10}, {905, 720, 10, 12}, {875, 730, 12, 14}, {845, 740, 14, 0}, {815, 750, 0, 2},
};

}  // namespace

void ponpu_osamu(stage::FrameTable& table, int& k) {
  PonpuSection s(table, k);
  s.ido(0, 6550, 0, 4, 14);
  s.hold(0, 3);
  s.say("指揮者「おさむ」", {{0}});
  // The members answer together; only the commander is held here, the sync
  // below carries the members over these records.
  s.say("１，２，３，４番員「よし」", {{0}});
  s.sync_all();

  s.ido(1, 6320, 200, 4, 14);
  s.hold(1, 19);

  s.sync({0, 1});

  // The commander walks back past the truck to his place facing the line.
  s.ido(0, 6550, 0, 14, 13);
  s.ido(0, 1200, 700, 13, 13, CommanderCode::RepaintLine1Far);
  s.ido(0, 750, 900, 13, 10, CommanderCode::RepaintLine2Start);

  // Member 1 brings the first line's nozzle back to the truck.
  s.ido(1, 6320, 200, 14, 13);
  s.ido(1, 1200, 700, 13, 12, Crew1Code::RepaintLine1Ends);
  s.ido(1, 600, 700, 12, 8, Crew1Code::RepaintLine1Ends);
  s.ido(1, 600, 600, 8, 2);
  s.hold(1, 16);
  s.ido(1, 600, 600, 2, 10);
  s.ido(1, 480, 430, 10, 4);

  s.ido(2, 6320, 820, 4, 14);
  s.hold(2, 16);
  s.ido(2, 6320, 820, 14, 12);
  s.ido(2, 600, 700, 12, 8, Crew2Code::RepaintLine2Ends);
  s.ido(2, 600, 500, 8, 6);
  s.hold(2, 16);
  s.ido(2, 600, 500, 6, 12);
  s.ido(2, 500, 500, 12, 4);

  s.ido(3, 6300, 535, 4, 12);
  s.ido(3, 6300, 535, 12, 13);
  s.ido(3, 1200, 700, 13, 12, Crew3Code::PieceLowTilted);
  s.ido(3, 750, 700, 12, 8, Crew3Code::PieceLowLevel);
  s.hold(3, 6);
  s.hold(3, 1, Crew3Code::PieceLowAway);
  s.hold(3, 9);
  s.ido(3, 750, 700, 8, 10);
  s.ido(3, 480, 570, 10, 4);

  // Member 4 stows the equipment at the pump, then rolls up the hoses of both lines.
  s.ido(4, 800, 370, 4, 6, Crew4Code::RepaintLine1AtPump);
  s.ido(4, 1100, 300, 6, 0, Crew4Code::RepaintLine1AtPump);
  s.hold_codes(4, Crew4Code::BoardDoorAjar, Crew4Code::HideFigure);
  s.hold(4, 16);
  s.hold(4, 1, Crew4Code::ShowFigure);
  s.hold_codes(4, Crew4Code::BoardDoorBackAjar, Crew4Code::BoardDoorShut);
  s.ido(4, 1100, 300, 0, 14);
  s.ido(4, 965, 370, 14, 14);
  s.hold(4, 16);
  for (const Move& m : kRollFirstHose)
    s.ido(4, m.X, m.Y, m.d1, m.d2, Crew4Code::Line1HoseRolledToRunner);
  s.ido(4, 620, 225, 4, 4, Crew4Code::Line1HoseRolledToRunner);
  s.hold(4, 19, Crew4Code::Line1HoseFromPumpEdge);
  s.ido(4, 620, 225, 4, 2, Crew4Code::Line1HoseFromPumpEdge);
  s.ido(4, 1300, 400, 2, 0, Crew4Code::Line1HoseFromPumpEdge);
  s.ido(4, 1300, 600, 0, 14);
  s.ido(4, 965, 700, 14, 10);
  s.hold(4, 16);
  for (const Move& m : kRollSecondHose)
    s.ido(4, m.X, m.Y, m.d1, m.d2, Crew4Code::Line2HoseRolledToRunner);
  s.ido(4, 620, 845, 4, 4, Crew4Code::Line2HoseRolledToRunner);
  s.hold(4, 19, Crew4Code::Line2HoseFromPumpEdge);
  s.ido(4, 620, 800, 4, 11);
  s.ido(4, 480, 640, 11, 4);
  s.hold(4, 16);

  s.sync_all();
  k = s.counter(0);

  // Back on the line of the opening: the crew dresses on member 2 again.
  ponpu_dress(table, k);
}

}  // namespace drills::pump_truck
