#pragma once
// Paints the teaching picture's people (stage::Figure) into a picture that
// already holds the composed stage: a body disc in the position's colour with
// an outline, a facing disc on its rim, and the position's label drawn by a
// label painter where the figure is big enough. Shapes are drawn at the
// figure's size with smoothed edges, so they stay sharp at any scale.

#include <functional>
#include <span>
#include <vector>

#include "raster/surface.hpp"
#include "stage/teaching.hpp"

namespace raster {

// Draws `figure.label` centred on the body (the host's text machinery).
using LabelPainter = std::function<void(Surface& target, const stage::Figure& figure)>;

// Paints every figure in order (a later one above an earlier one) and returns
// the rectangles touched. `label` may be empty: no labels then. A highlighted
// figure gets a halo (a ring in its own colour, clear of its outline) and a
// muted one is drawn part way towards the ground, so that the followed
// position stands out of a crowded squad.
std::vector<Rect> paint_figures(Surface& target, std::span<const stage::Figure> figures,
                                stage::Theme theme, const LabelPainter& label = {});

// The halo's and the muting's shares, and the blend towards the ground: the
// stage's, which every host's figures share.
using stage::kHaloGapShare;
using stage::kHaloWidthShare;
using stage::kMutedShare;
using stage::towards;

// The followed figure's trail: a dot at each place, paler and smaller with its
// age, in `colour` towards the ground. Returns the rectangles touched.
std::vector<Rect> paint_trail(Surface& target, std::span<const stage::TrailPoint> trail,
                              float radius, stage::Rgb colour, stage::Rgb ground);
// The followed figure's whole path through the scene: a dotted line joining
// its places, in `colour`. Returns the rectangles touched.
std::vector<Rect> paint_path(Surface& target, std::span<const stage::DevicePoint> path,
                             float radius, stage::Rgb colour);
// A practice move's destination: a ring with a cross in it, `radius` pixels.
std::vector<Rect> paint_destination(Surface& target, stage::DevicePoint at, float radius,
                                    stage::Rgb colour);

// A disc with a smoothed edge, blended over `target`.
void paint_disc(Surface& target, float cx, float cy, float radius, stage::Rgb colour);

}  // namespace raster
