#pragma once
// The group wheel: a column of fours turns a corner row by row. Each member
// marches straight until it reaches the line where the leading row began its
// wheel, swings through a quarter turn on an arc about a centre 100 beyond the
// inner file, then marches on in the new direction.

#include <array>
#include <vector>

#include "drills/platoon/primitives.hpp"

namespace drills::platoon {

enum class Hand { Right, Left };

// How a wheel is timed: `records` records on the arc, the j-th (j < records) at
// `degrees_per_record` x j from the start and the last at exactly 90 degrees;
// the member's pose moves one sixteenth in each record listed in `pose_steps`.
struct WheelTiming {
  int records;
  double degrees_per_record;
  std::array<int, 4> pose_steps;
};

// Quick wheel: eight records at 11 degrees.
inline constexpr WheelTiming kWheelOfEight = {8, 11.0, {1, 3, 6, 8}};
// Seven records at 13 degrees.
inline constexpr WheelTiming kWheelOfSeven = {7, 13.0, {1, 3, 5, 7}};

// Where each member stands in the column at the start: rows behind the leading
// row (a row wheels two records after the one 140 ahead of it) and distance
// from the inner file (0, 70, 140 or 210).
struct ColumnPlace {
  int rows_behind = 0;
  int from_inner_file = 0;
};
using ColumnPlaces = std::array<ColumnPlace, kLastMember + 1>;

// Reads the column of record k - 1: all members face one square direction,
// rows 140 apart and files 70 apart. Throws std::logic_error naming `routine`
// for anything else.
ColumnPlaces read_column(const stage::FrameRecord& r, Hand hand, const char* routine);

// Writes `records` records of `durations[r]` ms (r from 0) in which each member
// wheels `hand` at every record offset in `wheel_starts` plus two per row it
// stands behind the lead, and otherwise steps 70 in its facing. The commander
// keeps his slot.
void write_wheels(stage::FrameTable& table, int& k, const std::vector<int>& durations,
                  const ColumnPlaces& column, Hand hand, const WheelTiming& timing,
                  const std::vector<int>& wheel_starts);

}  // namespace drills::platoon
