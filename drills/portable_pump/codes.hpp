#pragma once
// The portable-pump drill's equipment codes: code entry f of a keyframe is
// written on person slot f's track and painted by layer kahan_time_f. One enum
// per entry; the builders write these names and the layers switch on them. The
// numbers are the values the table stores (int16) and must not change: every
// dump and picture depends on them. None (0) paints nothing.
//
// The single hose line lies along y 185..195: the pump-end hose from x 600,
// the middle hose with its coupling at 2575, the nozzle-end hose with its
// coupling at 4500, and the nozzle.

#include <stdexcept>

#include "stage/drill.hpp"
#include "stage/frame_table.hpp"

namespace drills::portable_pump {

// Entry 0: the nozzle end of the line, following the commander's track.
enum class CommanderCode : stage::EquipmentCode {
  None = 0,
  HoseTo4945 = 1,  // the nozzle-end hose unrolled from 4645 in three lengths
  HoseTo5245 = 2,
  HoseTo5645 = 3,
  HoseToRunnerWithNozzle = 4,  // from the coupling at 4510 to the runner
  CoilAtRunner355 = 5,         // the spare hose coiled behind the runner, three steps
  CoilAtRunner275 = 6,
  CoilAtRunner195 = 7,
  HoseFollowsRunner = 8,  // drawn on from the last keyframe's x, the nozzle in hand
  NozzleInHand = 9,
  NozzleLaid = 10,    // at the line's end, x 6145
  RedBarTaken = 11,   // the scenery's red bar
  LowDiscTaken = 12,  // the scenery's white disc at (775, 200)
};

// Entry 1: the pump end and the middle of the line, and the jet.
enum class Member1Code : stage::EquipmentCode {
  None = 0,
  HoseTo900 = 1,  // the pump-end hose unrolled from 600 in three lengths
  HoseTo1200 = 2,
  HoseTo1600 = 3,
  HoseBentToOutlet = 4,
  OutletCleared = 5,
  HoseToRunner = 6,  // from 1600 to the runner, or the bend again near the pump
  // 7 is never written.
  MiddleHoseTo2945 = 8,  // the middle hose unrolled from 2645
  MiddleHoseTo3245 = 9,
  MiddleHoseTo3645 = 10,
  MiddleCouplingRight = 11,  // the middle coupling, piece by piece from the right
  MiddleCouplingCentre = 12,
  MiddleCouplingJoined = 13,
  HoseFromMiddleToRunner = 14,
  NozzleCouplingRight = 15,  // the nozzle-end coupling, the nozzle in the commander's hand
  NozzleCouplingCentre = 16,
  NozzleCouplingJoined = 17,
  JetFollowsRunner = 18,  // lengthens as the runner passes 4500, 4600, 4700, 4800
  JetFallsTo700 = 19,     // the jet stops from its far end ...
  JetFallsTo400 = 20,
  JetFallsTo100 = 21,
  JetDry = 22,
  JetSpurts400 = 23,  // ... the last water spurts out ...
  JetSpurtsTo100 = 24,
  JetSpurtDry = 25,
  NozzleHalfAway = 26,  // ... and the nozzle is taken away
  NozzleAway = 27,
  RepaintLaidLine = 28,  // the whole laid line again, with both coupling marks
  RedBarBack = 29,
  RepaintSuctionPipe = 30,  // the grey pipe at x 600 down to y 20
  MiddleDiscTaken = 31,     // the scenery's white disc at (775, 265)
  HighDiscTaken = 32,       // the scenery's white disc at (775, 330)
};

// Entry 2: the suction hose, the piece carried above the head, and the nozzle stand.
enum class Member2Code : stage::EquipmentCode {
  None = 0,
  SuctionHoseToMember3 = 1,  // from the figure (its yellow end) to member 3; hides the crew
  SuctionHoseLaidOut = 2,
  SuctionHoseCarried = 3,  // moved from the last keyframe's height to this one's
  SuctionHoseBentIntoTank = 4,
  RepaintWaterSource = 5,
  SuctionHoseDragged = 6,  // its end drawn along the figure's last three places
  SuctionHoseLaid = 7,
  StrainerRope = 8,  // the yellow rope from the strainer to the pump
  // 9 and 10 are never written.
  CarryLevel = 11,  // the piece carried above the figure (render::Carry)
  CarryTiltedDown = 12,
  CarryTiltedUp = 13,
  CarryLevelled = 14,
  CarryHalfAway = 15,
  CarryAway = 16,
  CarryHeldLow = 17,
  NozzleStandMark = 18,  // the short yellow mark at y 420 beyond the line's end
  NozzleStandMarkHalfAway = 19,
  NozzleStandMarkAway = 20,
  PieceLowTilted = 21,  // a piece carried below the figure: tilted, level, upright
  PieceLowLevel = 22,
  PieceUpright = 23,
  PieceHeldAcross = 24,
  RepaintSuctionHoseBend = 25,
  YellowPieceTaken = 26,  // the scenery's yellow piece by the grey ring
};

// Entry 3: the suction hose's pump end and the line's start at the pump.
enum class Member3Code : stage::EquipmentCode {
  None = 0,
  SuctionHosePumpEnd = 1,  // follows member 3
  SuctionHoseJoined = 2,
  RepaintLineStart = 3,
  SuctionHoseIntoWater = 4,
  OutletToRunner = 5,
  RepaintPumpSide = 6,
};

// Which code entry (and person slot) each code type belongs to.
template <class Code>
struct CodeEntry;
template <>
struct CodeEntry<CommanderCode> {
  static constexpr int slot = 0;
};
template <>
struct CodeEntry<Member1Code> {
  static constexpr int slot = 1;
};
template <>
struct CodeEntry<Member2Code> {
  static constexpr int slot = 2;
};
template <>
struct CodeEntry<Member3Code> {
  static constexpr int slot = 3;
};

template <class Code>
concept PortablePumpCode = requires {
  CodeEntry<Code>::slot;
};

// The value stored for `code` on person p's track. A code of another person's
// entry is a choreography error: in a constant script it fails to compile.
template <PortablePumpCode Code>
constexpr int code_for(int p, Code code) {
  if (p != CodeEntry<Code>::slot)
    throw std::logic_error("kahan_frames: a code written on another person's track");
  return static_cast<int>(code);
}

// The code of its type on the keyframe a layer shows.
template <PortablePumpCode Code>
Code read_code(const stage::Layer& layer) {
  return static_cast<Code>(layer.table[layer.frame].code(CodeEntry<Code>::slot));
}

}  // namespace drills::portable_pump
