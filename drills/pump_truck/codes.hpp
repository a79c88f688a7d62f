#pragma once
// The pump-truck drill's equipment codes: code entry f of a keyframe belongs to
// person slot f and is painted by layer ponpu_time_f. One enum per entry; the
// builders write these names and the layers switch on them. The numbers are
// the values the table stores (int16) and must not change: every dump and
// picture depends on them. None (0) paints nothing.
//
// The truck's doors: a door's leaf is drawn 20 degrees out of the truck's side
// (ajar) or 70 degrees out (wide open); erasing the ajar leaf shuts the door.

#include <stdexcept>
#include <string>

#include "stage/drill.hpp"
#include "stage/frame_table.hpp"

namespace drills::pump_truck {

// Entry 0: the commander, who rides beside the driver's door.
enum class CommanderCode : stage::EquipmentCode {
  None = 0,
  BoardDoorAjar = 1,      // boarding: the door's leaf ajar
  BoardDoorWideOpen = 2,  // ajar -> wide open
  HideFigure = 3,         // inside the truck
  BoardDoorBackAjar = 4,  // wide open -> ajar
  BoardDoorShut = 5,      // the ajar leaf erased
  ExitDoorAjar = 6,       // getting out: the same steps
  ExitDoorWideOpen = 7,
  ShowFigure = 8,
  ExitDoorBackAjar = 9,
  ExitDoorShut = 10,
  RepaintLine1Far = 11,    // line 1's far part (to 5650, or to the coil at 6000 past x 5500)
  RepaintLine2Start = 12,  // line 2's start at the pump
};

// Entry 1: crew member 1, who lays out line 1's nozzle end and holds its nozzle.
enum class Crew1Code : stage::EquipmentCode {
  None = 0,
  BoardDoorAjar = 1,
  BoardDoorWideOpen = 2,
  HideFigure = 3,
  ShowFigure = 4,
  ExitDoorBackAjar = 5,
  ExitDoorShut = 6,
  Line1HoseTo5120 = 7,  // the nozzle-end hose unrolled from 4820 in three lengths
  Line1HoseTo5420 = 8,
  Line1HoseTo5820 = 9,
  Line1NozzleInHand = 10,
  Line1HoseToRunnerWithNozzle = 11,  // hose from the coupling at 4686 to the runner
  Line1CoilAtRunner = 12,            // the spare hose coiled, following the runner
  Line1CoilAt275 = 13,
  Line1CoilAt195 = 14,
  Line1NozzleLaid = 15,     // at the line's end, x 6320
  Line1JetFallsTo700 = 16,  // the jet of line 1 stops from its far end ...
  Line1JetFallsTo400 = 17,
  Line1JetFallsTo100 = 18,
  Line1JetDry = 19,
  Line1JetSpurts100 = 20,  // ... the last water spurts out ...
  Line1JetSpurts400 = 21,
  Line1JetSpurtsTo100 = 22,
  Line1JetSpurtDry = 23,
  Line1NozzleHalfAway = 24,  // ... and the nozzle is taken away
  Line1NozzleAway = 25,
  RepaintLine1Ends = 26,  // the pump's box near the truck, the coil and end past x 5600
};

// Entry 2: crew member 2, who couples line 1 and later lays out line 2's nozzle end.
enum class Crew2Code : stage::EquipmentCode {
  None = 0,
  BoardHideFigureDoorWideOpen = 1,  // gets in behind member 1; the door stays wide open
  BoardDoorBackAjar = 2,
  BoardDoorShut = 3,
  ExitDoorAjar = 4,
  ExitDoorWideOpen = 5,
  ShowFigure = 6,
  Line1PumpOutletDisc = 7,  // the disc at (855, 300)
  Line1HoseTo1120 = 8,      // the pump-end hose unrolled from 820
  Line1HoseTo1420 = 9,
  Line1HoseTo1820 = 10,
  Line1HoseTo1820Again = 11,
  Line1HoseBentToOutlet = 12,
  Line1OutletCleared = 13,
  Line1HoseToRunner = 14,  // from 1080 to the runner, or the bend again near the truck
  Line1HoseTo3120 = 15,    // the middle hose unrolled from 2820
  Line1HoseTo3420 = 16,
  Line1HoseTo3820 = 17,
  Line1MiddleCouplingRight = 18,  // the middle coupling, piece by piece from the right
  Line1MiddleCouplingCentre = 19,
  Line1MiddleCouplingJoined = 20,
  Line1HoseFromMiddleToRunner = 21,
  Line1NozzleCouplingRight = 22,  // the nozzle-end coupling, the nozzle in member 1's hand
  Line1NozzleCouplingCentre = 23,
  Line1NozzleCouplingJoined = 24,
  Line1CoilAndEnd = 25,
  Line1JetFollowsRunner = 26,  // lengthens as the runner passes 4680, 4780, 4880, 4980
  RepaintLine1Start = 27,
  ValveMarkMovesDown = 28,  // the pump's red mark from y 414 to 364, the suction side repainted
  RepaintSuctionSide = 29,
  ValveMarkErased = 30,
  Line2HoseTo5120 = 31,  // line 2's nozzle-end hose unrolled from 4820
  Line2HoseTo5420 = 32,
  Line2HoseTo5820 = 33,
  Line2NozzleInHand = 34,
  Line2HoseToRunnerWithNozzle = 35,
  Line2CoilAtRunner = 36,
  Line2CoilAt725 = 37,
  Line2CoilAt805 = 38,
  Line2NozzleLaid = 39,
  Line2JetFallsTo700 = 40,  // the jet of line 2 stops as that of line 1 does
  Line2JetFallsTo400 = 41,
  Line2JetFallsTo100 = 42,
  Line2JetDry = 43,
  Line2JetSpurts100 = 44,
  Line2JetSpurts400 = 45,
  Line2JetSpurtsTo100 = 46,
  Line2JetSpurtDry = 47,
  Line2NozzleHalfAway = 48,
  Line2NozzleAway = 49,
  RepaintLine2Ends = 50,  // the pump's box near the truck, the far hose and coil past x 5500
};

// Entry 3: crew member 3, who works the suction hose, carries the piece above
// the head, and couples line 2.
enum class Crew3Code : stage::EquipmentCode {
  None = 0,
  BoardDoorAjar = 1,
  BoardDoorWideOpen = 2,
  HideFigure = 3,
  BoardDoorBackAjar = 4,
  BoardDoorShut = 5,
  ExitDoorAjar = 6,
  ExitDoorWideOpen = 7,
  ShowFigure = 8,
  ExitDoorBackAjar = 9,
  ExitDoorShut = 10,
  SuctionHoseAlongTruck = 11,  // from the truck to the figure, its yellow end there
  SuctionHoseCarried = 12,     // moved from the last keyframe's height to this one's
  SuctionHoseBentIntoTank = 13,
  RepaintWaterSource = 14,
  SuctionHoseDragged = 15,  // its end drawn along the figure's last three places
  SuctionHoseLaid = 16,
  RepaintSuctionSide = 17,
  StrainerInWater = 18,
  CarryLevel = 19,  // the piece carried above the figure (render::Carry)
  CarryTiltedDown = 20,
  CarryTiltedUp = 21,
  CarryLevelled = 22,
  CarryHalfAway = 23,
  CarryAway = 24,
  CarryHeldLow = 25,
  NozzleStandMark = 26,      // the short yellow mark at y 445 beyond the line ends
  Line2PumpOutletDisc = 27,  // the disc at (855, 900)
  Line2HoseTo1120 = 28,
  Line2HoseTo1420 = 29,
  Line2HoseTo1820 = 30,
  Line2HoseTo1820Again = 31,
  Line2HoseBentToOutlet = 32,
  Line2OutletCleared = 33,
  Line2HoseToRunner = 34,
  Line2HoseTo3120 = 35,
  Line2HoseTo3420 = 36,
  Line2HoseTo3820 = 37,
  Line2MiddleCouplingRight = 38,
  Line2MiddleCouplingCentre = 39,
  Line2MiddleCouplingJoined = 40,
  Line2HoseFromMiddleToRunner = 41,
  Line2NozzleCouplingRight = 42,  // the nozzle in member 2's hand
  Line2NozzleCouplingCentre = 43,
  Line2NozzleCouplingJoined = 44,
  RepaintLine2ToMiddle = 45,
  Line2JetFollowsRunner = 46,
  NozzleStandMarkHalfAway = 47,
  NozzleStandMarkAway = 48,
  PieceLowTilted = 49,  // a piece carried just below the figure
  PieceLowLevel = 50,
  PieceLowAway = 51,
};

// Entry 4: crew member 4, the pump operator.
enum class Crew4Code : stage::EquipmentCode {
  None = 0,
  BoardDoorAjar = 1,
  BoardDoorWideOpen = 2,
  HideFigure = 3,
  BoardDoorBackAjar = 4,
  BoardDoorShut = 5,
  ExitDoorAjar = 6,
  ExitDoorWideOpen = 7,
  ShowFigure = 8,
  ExitDoorBackAjar = 9,
  ExitDoorShut = 10,
  SuctionHoseAlongTruck = 11,
  SuctionHoseFreeEnd = 12,  // 5 below the figure's bottom-right corner
  RepaintSuctionAtTruck = 13,
  RepaintLine1AtPump = 14,
  RepaintSuctionSide = 15,
  ValveMarkUp = 16,  // the pump's red mark at y 414
  RepaintLine2Outlet = 17,
  RepaintLine2AtPump = 18,
  Line1HoseRolledToRunner = 19,
  Line1HoseFromPumpEdge = 20,
  Line2HoseRolledToRunner = 21,
  Line2HoseFromPumpEdge = 22,
};

// Which code entry (and person slot) each code type belongs to.
template <class Code>
struct CodeEntry;
template <>
struct CodeEntry<CommanderCode> {
  static constexpr int slot = 0;
};
template <>
struct CodeEntry<Crew1Code> {
  static constexpr int slot = 1;
};
template <>
struct CodeEntry<Crew2Code> {
  static constexpr int slot = 2;
};
template <>
struct CodeEntry<Crew3Code> {
  static constexpr int slot = 3;
};
template <>
struct CodeEntry<Crew4Code> {
  static constexpr int slot = 4;
};

template <class Code>
concept PumpTruckCode = requires {
  CodeEntry<Code>::slot;
};

// The value stored for `code` in person p's entry; a code of another person's
// entry is a choreography error and stops the building.
template <PumpTruckCode Code>
stage::EquipmentCode code_for(int p, Code code) {
  if (p != CodeEntry<Code>::slot)
    throw std::logic_error("ponpu_frames: code of entry " + std::to_string(CodeEntry<Code>::slot) +
                           " written for person " + std::to_string(p));
  return static_cast<stage::EquipmentCode>(code);
}

// Writes `code` into its own entry of record r.
template <PumpTruckCode Code>
void set_code(stage::FrameRecord& r, Code code) {
  r.code(CodeEntry<Code>::slot) = static_cast<stage::EquipmentCode>(code);
}

// The code of its type on the keyframe a layer shows.
template <PumpTruckCode Code>
Code read_code(const stage::Layer& layer) {
  return static_cast<Code>(layer.table[layer.frame].code(CodeEntry<Code>::slot));
}

}  // namespace drills::pump_truck
