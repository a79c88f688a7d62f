// The pump-truck drill's five equipment layers. Layer f belongs to person slot
// f (0 the commander, 1..4 crew members 1..4): it paints that person's door,
// hoses, nozzle and water, and hides the figure while the person sits in the
// truck. Each case is one code value the choreography writes; its lines are
// the shapes in painting order, later ones over earlier ones.

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

}  // namespace

void ponpu_time_0(const Layer& l) {
  const StagePainter p = painter_for(l);
  const int x0 = position(l, 0).x;
  switch (code_of(l, 0)) {
    case 1:
    case 6:
      p.door_leaf(kCommanderDoor, 20, red);
      break;
    case 2:
    case 7:
      p.door_leaf(kCommanderDoor, 20, black);
      p.door_leaf(kCommanderDoor, 70, red);
      break;
    case 3:
      l.window.set_slot_visible(0, false);
      break;
    case 4:
    case 9:
      p.door_leaf(kCommanderDoor, 70, black);
      p.door_leaf(kCommanderDoor, 20, red);
      break;
    case 5:
    case 10:
      p.door_leaf(kCommanderDoor, 20, black);
      break;
    case 8:
      l.window.set_slot_visible(0, true);
      break;
    case 11:
      if (x0 <= 5500) {
        p.hose(HoseLine::One, {4686, 5650}, white);
      } else {
        p.hose(HoseLine::One, {4686, 6000}, white);
        p.coil({6000, 195}, HoseLine::One);
      }
      break;
    case 12:
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
  switch (code_of(l, 1)) {
    case 1:
      p.door_leaf(kCrew1Door, 20, red);
      break;
    case 2:
      p.door_leaf(kCrew1Door, 20, black);
      p.door_leaf(kCrew1Door, 70, red);
      break;
    case 3:
      l.window.set_slot_visible(1, false);
      break;
    case 4:
      l.window.set_slot_visible(1, true);
      break;
    case 5:
      p.door_leaf(kCrew1Door, 70, black);
      p.door_leaf(kCrew1Door, 20, red);
      break;
    case 6:
      p.door_leaf(kCrew1Door, 20, black);
      break;
    case 7:
      p.hose(HoseLine::One, {4820, 5120}, white);
      break;
    case 8:
      p.hose(HoseLine::One, {4820, 5420}, white);
      break;
    case 9:
      p.hose(HoseLine::One, {4820, 5820}, white);
      break;
    case 10:  // nozzle in hand
      p.nozzle(HoseLine::One, x1);
      break;
    case 11:
      p.hose(HoseLine::One, {4686, x1}, white);
      p.nozzle(HoseLine::One, x1);
      break;
    case 12:
      p.coil({x1 - 250, 355}, HoseLine::One);
      break;
    case 13:
      p.coil({6000, 275}, HoseLine::One);
      break;
    case 14:
      p.coil({6000, 195}, HoseLine::One);
      break;
    case 15:  // nozzle laid at the end of line 1
      p.hose(HoseLine::One, {6250, 6320}, white);
      p.nozzle(HoseLine::One, 6320);
      break;
    case 16:  // the jet of line 1 stops from its far end ...
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::FallTo700);
      break;
    case 17:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::FallTo400);
      break;
    case 18:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::FallTo100);
      break;
    case 19:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::Dry);
      break;
    case 20:  // ... the last water spurts out ...
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::Spurt100);
      break;
    case 21:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::Spurt400);
      break;
    case 22:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::SpurtTo100);
      break;
    case 23:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::SpurtDry);
      break;
    case 24:  // ... and the nozzle is taken away
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::NozzleHalf);
      break;
    case 25:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::NozzleGone);
      break;
    case 26:
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
  switch (code_of(l, 2)) {
    case 1:
      l.window.set_slot_visible(2, false);
      p.door_leaf(kCrew1Door, 70, red);
      break;
    case 2:
      p.door_leaf(kCrew1Door, 70, black);
      p.door_leaf(kCrew1Door, 20, red);
      break;
    case 3:
      p.door_leaf(kCrew1Door, 20, black);
      break;
    case 4:
      p.door_leaf(kCrew1Door, 20, red);
      break;
    case 5:
      p.door_leaf(kCrew1Door, 20, black);
      p.door_leaf(kCrew1Door, 70, red);
      break;
    case 6:
      l.window.set_slot_visible(2, true);
      break;
    case 7:
      p.disc({855, 300}, 20, white);
      break;
    case 8:
      p.hose(HoseLine::One, {820, 1120}, white);
      break;
    case 9:
      p.hose(HoseLine::One, {820, 1420}, white);
      break;
    case 10:
    case 11:
      p.hose(HoseLine::One, {820, 1820}, white);
      break;
    case 12:
      p.hose(HoseLine::One, {820, 1080}, black);
      p.thick_segment({1080, 185}, {820, 300}, {0, 1}, white);
      break;
    case 13:
      p.box({820, 950}, {185, 400}, black);
      p.box({950, 960}, {250, 400}, white);
      p.disc({855, 300}, 20, white);
      break;
    case 14:
      if (x2 >= 1200) {
        p.hose(HoseLine::One, {1080, x2}, white);
      } else {
        p.thick_segment({1080, 185}, {820, 300}, {0, 1}, white);
        p.box({820, 950}, {185, 400}, black);
        p.box({950, 960}, {250, 400}, white);
      }
      break;
    case 15:
      p.hose(HoseLine::One, {2820, 3120}, white);
      break;
    case 16:
      p.hose(HoseLine::One, {2820, 3420}, white);
      break;
    case 17:
      p.hose(HoseLine::One, {2820, 3820}, white);
      break;
    case 18:  // coupling, piece by piece from the right
      p.hose(HoseLine::One, {2800, 2820}, white);
      break;
    case 19:
      p.hose(HoseLine::One, {2775, 2800}, white);
      break;
    case 20:
      p.hose(HoseLine::One, {2750, 2775}, white);
      p.coupling_mark(HoseLine::One, 2750);
      break;
    case 21:
      p.hose(HoseLine::One, {2756, x2}, white);
      break;
    case 22:  // the nozzle is crew member 1's
      p.hose(HoseLine::One, {4780, 4820}, white);
      p.nozzle(HoseLine::One, x1);
      break;
    case 23:
      p.hose(HoseLine::One, {4730, 4780}, white);
      p.nozzle(HoseLine::One, x1);
      break;
    case 24:
      p.hose(HoseLine::One, {4680, 4730}, white);
      p.coupling_mark(HoseLine::One, 4680);
      p.nozzle(HoseLine::One, x1);
      break;
    case 25:
      p.coil({6000, 195}, HoseLine::One);
      p.hose(HoseLine::One, {6250, 6320}, white);
      break;
    case 26:
      p.jet(HoseLine::One, kJetTip, x2, kJetThreshold);
      break;
    case 27:
      p.hose(HoseLine::One, {950, 2000}, white);
      p.box({950, 960}, {185, 400}, white);
      break;
    case 28:
      p.box({600, 700}, {414, 425}, black);
      p.water_source_line();
      p.suction_hose_at_truck();
      p.box({600, 700}, {364, 375}, red);
      break;
    case 29:
      p.water_source_line();
      p.suction_hose_at_truck();
      break;
    case 30:
      p.box({600, 700}, {364, 375}, black);
      p.water_source_line();
      p.suction_hose_at_truck();
      break;
    case 31:
      p.hose(HoseLine::Two, {4820, 5120}, white);
      break;
    case 32:
      p.hose(HoseLine::Two, {4820, 5420}, white);
      break;
    case 33:
      p.hose(HoseLine::Two, {4820, 5820}, white);
      break;
    case 34:
      p.nozzle(HoseLine::Two, x2);
      break;
    case 35:
      p.hose(HoseLine::Two, {4686, x2}, white);
      p.nozzle(HoseLine::Two, x2);
      break;
    case 36:
      p.coil({x2 - 250, 645}, HoseLine::Two);
      break;
    case 37:
      p.coil({6000, 725}, HoseLine::Two);
      break;
    case 38:
      p.coil({6000, 805}, HoseLine::Two);
      break;
    case 39:
      p.hose(HoseLine::Two, {6250, 6320}, white);
      p.nozzle(HoseLine::Two, 6320);
      break;
    case 40:  // the jet of line 2 stops as that of line 1 does
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::FallTo700);
      break;
    case 41:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::FallTo400);
      break;
    case 42:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::FallTo100);
      break;
    case 43:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::Dry);
      break;
    case 44:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::Spurt100);
      break;
    case 45:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::Spurt400);
      break;
    case 46:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::SpurtTo100);
      break;
    case 47:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::SpurtDry);
      break;
    case 48:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::NozzleHalf);
      break;
    case 49:
      p.jet_shut_off(HoseLine::Two, kJetTip, ShutOff::NozzleGone);
      break;
    case 50:
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
  switch (code_of(l, 3)) {
    case 1:
    case 6:
      p.door_leaf(kCrew3Door, 20, red);
      break;
    case 2:
    case 7:
      p.door_leaf(kCrew3Door, 20, black);
      p.door_leaf(kCrew3Door, 70, red);
      break;
    case 3:
      l.window.set_slot_visible(3, false);
      break;
    case 4:
    case 9:
      p.door_leaf(kCrew3Door, 70, black);
      p.door_leaf(kCrew3Door, 20, red);
      break;
    case 5:
    case 10:
      p.door_leaf(kCrew3Door, 20, black);
      break;
    case 8:
      l.window.set_slot_visible(3, true);
      break;
    case 11:
      p.box({700, x3}, {390, 400}, grey);
      p.box({x3 - 20, x3}, {390, 400}, yellow);
      break;
    case 12: {  // erased at the height of the keyframe before, repainted at this one
      const int y3p = position(l, 3, 1).y;
      const int x4p = position(l, 4, 1).x;
      p.box_corners({x3 - 20, y3p - 75}, {x4p + 70, y3 - 85}, black);
      p.box_corners({x3, y3 - 75}, {x4 + 70, y3 - 85}, grey);
      p.box_corners({x3, y3 - 75}, {x3 - 20, y3 - 85}, yellow);
      break;
    }
    case 13:
      p.box({80, 170}, {315, 325}, black);
      for (int k = 0; k < kStrokeWidth; ++k) {
        p.segment({100, 225 - k}, {80, 215 - k}, yellow);
        p.segment({170, 325 - k}, {100, 225 - k}, grey);
      }
      break;
    case 14:
      p.box({0, 200}, {100, 280}, cyan);
      break;
    case 15: {
      const auto [x3p, y3p] = position(l, 3, 1);
      const auto [x3pp, y3pp] = position(l, 3, 2);
      p.segment({100, 300}, {100, 330}, yellow);
      p.segment({x3pp, y3pp - 70}, {x3p, y3p - 70}, yellow);
      p.segment({x3p, y3p - 70}, {x3, y3 - 70}, yellow);
      p.suction_hose_at_truck();
      break;
    }
    case 16:
      p.box({100, 700}, {302, 435}, black);
      p.water_source_line();
      p.suction_hose_at_truck();
      p.box({170, 470}, {315, 325}, grey);
      p.thick_segment({170, 325}, {100, 225}, {0, -1}, grey);
      p.box({0, 200}, {100, 280}, cyan);
      break;
    case 17:
      p.water_source_line();
      p.suction_hose_at_truck();
      break;
    case 18:
      p.segment({170, 326}, {100, 226}, yellow);
      p.segment({170, 314}, {100, 214}, yellow);
      p.box({0, 200}, {100, 280}, cyan);
      break;
    case 19:  // the piece carried above the figure
      carried_piece(l, 3, Carry::Level);
      break;
    case 20:
      carried_piece(l, 3, Carry::TiltedDown);
      break;
    case 21:
      carried_piece(l, 3, Carry::TiltedUp);
      break;
    case 22:
      carried_piece(l, 3, Carry::Levelled);
      break;
    case 23:
      carried_piece(l, 3, Carry::HalfAway);
      break;
    case 24:
      carried_piece(l, 3, Carry::Away);
      break;
    case 25:
      carried_piece(l, 3, Carry::HeldLow);
      break;
    case 26:
      p.segment({6320, 445}, {6420, 445}, yellow);
      break;
    case 27:
      p.disc({855, 900}, 20, white);
      break;
    case 28:
      p.hose(HoseLine::Two, {820, 1120}, white);
      break;
    case 29:
      p.hose(HoseLine::Two, {820, 1420}, white);
      break;
    case 30:
    case 31:
      p.hose(HoseLine::Two, {820, 1820}, white);
      break;
    case 32:
      p.hose(HoseLine::Two, {820, 1080}, black);
      p.thick_segment({1080, 805}, {820, 700}, {0, 1}, white);
      break;
    case 33:
      p.box({820, 950}, {600, 805}, black);
      p.box({950, 960}, {600, 750}, white);
      break;
    case 34:
      if (x3 >= 1200) {
        p.hose(HoseLine::Two, {1080, x3}, white);
      } else {
        p.thick_segment({1080, 805}, {820, 700}, {0, 1}, white);
        p.box({820, 950}, {600, 805}, black);
        p.box({820, 900}, {850, 950}, black);
        p.box({950, 960}, {600, 750}, white);
      }
      break;
    case 35:
      p.hose(HoseLine::Two, {2820, 3120}, white);
      break;
    case 36:
      p.hose(HoseLine::Two, {2820, 3420}, white);
      break;
    case 37:
      p.hose(HoseLine::Two, {2820, 3820}, white);
      break;
    case 38:  // coupling, piece by piece from the right
      p.hose(HoseLine::Two, {2800, 2820}, white);
      break;
    case 39:
      p.hose(HoseLine::Two, {2775, 2800}, white);
      break;
    case 40:
      p.hose(HoseLine::Two, {2750, 2775}, white);
      p.coupling_mark(HoseLine::Two, 2750);
      break;
    case 41:
      p.hose(HoseLine::Two, {2756, x3}, white);
      break;
    case 42:  // the nozzle is crew member 2's
      p.hose(HoseLine::Two, {4780, 4820}, white);
      p.nozzle(HoseLine::Two, x2);
      break;
    case 43:
      p.hose(HoseLine::Two, {4730, 4780}, white);
      p.nozzle(HoseLine::Two, x2);
      break;
    case 44:
      p.hose(HoseLine::Two, {4680, 4730}, white);
      p.coupling_mark(HoseLine::Two, 4680);
      p.nozzle(HoseLine::Two, x2);
      break;
    case 45:
      p.hose(HoseLine::Two, {950, 2820}, white);
      p.coupling_mark(HoseLine::Two, 2750);
      break;
    case 46:
      p.jet(HoseLine::Two, kJetTip, x3, kJetThreshold);
      break;
    case 47:
      p.segment({6370, 445}, {6420, 445}, black);
      break;
    case 48:
      p.segment({6320, 445}, {6420, 445}, black);
      break;
    case 49: {  // a piece carried just below the figure
      const auto [x3p, y3p] = position(l, 3, 1);
      p.segment_step({x3p - 30, y3p - 80}, {100, -30}, black);
      p.segment_step({x3 - 30, y3 - 80}, {100, -30}, yellow);
      break;
    }
    case 50: {
      const auto [x3p, y3p] = position(l, 3, 1);
      p.segment_step({x3p - 30, y3p - 80}, {100, -30}, black);
      p.segment_step({x3p - 30, y3p - 80}, {100, 0}, black);
      p.segment_step({x3 - 30, y3 - 80}, {100, 0}, yellow);
      p.box({950, 960}, {600, 805}, white);
      break;
    }
    case 51: {
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
  switch (code_of(l, 4)) {
    case 1:
    case 6:
      p.door_leaf(kCrew4Door, 20, red);
      break;
    case 2:
    case 7:
      p.door_leaf(kCrew4Door, 20, black);
      p.door_leaf(kCrew4Door, 70, red);
      break;
    case 3:
      l.window.set_slot_visible(4, false);
      break;
    case 4:
    case 9:
      p.door_leaf(kCrew4Door, 70, black);
      p.door_leaf(kCrew4Door, 20, red);
      break;
    case 5:
    case 10:
      p.door_leaf(kCrew4Door, 20, black);
      break;
    case 8:
      l.window.set_slot_visible(4, true);
      break;
    case 11:
      p.box({700, x3}, {390, 400}, grey);
      break;
    case 12: {  // the suction hose's free end, 5 below the figure's bottom-right corner
      const int y4p = position(l, 4, 1).y;
      p.thick_segment({550, 400}, {x4 + 70, y4p - 75}, {0, -1}, black);
      p.thick_segment({550, 400}, {x4 + 70, y4 - 75}, {0, -1}, grey);
      break;
    }
    case 13:
      p.suction_hose_at_truck();
      break;
    case 14:
      p.box({950, 1080}, {185, 400}, black);
      p.box({950, 960}, {185, 400}, white);
      p.hose(HoseLine::One, {950, 2000}, white);
      break;
    case 15:
      p.water_source_line();
      p.suction_hose_at_truck();
      break;
    case 16:
      p.box({600, 700}, {414, 425}, red);
      break;
    case 17:
      p.thick_segment({1080, 805}, {820, 700}, {0, 1}, white);
      p.box({820, 950}, {600, 805}, black);
      p.box({950, 960}, {600, 750}, white);
      break;
    case 18:
      p.box({950, 1080}, {600, 805}, black);
      p.box({950, 960}, {600, 805}, white);
      p.hose(HoseLine::Two, {950, 2000}, white);
      break;
    case 19:
      p.box({700, 960}, {185, 400}, black);
      p.thick_segment({950, 185}, {x4, y4}, {1, 1}, white);
      p.box_corners({x4, y4}, {x4 + 70, 350}, black);
      break;
    case 20:
      p.box({700, 960}, {185, 400}, black);
      p.hose(HoseLine::One, {700, 2000}, white);
      break;
    case 21:
      p.box({700, 960}, {600, 805}, black);
      p.thick_segment({960, 805}, {x4, y4 - 70}, {-1, 1}, white);
      p.box_corners({x4, y4 - 70}, {x4 + 70, 600}, black);
      break;
    case 22:
      p.box({700, 960}, {600, 805}, black);
      p.hose(HoseLine::Two, {700, 2000}, white);
      break;
    default:  // nothing written on this keyframe
      break;
  }
}

}  // namespace drills::pump_truck
