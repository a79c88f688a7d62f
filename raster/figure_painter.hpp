#pragma once
// The teaching picture's people and the followed position's marks painted
// into a picture that already holds the composed stage, as the core lays
// them out (stage/overlay_display.hpp). Without a text painter the labels
// are left out; the overlay painter draws them (OverlayPainter::paint_figures).

#include <span>
#include <vector>

#include "raster/display_painter.hpp"
#include "raster/surface.hpp"
#include "stage/teaching.hpp"

namespace raster {

// Every figure in order (a later one above an earlier one), a highlighted
// one with its halo, muted ones paler. Returns the rectangles touched.
std::vector<Rect> paint_figures(Surface& target, std::span<const stage::Figure> figures,
                                stage::Theme theme);
// The followed figure's trail and its whole path, in `colour`. Each returns
// the rectangles touched.
std::vector<Rect> paint_trail(Surface& target, std::span<const stage::TrailPoint> trail,
                              float radius, stage::Rgb colour, stage::Rgb ground);
std::vector<Rect> paint_path(Surface& target, std::span<const stage::DevicePoint> path,
                             float radius, stage::Rgb colour);

}  // namespace raster
