#pragma once
// The parts of the drill where the whole formation moves in lockstep (assembly,
// taking places, closing up, the closing announcement) are written record by
// record: each record holds the formation of the one before and applies a few
// changes of place or pose.

#include <array>
#include <climits>
#include <span>

#include "stage/frame_table.hpp"

namespace drills::portable_pump::kahan_beats {

// Marks a field that keeps the previous record's value.
inline constexpr int kSame = INT_MIN;

struct Change {
  int slot = -1;  // -1: no change in this entry
  int x = kSame;
  int y = kSame;
  int pose = kSame;
};

struct Beat {
  int duration;
  const char* caption;
  std::array<Change, 3> changes{};
};

constexpr Change move(int slot, int x, int y, int pose = kSame) { return {slot, x, y, pose}; }
constexpr Change move_x(int slot, int x, int pose = kSame) { return {slot, x, kSame, pose}; }
constexpr Change turn(int slot, int pose) { return {slot, kSame, kSame, pose}; }

// Writes one record per beat from record k on; k is left one past the last.
void play(stage::FrameTable& t, int& k, std::span<const Beat> beats);

}  // namespace drills::portable_pump::kahan_beats
