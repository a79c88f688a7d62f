// The portable-pump drill's fixed marks: the border and the scenery.

#include "render/marks.hpp"

#include "drills/portable_pump/portable_pump.hpp"

namespace drills::portable_pump {

void kahan_waku(stage::Window& w, const stage::Origin& o) {
  render::mark_box(w, o, 700, 400, 850, 550, stage::colors::red);
  render::mark_line(w, o, 500, 350, 500, 600, stage::colors::white);
  render::mark_line(w, o, 300, 350, 300, 600, stage::colors::white);
}

void kahan_scenery(stage::Window& w, const stage::Origin& o) {
  using namespace stage::colors;
  using render::mark_box;
  using render::mark_circle;
  // The portable pump's fixed parts: water source, the red bar, the three
  // small discs of the set-up, the grey ring and the pump's yellow and grey pieces.
  mark_box(w, o, 295, 300, 95, 100, cyan);
  mark_box(w, o, 700, 215, 711, 315, red);
  w.set_fill_style(stage::FillStyle::Solid);
  w.set_fill_color(white);
  mark_circle(w, o, 775, 330, 20, white);
  mark_circle(w, o, 775, 265, 20, white);
  mark_circle(w, o, 775, 200, 20, white);
  w.set_fill_color(grey);
  mark_circle(w, o, 775, 750, 50, grey);
  w.set_fill_color(black);
  mark_circle(w, o, 775, 750, 35, black);
  w.set_fill_style(stage::FillStyle::Transparent);
  w.line(o.x(750), o.y(670), o.x(850), o.y(670), yellow);
  mark_box(w, o, 765, 650, 785, 640, yellow);
  mark_box(w, o, 815, 750, 825, 700, grey);
  mark_box(w, o, 725, 750, 735, 710, grey);
  mark_box(w, o, 725, 710, 735, 700, yellow);
}

}  // namespace drills::portable_pump
