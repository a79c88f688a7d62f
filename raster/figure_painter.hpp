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
// figure gets a halo (a ring in its own colour, clear of its outline); a muted
// one is drawn paler, its colours part way to the ground.
std::vector<Rect> paint_figures(Surface& target, std::span<const stage::Figure> figures,
                                stage::Theme theme, const LabelPainter& label = {});

// The chosen figure's trail: a dot in `colour` at each place, fading with its
// age (0 now, 1 the oldest), under the figures. Returns the rectangles touched.
std::vector<Rect> paint_trail(Surface& target, std::span<const stage::TrailPoint> trail,
                              float radius, stage::Rgb colour);

// A disc with a smoothed edge, blended over `target`.
void paint_disc(Surface& target, float cx, float cy, float radius, stage::Rgb colour);

}  // namespace raster
