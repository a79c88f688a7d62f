#include "render/marks.hpp"

namespace render {
namespace {

void box(stage::Window& w, const stage::Origin& o, float x1, float y1, float x2, float y2,
         stage::Rgb c) {
  w.filled_box(o.x(x1), o.y(y1), o.x(x2), o.y(y2), c);
}

void circle(stage::Window& w, const stage::Origin& o, float cx, float cy, float r, stage::Rgb c) {
  w.circle(o.x(cx), o.y(cy), r * o.s, c);
}

}  // namespace

void ponpu_scenery(stage::Window& w, const stage::Origin& o) {
  box(w, o, 200, 300, 0, 100, stage::colors::cyan);  // the water source
}

void kahan_scenery(stage::Window& w, const stage::Origin& o) {
  using namespace stage::colors;
  // The portable pump's fixed parts: water source, the red bar, the three
  // small discs of the set-up, the grey ring and the pump's yellow and grey pieces.
  box(w, o, 295, 300, 95, 100, cyan);
  box(w, o, 700, 215, 711, 315, red);
  w.set_fill_style(stage::FillStyle::Solid);
  w.set_fill_color(white);
  circle(w, o, 775, 330, 20, white);
  circle(w, o, 775, 265, 20, white);
  circle(w, o, 775, 200, 20, white);
  w.set_fill_color(grey);
  circle(w, o, 775, 750, 50, grey);
  w.set_fill_color(black);
  circle(w, o, 775, 750, 35, black);
  w.set_fill_style(stage::FillStyle::Transparent);
  w.line(o.x(750), o.y(670), o.x(850), o.y(670), yellow);
  box(w, o, 765, 650, 785, 640, yellow);
  box(w, o, 815, 750, 825, 700, grey);
  box(w, o, 725, 750, 735, 710, grey);
  box(w, o, 725, 710, 735, 700, yellow);
}

}  // namespace render
