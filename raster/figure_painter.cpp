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
// The halo: a ring this far out from the body's edge and this thick, as
// shares of the radius, so that it reads at any size without touching the
// outline that keeps the figure apart from the lines below.
constexpr float kHaloGapShare = 0.22f;
constexpr float kHaloWidthShare = 0.28f;
// A muted figure's colours move this share of the way to the ground.
constexpr float kMutedShare = 0.6f;
constexpr float kMutedLabelShare = 0.3f;
// A trail dot at age 0 is this opaque; the oldest fades to nothing.
constexpr float kTrailOpacity = 0.8f;

std::uint32_t blend(std::uint32_t below, stage::Rgb above, float alpha) {
  const auto mix = [alpha](int b, int a) {
    return static_cast<std::uint32_t>(
        std::lround(static_cast<float>(b) + static_cast<float>(a - b) * alpha));
  };
  return (mix(static_cast<int>((below >> 16) & 0xFF), above.r) << 16) |
         (mix(static_cast<int>((below >> 8) & 0xFF), above.g) << 8) |
         mix(static_cast<int>(below & 0xFF), above.b);
}

stage::Rgb towards(stage::Rgb from, stage::Rgb to, float share) {
  const auto mix = [share](int a, int b) {
    return static_cast<std::uint8_t>(
        std::lround(static_cast<float>(a) + static_cast<float>(b - a) * share));
  };
  return {mix(from.r, to.r), mix(from.g, to.g), mix(from.b, to.b)};
}

// A ring between radii `inner` and `outer` (inner 0: a disc), its edges
// smoothed, blended over `target` at `opacity`.
void paint_ring(Surface& target, float cx, float cy, float inner, float outer, stage::Rgb colour,
                float opacity) {
  if (outer <= 0 || opacity <= 0) return;
  const int x0 = std::max(0, static_cast<int>(std::floor(cx - outer - 1)));
  const int y0 = std::max(0, static_cast<int>(std::floor(cy - outer - 1)));
  const int x1 = std::min(target.width - 1, static_cast<int>(std::ceil(cx + outer + 1)));
  const int y1 = std::min(target.height - 1, static_cast<int>(std::ceil(cy + outer + 1)));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const float d =
          std::hypot(static_cast<float>(x) + 0.5f - cx, static_cast<float>(y) + 0.5f - cy);
      float cover = std::clamp(outer + 0.5f - d, 0.0f, 1.0f);
      if (inner > 0) cover = std::min(cover, std::clamp(d - inner + 0.5f, 0.0f, 1.0f));
      if (cover <= 0) continue;
      std::uint32_t& p = target.at(x, y);
      p = blend(p, colour, cover * opacity);
    }
}

stage::Rgb readable_on(stage::Rgb body) {
  constexpr float kLight = 0.5f * 255;
  const float luma = 0.299f * body.r + 0.587f * body.g + 0.114f * body.b;
  return luma > kLight ? stage::Rgb{0, 0, 0} : stage::Rgb{255, 255, 255};
}

Rect square_around(float x, float y, float reach) {
  return {static_cast<int>(std::floor(x - reach)), static_cast<int>(std::floor(y - reach)),
          static_cast<int>(std::ceil(2 * reach)) + 1, static_cast<int>(std::ceil(2 * reach)) + 1};
}

}  // namespace

std::vector<Rect> paint_trail(Surface& target, std::span<const stage::TrailPoint> trail,
                              float radius, stage::Rgb colour) {
  std::vector<Rect> touched;
  for (const stage::TrailPoint& t : trail) {
    paint_ring(target, t.at.x, t.at.y, 0, radius, colour,
               kTrailOpacity * (1 - std::clamp(t.age, 0.0f, 1.0f)));
    touched.push_back(square_around(t.at.x, t.at.y, radius + 1));
  }
  return touched;
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
    const float halo_inner = f.radius + edge + f.radius * kHaloGapShare;
    const float halo_outer = halo_inner + std::max(1.5f, f.radius * kHaloWidthShare);
    if (f.highlighted) paint_ring(target, f.x, f.y, halo_inner, halo_outer, f.body, 1);
    const stage::Rgb body = f.muted ? towards(f.body, outline, kMutedShare) : f.body;
    // The outline in the ground's colour keeps neighbours and lines apart.
    paint_disc(target, f.x, f.y, f.radius + edge, outline);
    paint_disc(target, fx, fy, fr + edge, outline);
    paint_disc(target, f.x, f.y, f.radius, body);
    paint_disc(target, fx, fy, fr, f.muted ? towards(facing, outline, kMutedShare) : facing);
    if (label && f.show_label) {
      stage::Figure shown = f;
      shown.body = body;
      // A paler body may need the other ink; softened, as the body is.
      if (f.muted) shown.label_color = towards(readable_on(body), body, kMutedLabelShare);
      label(target, shown);
    }
    float reach = f.radius * std::max(1.0f, kFacingDistanceShare + kFacingRadiusShare) + edge + 1;
    if (f.highlighted) reach = std::max(reach, halo_outer + 1);
    touched.push_back(square_around(f.x, f.y, reach));
  }
  return touched;
}

}  // namespace raster
