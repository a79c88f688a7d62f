#pragma once
// The plain pixel types the raster painter, compositor and file sinks share.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "stage/pixel_rect.hpp"
#include "stage/rounding.hpp"
#include "stage/window.hpp"

namespace raster {

// A plain view of pixels; pitch counts pixels per row. Can wrap memory a host
// owns.
template <class Pixel>
struct PixelView {
  Pixel* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  Pixel& at(int x, int y) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch) +
                  static_cast<std::size_t>(x)];
  }
  Pixel at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch) +
                  static_cast<std::size_t>(x)];
  }
  const Pixel* row(int y) const {
    return pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch);
  }
};

// 0x00RRGGBB pixels: frames, pictures, what hosts present and files store.
using Surface = PixelView<std::uint32_t>;
// Palette indices: the painter's surface, a quarter of the memory of a frame
// (a drill paints with a handful of colours).
using IndexSurface = PixelView<std::uint8_t>;

// A picture that owns its 0x00RRGGBB pixels (a copy, for inspection).
struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;
  Surface view() const { return {const_cast<std::uint32_t*>(pixels.data()), width, height, width}; }
  operator Surface() const { return view(); }
  std::uint32_t at(int x, int y) const { return view().at(x, y); }
};

struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool empty() const { return w <= 0 || h <= 0; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Whether any of `rects` meets `r` (shares a pixel with it).
inline bool meets_any(std::span<const Rect> rects, const stage::PixelRect& r) {
  return std::any_of(rects.begin(), rects.end(), [&r](const Rect& a) {
    return a.x < r.x + r.w && r.x < a.x + a.w && a.y < r.y + r.h && r.y < a.y + a.h;
  });
}

inline std::uint32_t pack(stage::Rgb c) {
  return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | std::uint32_t{c.b};
}
inline stage::Rgb unpack(std::uint32_t p) {
  return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
          static_cast<std::uint8_t>(p)};
}

// Pixel coordinates are kept within this bound so that the painter's exact
// segment clipping cannot overflow 64-bit products; anything that far off the
// window is off it either way.
inline constexpr long long kCoordLimit = 1LL << 28;

// Twips to the pixel that GDI would address: rounded half to even. Inline: a
// keyframe converts a few hundred coordinates.
inline int to_pixel(float twips, float twips_per_pixel) {
  const double v = static_cast<double>(twips) / static_cast<double>(twips_per_pixel);
  if (std::isnan(v)) return static_cast<int>(-kCoordLimit);
  if (v >= static_cast<double>(kCoordLimit)) return static_cast<int>(kCoordLimit);
  if (v <= static_cast<double>(-kCoordLimit)) return static_cast<int>(-kCoordLimit);
  return static_cast<int>(stage::round_half_even(v));
}

}  // namespace raster
