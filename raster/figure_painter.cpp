#include "raster/figure_painter.hpp"

#include "stage/figure_display.hpp"

namespace raster {

std::vector<Rect> paint_figures(Surface& target, std::span<const stage::Figure> figures,
                                stage::Theme theme) {
  return paint_display(stage::figures_display(figures, theme), target);
}

std::vector<Rect> paint_trail(Surface& target, std::span<const stage::TrailPoint> trail,
                              float radius, stage::Rgb colour, stage::Rgb ground) {
  return paint_display(stage::trail_display(trail, radius, colour, ground), target);
}

std::vector<Rect> paint_path(Surface& target, std::span<const stage::DevicePoint> path,
                             float radius, stage::Rgb colour) {
  return paint_display(stage::path_display(path, radius, colour), target);
}

}  // namespace raster
