// The pump-truck drill's fixed marks: the border and the water source.

#include "render/marks.hpp"

#include "drills/pump_truck/pump_truck.hpp"

namespace drills::pump_truck {

void ponpu_waku(stage::Window& w, const stage::Origin& o) {
  render::mark_box(w, o, 700, 400, 1200, 600, stage::colors::red);
  render::mark_line(w, o, 500, 350, 500, 650, stage::colors::white);
  render::mark_line(w, o, 300, 350, 300, 650, stage::colors::white);
}

void ponpu_scenery(stage::Window& w, const stage::Origin& o) {
  render::mark_box(w, o, 200, 300, 0, 100, stage::colors::cyan);  // the water source
}

}  // namespace drills::pump_truck
