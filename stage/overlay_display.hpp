#pragma once
// The viewer's overlay and the teaching picture's people laid out as display
// lists: the boxes, text, discs and labels every host draws, with the
// regions a click reaches. Every host's picture comes from here, so the band,
// the cards, the halo, the trail and the path look the same in each.

#include <optional>
#include <span>
#include <vector>

#include "stage/display_list.hpp"
#include "stage/overlay.hpp"
#include "stage/teaching.hpp"

namespace stage {

// A figure's label font, pixels per pixel of its radius.
inline constexpr float kLabelPerRadius = 70.0f / 64.0f;
// A revealed move's destination ring, of the followed figure's radius.
inline constexpr float kDestinationShare = 1.4f;

// The followed position's marks: below the figures its whole path (w) and
// its trail, above them a revealed move's destination, all in the followed
// figure's colour. None without a followed figure shown.
struct FollowedMarks {
  std::optional<Figure> me;
  std::vector<DevicePoint> path;  // with the whole path on
  std::vector<TrailPoint> trail;
  std::optional<DevicePoint> destination;
  float destination_radius = 0;
  Rgb ground{};  // the theme's, that the trail fades into
};

// The marks of the position `window` follows, whose figure is the
// highlighted one of `figures` (none highlighted: no marks): its trail, its
// whole path with `whole_path`, and `destination` (a revealed move's end,
// stage units) in its colour.
FollowedMarks followed_marks(std::span<const Figure> figures, const TeachingWindow& window,
                             const Playback& playback, bool whole_path,
                             const std::optional<PersonSlot>& destination);

// The teaching layout's command that stays (or a practice item's prompt and
// answer) and the legend, its entries as hit regions. `line` is the overlay
// font's line height.
DisplayList teaching_boxes_display(const OverlayView& view, int line, TextMeasure& measure);
// The timeline band (a hit region), the command list (a region a row), the
// help card and the score card; nothing when the view is not shown.
DisplayList panels_display(const OverlayView& view, int line, TextMeasure& measure);
// The whole overlay: the teaching boxes (in the teaching layout), then the panels.
DisplayList overlay_display(const OverlayView& view, int line, TextMeasure& measure);

// The people, each a body in its position's colour with an outline of the
// ground, a facing disc on its rim and its label where it is big enough; a
// highlighted one ringed with a halo, muted ones part way to the ground.
DisplayList figures_display(std::span<const Figure> figures, Theme theme);
// The followed figure's trail: a dot at each place, paler and smaller with its age.
DisplayList trail_display(std::span<const TrailPoint> trail, float radius, Rgb colour, Rgb ground);
// Its whole path through the scene: dots evenly along the line, the ends larger.
DisplayList path_display(std::span<const DevicePoint> path, float radius, Rgb colour);
// A practice move's destination: a ring with a cross in it, `radius` pixels.
DisplayList destination_display(DevicePoint at, float radius, Rgb colour);
// What goes above the composed stage and below the overlay: the marks under
// the figures, the figures, then a revealed move's destination.
DisplayList figure_layer_display(std::span<const Figure> figures, Theme theme,
                                 const FollowedMarks& marks);

// `utf8` cut to `width` pixels, ending in "…" when it had to be cut.
std::string fitted_text(std::string_view utf8, int width, TextMeasure& measure);

}  // namespace stage
