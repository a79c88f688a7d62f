#pragma once
// Plays a display list (stage/display_list.hpp) back into a picture that
// already holds the composed stage: a copy the host presents, never the
// raster window's painted surface, whose pixels the seeks and the incremental
// painters rely on. Boxes blend, discs have smoothed edges; text and labels
// go to the host's text machinery.

#include <cstdint>
#include <vector>

#include "raster/surface.hpp"
#include "stage/display_list.hpp"

namespace raster {

// Draws the list's text: lines in the overlay's font, labels at their size.
class TextPainter {
 public:
  virtual ~TextPainter() = default;
  virtual void text(Surface& target, const stage::TextItem& item) = 0;
  virtual void label(Surface& target, const stage::LabelItem& item) = 0;
};

// Paints `list`'s items in order over `target` (text and labels through
// `text`; none: left out) and returns its areas cut to the target, empty ones
// left out: what the host presents and restores before the next paint.
std::vector<Rect> paint_display(const stage::DisplayList& list, Surface& target,
                                TextPainter* text = nullptr);

// `above` over `below` (0x00RRGGBB) with `alpha` of 255, each channel.
std::uint32_t mix(std::uint32_t below, std::uint32_t above, int alpha);
// Blends `colour` over `r` of `target` with `alpha` (0..255), cut to the target.
void blend_rect(Surface& target, const stage::PixelRect& r, std::uint32_t colour, int alpha);
// A disc with a smoothed edge, blended over `target`.
void paint_disc(Surface& target, float cx, float cy, float radius, stage::Rgb colour);

}  // namespace raster
