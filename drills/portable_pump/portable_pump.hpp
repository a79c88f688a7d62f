#pragma once
// The portable-pump drill's choreography: fills its keyframe table once at start-up.

#include "stage/drill.hpp"
#include "stage/frame_table.hpp"

namespace drills::portable_pump {

// The drill as the stage plays it (table, origin, transition, marks, layers).
const stage::DrillDescriptor& descriptor();

// The empty table in the drill's shape: 1001 records x 4 person slots + 4 codes.
stage::FrameTable make_kahan_frames();

// The drill's stage origin in a window of this geometry.
stage::Origin kahan_origin(const stage::StageGeometry& g);

// Writes the whole drill into the table from record 0 on: the opening
// formation, the six scenes, a five-second closing hold and the end record.
void kahan_set(stage::FrameTable& table);

// The scenes, in the order the drill plays them. Each writes from record k on
// and leaves k at the first record of the next scene.
void kahan_start(stage::FrameTable& t, int& k);   // assembly, numbering, announcements
void kahan_tei(stage::FrameTable& t, int& k);     // the crew takes its places
void kahan_hajime(stage::FrameTable& t, int& k);  // the operation, up to the nozzle change
void kahan_break(stage::FrameTable& t, int& k);   // water off, relayed along the crew
void kahan_osamu(stage::FrameTable& t, int& k);   // stowing and falling back into line
void kahan_last(stage::FrameTable& t, int& k);    // inspection report and dismissal

// The four equipment layers: layer f paints code entry f. Unlike the pump
// truck's layers they never touch the image slots.
void kahan_time_0(const stage::Layer& layer);
void kahan_time_1(const stage::Layer& layer);
void kahan_time_2(const stage::Layer& layer);
void kahan_time_3(const stage::Layer& layer);

// The border every keyframe redraws over everything else, and the scenery a
// full redraw paints after the clear (it leaves the fill state transparent and black).
void kahan_waku(stage::Window& w, const stage::Origin& o);
void kahan_scenery(stage::Window& w, const stage::Origin& o);

}  // namespace drills::portable_pump
