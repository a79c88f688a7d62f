#include "raster/painter.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace raster {
namespace {

// A circle larger than this (pixels) is not drawn: its outline would lie far
// outside any window this program opens.
constexpr long long kRadiusLimit = 1LL << 20;

long long clamp_coord(long long v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

long long floor_div(long long a, long long b) {  // b > 0
  long long q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}
long long ceil_div(long long a, long long b) { return -floor_div(-a, b); }  // b > 0

}  // namespace

Painter::Painter(int width, int height) {
  if (width <= 0 || height <= 0)
    throw std::invalid_argument("raster window: size and twips per pixel must be positive");
  pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), Index{0});
  surface_ = {pixels_.data(), width, height, width};
  tiles_.reset(width, height);
  tiles_.mark_all(TileMap::kDirty);
}

void Painter::clear() {
  for (const Rect& r : tiles_.regions(TileMap::kInk)) {
    for (int y = r.y; y < r.y + r.h; ++y) {
      Index* row = &surface_.at(r.x, y);
      std::fill(row, row + r.w, Index{0});
    }
    tiles_.mark(r, TileMap::kDirty);
  }
  tiles_.clear_bits(TileMap::kInk);
}

// Painting marks a tile only where a pixel really changes colour. The drills
// repaint their fixed marks on every keyframe; left unmarked, those repaints
// cost no composition. Ink stays right: a pixel that already has a non-black
// colour lies in an inked tile, and black on black needs no ink.
inline void Painter::plot(long long x, long long y, Index c) {
  if (x < 0 || y < 0 || x >= surface_.width || y >= surface_.height) return;
  const int ix = static_cast<int>(x);
  const int iy = static_cast<int>(y);
  Index& p = surface_.at(ix, iy);
  if (p == c) return;
  p = c;
  tiles_.mark_pixel(ix, iy, TileMap::kInk | TileMap::kDirty);
}

// Pixels x0..x1 of row y, on the surface. Compared a tile's width at a time
// against a run of the index (memcmp is vectorised; a search loop is not).
inline void Painter::fill_span(int y, int x0, int x1, Index c) {
  if (pattern_index_ != c) {
    pattern_.fill(c);
    pattern_index_ = c;
  }
  Index* row = &surface_.at(0, y);
  for (int a = x0; a <= x1;) {
    const int b = std::min(x1, (a | (TileMap::kTile - 1)));  // to the end of this tile
    const auto n = static_cast<std::size_t>(b - a + 1);
    if (std::memcmp(row + a, pattern_.data(), n) != 0) {
      std::fill(row + a, row + b + 1, c);
      tiles_.mark_pixel(a, y, TileMap::kInk | TileMap::kDirty);
    }
    a = b + 1;
  }
}

// Inclusive rectangle, clipped.
void Painter::fill_rect(long long x0, long long y0, long long x1, long long y1,
                        std::uint32_t colour) {
  const Index c = index_for(colour);
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  x0 = std::max(x0, 0LL);
  y0 = std::max(y0, 0LL);
  x1 = std::min<long long>(x1, surface_.width - 1);
  y1 = std::min<long long>(y1, surface_.height - 1);
  if (x0 > x1 || y0 > y1) return;
  for (long long y = y0; y <= y1; ++y)
    fill_span(static_cast<int>(y), static_cast<int>(x0), static_cast<int>(x1), c);
}

void Painter::box(long long x0, long long y0, long long x1, long long y1, std::uint32_t c) {
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  fill_rect(x0, y0, x1, y0, c);
  fill_rect(x0, y1, x1, y1, c);
  fill_rect(x0, y0, x0, y1, c);
  fill_rect(x1, y0, x1, y1, c);
}

// Bresenham between two pixels, both painted. The points are put in a fixed
// order first so that a segment and its reverse paint the same pixels; the
// minor coordinate of step i is round(i * d_minor / d_major) with halves going
// away from the first point, which lets the walk start directly at the first
// step inside the surface.
void Painter::segment(long long x0, long long y0, long long x1, long long y1,
                      std::uint32_t colour) {
  const Index c = index_for(colour);
  x0 = clamp_coord(x0);
  y0 = clamp_coord(y0);
  x1 = clamp_coord(x1);
  y1 = clamp_coord(y1);
  const bool steep = std::llabs(y1 - y0) > std::llabs(x1 - x0);
  if (steep) {
    std::swap(x0, y0);
    std::swap(x1, y1);
  }
  if (x0 > x1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  const long long major_max = (steep ? surface_.height : surface_.width) - 1;
  const long long minor_max = (steep ? surface_.width : surface_.height) - 1;
  const long long adx = x1 - x0;
  const long long ady = std::llabs(y1 - y0);
  const long long sy = y1 < y0 ? -1 : 1;
  auto put = [&](long long a, long long b) { steep ? plot(b, a, c) : plot(a, b, c); };
  if (adx == 0) {
    put(x0, y0);
    return;
  }
  long long ilo = std::max(0LL, -x0);
  long long ihi = std::min(adx, major_max - x0);
  if (ady == 0) {
    if (y0 < 0 || y0 > minor_max) return;
  } else {
    // Steps whose minor offset q keeps the pixel inside: q in [qlo, qhi].
    const long long qlo = sy > 0 ? -y0 : y0 - minor_max;
    const long long qhi = sy > 0 ? minor_max - y0 : y0;
    ilo = std::max(ilo, ceil_div((2 * qlo - 1) * adx, 2 * ady));
    ihi = std::min(ihi, ceil_div((2 * qhi + 1) * adx, 2 * ady) - 1);
  }
  if (ilo > ihi) return;
  const long long den = 2 * adx;
  const long long num = 2 * ilo * ady + adx;
  long long q = floor_div(num, den);
  long long rem = num - q * den;
  for (long long i = ilo; i <= ihi; ++i) {
    put(x0 + i, y0 + sy * q);
    rem += 2 * ady;
    if (rem >= den) {
      rem -= den;
      ++q;
    }
  }
}

// Midpoint circle; the interior of each row lies strictly inside the outline
// pixels of that row.
void Painter::disc(long long cx, long long cy, long long r, std::uint32_t outline_colour,
                   const std::uint32_t* interior) {
  r = std::llabs(r);
  if (r > kRadiusLimit) return;
  if (cx + r < 0 || cy + r < 0 || cx - r >= surface_.width || cy - r >= surface_.height) return;
  std::vector<std::pair<long long, long long>> octant;  // (x, y) with x >= y
  std::vector<long long> inner(static_cast<std::size_t>(r) + 1, r + 1);
  long long x = r;
  long long y = 0;
  long long err = 1 - r;
  while (x >= y) {
    octant.emplace_back(x, y);
    inner[static_cast<std::size_t>(y)] = std::min(inner[static_cast<std::size_t>(y)], x);
    inner[static_cast<std::size_t>(x)] = std::min(inner[static_cast<std::size_t>(x)], y);
    ++y;
    if (err < 0) {
      err += 2 * y + 1;
    } else {
      --x;
      err += 2 * (y - x) + 1;
    }
  }
  if (interior) {
    for (long long row = 0; row <= r; ++row) {
      const long long half = inner[static_cast<std::size_t>(row)] - 1;
      if (half < 0) continue;
      fill_rect(cx - half, cy - row, cx + half, cy - row, *interior);
      if (row != 0) fill_rect(cx - half, cy + row, cx + half, cy + row, *interior);
    }
  }
  const Index outline = index_for(outline_colour);
  for (const auto& [ox, oy] : octant) {
    plot(cx + ox, cy + oy, outline);
    plot(cx - ox, cy + oy, outline);
    plot(cx + ox, cy - oy, outline);
    plot(cx - ox, cy - oy, outline);
    plot(cx + oy, cy + ox, outline);
    plot(cx - oy, cy + ox, outline);
    plot(cx + oy, cy - ox, outline);
    plot(cx - oy, cy - ox, outline);
  }
}

void Painter::flood_fill(int x, int y, std::uint32_t border, std::uint32_t fill) {
  // A border colour no entry has is on no pixel: nothing stops the walk.
  const int border_index = find(border);
  const std::vector<Span>& spans = walker_.walk(surface_, x, y, border_index);
  if (spans.empty()) return;
  const Index c = index_for(fill);
  for (const Span& s : spans) fill_span(s.y, s.x0, s.x1, c);
}

Painter::Ink Painter::ink() const {
  Ink ink;
  ink.regions = tiles_.regions(TileMap::kInk);
  for (const Rect& r : ink.regions)
    for (int y = r.y; y < r.y + r.h; ++y) {
      const Index* row = surface_.row(y) + r.x;
      for (int x = 0; x < r.w;) {
        int n = 1;
        while (x + n < r.w && row[x + n] == row[x]) ++n;
        ink.runs.push_back(static_cast<std::uint32_t>(n));
        ink.runs.push_back(palette_[row[x]]);
        x += n;
      }
    }
  return ink;
}

void Painter::restore(const Ink& ink) {
  clear();
  std::size_t i = 0;
  for (const Rect& r : ink.regions)
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; i += 2) {
        const int n = static_cast<int>(ink.runs[i]);
        if (ink.runs[i + 1] != 0) fill_span(y, x, x + n - 1, index_for(ink.runs[i + 1]));
        x += n;
      }
}

Image Painter::image() const {
  Image out{surface_.width, surface_.height, {}};
  out.pixels.reserve(pixels_.size());
  for (const Index i : pixels_) out.pixels.push_back(palette_[i]);
  return out;
}

int Painter::find(std::uint32_t c) const {
  for (int i = 0; i < palette_used_; ++i)
    if (palette_[static_cast<std::size_t>(i)] == c) return i;
  return -1;
}

Painter::Index Painter::index_for(std::uint32_t c) {
  if (c == last_colour_) return last_index_;
  const int found = find(c);
  const Index i = found >= 0 ? static_cast<Index>(found) : new_entry(c);
  last_colour_ = c;
  last_index_ = i;
  return i;
}

// A new colour takes the next entry; when all are given out, one that no
// pixel shows any more (its colour was painted over or cleared away). Only
// with 256 colours on the surface at once does a colour fall back to the
// nearest one present, which no drill comes near.
Painter::Index Painter::new_entry(std::uint32_t c) {
  if (palette_used_ < kPaletteSize) {
    palette_[static_cast<std::size_t>(palette_used_)] = c;
    return static_cast<Index>(palette_used_++);
  }
  std::array<bool, kPaletteSize> shown{};
  shown[0] = true;  // black stays where it is: clear() and the surface's start rely on it
  for (const Rect& r : tiles_.regions(TileMap::kInk))
    for (int y = r.y; y < r.y + r.h; ++y) {
      const Index* row = surface_.row(y) + r.x;
      for (int x = 0; x < r.w; ++x) shown[row[x]] = true;
    }
  for (int i = 1; i < kPaletteSize; ++i)
    if (!shown[static_cast<std::size_t>(i)]) {
      palette_[static_cast<std::size_t>(i)] = c;
      if (last_index_ == i) {  // the look-up remembered the colour this entry had
        last_colour_ = palette_[0];
        last_index_ = 0;
      }
      return static_cast<Index>(i);
    }
  auto distance = [c](std::uint32_t p) {
    long long d = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
      const long long a = static_cast<long long>((c >> shift) & 0xFF);
      const long long b = static_cast<long long>((p >> shift) & 0xFF);
      d += (a - b) * (a - b);
    }
    return d;
  };
  int best = 0;
  for (int i = 1; i < kPaletteSize; ++i)
    if (distance(palette_[static_cast<std::size_t>(i)]) <
        distance(palette_[static_cast<std::size_t>(best)]))
      best = i;
  return static_cast<Index>(best);
}

}  // namespace raster
