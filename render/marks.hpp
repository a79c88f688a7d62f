#pragma once
// The fixed marks of each drill's stage: the border that every keyframe
// redraws over everything else, and the scenery a full redraw paints right
// after the clear. Coordinates are the drill's stage units.

#include "stage/geometry.hpp"
#include "stage/window.hpp"

namespace render {

// Borders.
void kiritu_waku(stage::Window& w, const stage::Origin& o);
void ponpu_waku(stage::Window& w, const stage::Origin& o);
void kahan_waku(stage::Window& w, const stage::Origin& o);

// Sceneries (the platoon drill has none). They leave the fill state
// transparent and black.
void ponpu_scenery(stage::Window& w, const stage::Origin& o);
void kahan_scenery(stage::Window& w, const stage::Origin& o);

}  // namespace render
