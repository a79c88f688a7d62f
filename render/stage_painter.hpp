#pragma once
// Paints equipment in one drill's stage units. The renderers speak in
// stage coordinates (x to the right, y up) and in the compound shapes the
// equipment is made of; the painter maps them to twips with the drill's origin
// and hands them to the window. It keeps no state besides the window and the
// origin, so two painters on the same window paint the same picture.

#include "stage/geometry.hpp"
#include "stage/window.hpp"

namespace render {

// A stage point, or an offset between two. Arithmetic on positions read from
// the tables (x3 - 20, y2 - 70) is 16-bit in the drills; the painter rejects a
// coordinate outside that range with stage::OverflowError rather than wrap it.
struct Point {
  int x = 0;
  int y = 0;
};

// The stage range a box covers, both ends included, in either order.
struct Span {
  int from = 0;
  int to = 0;
};

// The two hose lines run along y 185..195 (line 1) and y 805..815 (line 2).
// The nozzle on either line and the jet on line 1 are one unit wider, at
// y 184..195 and 805..816; the jet on line 2 lies at y 804..815.
enum class HoseLine { One, Two };

// The jet's shut-off, one step a keyframe: the water falls back from the jet's
// far end to the tip, the last water spurts out and falls back, and the
// nozzle is taken away from its tip end.
enum class ShutOff {
  FallTo700,   // the jet's last 300 units go
  FallTo400,   // it reaches 400 units
  FallTo100,   // 100 units
  Dry,         // nothing left
  Spurt100,    // the last water spurts 100 units ...
  Spurt400,    // ... then 400
  SpurtTo100,  // and falls back to 100
  SpurtDry,    // and is gone
  NozzleHalf,  // the nozzle's front half goes
  NozzleGone,  // the rest of it
};

// A truck door hinges at a pivot; the leaf swings out on the truck's y 600
// side (Plus) or its y 400 side (Minus).
enum class DoorSide { Plus, Minus };

struct Door {
  Point pivot;
  DoorSide side;
};

// A thick stroke is this many one-pixel segments, each one unit further on.
inline constexpr int kStrokeWidth = 11;

class StagePainter {
 public:
  StagePainter(stage::Window& window, stage::Origin origin) : window_(window), origin_(origin) {}

  // Window coordinates (twips) of a stage coordinate, in single precision.
  float window_x(int x) const;
  float window_y(int y) const;

  // Filled box covering [x.from..x.to] x [y.from..y.to].
  void box(Span x, Span y, stage::Rgb color) const;
  // The same box given by two opposite corners.
  void box_corners(Point a, Point b, stage::Rgb color) const;

  void segment(Point a, Point b, stage::Rgb color) const;
  // A segment from a by the offset d (stage units, y up).
  void segment_step(Point a, Point d, stage::Rgb color) const;
  // kStrokeWidth segments a + k*step .. b + k*step for k = 0 .. 10.
  void thick_segment(Point a, Point b, Point step, stage::Rgb color) const;

  // A 100-unit leaf from the door's pivot towards -x and out of the truck,
  // `degrees` away from the truck's side.
  void door_leaf(Door door, double degrees, stage::Rgb color) const;

  // Solid circle in one colour; leaves the fill state transparent and black.
  void disc(Point centre, int radius, stage::Rgb color) const;
  // A disc with a black disc of the inner radius inside it.
  void ring(Point centre, int outer, int inner, stage::Rgb color) const;

  // The end of a hose lying in a loop: a white ring of radius 250 and width 15
  // around `centre`, clipped by a black box at the hose line so that only the
  // part beyond the line, away from the truck, shows (below y 200 for line 1,
  // above y 800 for line 2).
  void coil(Point centre, HoseLine line) const;

  // A water jet from the nozzle tip at `tip` towards +x on `line`. The runner's
  // x, compared with four thresholds 100 apart starting at `threshold`, sets its
  // length: 300, 600, 900 or the full 1000 units; at or below `threshold`
  // nothing is painted.
  void jet(HoseLine line, int tip, int runner_x, int threshold) const;

  // One step of the shut-off of a jet from the nozzle tip at `tip` on `line`.
  void jet_shut_off(HoseLine line, int tip, ShutOff step) const;

  // A stretch of hose lying on `line`, in `color` (black takes it up again).
  void hose(HoseLine line, Span x, stage::Rgb color) const;
  // The grey mark a coupling leaves on the hose: 5 units from x.
  void coupling_mark(HoseLine line, int x) const;
  // The red nozzle, 100 units from x.
  void nozzle(HoseLine line, int x) const;

 private:
  // A stretch of the jet's band, in `color` (cyan water or black).
  void water(HoseLine line, Span x, stage::Rgb color) const;
  void circle(Point centre, int radius, stage::Rgb color) const;

  stage::Window& window_;
  stage::Origin origin_;
};

}  // namespace render
