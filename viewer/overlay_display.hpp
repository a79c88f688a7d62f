#pragma once
// The viewer's overlay laid out as display lists (stage/display_list.hpp):
// the boxes and text every host draws, with the regions a click reaches.
// Every viewer's overlay comes from here, so the band, the cards, the
// command box and the legend look the same in each.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "stage/display_list.hpp"
#include "viewer/overlay.hpp"

namespace viewer {

using stage::DisplayList;
using stage::PixelRect;
using stage::TextMeasure;
using stage::Theme;

// The teaching layout's command that stays (or a practice item's prompt and
// answer) and the legend, its entries as hit regions. `line` is the overlay
// font's line height.
DisplayList teaching_boxes_display(const OverlayView& view, int line, TextMeasure& measure);
// The timeline band (a hit region), the command list (a region a row), the
// help card and the score card; nothing when the view is not shown.
DisplayList panels_display(const OverlayView& view, int line, TextMeasure& measure);
// The whole overlay: the teaching boxes (in the teaching layout), then the panels.
DisplayList overlay_display(const OverlayView& view, int line, TextMeasure& measure);

// `utf8` cut to `width` pixels, ending in "…" when it had to be cut.
std::string fitted_text(std::string_view utf8, int width, TextMeasure& measure);

// The teaching layout's command box and legend as a host last painted them.
// They change only with the command, the drill and the theme, and the drill
// is never drawn under them, so a host that presents changes paints them
// again only when they changed or something it restores meets them, not on
// every keyframe (on a large window they are as many pixels as the band).
class TeachingBoxesShown {
 public:
  // Whether `view`'s boxes must be painted again (teaching_boxes_display())
  // over a picture where `restored` says whether a box meets a rectangle
  // composed anew; when they must, the host composes the boxes (`view`'s
  // command_box and legend_box) anew as well. `drill` names the legend.
  bool due(const OverlayView& view, int drill,
           const std::function<bool(const PixelRect&)>& restored);
  // The picture was made anew: paint them again next time.
  void forget() { shown_ = false; }

 private:
  bool shown_ = false;
  std::string command_;
  std::string practice_;         // the prompt and answer shown instead of the command
  std::optional<int> position_;  // underlined in the legend
  int drill_ = -1;
  Theme theme_ = Theme::Dark;
  PixelRect command_box_;
  PixelRect legend_box_;
};

}  // namespace viewer
