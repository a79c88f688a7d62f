#include "raster/overlay_painter.hpp"

#include <algorithm>
#include <cmath>

#include "stage/figure_display.hpp"

namespace raster {
namespace {

// Font size from the window height: readable in a small window, not shouting
// in a full-screen one.
constexpr int kHeightPerPixelOfFont = 36;
constexpr int kMinFontPixels = 11;
constexpr int kMaxFontPixels = 26;
constexpr long kSubpixels = 64;  // FreeType's 26.6 fixed point

std::uint8_t channel(std::uint32_t p, int shift) {
  return static_cast<std::uint8_t>((p >> shift) & 0xFF);
}

stage::PixelRect cut(const stage::PixelRect& r, const Surface& s) {
  const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
  const int x1 = std::min(s.width, r.x + r.w), y1 = std::min(s.height, r.y + r.h);
  return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

stage::PixelRect intersect(const stage::PixelRect& a, const stage::PixelRect& b) {
  const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const int x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
  return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

// Glyph coverage (white on black) blended in `ink` over `target` with its
// top-left at (x, y), cut to `clip`.
void ink_bitmap(Surface& target, const CaptionRenderer::Bitmap& b, int x, int y, std::uint32_t ink,
                const stage::PixelRect& clip) {
  const stage::PixelRect c = cut(intersect({x, y, b.width, b.height}, clip), target);
  for (int ty = c.y; ty < c.y + c.h; ++ty) {
    const std::uint32_t* row =
        b.pixels.data() + static_cast<std::size_t>(ty - y) * static_cast<std::size_t>(b.width);
    for (int tx = c.x; tx < c.x + c.w; ++tx) {
      const int coverage = channel(row[tx - x], 8);
      if (coverage) target.at(tx, ty) = mix(target.at(tx, ty), ink, coverage);
    }
  }
}

}  // namespace

OverlayPainter::OverlayPainter() { fit(0); }

int OverlayPainter::fit(int height) {
  const int size = std::clamp(height / kHeightPerPixelOfFont, kMinFontPixels, kMaxFontPixels);
  if (size != pixel_size_) {
    pixel_size_ = size;
    font_.set_size_26_6(size * kSubpixels);
    line_ = std::max(1, font_.line_height());
    cache_.clear();
  }
  return line_;
}

const CaptionRenderer::Bitmap& OverlayPainter::glyphs(std::string_view utf8) {
  // Bounded: a long session cycles through three drills' commands at most,
  // but a cache must not grow with time whatever the caller asks.
  constexpr std::size_t kMaxCached = 1024;
  if (auto it = cache_.find(utf8); it != cache_.end()) return it->second;
  if (cache_.size() >= kMaxCached) cache_.clear();
  // White on black: each pixel's level is the glyph's coverage there.
  return cache_.emplace(std::string(utf8), font_.render(std::string(utf8), 0x000000, 0xFFFFFF))
      .first->second;
}

// Measured, not rendered: fitting a command tries many of its prefixes, and
// keeping their pixels would crowd the cache of lines shown.
int OverlayPainter::text_width(std::string_view utf8) { return font_.width(std::string(utf8)); }

void OverlayPainter::text(Surface& target, const stage::TextItem& item) {
  ink_bitmap(target, glyphs(item.text), item.x, item.y, pack(item.colour), item.clip);
}

void OverlayPainter::label(Surface& target, const stage::LabelItem& item) {
  const long size = std::max(kSubpixels, static_cast<long>(item.size * kSubpixels));
  if (size != label_size_) {
    label_size_ = size;
    label_font_.set_size_26_6(size);
    label_cache_.clear();
  }
  auto it = label_cache_.find(item.text);
  if (it == label_cache_.end())
    it = label_cache_.emplace(item.text, label_font_.render(item.text, 0x000000, 0xFFFFFF)).first;
  const CaptionRenderer::Bitmap& b = it->second;
  const int x = static_cast<int>(std::lround(item.x - static_cast<float>(b.width) / 2));
  const int y = static_cast<int>(std::lround(item.y - static_cast<float>(b.height) / 2));
  ink_bitmap(target, b, x, y, pack(item.colour), {x, y, b.width, b.height});
}

std::vector<Rect> OverlayPainter::paint_figures(std::span<const stage::Figure> figures,
                                                stage::Theme theme, Surface& target) {
  return play(stage::figures_display(figures, theme), target);
}

}  // namespace raster
