// The platoon drill's fixed marks: its border (it has no scenery).

#include "render/marks.hpp"

#include "drills/platoon/platoon.hpp"

namespace drills::platoon {

void kiritu_waku(stage::Window& w, const stage::Origin& o) {
  const stage::Rgb c = stage::colors::white;
  w.box(o.x(0), o.y(0), o.x(5000), o.y(5000), c);  // the stage frame
  render::mark_line(w, o, 300, 818, 300, 448, c);
  // The tick on that mark is a fixed 50 twips, not scaled with the stage.
  w.line(o.x(300), o.y(518), o.x(300) + 50, o.y(518), c);
  render::mark_line(w, o, 2150, 4800, 2850, 4800, c);
  const float r = 35 * o.s;
  w.circle(o.x(2500), o.y(50), r, c);
  w.circle(o.x(1900), o.y(-50), r, c);
  w.circle(o.x(3100), o.y(-50), r, c);
  w.circle(o.x(2150), o.y(2500), r, c);
  w.box(o.x(2400), o.y(-450), o.x(2600), o.y(-550), c);
}

}  // namespace drills::platoon
