// The pump-truck drill's five equipment layers. Layer f belongs to person slot
// f (0 the commander, 1..4 crew members 1..4): it paints that person's door,
// hoses, nozzle and water, and hides the figure while the person sits in the
// truck. Each case is one code value the choreography writes; its lines are
// the shapes in painting order, later ones over earlier ones.

#include "drills/pump_truck/codes.hpp"
#include "drills/pump_truck/pump_truck.hpp"
#include "render/carried_piece.hpp"
#include "render/layer_reading.hpp"

namespace drills::pump_truck {
namespace {

using namespace render;

using stage::colors::black;
using stage::colors::cyan;
using stage::colors::grey;
using stage::colors::red;
using stage::colors::white;
using stage::colors::yellow;

// The truck's doors: two on its y 600 side, two on its y 400 side.
constexpr Door kCommanderDoor{{1200, 600}, DoorSide::Plus};
constexpr Door kCrew1Door{{1100, 600}, DoorSide::Plus};  // crew member 2 boards through it too
constexpr Door kCrew3Door{{1100, 400}, DoorSide::Minus};
constexpr Door kCrew4Door{{1200, 400}, DoorSide::Minus};

// The jets of both lines start at the nozzle tip and lengthen with the runner
// who opens the valve passing x 4680, 4780, 4880 and 4980.
constexpr int kJetTip = 6420;
constexpr int kJetThreshold = 4680;

// The grey suction hose where it leaves the truck.
void suction_hose_at_truck(const StagePainter& p) {
  p.box({550, 700}, {390, 400}, grey);
  p.thick_segment({550, 400}, {470, 325}, {0, -1}, grey);
}

// The yellow line from the water source's top edge to the truck.
void water_source_line(const StagePainter& p) { p.segment({100, 300}, {700, 435}, yellow); }

}  // namespace

void ponpu_time_0(const Layer& l) {
  const StagePainter p = painter_for(l);
  const int x0 = position(l, 0).x;
  switch (read_code<CommanderCode>(l)) {
    case CommanderCode::BoardDoorAjar:
    case CommanderCode::ExitDoorAjar:
      p.door_leaf(kCommanderDoor, 20, red);
      break;
    case CommanderCode::BoardDoorWideOpen:
    case CommanderCode::ExitDoorWideOpen:
      p.door_leaf(kCommanderDoor, 20, black);
      p.door_leaf(kCommanderDoor, 70, red);
      break;
    case CommanderCode::HideFigure:
      l.window.set_slot_visible(0, false);
      break;
    case CommanderCode::BoardDoorBackAjar:
    case CommanderCode::ExitDoorBackAjar:
      p.door_leaf(kCommanderDoor, 70, black);
      p.door_leaf(kCommanderDoor, 20, red);
      break;
    case CommanderCode::BoardDoorShut:
    case CommanderCode::ExitDoorShut:
      p.door_leaf(kCommanderDoor, 20, black);
      break;
    case CommanderCode::ShowFigure:
      l.window.set_slot_visible(0, true);
      break;
    case CommanderCode::RepaintLine1Far:
      if (x0 <= 5500) {
        p.hose(HoseLine::One, {4686, 5650}, white);
      } else {
        p.hose(HoseLine::One, {4686, 6000}, white);
        p.coil({6000, 195}, HoseLine::One);
      }
      break;
    case CommanderCode::RepaintLine2Start:
      p.box({950, 960}, {600, 805}, white);
      p.hose(HoseLine::Two, {950, 2000}, white);
      break;
    default:  // nothing written on this keyframe
      break;
  }
}

void ponpu_time_1(const Layer& l) {
  const StagePainter p = painter_for(l);
  const int x1 = position(l, 1).x;
  switch (read_code<Crew1Code>(l)) {
    case Crew1Code::BoardDoorAjar:
      p.door_leaf(kCrew1Door, 20, red);
      break;
    case Crew1Code::BoardDoorWideOpen:
      p.door_leaf(kCrew1Door, 20, black);
      p.door_leaf(kCrew1Door, 70, red);
      break;
    case Crew1Code::HideFigure:
      l.window.set_slot_visible(1, false);
      break;
    case Crew1Code::ShowFigure:
      l.window.set_slot_visible(1, true);
      break;
    case Crew1Code::ExitDoorBackAjar:
      p.door_leaf(kCrew1Door, 70, black);
      p.door_leaf(kCrew1Door, 20, red);
      break;
    case Crew1Code::ExitDoorShut:
      p.door_leaf(kCrew1Door, 20, black);
      break;
    case Crew1Code::Line1HoseTo5120:
      p.hose(HoseLine::One, {4820, 5120}, white);
      break;
    case Crew1Code::Line1HoseTo5420:
      p.hose(HoseLine::One, {4820, 5420}, white);
      break;
    case Crew1Code::Line1HoseTo5820:
      p.hose(HoseLine::One, {4820, 5820}, white);
      break;
    case Crew1Code::Line1NozzleInHand:  // nozzle in hand
      p.nozzle(HoseLine::One, x1);
      break;
    case Crew1Code::Line1HoseToRunnerWithNozzle:
      p.hose(HoseLine::One, {4686, x1}, white);
      p.nozzle(HoseLine::One, x1);
      break;
    case Crew1Code::Line1CoilAtRunner:
      p.coil({x1 - 250, 355}, HoseLine::One);
      break;
    case Crew1Code::Line1CoilAt275:
      p.coil({6000, 275}, HoseLine::One);
      break;
    case Crew1Code::Line1CoilAt195:
      p.coil({6000, 195}, HoseLine::One);
      break;
    case Crew1Code::Line1NozzleLaid:  // nozzle laid at the end of line 1
      p.hose(HoseLine::One, {6250, 6320}, white);
      p.nozzle(HoseLine::One, 6320);
      break;
    case Crew1Code::Line1JetFallsTo700:  // the jet of line 1 stops from its far end ...
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::FallTo700);
      break;
    case Crew1Code::Line1JetFallsTo400:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::FallTo400);
      break;
    case Crew1Code::Line1JetFallsTo100:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::FallTo100);
      break;
    case Crew1Code::Line1JetDry:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::Dry);
      break;
    case Crew1Code::Line1JetSpurts100:  // ... the last water spurts out ...
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::Spurt100);
      break;
    case Crew1Code::Line1JetSpurts400:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::Spurt400);
      break;
    case Crew1Code::Line1JetSpurtsTo100:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::SpurtTo100);
      break;
    case Crew1Code::Line1JetSpurtDry:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::SpurtDry);
      break;
    case Crew1Code::Line1NozzleHalfAway:  // ... and the nozzle is taken away
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::NozzleHalf);
      break;
    case Crew1Code::Line1NozzleAway:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::NozzleGone);
      break;
    case Crew1Code::RepaintLine1Ends:
      if (x1 < 1200) {
        p.box({950, 960}, {600, 805}, white);
      } else if (x1 > 5600) {
        p.coil({6000, 195}, HoseLine::One);
        p.hose(HoseLine::One, {6250, 6320}, white);
      }
      break;
    default:  // nothing written on this keyframe
      break;
  }
}

void ponpu_time_2(const Layer& l) {
  const StagePainter p = painter_for(l);
  const int x1 = position(l, 1).x;
  const int x2 = position(l, 2).x;
  switch (read_code<Crew2Code>(l)) {
    case Crew2Code::BoardHideFigureDoorWideOpen:
      l.window.set_slot_visible(2, false);
      p.door_leaf(kCrew1Door, 70, red);
      break;
    case Crew2Code::BoardDoorBackAjar:
      p.door_leaf(kCrew1Door, 70, black);
      p.door_leaf(kCrew1Door, 20, red);
      break;
    case Crew2Code::BoardDoorShut:
      p.door_leaf(kCrew1Door, 20, black);
      break;
    case Crew2Code::ExitDoorAjar:
      p.door_leaf(kCrew1Door, 20, red);
      break;
    case Crew2Code::ExitDoorWideOpen:
      p.door_leaf(kCrew1Door, 20, black);
      p.door_leaf(kCrew1Door, 70, red);
      break;
    case Crew2Code::ShowFigure:
      l.window.set_slot_visible(2, true);
      break;
    case Crew2Code::Line1PumpOutletDisc:
      p.disc({855, 300}, 20, white);
      break;
    case Crew2Code::Line1HoseTo1120:
      p.hose(HoseLine::One, {820, 1120}, white);
      break;
    case Crew2Code::Line1HoseTo1420:
      p.hose(HoseLine::One, {820, 1420}, white);
      break;
    case Crew2Code::Line1HoseTo1820:
    case Crew2Code::Line1HoseTo1820Again:
      p.hose(HoseLine::One, {820, 1820}, white);
      break;
    case Crew2Code::Line1HoseBentToOutlet:
      p.hose(HoseLine::One, {820, 1080}, black);
      p.thick_segment({1080, 185}, {820, 300}, {0, 1}, white);
      break;
    case Crew2Code::Line1OutletCleared:
      p.box({820, 950}, {185, 400}, black);
      p.box({950, 960}, {250, 400}, white);
      p.disc({855, 300}, 20, white);
      break;
    case Crew2Code::Line1HoseToRunner:
      if (x2 >= 1200) {
        p.hose(HoseLine::One, {1080, x2}, white);
      } else {
        p.thick_segment({1080, 185}, {820, 300}, {0, 1}, white);
        p.box({820, 950}, {185, 400}, black);
        p.box({950, 960}, {250, 400}, white);
      }
      break;
    case Crew2Code::Line1HoseTo3120:
      p.hose(HoseLine::One, {2820, 3120}, white);
      break;
    case Crew2Code::Line1HoseTo3420:
      p.hose(HoseLine::One, {2820, 3420}, white);
      break;
    case Crew2Code::Line1HoseTo3820:
      p.hose(HoseLine::One, {2820, 3820}, white);
      break;
    case Crew2Code::Line1MiddleCouplingRight:  // coupling, piece by piece from the right
      p.hose(HoseLine::One, {2800, 2820}, white);
      break;
    case Crew2Code::Line1MiddleCouplingCentre:
      p.hose(HoseLine::One, {2775, 2800}, white);
      break;
    case Crew2Code::Line1MiddleCouplingJoined:
      p.hose(HoseLine::One, {2750, 2775}, white);
      p.coupling_mark(HoseLine::One, 2750);
      break;
    case Crew2Code::Line1HoseFromMiddleToRunner:
      p.hose(HoseLine::One, {2756, x2}, white);
      break;
    case Crew2Code::Line1NozzleCouplingRight:  // the nozzle is crew member 1's
      p.hose(HoseLine::One, {4780, 4820}, white);
      p.nozzle(HoseLine::One, x1);
      break;
    case Crew2Code::Line1NozzleCouplingCentre:
      p.hose(HoseLine::One, {4730, 4780}, white);
      p.nozzle(HoseLine::One, x1);
      break;
    case Crew2Code::Line1NozzleCouplingJoined:
      p.hose(HoseLine::One, {4680, 4730}, white);
      p.coupling_mark(HoseLine::One, 4680);
      p.nozzle(HoseLine::One, x1);
      break;
    case Crew2Code::Line1CoilAndEnd:
      p.coil({6000, 195}, HoseLine::One);
      p.hose(HoseLine::One, {6250, 6320}, white);
      break;
    case Crew2Code::Line1JetFollowsRunner:
      p.jet(HoseLine::One, kJetTip, x2, kJetThreshold);
      break;
    case Crew2Code::RepaintLine1Start:
      p.hose(HoseLine::One, {950, 2000}, white);
      p.box({950, 960}, {185, 400}, white);
      break;
    case Crew2Code::ValveMarkMovesDown:
      p.box({600, 700}, {414, 425}, black);
      water_source_line(p);
      suction_hose_at_truck(p);
      p.box({600, 700}, {364, 375}, red);
      break;
    case Crew2Code::RepaintSuctionSide:
      water_source_line(p);
      suction_hose_at_truck(p);
      break;
    case Crew2Code::ValveMarkErased:
      p.box({600, 700}, {364, 375}, black);
      water_source_line(p);
      suction_hose_at_truck(p);
      break;
    case Crew2Code::Line2HoseTo5120:
      p.hose(HoseLine::Two, {4820, 5120}, white);
      break;
    case Crew2Code::Line2HoseTo5420:
      p.hose(HoseLine::Two, {4820, 5420}, white);
      break;
    case Crew2Code::Line2HoseTo5820:
      p.hose(HoseLine::Two, {4820, 5820}, white);
      break;
    case Crew2Code::Line2NozzleInHand:
      p.nozzle(HoseLine::Two, x2);
      break;
    case Crew2Code::Line2HoseToRunnerWithNozzle:
      p.hose(HoseLine::Two, {4686, x2}, white);
      p.nozzle(HoseLine::Two, x2);
      break;
    case Crew2Code::Line2CoilAtRunner:
      p.coil({x2 - 250, 645}, HoseLine::Two);
      break;
    case Crew2Code::Line2CoilAt725:
      p.coil({6000, 725}, HoseLine::Two);
      break;
    case Crew2Code::Line2CoilAt805:
      p.coil({6000, 805}, HoseLine::Two);
      break;
    case Crew2Code::Line2NozzleLaid:
      p.hose(HoseLine::Two, {6250, 6320}, white);
      p.nozzle(HoseLine::Two, 6320);
      break;
    case Crew2Code::Line2JetFallsTo700:  // the jet of line 2 stops as that of line 1 does
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::FallTo700);
      break;
    case Crew2Code::Line2JetFallsTo400:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::FallTo400);
      break;
    case Crew2Code::Line2JetFallsTo100:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::FallTo100);
      break;
    case Crew2Code::Line2JetDry:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::Dry);
      break;
    case Crew2Code::Line2JetSpurts100:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::Spurt100);
      break;
    case Crew2Code::Line2JetSpurts400:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::Spurt400);
      break;
    case Crew2Code::Line2JetSpurtsTo100:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::SpurtTo100);
      break;
    case Crew2Code::Line2JetSpurtDry:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::SpurtDry);
      break;
    case Crew2Code::Line2NozzleHalfAway:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::NozzleHalf);
      break;
    case Crew2Code::Line2NozzleAway:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::NozzleGone);
      break;
    case Crew2Code::RepaintLine2Ends:
      if (x2 < 1200) {
        p.box({950, 960}, {600, 805}, white);
      } else if (x2 > 5500) {
        p.hose(HoseLine::Two, {4686, 6000}, white);
        p.coil({6000, 805}, HoseLine::Two);
        p.hose(HoseLine::Two, {6250, 6320}, white);
      }
      break;
    default:  // nothing written on this keyframe
      break;
  }
}

void ponpu_time_3(const Layer& l) {
  const StagePainter p = painter_for(l);
  const int x2 = position(l, 2).x;
  const auto [x3, y3] = position(l, 3);
  const int x4 = position(l, 4).x;
  switch (read_code<Crew3Code>(l)) {
    case Crew3Code::BoardDoorAjar:
    case Crew3Code::ExitDoorAjar:
      p.door_leaf(kCrew3Door, 20, red);
      break;
    case Crew3Code::BoardDoorWideOpen:
    case Crew3Code::ExitDoorWideOpen:
      p.door_leaf(kCrew3Door, 20, black);
      p.door_leaf(kCrew3Door, 70, red);
      break;
    case Crew3Code::HideFigure:
      l.window.set_slot_visible(3, false);
      break;
    case Crew3Code::BoardDoorBackAjar:
    case Crew3Code::ExitDoorBackAjar:
      p.door_leaf(kCrew3Door, 70, black);
      p.door_leaf(kCrew3Door, 20, red);
      break;
    case Crew3Code::BoardDoorShut:
    case Crew3Code::ExitDoorShut:
      p.door_leaf(kCrew3Door, 20, black);
      break;
    case Crew3Code::ShowFigure:
      l.window.set_slot_visible(3, true);
      break;
    case Crew3Code::SuctionHoseAlongTruck:
      p.box({700, x3}, {390, 400}, grey);
      p.box({x3 - 20, x3}, {390, 400}, yellow);
      break;
    case Crew3Code::SuctionHoseCarried: {  // erased at the height of the keyframe before, repainted
                                           // at this one
      const int y3p = position(l, 3, 1).y;
      const int x4p = position(l, 4, 1).x;
      p.box_corners({x3 - 20, y3p - 75}, {x4p + 70, y3 - 85}, black);
      p.box_corners({x3, y3 - 75}, {x4 + 70, y3 - 85}, grey);
      p.box_corners({x3, y3 - 75}, {x3 - 20, y3 - 85}, yellow);
      break;
    }
    case Crew3Code::SuctionHoseBentIntoTank:
      p.box({80, 170}, {315, 325}, black);
      for (int k = 0; k < kStrokeWidth; ++k) {
        p.segment({100, 225 - k}, {80, 215 - k}, yellow);
        p.segment({170, 325 - k}, {100, 225 - k}, grey);
      }
      break;
    case Crew3Code::RepaintWaterSource:
      p.box({0, 200}, {100, 280}, cyan);
      break;
    case Crew3Code::SuctionHoseDragged: {
      const auto [x3p, y3p] = position(l, 3, 1);
      const auto [x3pp, y3pp] = position(l, 3, 2);
      p.segment({100, 300}, {100, 330}, yellow);
      p.segment({x3pp, y3pp - 70}, {x3p, y3p - 70}, yellow);
      p.segment({x3p, y3p - 70}, {x3, y3 - 70}, yellow);
      suction_hose_at_truck(p);
      break;
    }
    case Crew3Code::SuctionHoseLaid:
      p.box({100, 700}, {302, 435}, black);
      water_source_line(p);
      suction_hose_at_truck(p);
      p.box({170, 470}, {315, 325}, grey);
      p.thick_segment({170, 325}, {100, 225}, {0, -1}, grey);
      p.box({0, 200}, {100, 280}, cyan);
      break;
    case Crew3Code::RepaintSuctionSide:
      water_source_line(p);
      suction_hose_at_truck(p);
      break;
    case Crew3Code::StrainerInWater:
      p.segment({170, 326}, {100, 226}, yellow);
      p.segment({170, 314}, {100, 214}, yellow);
      p.box({0, 200}, {100, 280}, cyan);
      break;
    case Crew3Code::CarryLevel:  // the piece carried above the figure
      carried_piece(l, 3, Carry::Level);
      break;
    case Crew3Code::CarryTiltedDown:
      carried_piece(l, 3, Carry::TiltedDown);
      break;
    case Crew3Code::CarryTiltedUp:
      carried_piece(l, 3, Carry::TiltedUp);
      break;
    case Crew3Code::CarryLevelled:
      carried_piece(l, 3, Carry::Levelled);
      break;
    case Crew3Code::CarryHalfAway:
      carried_piece(l, 3, Carry::HalfAway);
      break;
    case Crew3Code::CarryAway:
      carried_piece(l, 3, Carry::Away);
      break;
    case Crew3Code::CarryHeldLow:
      carried_piece(l, 3, Carry::HeldLow);
      break;
    case Crew3Code::NozzleStandMark:
      p.segment({6320, 445}, {6420, 445}, yellow);
      break;
    case Crew3Code::Line2PumpOutletDisc:
      p.disc({855, 900}, 20, white);
      break;
    case Crew3Code::Line2HoseTo1120:
      p.hose(HoseLine::Two, {820, 1120}, white);
      break;
    case Crew3Code::Line2HoseTo1420:
      p.hose(HoseLine::Two, {820, 1420}, white);
      break;
    case Crew3Code::Line2HoseTo1820:
    case Crew3Code::Line2HoseTo1820Again:
      p.hose(HoseLine::Two, {820, 1820}, white);
      break;
    case Crew3Code::Line2HoseBentToOutlet:
      p.hose(HoseLine::Two, {820, 1080}, black);
      p.thick_segment({1080, 805}, {820, 700}, {0, 1}, white);
      break;
    case Crew3Code::Line2OutletCleared:
      p.box({820, 950}, {600, 805}, black);
      p.box({950, 960}, {600, 750}, white);
      break;
    case Crew3Code::Line2HoseToRunner:
      if (x3 >= 1200) {
        p.hose(HoseLine::Two, {1080, x3}, white);
      } else {
        p.thick_segment({1080, 805}, {820, 700}, {0, 1}, white);
        p.box({820, 950}, {600, 805}, black);
        p.box({820, 900}, {850, 950}, black);
        p.box({950, 960}, {600, 750}, white);
      }
      break;
    case Crew3Code::Line2HoseTo3120:
      p.hose(HoseLine::Two, {2820, 3120}, white);
      break;
    case Crew3Code::Line2HoseTo3420:
      p.hose(HoseLine::Two, {2820, 3420}, white);
      break;
    case Crew3Code::Line2HoseTo3820:
      p.hose(HoseLine::Two, {2820, 3820}, white);
      break;
    case Crew3Code::Line2MiddleCouplingRight:  // coupling, piece by piece from the right
      p.hose(HoseLine::Two, {2800, 2820}, white);
      break;
    case Crew3Code::Line2MiddleCouplingCentre:
      p.hose(HoseLine::Two, {2775, 2800}, white);
      break;
    case Crew3Code::Line2MiddleCouplingJoined:
      p.hose(HoseLine::Two, {2750, 2775}, white);
      p.coupling_mark(HoseLine::Two, 2750);
      break;
    case Crew3Code::Line2HoseFromMiddleToRunner:
      p.hose(HoseLine::Two, {2756, x3}, white);
      break;
    case Crew3Code::Line2NozzleCouplingRight:  // the nozzle is crew member 2's
      p.hose(HoseLine::Two, {4780, 4820}, white);
      p.nozzle(HoseLine::Two, x2);
      break;
    case Crew3Code::Line2NozzleCouplingCentre:
      p.hose(HoseLine::Two, {4730, 4780}, white);
      p.nozzle(HoseLine::Two, x2);
      break;
    case Crew3Code::Line2NozzleCouplingJoined:
      p.hose(HoseLine::Two, {4680, 4730}, white);
      p.coupling_mark(HoseLine::Two, 4680);
      p.nozzle(HoseLine::Two, x2);
      break;
    case Crew3Code::RepaintLine2ToMiddle:
      p.hose(HoseLine::Two, {950, 2820}, white);
      p.coupling_mark(HoseLine::Two, 2750);
      break;
    case Crew3Code::Line2JetFollowsRunner:
      p.jet(HoseLine::Two, kJetTip, x3, kJetThreshold);
      break;
    case Crew3Code::NozzleStandMarkHalfAway:
      p.segment({6370, 445}, {6420, 445}, black);
      break;
    case Crew3Code::NozzleStandMarkAway:
      p.segment({6320, 445}, {6420, 445}, black);
      break;
    case Crew3Code::PieceLowTilted: {  // a piece carried just below the figure
      const auto [x3p, y3p] = position(l, 3, 1);
      p.segment_step({x3p - 30, y3p - 80}, {100, -30}, black);
      p.segment_step({x3 - 30, y3 - 80}, {100, -30}, yellow);
      break;
    }
    case Crew3Code::PieceLowLevel: {
      const auto [x3p, y3p] = position(l, 3, 1);
      p.segment_step({x3p - 30, y3p - 80}, {100, -30}, black);
      p.segment_step({x3p - 30, y3p - 80}, {100, 0}, black);
      p.segment_step({x3 - 30, y3 - 80}, {100, 0}, yellow);
      p.box({950, 960}, {600, 805}, white);
      break;
    }
    case Crew3Code::PieceLowAway: {
      const auto [x3p, y3p] = position(l, 3, 1);
      p.segment_step({x3p - 30, y3p - 80}, {100, 0}, black);
      break;
    }
    default:  // nothing written on this keyframe
      break;
  }
}

void ponpu_time_4(const Layer& l) {
  const StagePainter p = painter_for(l);
  const int x3 = position(l, 3).x;
  const auto [x4, y4] = position(l, 4);
  switch (read_code<Crew4Code>(l)) {
    case Crew4Code::BoardDoorAjar:
    case Crew4Code::ExitDoorAjar:
      p.door_leaf(kCrew4Door, 20, red);
      break;
    case Crew4Code::BoardDoorWideOpen:
    case Crew4Code::ExitDoorWideOpen:
      p.door_leaf(kCrew4Door, 20, black);
      p.door_leaf(kCrew4Door, 70, red);
      break;
    case Crew4Code::HideFigure:
      l.window.set_slot_visible(4, false);
      break;
    case Crew4Code::BoardDoorBackAjar:
    case Crew4Code::ExitDoorBackAjar:
      p.door_leaf(kCrew4Door, 70, black);
      p.door_leaf(kCrew4Door, 20, red);
      break;
    case Crew4Code::BoardDoorShut:
    case Crew4Code::ExitDoorShut:
      p.door_leaf(kCrew4Door, 20, black);
      break;
    case Crew4Code::ShowFigure:
      l.window.set_slot_visible(4, true);
      break;
    case Crew4Code::SuctionHoseAlongTruck:
      p.box({700, x3}, {390, 400}, grey);
      break;
    case Crew4Code::SuctionHoseFreeEnd: {  // the suction hose's free end, 5 below the figure's
                                           // bottom-right corner
      const int y4p = position(l, 4, 1).y;
      p.thick_segment({550, 400}, {x4 + 70, y4p - 75}, {0, -1}, black);
      p.thick_segment({550, 400}, {x4 + 70, y4 - 75}, {0, -1}, grey);
      break;
    }
    case Crew4Code::RepaintSuctionAtTruck:
      suction_hose_at_truck(p);
      break;
    case Crew4Code::RepaintLine1AtPump:
      p.box({950, 1080}, {185, 400}, black);
      p.box({950, 960}, {185, 400}, white);
      p.hose(HoseLine::One, {950, 2000}, white);
      break;
    case Crew4Code::RepaintSuctionSide:
      water_source_line(p);
      suction_hose_at_truck(p);
      break;
    case Crew4Code::ValveMarkUp:
      p.box({600, 700}, {414, 425}, red);
      break;
    case Crew4Code::RepaintLine2Outlet:
      p.thick_segment({1080, 805}, {820, 700}, {0, 1}, white);
      p.box({820, 950}, {600, 805}, black);
      p.box({950, 960}, {600, 750}, white);
      break;
    case Crew4Code::RepaintLine2AtPump:
      p.box({950, 1080}, {600, 805}, black);
      p.box({950, 960}, {600, 805}, white);
      p.hose(HoseLine::Two, {950, 2000}, white);
      break;
    case Crew4Code::Line1HoseRolledToRunner:
      p.box({700, 960}, {185, 400}, black);
      p.thick_segment({950, 185}, {x4, y4}, {1, 1}, white);
      p.box_corners({x4, y4}, {x4 + 70, 350}, black);
      break;
    case Crew4Code::Line1HoseFromPumpEdge:
      p.box({700, 960}, {185, 400}, black);
      p.hose(HoseLine::One, {700, 2000}, white);
      break;
    case Crew4Code::Line2HoseRolledToRunner:
      p.box({700, 960}, {600, 805}, black);
      p.thick_segment({960, 805}, {x4, y4 - 70}, {-1, 1}, white);
      p.box_corners({x4, y4 - 70}, {x4 + 70, 600}, black);
      break;
    case Crew4Code::Line2HoseFromPumpEdge:
      p.box({700, 960}, {600, 805}, black);
      p.hose(HoseLine::Two, {700, 2000}, white);
      break;
    default:  // nothing written on this keyframe
      break;
  }
}

}  // namespace drills::pump_truck
