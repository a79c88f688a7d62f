#pragma once
// The raster's text for a viewer's overlay and the teaching picture's people:
// the caption's font, measured for the core's layout (stage/overlay_display.hpp)
// and drawn when a display list is played back into a picture that already
// holds the composed stage.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "raster/caption_renderer.hpp"
#include "raster/display_painter.hpp"
#include "raster/surface.hpp"
#include "stage/overlay.hpp"
#include "stage/teaching.hpp"

namespace raster {

class OverlayPainter final : public stage::TextMeasure, public TextPainter {
 public:
  OverlayPainter();

  // Sizes the font for a window `height` pixels high and returns the line
  // height the overlay model lays out with.
  int fit(int height);
  int line_height() const { return line_; }

  // Paints `view` (stage::overlay_display()) above what `target` holds and
  // returns the rectangles it touched, which the host presents and restores
  // from the stage's frame before the next paint. Nothing when the view is
  // not shown.
  std::vector<Rect> paint(const stage::OverlayView& view, Surface& target);
  // The teaching layout's command that stays and legend alone (a picture
  // without a band, such as a video frame).
  std::vector<Rect> paint_teaching(const stage::OverlayView& view, Surface& target);
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

// The teaching layout's command box and legend as a host last painted them.
// They change only with the command, the drill and the theme, and the drill
// is never drawn under them, so a host that presents changes paints them
// again only when they changed or something it restores meets them, not on
// every keyframe (on a large window they are as many pixels as the band).
class TeachingBoxesShown {
 public:
  // Whether `view`'s boxes must be painted again (with paint_teaching())
  // over a picture where the `restored` rectangles are composed anew; when
  // they must, their rectangles join `restored`. `drill` names the legend.
  bool due(const stage::OverlayView& view, int drill, std::vector<Rect>& restored);
  // The picture was made anew: paint them again next time.
  void forget() { shown_ = false; }

 private:
  bool shown_ = false;
  std::string command_;
  std::string practice_;         // the prompt and answer shown instead of the command
  std::optional<int> position_;  // underlined in the legend
  int drill_ = -1;
  stage::Theme theme_ = stage::Theme::Dark;
  stage::PixelRect command_box_;
  stage::PixelRect legend_box_;
};

}  // namespace raster
