#include "raster/display_painter.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <variant>

namespace raster {
namespace {

constexpr int kOpaque = stage::kOpaqueAlpha;

std::uint8_t channel(std::uint32_t p, int shift) {
  return static_cast<std::uint8_t>((p >> shift) & 0xFF);
}

std::uint32_t blend(std::uint32_t below, stage::Rgb above, float alpha) {
  const auto mix = [alpha](int b, int a) {
    return static_cast<std::uint32_t>(
        std::lround(static_cast<float>(b) + static_cast<float>(a - b) * alpha));
  };
  return (mix(static_cast<int>((below >> 16) & 0xFF), above.r) << 16) |
         (mix(static_cast<int>((below >> 8) & 0xFF), above.g) << 8) |
         mix(static_cast<int>(below & 0xFF), above.b);
}

Rect cut(const stage::PixelRect& r, const Surface& s) {
  const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
  const int x1 = std::min(s.width, r.x + r.w), y1 = std::min(s.height, r.y + r.h);
  return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

}  // namespace

std::uint32_t mix(std::uint32_t below, std::uint32_t above, int alpha) {
  std::uint32_t out = 0;
  for (const int shift : {16, 8, 0}) {
    const int b = channel(below, shift);
    const int a = channel(above, shift);
    out |= static_cast<std::uint32_t>(b + (a - b) * alpha / kOpaque) << shift;
  }
  return out;
}

void blend_rect(Surface& target, const stage::PixelRect& r, std::uint32_t colour, int alpha) {
  const Rect c = cut(r, target);
  if (c.w <= 0 || c.h <= 0) return;
  if (alpha >= kOpaque) {
    for (int y = c.y; y < c.y + c.h; ++y) std::fill_n(&target.at(c.x, y), c.w, colour);
    return;
  }
  // The band and the cards cover a good part of a large window on every
  // frame: each channel's blend, the same as mix() gives, from a table made
  // once per rectangle rather than a division per channel and pixel.
  constexpr std::size_t kLevels = 256;
  std::array<std::array<std::uint32_t, kLevels>, 3> blended{};
  const int shifts[3] = {16, 8, 0};
  for (std::size_t ch = 0; ch < 3; ++ch)
    for (std::size_t level = 0; level < kLevels; ++level) {
      const int shift = shifts[ch];
      blended[ch][level] =
          mix(static_cast<std::uint32_t>(level) << shift, colour, alpha) & (0xFFu << shift);
    }
  for (int y = c.y; y < c.y + c.h; ++y) {
    std::uint32_t* row = &target.at(c.x, y);
    for (int x = 0; x < c.w; ++x) {
      const std::uint32_t p = row[x];
      row[x] = blended[0][(p >> 16) & 0xFF] | blended[1][(p >> 8) & 0xFF] | blended[2][p & 0xFF];
    }
  }
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

std::vector<Rect> paint_display(const stage::DisplayList& list, Surface& target,
                                TextPainter* text) {
  for (const stage::DisplayItem& item : list.items) {
    if (const auto* box = std::get_if<stage::BoxItem>(&item))
      blend_rect(target, box->rect, pack(box->colour), box->alpha);
    else if (const auto* disc = std::get_if<stage::DiscItem>(&item))
      paint_disc(target, disc->x, disc->y, disc->radius, disc->colour);
    else if (const auto* line = std::get_if<stage::TextItem>(&item); line && text)
      text->text(target, *line);
    else if (const auto* label = std::get_if<stage::LabelItem>(&item); label && text)
      text->label(target, *label);
  }
  std::vector<Rect> areas;
  areas.reserve(list.areas.size());
  for (const stage::PixelRect& r : list.areas)
    if (const Rect c = cut(r, target); !c.empty()) areas.push_back(c);
  return areas;
}

}  // namespace raster
