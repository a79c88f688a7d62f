#pragma once
// The platoon drill's choreography: fills its keyframe table once at start-up.

#include "stage/drill.hpp"
#include "stage/frame_table.hpp"

namespace drills::platoon {

// The drill as the stage plays it (table, origin, transition, marks, layers).
const stage::DrillDescriptor& descriptor();

// The empty table in the drill's shape: 2001 records x 21 person slots, no codes.
stage::FrameTable make_kiritu_frames();

// Writes the whole drill into the table from record 0 on.
void kiritu_set(stage::FrameTable& table);

// The border every keyframe redraws over everything else (the drill has no scenery).
void kiritu_waku(stage::Window& w, const stage::Origin& o);

}  // namespace drills::platoon
