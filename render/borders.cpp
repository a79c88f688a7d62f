#include "render/marks.hpp"

namespace render {
namespace {

void line(stage::Window& w, const stage::Origin& o, float x1, float y1, float x2, float y2,
          stage::Rgb c) {
  w.line(o.x(x1), o.y(y1), o.x(x2), o.y(y2), c);
}

void red_box(stage::Window& w, const stage::Origin& o, float x1, float y1, float x2, float y2) {
  w.filled_box(o.x(x1), o.y(y1), o.x(x2), o.y(y2), stage::colors::red);
}

}  // namespace

void kiritu_waku(stage::Window& w, const stage::Origin& o) {
  const stage::Rgb c = stage::colors::white;
  w.box(o.x(0), o.y(0), o.x(5000), o.y(5000), c);  // the stage frame
  line(w, o, 300, 818, 300, 448, c);
  // The tick on that mark is a fixed 50 twips, not scaled with the stage.
  w.line(o.x(300), o.y(518), o.x(300) + 50, o.y(518), c);
  line(w, o, 2150, 4800, 2850, 4800, c);
  const float r = 35 * o.s;
  w.circle(o.x(2500), o.y(50), r, c);
  w.circle(o.x(1900), o.y(-50), r, c);
  w.circle(o.x(3100), o.y(-50), r, c);
  w.circle(o.x(2150), o.y(2500), r, c);
  w.box(o.x(2400), o.y(-450), o.x(2600), o.y(-550), c);
}

void ponpu_waku(stage::Window& w, const stage::Origin& o) {
  red_box(w, o, 700, 400, 1200, 600);
  line(w, o, 500, 350, 500, 650, stage::colors::white);
  line(w, o, 300, 350, 300, 650, stage::colors::white);
}

void kahan_waku(stage::Window& w, const stage::Origin& o) {
  red_box(w, o, 700, 400, 850, 550);
  line(w, o, 500, 350, 500, 600, stage::colors::white);
  line(w, o, 300, 350, 300, 600, stage::colors::white);
}

}  // namespace render
