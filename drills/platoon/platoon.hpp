#pragma once
// The platoon drill's choreography: fills its keyframe table once at start-up.

#include "stage/frame_table.hpp"

namespace drills::platoon {

// Writes the whole drill into the table from record 0 on.
void kiritu_set(stage::FrameTable& table);

}  // namespace drills::platoon

// The stage fills every drill's table through these names.
namespace drills {
using platoon::kiritu_set;
}  // namespace drills
