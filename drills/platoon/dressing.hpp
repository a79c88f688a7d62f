#pragma once
// Dressing on the guide, shared by every routine that closes the ranks: the
// platoon's own frame of reference, the 5-unit close-up move and the turn back
// that runs along the ranks one member per record.

#include <array>

#include "drills/platoon/primitives.hpp"

namespace drills::platoon {

// Axes of a platoon facing `front`: u runs along the ranks away from the guide
// (to the platoon's left), v runs from the front rank to the rear rank.
struct DressAxes {
  Offset left;
  Offset back;

  static DressAxes facing(int front);
  int u(const stage::PersonSlot& s) const { return s.x * left.dx + s.y * left.dy; }
  int v(const stage::PersonSlot& s) const { return s.x * back.dx + s.y * back.dy; }
  void place(stage::PersonSlot& s, int u, int v) const;
};

// True when member i of `r` stands at its dressed place relative to member 1 of
// the same record: 70 per file along the ranks, the rear rank 140 behind.
bool in_dressed_place(const DressAxes& axes, const stage::FrameRecord& r, int i);

// One close-up move of member i (2..20) in record `now`. Member 2 dresses on
// the guide and every member i >= 4 on member i - 2, both as they stood in
// `before`; member 3 stands behind member 2 as it stands in `now`. Moves are 5
// units, only toward the guide and toward the front; the last part under 5 is
// taken in one. Returns whether the member moved.
bool close_up_move(const DressAxes& axes, const stage::FrameRecord& before, stage::FrameRecord& now,
                   int i);

// Member 3 stands behind member 2 and has no neighbour on the guide's side of
// its rank; once it has stood in place for five records of a dressing it turns
// left to look along the ranks. `count` and `turned` live for one dressing.
void settle_rear_guide(stage::FrameRecord& now, const DressAxes& axes, int front, int& count,
                       bool& turned);

// When the ranks closed up before member 3 had settled, it turns after a pause
// on a record of its own.
void turn_rear_guide_late(stage::FrameTable& table, int& k, int front);

// Whom each member waits for when the ranks turn back to the front: 0 marks
// the member who turns first.
using TurnBackOrder = std::array<int, kLastMember + 1>;

// From the right-hand guide: member 2 after the guide, member 3 (behind member
// 2) after member 6, every other member after member i - 2.
inline constexpr TurnBackOrder kTurnBackFromGuide = {-1, 0,  1,  6,  2,  3,  4,  5,  6,  7, 8,
                                                     9,  10, 11, 12, 13, 14, 15, 16, 17, 18};

// Records of `duration` in which each member takes pose `front` once the one it
// waits for has it in the record before; ends after the first record in which
// nobody waited.
void turn_back(stage::FrameTable& table, int& k, int front, const TurnBackOrder& order,
               int duration, const char* routine);

}  // namespace drills::platoon
