#include "render/stage_painter.hpp"

#include <cmath>
#include <string>

#include "stage/rounding.hpp"

namespace render {
namespace {

using stage::Rgb;
namespace colors = stage::colors;

int checked(int v) {
  if (v < -32768 || v > 32767)
    throw stage::OverflowError("stage coordinate " + std::to_string(v) +
                               " leaves the 16-bit range");
  return v;
}

constexpr int kNozzleLength = 100;
constexpr int kCouplingMarkWidth = 5;

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y}; }
Point operator*(int k, Point a) { return {k * a.x, k * a.y}; }

}  // namespace

float StagePainter::window_x(int x) const { return origin_.x(static_cast<float>(checked(x))); }

float StagePainter::window_y(int y) const { return origin_.y(static_cast<float>(checked(y))); }

void StagePainter::box(Span x, Span y, Rgb color) const {
  box_corners({x.from, y.from}, {x.to, y.to}, color);
}

void StagePainter::box_corners(Point a, Point b, Rgb color) const {
  window_.filled_box(window_x(a.x), window_y(a.y), window_x(b.x), window_y(b.y), color);
}

void StagePainter::segment(Point a, Point b, Rgb color) const {
  window_.line(window_x(a.x), window_y(a.y), window_x(b.x), window_y(b.y), color);
}

void StagePainter::segment_step(Point a, Point d, Rgb color) const {
  const float s = origin_.s;
  window_.line_step(window_x(a.x), window_y(a.y), static_cast<float>(checked(d.x)) * s,
                    -static_cast<float>(checked(d.y)) * s, color);
}

void StagePainter::thick_segment(Point a, Point b, Point step, Rgb color) const {
  for (int k = 0; k < kStrokeWidth; ++k) segment(a + k * step, b + k * step, color);
}

void StagePainter::door_leaf(Door door, double degrees, Rgb color) const {
  // The leaf's offsets come from double-precision cosines and sines and are
  // only then narrowed, as the drawing call takes single precision.
  const double a = stage::deg2rad(degrees);
  const double s = origin_.s;
  const double out = door.side == DoorSide::Plus ? 1.0 : -1.0;  // stage +y on the y 600 side
  const auto dx = static_cast<float>(-100.0 * std::cos(a) * s);
  const auto dy = static_cast<float>(-(out * 100.0 * std::sin(a)) * s);  // window y grows down
  window_.line_step(window_x(door.pivot.x), window_y(door.pivot.y), dx, dy, color);
}

void StagePainter::circle(Point centre, int radius, Rgb color) const {
  window_.circle(window_x(centre.x), window_y(centre.y),
                 static_cast<float>(checked(radius)) * origin_.s, color);
}

void StagePainter::disc(Point centre, int radius, Rgb color) const {
  window_.set_fill_style(stage::FillStyle::Solid);
  window_.set_fill_color(color);
  circle(centre, radius, color);
  // Later circles (the borders) rely on a transparent fill.
  window_.set_fill_color(colors::black);
  window_.set_fill_style(stage::FillStyle::Transparent);
}

void StagePainter::ring(Point centre, int outer, int inner, Rgb color) const {
  window_.set_fill_style(stage::FillStyle::Solid);
  window_.set_fill_color(color);
  circle(centre, outer, color);
  window_.set_fill_color(colors::black);
  circle(centre, inner, colors::black);
  window_.set_fill_color(colors::black);
  window_.set_fill_style(stage::FillStyle::Transparent);
}

void StagePainter::coil(Point centre, HoseLine line) const {
  ring(centre, 250, 235, colors::white);
  const Span x{centre.x - 350, centre.x + 250};
  // The box reaches 10 units past the ring for a coil still on its way to the
  // line (centre beyond it), and exactly to the ring for one lying on it.
  if (line == HoseLine::One) {
    box(x, {200, centre.y + (centre.y > 195 ? 260 : 250)}, colors::black);
  } else {
    box(x, {centre.y - (centre.y < 805 ? 260 : 250), 800}, colors::black);
  }
}

void StagePainter::jet(HoseLine line, int tip, int runner_x, int threshold) const {
  int length = 0;
  if (runner_x > threshold + 300) {
    length = 1000;
  } else if (runner_x > threshold + 200) {
    length = 900;
  } else if (runner_x > threshold + 100) {
    length = 600;
  } else if (runner_x > threshold) {
    length = 300;
  }
  if (length == 0) return;
  water(line, {tip, tip + length}, colors::cyan);
}

void StagePainter::jet_shut_off(HoseLine line, int tip, ShutOff step) const {
  struct Stretch {
    int from;  // offsets from the tip
    int to;
    Rgb color;
  };
  constexpr Stretch kSteps[] = {
      {700, 1000, colors::black},  // FallTo700
      {400, 1000, colors::black},  // FallTo400
      {100, 1000, colors::black},  // FallTo100
      {0, 1000, colors::black},    // Dry
      {0, 100, colors::cyan},      // Spurt100
      {0, 400, colors::cyan},      // Spurt400
      {100, 400, colors::black},   // SpurtTo100
      {0, 100, colors::black},     // SpurtDry
      {-50, 0, colors::black},     // NozzleHalf
      {-100, 0, colors::black},    // NozzleGone
  };
  const Stretch& s = kSteps[static_cast<int>(step)];
  water(line, {tip + s.from, tip + s.to}, s.color);
}

void StagePainter::hose(HoseLine line, Span x, Rgb color) const {
  box(x, line == HoseLine::One ? Span{185, 195} : Span{805, 815}, color);
}

void StagePainter::coupling_mark(HoseLine line, int x) const {
  hose(line, {x, x + kCouplingMarkWidth}, colors::grey);
}

void StagePainter::nozzle(HoseLine line, int x) const {
  box({x, x + kNozzleLength}, line == HoseLine::One ? Span{184, 195} : Span{805, 816}, colors::red);
}

void StagePainter::water(HoseLine line, Span x, Rgb color) const {
  box(x, line == HoseLine::One ? Span{184, 195} : Span{804, 815}, color);
}

}  // namespace render
