#pragma once
// The raster's text for a viewer's overlay and the teaching picture's people:
// the caption's font, measured for the core's layout of the overlay and
// drawn when a display list is played back into a picture that already holds
// the composed stage.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "raster/caption_renderer.hpp"
#include "raster/display_painter.hpp"
#include "raster/surface.hpp"
#include "stage/display_list.hpp"
#include "stage/teaching.hpp"

namespace raster {

class OverlayPainter final : public stage::TextMeasure, public TextPainter {
 public:
  OverlayPainter();

  // Sizes the font for a window `height` pixels high and returns the line
  // height the overlay model lays out with.
  int fit(int height);
  int line_height() const { return line_; }

  // The teaching picture's people, numbered where they are big enough.
  std::vector<Rect> paint_figures(std::span<const stage::Figure> figures, stage::Theme theme,
                                  Surface& target);
  // Any display list, its text in this painter's fonts.
  std::vector<Rect> play(const stage::DisplayList& list, Surface& target) {
    return paint_display(list, target, this);
  }

  int text_width(std::string_view utf8) override;
  void text(Surface& target, const stage::TextItem& item) override;
  void label(Surface& target, const stage::LabelItem& item) override;

 private:
  const CaptionRenderer::Bitmap& glyphs(std::string_view utf8);

  CaptionRenderer font_;
  CaptionRenderer label_font_;
  long label_size_ = 0;
  std::map<std::string, CaptionRenderer::Bitmap, std::less<>> label_cache_;
  int pixel_size_ = 0;
  int line_ = 0;
  // Rendered lines by text: the same few dozen strings come back every frame.
  std::map<std::string, CaptionRenderer::Bitmap, std::less<>> cache_;
};

}  // namespace raster
