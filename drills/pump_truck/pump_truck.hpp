#pragma once
// The pump-truck drill's choreography: fills its keyframe table once at start-up.

#include "stage/drill.hpp"
#include "stage/frame_table.hpp"

namespace drills::pump_truck {

// The drill as the stage plays it (table, origin, transition, marks, layers).
const stage::DrillDescriptor& descriptor();

// The empty table in the drill's shape: 1101 records x 5 person slots + 5 codes.
stage::FrameTable make_ponpu_frames();

// The drill's stage origin in a window of this geometry.
stage::Origin ponpu_origin(const stage::StageGeometry& g);

// Writes the whole drill into the table from record 0 on: the opening
// formation, the seven scenes, a long still and the end marker (record 1046).
void ponpu_set(stage::FrameTable& table);

// The scenes, in the order of the drill. Each writes from record k on and
// leaves k one past its last record.
void ponpu_start(stage::FrameTable& table, int& k);   // assembly, numbering, announcements
void ponpu_josya(stage::FrameTable& table, int& k);   // to the truck and boarding
void ponpu_first(stage::FrameTable& table, int& k);   // first hose line, water on
void ponpu_second(stage::FrameTable& table, int& k);  // second hose line, water on
void ponpu_break(stage::FrameTable& table, int& k);   // water off and its relay
void ponpu_osamu(stage::FrameTable& table, int& k);   // stowing, back to the line
void ponpu_last(stage::FrameTable& table, int& k);    // inspection report, dismissal

// The five equipment layers: layer f paints code entry f, which belongs to
// person slot f (0 the commander, 1..4 crew members 1..4), and may show or
// hide image slot f.
void ponpu_time_0(const stage::Layer& layer);
void ponpu_time_1(const stage::Layer& layer);
void ponpu_time_2(const stage::Layer& layer);
void ponpu_time_3(const stage::Layer& layer);
void ponpu_time_4(const stage::Layer& layer);

// The border every keyframe redraws over everything else, and the scenery a
// full redraw paints after the clear (it leaves the fill state transparent).
void ponpu_waku(stage::Window& w, const stage::Origin& o);
void ponpu_scenery(stage::Window& w, const stage::Origin& o);

}  // namespace drills::pump_truck
