#include "stage/figure_display.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace stage {
namespace {

// A figure's outline, as a share of its radius (at least a pixel), and its
// facing disc: its radius and how far out its centre lies. It sits on the
// rim, clear of the number in the middle (a label is about 1.1 radii high).
constexpr float kOutlineShare = 0.12f;
constexpr float kFacingRadiusShare = 0.36f;
constexpr float kFacingDistanceShare = 0.95f;
constexpr float kDegreesPerPose = 360.0f / pose::kCount;
// Trail dots: the newest this share of the body's radius, the oldest a third
// of it; the oldest goes this far towards the ground.
constexpr float kTrailDotShare = 0.45f;
constexpr float kTrailOldestSize = 1.0f / 3.0f;
constexpr float kTrailOldestFade = 0.8f;
// The path: dots this share of the radius, one every so many radii, the
// ends' dots larger. A host that restores what they cover gets them a few at
// a time, not as each leg's bounding box, which for a long diagonal leg
// would be most of the picture.
constexpr float kPathDotShare = 0.2f;
constexpr float kPathSpacingShare = 0.6f;
constexpr float kPathEndShare = 1.5f;
constexpr int kPathDotsPerArea = 4;
constexpr float kMinDot = 1.0f;
// The destination: a ring of small discs and a cross of them; the ring's
// dots and the cross's arms as shares of its radius, and the arms' reach.
constexpr float kRingWidthShare = 0.18f;
constexpr float kCrossWidthShare = 0.12f;
constexpr float kCrossReachShare = 0.7f;
constexpr int kMinRingDots = 12;

// The square around a disc of `reach` pixels at (x, y).
PixelRect around(float x, float y, float reach) {
  return {static_cast<int>(std::floor(x - reach)), static_cast<int>(std::floor(y - reach)),
          static_cast<int>(std::ceil(2 * reach)) + 1, static_cast<int>(std::ceil(2 * reach)) + 1};
}

PixelRect join(const PixelRect& a, const PixelRect& b) {
  const int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  const int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

FollowedMarks followed_marks(std::span<const Figure> figures, const TeachingWindow& window,
                             const Playback& playback, bool whole_path,
                             const std::optional<PersonSlot>& destination) {
  FollowedMarks marks;
  const auto me =
      std::find_if(figures.begin(), figures.end(), [](const Figure& f) { return f.highlighted; });
  if (me == figures.end()) return marks;
  marks.me = *me;
  marks.ground = theme_background(window.theme());
  const FrameTable& table = playback.stage().table(playback.drill());
  if (whole_path) marks.path = window.scene_path(table, playback.timeline(), playback.keyframe());
  marks.trail = window.trail(table, playback.keyframe());
  if (destination) {
    marks.destination = window.person_point(*destination);
    marks.destination_radius = me->radius * kDestinationShare;
  }
  return marks;
}

DisplayList figures_display(std::span<const Figure> figures, Theme theme) {
  DisplayList out;
  constexpr std::size_t kMostItemsPerFigure = 7;  // halo, ground, outlines, body, facing, label
  out.items.reserve(figures.size() * kMostItemsPerFigure);
  out.areas.reserve(figures.size());
  const Rgb outline = theme_background(theme);
  // The rim: the ground keeps neighbours and lines apart on black; on white
  // the ink rings each body, so that the paler hues keep their edge (on
  // paper too).
  const Rgb rim = theme == Theme::Light ? theme_ink(theme) : outline;
  const Rgb facing = theme_ink(theme);
  const auto disc = [&out](float x, float y, float r, Rgb c) {
    out.items.emplace_back(DiscItem{x, y, r, c});
  };
  for (const Figure& f : figures) {
    const float edge = std::max(1.0f, f.radius * kOutlineShare);
    const float a = static_cast<float>(f.pose) * kDegreesPerPose * std::numbers::pi_v<float> / 180;
    const float fx = f.x + std::sin(a) * f.radius * kFacingDistanceShare;
    const float fy = f.y - std::cos(a) * f.radius * kFacingDistanceShare;
    const float fr = f.radius * kFacingRadiusShare;
    // The outline in the ground's colour keeps neighbours and lines apart.
    float reach = f.radius * std::max(1.0f, kFacingDistanceShare + kFacingRadiusShare) + edge + 1;
    if (f.highlighted) {
      // The ring, then the ground inside it, so that the outline stays clear.
      const float gap = f.radius * (1 + kHaloGapShare) + edge;
      const float ring = gap + std::max(1.0f, f.radius * kHaloWidthShare);
      disc(f.x, f.y, ring, f.body);
      disc(f.x, f.y, gap, outline);
      reach = std::max(reach, ring + 1);
    }
    const auto shade = [&](Rgb c) { return f.muted ? towards(c, outline, kMutedShare) : c; };
    disc(f.x, f.y, f.radius + edge, shade(rim));
    disc(fx, fy, fr + edge, shade(rim));
    disc(f.x, f.y, f.radius, shade(f.body));
    disc(fx, fy, fr, shade(facing));
    if (f.show_label)
      out.items.emplace_back(
          LabelItem{f.x, f.y, f.radius * kLabelPerRadius, f.label, shade(f.label_color)});
    out.areas.push_back(around(f.x, f.y, reach));
  }
  return out;
}

DisplayList trail_display(std::span<const TrailPoint> trail, float radius, Rgb colour, Rgb ground) {
  DisplayList out;
  for (const TrailPoint& p : trail) {
    const float size =
        std::max(kMinDot, radius * kTrailDotShare *
                              (1 - (1 - kTrailOldestSize) * std::clamp(p.age, 0.0f, 1.0f)));
    out.items.emplace_back(
        DiscItem{p.at.x, p.at.y, size, towards(colour, ground, kTrailOldestFade * p.age)});
    out.areas.push_back(around(p.at.x, p.at.y, size + 1));
  }
  return out;
}

DisplayList path_display(std::span<const DevicePoint> path, float radius, Rgb colour) {
  DisplayList out;
  if (path.empty()) return out;
  const float dot = std::max(kMinDot, radius * kPathDotShare);
  const float spacing = std::max(3 * dot, radius * kPathSpacingShare);
  PixelRect group{};
  int in_group = 0;
  const auto put = [&](float x, float y, float r) {
    out.items.emplace_back(DiscItem{x, y, r, colour});
    const PixelRect d = around(x, y, r + 1);
    group = in_group == 0 ? d : join(group, d);
    if (++in_group == kPathDotsPerArea) {
      out.areas.push_back(group);
      in_group = 0;
    }
  };
  // Dots evenly along the whole line rather than at its keyframes' places
  // (a slow walk has a place every few pixels).
  put(path.front().x, path.front().y, dot * kPathEndShare);
  float carried = 0;  // the distance walked since the last dot
  for (std::size_t i = 1; i < path.size(); ++i) {
    const DevicePoint a = path[i - 1], b = path[i];
    const float length = std::hypot(b.x - a.x, b.y - a.y);
    float along = spacing - carried;
    for (; along < length; along += spacing)
      put(a.x + (b.x - a.x) * along / length, a.y + (b.y - a.y) * along / length, dot);
    carried = length - (along - spacing);
  }
  if (path.size() > 1) put(path.back().x, path.back().y, dot * kPathEndShare);
  if (in_group > 0) out.areas.push_back(group);
  return out;
}

DisplayList destination_display(DevicePoint at, float radius, Rgb colour) {
  DisplayList out;
  if (radius <= 0) return out;
  // A ring of small discs draws over the stage alone, where a disc with the
  // picture put back inside it would need a copy.
  const float width = std::max(kMinDot, radius * kRingWidthShare);
  const float arm = std::max(kMinDot, radius * kCrossWidthShare);
  const int dots =
      std::max(kMinRingDots, static_cast<int>(2 * std::numbers::pi_v<float> * radius / width));
  for (int i = 0; i < dots; ++i) {
    const float a =
        2 * std::numbers::pi_v<float> * static_cast<float>(i) / static_cast<float>(dots);
    out.items.emplace_back(
        DiscItem{at.x + std::cos(a) * radius, at.y + std::sin(a) * radius, width, colour});
  }
  const int cross = std::max(2, static_cast<int>(radius / arm));
  for (int i = -cross; i <= cross; ++i) {
    const float d = static_cast<float>(i) * radius * kCrossReachShare / static_cast<float>(cross);
    out.items.emplace_back(DiscItem{at.x + d, at.y + d, arm, colour});
    out.items.emplace_back(DiscItem{at.x + d, at.y - d, arm, colour});
  }
  out.areas.push_back(around(at.x, at.y, radius + width + 1));
  return out;
}

DisplayList figure_layer_display(std::span<const Figure> figures, Theme theme,
                                 const FollowedMarks& marks) {
  DisplayList out;
  if (const std::optional<Figure>& me = marks.me) {
    if (!marks.path.empty()) out.append(path_display(marks.path, me->radius, me->body));
    out.append(trail_display(marks.trail, me->radius, me->body, marks.ground));
  }
  out.append(figures_display(figures, theme));
  if (marks.me && marks.destination)
    out.append(destination_display(*marks.destination, marks.destination_radius, marks.me->body));
  return out;
}

}  // namespace stage
