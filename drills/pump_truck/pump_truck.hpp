#pragma once
// The pump-truck drill's choreography: fills its keyframe table once at start-up.

#include "stage/frame_table.hpp"

namespace drills {

// Writes the whole drill into the table from record 0 on.
void ponpu_set(stage::FrameTable& table);

}  // namespace drills
