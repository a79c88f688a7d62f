#pragma once
// The drills the saver knows, in playback order. Each drill folder defines its
// own descriptor; adding a drill is a folder and a line in registry.cpp.

#include <string>
#include <string_view>

#include "stage/drill.hpp"

namespace drills {

// Platoon, pump truck, portable pump.
stage::DrillList registry();

// The place in `list` of the drill called `name` (kiritu, ponpu, kahan), or
// -1: how every command line and address names a drill.
int find(stage::DrillList list, std::string_view name);
// The drills' names joined by `separator`, for usage and error texts.
std::string names(stage::DrillList list, std::string_view separator);

}  // namespace drills
