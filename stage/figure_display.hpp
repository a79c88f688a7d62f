#pragma once
// The teaching picture's people and the followed position's marks as display
// items (stage/display_list.hpp): every picture that shows them (the three
// viewers, the tool's pictures and videos) draws the same discs and labels.

#include <optional>
#include <span>
#include <vector>

#include "stage/display_list.hpp"
#include "stage/playback.hpp"
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

}  // namespace stage
