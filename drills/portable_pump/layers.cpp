// The portable-pump drill's four equipment layers: the single hose line along
// y 185..195 with its couplings at x 2575 and 4500, the nozzle and the jet to
// x 7245, the suction hose between the persons in slots 2 and 3, and the
// removal of the pump's loose pieces drawn with the scenery. Unlike the pump
// truck's layers they never show or hide a figure. Each case is one code value
// the choreography writes; its lines are the shapes in painting order.

#include "drills/portable_pump/codes.hpp"
#include "drills/portable_pump/portable_pump.hpp"
#include "render/carried_piece.hpp"
#include "render/layer_reading.hpp"

namespace drills::portable_pump {
namespace {

using namespace render;

using stage::colors::black;
using stage::colors::cyan;
using stage::colors::grey;
using stage::colors::red;
using stage::colors::white;
using stage::colors::yellow;

// The jet starts at the nozzle tip and lengthens as the runner passes x 4500,
// 4600, 4700 and 4800.
constexpr int kJetTip = 6245;
constexpr int kJetThreshold = 4500;

// Where the suction hose's loop lies, and how wide it is, follows crew member 2's x.
struct Loop {
  int last_x2;  // the loop for crew member 2 at or left of this x
  Point centre;
  int outer;
  int inner;
};
constexpr Loop kLoops[] = {
    {220, {400, 550}, 25, 10},
    {300, {455, 600}, 30, 15},
    {380, {535, 650}, 35, 20},
    {460, {610, 700}, 40, 25},
};
constexpr Loop kWidestLoop{0, {695, 730}, 45, 30};  // beyond x 460

const Loop& loop_for(int x2) {
  for (const Loop& loop : kLoops)
    if (x2 <= loop.last_x2) return loop;
  return kWidestLoop;
}

// Member2Code::SuctionHoseToMember3: the suction hose from crew member 2 (its yellow end)
// to crew member 3, straight while crew member 2 is at or left of x 200 and
// with a loop beyond.
void suction_hose(const StagePainter& p, Point m2, Point m3) {
  const auto [x2, y2] = m2;
  const auto [x3, y3] = m3;
  p.box({0, 850}, {500, 800}, black);
  if (x2 <= 200) {
    for (int k = 0; k < kStrokeWidth; ++k) {
      p.segment({x2, y2 - 70 - k}, {x3 + 70, y3 - 70 - k}, grey);
      p.segment({x2, y2 - 70 - k}, {x2 - 10, y2 - 70 - k}, yellow);
    }
  } else {
    const Loop& loop = loop_for(x2);
    const auto [cx, cy] = loop.centre;
    const int r = loop.outer;
    p.ring(loop.centre, loop.outer, loop.inner, grey);
    for (int k = 0; k < kStrokeWidth; ++k) {
      p.segment({x2 + 30, y2 - 70 - k}, {cx, cy + r - k}, grey);
      p.segment({cx, cy + r - k}, {x3, y3 - 70 - k}, grey);
    }
    p.box({x2, x2 + 30}, {y2 - 81, y2 - 70}, grey);
    p.box({x3, x3 + 70}, {y3 - 81, y3 - 70}, grey);
    p.box({x2 - 20, x2}, {y2 - 81, y2 - 70}, yellow);
  }
  p.segment({750, 670}, {850, 670}, yellow);
  p.box({765, 785}, {640, 650}, yellow);
}

}  // namespace

void kahan_time_0(const Layer& l) {
  const StagePainter p = painter_for(l);
  const int x0 = position(l, 0).x;
  switch (read_code<CommanderCode>(l)) {
    case CommanderCode::HoseTo4945:
      p.hose(HoseLine::One, {4645, 4945}, white);
      break;
    case CommanderCode::HoseTo5245:
      p.hose(HoseLine::One, {4645, 5245}, white);
      break;
    case CommanderCode::HoseTo5645:
      p.hose(HoseLine::One, {4645, 5645}, white);
      break;
    case CommanderCode::HoseToRunnerWithNozzle:
      p.hose(HoseLine::One, {4510, x0}, white);
      p.nozzle(HoseLine::One, x0);
      break;
    case CommanderCode::CoilAtRunner355:
      p.coil({x0 - 250, 355}, HoseLine::One);
      break;
    case CommanderCode::CoilAtRunner275:
      p.coil({x0 - 250, 275}, HoseLine::One);
      break;
    case CommanderCode::CoilAtRunner195:
      p.coil({x0 - 250, 195}, HoseLine::One);
      break;
    case CommanderCode::HoseFollowsRunner: {
      const int x0p = position(l, 0, 1).x;
      p.hose(HoseLine::One, {x0p, x0}, white);
      p.nozzle(HoseLine::One, x0);
      break;
    }
    case CommanderCode::NozzleInHand:
      p.nozzle(HoseLine::One, x0);
      break;
    case CommanderCode::NozzleLaid:
      p.hose(HoseLine::One, {6075, 6145}, white);
      p.nozzle(HoseLine::One, 6145);
      break;
    case CommanderCode::RedBarTaken:  // the red bar of the scenery
      p.box({700, 711}, {215, 315}, black);
      break;
    case CommanderCode::LowDiscTaken:  // the white disc at (775, 200)
      p.box({750, 800}, {175, 225}, black);
      break;
    default:  // nothing written on this keyframe
      break;
  }
}

void kahan_time_1(const Layer& l) {
  const StagePainter p = painter_for(l);
  const int x0 = position(l, 0).x;
  const int x1 = position(l, 1).x;
  switch (read_code<Member1Code>(l)) {
    case Member1Code::HoseTo900:
      p.hose(HoseLine::One, {600, 900}, white);
      break;
    case Member1Code::HoseTo1200:
      p.hose(HoseLine::One, {600, 1200}, white);
      break;
    case Member1Code::HoseTo1600:
      p.hose(HoseLine::One, {600, 1600}, white);
      break;
    case Member1Code::HoseBentToOutlet:
      p.hose(HoseLine::One, {600, 860}, black);
      p.thick_segment({860, 185}, {600, 300}, {0, 1}, white);
      break;
    case Member1Code::OutletCleared:
      p.box({600, 770}, {185, 400}, black);
      p.box({770, 780}, {230, 400}, white);
      break;
    case Member1Code::HoseToRunner:
      if (x1 >= 1600) {
        p.hose(HoseLine::One, {1600, x1}, white);
      } else {
        p.thick_segment({860, 185}, {600, 300}, {0, 1}, white);
        p.box({600, 770}, {185, 400}, black);
        p.box({770, 780}, {230, 400}, white);
      }
      break;
    case Member1Code::MiddleHoseTo2945:
      p.hose(HoseLine::One, {2645, 2945}, white);
      break;
    case Member1Code::MiddleHoseTo3245:
      p.hose(HoseLine::One, {2645, 3245}, white);
      break;
    case Member1Code::MiddleHoseTo3645:
      p.hose(HoseLine::One, {2645, 3645}, white);
      break;
    case Member1Code::MiddleCouplingRight:  // coupling, piece by piece from the right
      p.hose(HoseLine::One, {2625, 2645}, white);
      break;
    case Member1Code::MiddleCouplingCentre:
      p.hose(HoseLine::One, {2600, 2625}, white);
      break;
    case Member1Code::MiddleCouplingJoined:
      p.hose(HoseLine::One, {2575, 2600}, white);
      p.coupling_mark(HoseLine::One, 2575);
      break;
    case Member1Code::HoseFromMiddleToRunner:
      p.hose(HoseLine::One, {2645, x1}, white);
      break;
    case Member1Code::NozzleCouplingRight:
      p.hose(HoseLine::One, {4600, 4645}, white);
      p.nozzle(HoseLine::One, x0);
      break;
    case Member1Code::NozzleCouplingCentre:
      p.hose(HoseLine::One, {4550, 4600}, white);
      p.nozzle(HoseLine::One, x0);
      break;
    case Member1Code::NozzleCouplingJoined:
      p.hose(HoseLine::One, {4500, 4550}, white);
      p.nozzle(HoseLine::One, x0);
      p.coupling_mark(HoseLine::One, 4500);
      break;
    case Member1Code::JetFollowsRunner:
      p.jet(HoseLine::One, kJetTip, x1, kJetThreshold);
      break;
    case Member1Code::JetFallsTo700:  // the jet stops from its far end ...
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::FallTo700);
      break;
    case Member1Code::JetFallsTo400:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::FallTo400);
      break;
    case Member1Code::JetFallsTo100:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::FallTo100);
      break;
    case Member1Code::JetDry:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::Dry);
      break;
    case Member1Code::JetSpurts400:  // ... the last water spurts out ...
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::Spurt400);
      break;
    case Member1Code::JetSpurtsTo100:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::SpurtTo100);
      break;
    case Member1Code::JetSpurtDry:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::SpurtDry);
      break;
    case Member1Code::NozzleHalfAway:  // ... and the nozzle is taken away
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::NozzleHalf);
      break;
    case Member1Code::NozzleAway:
      p.jet_shut_off(HoseLine::One, kJetTip, ShutOff::NozzleGone);
      break;
    case Member1Code::RepaintLaidLine:  // the whole laid line again, with both coupling marks
      if (x0 > 5400) p.coil({5825, 195}, HoseLine::One);
      p.hose(HoseLine::One, {6075, 6145}, white);
      p.hose(HoseLine::One, {770, 5575}, white);
      p.coupling_mark(HoseLine::One, 2575);
      p.coupling_mark(HoseLine::One, 4500);
      break;
    case Member1Code::RedBarBack:  // the red bar back in its place
      p.box({700, 711}, {215, 315}, red);
      break;
    case Member1Code::RepaintSuctionPipe:
      p.box({595, 605}, {20, 400}, grey);
      break;
    case Member1Code::MiddleDiscTaken:  // the white disc at (775, 265)
      p.box({750, 800}, {240, 290}, black);
      break;
    case Member1Code::HighDiscTaken:  // the white disc at (775, 330)
      p.box({750, 800}, {305, 355}, black);
      p.box({770, 780}, {230, 400}, white);
      break;
    default:  // nothing written on this keyframe
      break;
  }
}

void kahan_time_2(const Layer& l) {
  const StagePainter p = painter_for(l);
  const auto [x2, y2] = position(l, 2);
  switch (read_code<Member2Code>(l)) {
    case Member2Code::SuctionHoseToMember3:
      suction_hose(p, {x2, y2}, position(l, 3));
      break;
    case Member2Code::SuctionHoseLaidOut:
      p.box({200, 700}, {470, 500}, black);
      p.box({200, 700}, {470, 480}, grey);
      p.box({180, 200}, {470, 480}, yellow);
      break;
    case Member2Code::SuctionHoseCarried: {
      const int y2p = position(l, 2, 1).y;
      p.box_corners({180, y2p - 75}, {470, y2 - 85}, black);
      p.box_corners({200, y2 - 75}, {470, y2 - 85}, grey);
      p.box_corners({200, y2 - 75}, {180, y2 - 85}, yellow);
      break;
    }
    case Member2Code::SuctionHoseBentIntoTank:
      p.box({180, 270}, {350, 360}, black);
      for (int k = 0; k < kStrokeWidth; ++k) {
        p.segment({200, 260 - k}, {180, 250 - k}, yellow);
        p.segment({270, 360 - k}, {200, 260 - k}, grey);
      }
      break;
    case Member2Code::RepaintWaterSource:
      p.box({95, 295}, {100, 280}, cyan);
      break;
    case Member2Code::SuctionHoseDragged: {
      const auto [x2p, y2p] = position(l, 2, 1);
      const auto [x2pp, y2pp] = position(l, 2, 2);
      p.segment({200, 300}, {200, 330}, yellow);
      p.segment({x2pp, y2pp - 70}, {x2p, y2p - 70}, yellow);
      p.segment({x2p, y2p - 70}, {x2, y2 - 70}, yellow);
      break;
    }
    case Member2Code::SuctionHoseLaid:
      p.box({100, 400}, {305, 600}, black);
      p.box({400, 700}, {400, 700}, black);
      p.segment({200, 300}, {700, 550}, yellow);
      p.box({270, 470}, {350, 360}, grey);
      for (int k = 0; k < kStrokeWidth; ++k) {
        p.segment({700, 480 - k}, {470, 360 - k}, grey);
        p.segment({270, 360 - k}, {200, 260 - k}, grey);
      }
      p.box({95, 295}, {100, 280}, cyan);
      break;
    case Member2Code::StrainerRope:
      p.segment({200, 300}, {700, 550}, yellow);
      break;
    case Member2Code::CarryLevel:  // the piece carried above the figure
      carried_piece(l, 2, Carry::Level);
      break;
    case Member2Code::CarryTiltedDown:
      carried_piece(l, 2, Carry::TiltedDown);
      break;
    case Member2Code::CarryTiltedUp:
      carried_piece(l, 2, Carry::TiltedUp);
      break;
    case Member2Code::CarryLevelled:
      carried_piece(l, 2, Carry::Levelled);
      break;
    case Member2Code::CarryHalfAway:
      carried_piece(l, 2, Carry::HalfAway);
      break;
    case Member2Code::CarryAway:
      carried_piece(l, 2, Carry::Away);
      break;
    case Member2Code::CarryHeldLow:
      carried_piece(l, 2, Carry::HeldLow);
      break;
    case Member2Code::NozzleStandMark:
      p.segment({6145, 420}, {6245, 420}, yellow);
      break;
    case Member2Code::NozzleStandMarkHalfAway:
      p.segment({6195, 420}, {6245, 420}, black);
      break;
    case Member2Code::NozzleStandMarkAway:
      p.segment({6145, 420}, {6245, 420}, black);
      break;
    case Member2Code::PieceLowTilted: {  // a piece carried below the figure: tilted, level, upright
      const auto [x2p, y2p] = position(l, 2, 1);
      p.segment_step({x2p + 70, y2p - 90}, {-100, 20}, black);
      p.segment_step({x2 + 70, y2 - 90}, {-100, 20}, yellow);
      break;
    }
    case Member2Code::PieceLowLevel: {
      const auto [x2p, y2p] = position(l, 2, 1);
      p.segment_step({x2p + 70, y2p - 90}, {-100, 20}, black);
      p.segment_step({x2 + 70, y2 - 90}, {-100, 0}, black);
      p.segment_step({x2 + 70, y2 - 90}, {-100, 0}, yellow);
      break;
    }
    case Member2Code::PieceUpright: {
      const auto [x2p, y2p] = position(l, 2, 1);
      p.segment_step({x2p + 70, y2p - 90}, {-100, 0}, black);
      p.segment_step({x2 - 20, y2 - 70}, {0, 100}, yellow);
      break;
    }
    case Member2Code::PieceHeldAcross: {
      const auto [x2p, y2p] = position(l, 2, 1);
      p.segment_step({x2p - 20, y2p - 70}, {0, 100}, black);
      p.segment_step({x2, y2 + 20}, {100, 0}, yellow);
      break;
    }
    case Member2Code::RepaintSuctionHoseBend:
      p.thick_segment({700, 480}, {595, 400}, {0, -1}, grey);
      break;
    case Member2Code::YellowPieceTaken:  // the yellow piece by the grey ring of the scenery
      p.box({765, 785}, {640, 650}, black);
      break;
    default:  // nothing written on this keyframe
      break;
  }
}

void kahan_time_3(const Layer& l) {
  const StagePainter p = painter_for(l);
  const int y3 = position(l, 3).y;
  switch (read_code<Member3Code>(l)) {
    case Member3Code::SuctionHosePumpEnd: {  // the suction hose's pump end follows crew member 3
      const int y3p = position(l, 3, 1).y;
      p.thick_segment({700, 480}, {470, y3p - 75}, {0, -1}, black);
      p.thick_segment({700, 480}, {470, y3 - 75}, {0, -1}, grey);
      break;
    }
    case Member3Code::SuctionHoseJoined:
      p.box({270, 470}, {350, 360}, grey);
      p.thick_segment({700, 480}, {470, 360}, {0, -1}, grey);
      break;
    case Member3Code::RepaintLineStart:
      p.box({770, 1800}, {185, 400}, black);
      p.box({770, 780}, {185, 400}, white);
      p.hose(HoseLine::One, {770, 2000}, white);
      break;
    case Member3Code::SuctionHoseIntoWater:
      p.box({100, 850}, {305, 600}, black);
      p.box({95, 295}, {100, 300}, cyan);
      p.thick_segment({700, 480}, {595, 400}, {0, -1}, grey);
      p.box({595, 605}, {20, 400}, grey);
      p.box({595, 605}, {0, 20}, yellow);
      break;
    case Member3Code::OutletToRunner:
      p.box({770, 780}, {195, 400}, black);
      p.box_corners({770, 185}, {780, y3}, white);
      break;
    case Member3Code::RepaintPumpSide:
      p.box({770, 780}, {0, 185}, white);
      p.thick_segment({700, 480}, {595, 400}, {0, -1}, grey);
      p.box({595, 605}, {20, 400}, grey);
      p.box({595, 605}, {0, 20}, yellow);
      break;
    default:  // nothing written on this keyframe
      break;
  }
}

}  // namespace drills::portable_pump
