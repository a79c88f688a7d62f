#include "raster/figure_painter.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace raster {
namespace {

// The outline around a body, as a share of its radius (at least a pixel).
constexpr float kOutlineShare = 0.12f;
// The facing disc: its radius and how far out its centre lies, as shares of
// the body's radius. It sits on the rim, clear of the number in the middle
// (a label is about 1.1 radii high, so half a radius each side of centre).
constexpr float kFacingRadiusShare = 0.36f;
constexpr float kFacingDistanceShare = 0.95f;
constexpr float kDegreesPerPose = 360.0f / stage::pose::kCount;

std::uint32_t blend(std::uint32_t below, stage::Rgb above, float alpha) {
  const auto mix = [alpha](int b, int a) {
    return static_cast<std::uint32_t>(
        std::lround(static_cast<float>(b) + static_cast<float>(a - b) * alpha));
  };
  return (mix(static_cast<int>((below >> 16) & 0xFF), above.r) << 16) |
         (mix(static_cast<int>((below >> 8) & 0xFF), above.g) << 8) |
         mix(static_cast<int>(below & 0xFF), above.b);
}

// The square around a disc of `reach` pixels at (x, y).
Rect around(float x, float y, float reach) {
  return {static_cast<int>(std::floor(x - reach)), static_cast<int>(std::floor(y - reach)),
          static_cast<int>(std::ceil(2 * reach)) + 1, static_cast<int>(std::ceil(2 * reach)) + 1};
}

// Trail dots: the newest this share of the body's radius, the oldest a third
// of it; the oldest goes this far towards the ground.
constexpr float kTrailDotShare = 0.45f;
constexpr float kTrailOldestSize = 1.0f / 3.0f;
constexpr float kTrailOldestFade = 0.8f;
// The path: dots this share of the radius, one every so many radii.
constexpr float kPathDotShare = 0.2f;
constexpr float kPathSpacingShare = 0.6f;
constexpr float kPathEndShare = 1.5f;  // the ends' dots are larger
constexpr int kPathDotsPerRect = 4;
constexpr float kMinDot = 1.0f;
// The destination's cross: its arms' half width, of the ring's radius.
constexpr float kCrossWidthShare = 0.12f;
constexpr float kRingWidthShare = 0.18f;

}  // namespace

std::vector<Rect> paint_trail(Surface& target, std::span<const stage::TrailPoint> trail,
                              float radius, stage::Rgb colour, stage::Rgb ground) {
  std::vector<Rect> touched;
  for (const stage::TrailPoint& p : trail) {
    const float size =
        std::max(kMinDot, radius * kTrailDotShare *
                              (1 - (1 - kTrailOldestSize) * std::clamp(p.age, 0.0f, 1.0f)));
    paint_disc(target, p.at.x, p.at.y, size, towards(colour, ground, kTrailOldestFade * p.age));
    touched.push_back(around(p.at.x, p.at.y, size + 1));
  }
  return touched;
}

std::vector<Rect> paint_path(Surface& target, std::span<const stage::DevicePoint> path,
                             float radius, stage::Rgb colour) {
  std::vector<Rect> touched;
  if (path.empty()) return touched;
  const float dot = std::max(kMinDot, radius * kPathDotShare);
  const float spacing = std::max(3 * dot, radius * kPathSpacingShare);
  // Dots evenly along the whole line rather than at its keyframes' places
  // (a slow walk has a place every few pixels); the host restores what they
  // cover, so they are reported a few at a time, not as each leg's bounding
  // box, which for a long diagonal leg would be most of the picture.
  Rect group{};
  int in_group = 0;
  const auto put = [&](float x, float y, float r) {
    paint_disc(target, x, y, r, colour);
    const Rect d = around(x, y, r + 1);
    if (in_group == 0) {
      group = d;
    } else {
      const int x0 = std::min(group.x, d.x), y0 = std::min(group.y, d.y);
      const int x1 = std::max(group.x + group.w, d.x + d.w);
      const int y1 = std::max(group.y + group.h, d.y + d.h);
      group = {x0, y0, x1 - x0, y1 - y0};
    }
    if (++in_group == kPathDotsPerRect) {
      touched.push_back(group);
      in_group = 0;
    }
  };
  put(path.front().x, path.front().y, dot * kPathEndShare);
  float carried = 0;  // the distance walked since the last dot
  for (std::size_t i = 1; i < path.size(); ++i) {
    const stage::DevicePoint a = path[i - 1], b = path[i];
    const float length = std::hypot(b.x - a.x, b.y - a.y);
    float along = spacing - carried;
    for (; along < length; along += spacing)
      put(a.x + (b.x - a.x) * along / length, a.y + (b.y - a.y) * along / length, dot);
    carried = length - (along - spacing);
  }
  if (path.size() > 1) put(path.back().x, path.back().y, dot * kPathEndShare);
  if (in_group > 0) touched.push_back(group);
  return touched;
}

std::vector<Rect> paint_destination(Surface& target, stage::DevicePoint at, float radius,
                                    stage::Rgb colour) {
  if (radius <= 0) return {};
  // A ring: the colour's disc with the picture put back inside it would need
  // a copy; a ring of small discs draws over the stage alone.
  const float width = std::max(kMinDot, radius * kRingWidthShare);
  const float arm = std::max(kMinDot, radius * kCrossWidthShare);
  const int dots = std::max(12, static_cast<int>(2 * std::numbers::pi_v<float> * radius / width));
  for (int i = 0; i < dots; ++i) {
    const float a =
        2 * std::numbers::pi_v<float> * static_cast<float>(i) / static_cast<float>(dots);
    paint_disc(target, at.x + std::cos(a) * radius, at.y + std::sin(a) * radius, width, colour);
  }
  const int cross = std::max(2, static_cast<int>(radius / arm));
  for (int i = -cross; i <= cross; ++i) {
    const float d = static_cast<float>(i) * radius * 0.7f / static_cast<float>(cross);
    paint_disc(target, at.x + d, at.y + d, arm, colour);
    paint_disc(target, at.x + d, at.y - d, arm, colour);
  }
  return {around(at.x, at.y, radius + width + 1)};
}

void paint_disc(Surface& target, float cx, float cy, float radius, stage::Rgb colour) {
  if (radius <= 0) return;
  const int x0 = std::max(0, static_cast<int>(std::floor(cx - radius - 1)));
  const int y0 = std::max(0, static_cast<int>(std::floor(cy - radius - 1)));
  const int x1 = std::min(target.width - 1, static_cast<int>(std::ceil(cx + radius + 1)));
  const int y1 = std::min(target.height - 1, static_cast<int>(std::ceil(cy + radius + 1)));
  // Only the pixels along the edge need the distance itself: well inside
  // is covered, well outside untouched (a margin keeps rounding out of it).
  constexpr float kSure = 0.01f;
  const float inner = radius - 0.5f - kSure;
  const float outer = radius + 0.5f + kSure;
  const std::uint32_t solid = pack(colour);
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const float dx = static_cast<float>(x) + 0.5f - cx;
      const float dy = static_cast<float>(y) + 0.5f - cy;
      const float d2 = dx * dx + dy * dy;
      if (d2 >= outer * outer) continue;
      if (inner > 0 && d2 <= inner * inner) {
        target.at(x, y) = solid;
        continue;
      }
      // Coverage of the pixel's centre by the edge, over one pixel's width.
      const float d = std::hypot(dx, dy);
      const float cover = std::clamp(radius + 0.5f - d, 0.0f, 1.0f);
      if (cover <= 0) continue;
      std::uint32_t& p = target.at(x, y);
      p = cover >= 1 ? pack(colour) : blend(p, colour, cover);
    }
}

std::vector<Rect> paint_figures(Surface& target, std::span<const stage::Figure> figures,
                                stage::Theme theme, const LabelPainter& label) {
  std::vector<Rect> touched;
  const stage::Rgb outline = stage::theme_background(theme);
  const stage::Rgb facing = stage::theme_ink(theme);
  for (const stage::Figure& f : figures) {
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
      paint_disc(target, f.x, f.y, ring, f.body);
      paint_disc(target, f.x, f.y, gap, outline);
      reach = std::max(reach, ring + 1);
    }
    const stage::Rgb body = f.muted ? towards(f.body, outline, kMutedShare) : f.body;
    const stage::Rgb nose = f.muted ? towards(facing, outline, kMutedShare) : facing;
    paint_disc(target, f.x, f.y, f.radius + edge, outline);
    paint_disc(target, fx, fy, fr + edge, outline);
    paint_disc(target, f.x, f.y, f.radius, body);
    paint_disc(target, fx, fy, fr, nose);
    if (label && f.show_label) {
      if (f.muted) {
        stage::Figure pale = f;
        pale.label_color = towards(f.label_color, outline, kMutedShare);
        label(target, pale);
      } else {
        label(target, f);
      }
    }
    touched.push_back(around(f.x, f.y, reach));
  }
  return touched;
}

}  // namespace raster
