#pragma once
// The drills the saver knows, in playback order. Each drill folder defines its
// own descriptor; adding a drill is a folder and a line in registry.cpp.

#include <string>
#include <string_view>

#include "stage/drill.hpp"
#include "stage/stage.hpp"

namespace drills {

// Platoon, pump truck, portable pump.
stage::DrillList registry();

// The registered drills' values of Stage::raw_state() (3 x drill + phase:
// intro, keyframes, outro), named after the drills in playback order.
enum class PlaybackState : int {
  KirituStart = 0,  // platoon intro
  Kiritu = 1,       // platoon keyframe
  KirituEnd = 2,    // platoon outro
  PonpuStart = 3,   // pump-truck intro
  Ponpu = 4,
  PonpuEnd = 5,
  KahanStart = 6,  // portable-pump intro
  Kahan = 7,
  KahanEnd = 8,
};

// The state of a stage that plays registry().
inline PlaybackState playback_state(const stage::Stage& stage) {
  return static_cast<PlaybackState>(stage.raw_state());
}

// The place in `list` of the drill called `name` (kiritu, ponpu, kahan), or
// -1: how every command line and address names a drill.
int find(stage::DrillList list, std::string_view name);
// The drills' names joined by `separator`, for usage and error texts.
std::string names(stage::DrillList list, std::string_view separator);

}  // namespace drills
