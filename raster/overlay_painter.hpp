#pragma once
// Paints a viewer's overlay (timeline band, help card, command list) into a
// picture that already holds the composed stage: a copy the host presents,
// never the raster window's painted surface, whose pixels the seeks and the
// incremental painters rely on. Text is drawn in the caption's font.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "raster/caption_renderer.hpp"
#include "raster/figure_painter.hpp"
#include "raster/surface.hpp"
#include "stage/overlay.hpp"

namespace raster {

class OverlayPainter {
 public:
  OverlayPainter();

  // Sizes the font for a window `height` pixels high and returns the line
  // height the overlay model lays out with.
  int fit(int height);
  int line_height() const { return line_; }

  // Paints `view` above what `target` holds and returns the rectangles it
  // touched, which the host presents and restores from the stage's frame
  // before the next paint. Nothing when the view is not shown.
  std::vector<Rect> paint(const stage::OverlayView& view, Surface& target);

  // The teaching picture's people, numbered where they are big enough.
  std::vector<Rect> paint_figures(std::span<const stage::Figure> figures, stage::Theme theme,
                                  Surface& target);
  // The teaching layout's command that stays and legend (paint() calls it
  // when the view has them; a picture without a band, such as a video
  // frame, calls it alone).
  std::vector<Rect> paint_teaching(const stage::OverlayView& view, Surface& target);
  // The legend entry (a position) painted at (x, y) by the last paint_teaching().
  std::optional<int> legend_hit(int x, int y) const;

 private:
  // A line of text with its top-left at (x, y), cut to `clip`; returns its width.
  int text(Surface& target, int x, int y, std::string_view utf8, std::uint32_t ink,
           const stage::PixelRect& clip);
  int text_width(std::string_view utf8);
  const CaptionRenderer::Bitmap& glyphs(std::string_view utf8);

  // The label's text centred on a figure, at a size for its radius.
  void label(Surface& target, const stage::Figure& figure);
  // `utf8` cut to `width` pixels, ending in "…" when it had to be cut.
  std::string fitted(std::string_view utf8, int width);

  // The practice prompt and its answer in the command box (instead of the command).
  void paint_prompt(const stage::PracticeOverlay& practice, const stage::PixelRect& box,
                    std::uint32_t ink, Surface& target);

  // Each legend entry's rectangle as last painted, and the position it chooses.
  std::vector<std::pair<stage::PixelRect, int>> legend_rects_;
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

// Blends `colour` over `r` of `target` with `alpha` (0..255), cut to the target.
void blend_rect(Surface& target, const stage::PixelRect& r, std::uint32_t colour, int alpha);

}  // namespace raster
