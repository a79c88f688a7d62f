#pragma once
// The drills the saver knows, in playback order. Each drill folder defines its
// own descriptor; adding a drill is a folder and a line in registry.cpp.

#include "stage/drill.hpp"

namespace drills {

// Platoon, pump truck, portable pump.
stage::DrillList registry();

}  // namespace drills
