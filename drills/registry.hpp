#pragma once
// The drills the saver knows, in playback order. Each drill folder defines its
// own descriptor; adding a drill is a folder and a line in registry.cpp.

#include "stage/drill.hpp"

namespace drills {

// Platoon, pump truck, portable pump.
stage::DrillList registry();

// Each drill's descriptor, defined in its folder's descriptor.cpp.
const stage::DrillDescriptor& platoon_drill();
const stage::DrillDescriptor& pump_truck_drill();
const stage::DrillDescriptor& portable_pump_drill();

}  // namespace drills
