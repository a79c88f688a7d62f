#pragma once
// Helpers for a drill's fixed marks: the border that every keyframe redraws
// over everything else, and the scenery a full redraw paints right after the
// clear. Coordinates are the drill's stage units; each drill folder defines its
// own marks with these.

#include "stage/geometry.hpp"
#include "stage/window.hpp"

namespace render {

// A line between two stage points.
inline void mark_line(stage::Window& w, const stage::Origin& o, float x1, float y1, float x2,
                      float y2, stage::Rgb c) {
  w.line(o.x(x1), o.y(y1), o.x(x2), o.y(y2), c);
}

// A filled box between two stage corners.
inline void mark_box(stage::Window& w, const stage::Origin& o, float x1, float y1, float x2,
                     float y2, stage::Rgb c) {
  w.filled_box(o.x(x1), o.y(y1), o.x(x2), o.y(y2), c);
}

// A circle of stage radius r, filled in the window's current fill state.
inline void mark_circle(stage::Window& w, const stage::Origin& o, float cx, float cy, float r,
                        stage::Rgb c) {
  w.circle(o.x(cx), o.y(cy), r * o.s, c);
}

}  // namespace render
