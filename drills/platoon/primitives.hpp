#pragma once
// The seven frame-building primitives of the platoon drill and the two record
// conventions every scene uses (held record, command announced on the march).
//
// Every builder appends to the platoon table through the frame counter `k`: the
// index of the next record to write. A primitive reads record k - 1, writes
// record k (and perhaps the following ones) and leaves k one past the last
// record written. Only the fields a primitive names are written.

#include <array>
#include <string_view>

#include "stage/frame_table.hpp"
#include "stage/pose.hpp"

namespace drills::platoon {

inline constexpr int kCommander = 0;
inline constexpr int kFirstMember = 1;
inline constexpr int kLastMember = 20;

// The platoon's line: files 70 apart along the ranks, the rear rank 140
// behind the front one.
inline constexpr int kFileSpacing = 70;
inline constexpr int kRankSpacing = 140;

// The pairs of files that step into the file ahead when the line faces into a
// column of fours at the halt, and back beside the others when the column
// faces into line again.
inline constexpr std::array<int, 8> kOddPairs = {4, 5, 8, 9, 12, 13, 16, 17};

// Quick time and double time: ms per step and step length in stage units.
inline constexpr int kQuickTime = 500;
inline constexpr int kDoubleTime = 300;
inline constexpr int kQuickStep = 70;
inline constexpr int kDoubleStep = 80;

namespace pose = stage::pose;

// Turns in sixteenths, clockwise.
inline constexpr int kRightTurn = 4;
inline constexpr int kAboutTurn = 8;
inline constexpr int kLeftTurn = 12;

constexpr int turn(int pose, int sixteenths) {
  return ((pose + sixteenths) % pose::kCount + pose::kCount) % pose::kCount;
}

struct Offset {
  int dx = 0;
  int dy = 0;
};

// Unit vector of a cardinal pose (the only ones that step); {0, 0} for a slanted pose, which never
// steps.
constexpr Offset facing_vector(int pose) {
  switch (pose) {
    case pose::kN:
      return {0, 1};
    case pose::kE:
      return {1, 0};
    case pose::kS:
      return {0, -1};
    case pose::kW:
      return {-1, 0};
    default:
      return {0, 0};
  }
}

// Hold: slots j..20 of record k copied from record k - 1; k advances.
void kiritu_stop(stage::FrameTable& table, int& k, int j);

// One step of `s` units for slot i of record k in the direction of the pose the
// caller already set on record k; k does not change.
void kiritu_one(stage::FrameTable& table, int& k, int i, int s);

// The platoon marches `ho` steps of `sp` ms (80 units at 300 ms, else 70); the
// commander stands.
void kiritu_zensin(stage::FrameTable& table, int& k, int ho, int sp);

// The commander walks alone to (X, Y) in pose d1 and ends in pose d2, 300 ms
// per step. With m = 1 the members hold; otherwise their slots of these records
// are left as a caller already wrote them.
void kiritu_sikiido(stage::FrameTable& table, int& k, int X, int Y, int d1, int d2, int m);

// The commander walks to (X, Y) on 100 ms records while the members keep the
// quick-time beat; the walk always fills whole 500 ms beats.
void kiritu_sikiido2(stage::FrameTable& table, int& k, int X, int Y, int d1, int d2);

// About turn of the members in one record of `sp` ms.
void kiritu_maware(stage::FrameTable& table, int& k, int sp);

// Numbering: eleven held records of 500 ms, "番号" then the calls.
void kiritu_bango(stage::FrameTable& table, int& k);

// Starts record k as a still copy of record k - 1 (all 21 slots) with the given
// duration; k does not change. Scenes then change what their movement changes.
stage::FrameRecord& begin_record(stage::FrameTable& table, int k, int duration);

// A held record: duration and caption on record k, everyone still.
void hold(stage::FrameTable& table, int& k, int duration, std::string_view caption = {});

// A command given on the march shows during the three steps before the
// movement it orders: the caption goes on records k - 3 .. k - 1.
void announce(stage::FrameTable& table, int k, std::string_view caption);

}  // namespace drills::platoon
