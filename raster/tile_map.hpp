#pragma once
// Which parts of a window carry ink (painted since the last clear) and which
// changed since the last composition, at a granularity of square tiles. A
// clear then blacks out only inked tiles and a composition touches only dirty
// ones, which keeps a 4K tick well under a millisecond.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "raster/surface.hpp"

namespace raster {

class TileMap {
 public:
  // 32-pixel tiles: a segment dirties about twice its length in tiles, and
  // halving the tile halves the pixels a line-heavy tick recomposes; the
  // flags of a 4K window (120 x 68 tiles) still scan in microseconds.
  static constexpr int kShift = 5;
  static constexpr int kTile = 1 << kShift;  // pixels per tile side
  static constexpr std::uint8_t kInk = 1;
  static constexpr std::uint8_t kDirty = 2;

  void reset(int width, int height) {
    width_ = width;
    height_ = height;
    cols_ = (width + kTile - 1) >> kShift;
    rows_ = (height + kTile - 1) >> kShift;
    flags_.assign(static_cast<std::size_t>(cols_) * static_cast<std::size_t>(rows_), 0);
  }

  int cols() const { return cols_; }
  int rows() const { return rows_; }

  // Pixel (x, y) must lie on the window.
  void mark_pixel(int x, int y, std::uint8_t bits) {
    flags_[index(x >> kShift, y >> kShift)] |= bits;
  }

  // Inclusive pixel rectangle, clipped to the window.
  void mark(int x0, int y0, int x1, int y1, std::uint8_t bits) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, width_ - 1);
    y1 = std::min(y1, height_ - 1);
    if (x0 > x1 || y0 > y1) return;
    for (int ty = y0 >> kShift; ty <= (y1 >> kShift); ++ty)
      for (int tx = x0 >> kShift; tx <= (x1 >> kShift); ++tx) flags_[index(tx, ty)] |= bits;
  }
  void mark(const Rect& r, std::uint8_t bits) {
    if (!r.empty()) mark(r.x, r.y, r.x + r.w - 1, r.y + r.h - 1, bits);
  }

  void mark_all(std::uint8_t bits) {
    for (auto& f : flags_) f |= bits;
  }

  void clear_bits(std::uint8_t bits) {
    const auto keep = static_cast<std::uint8_t>(~bits);
    for (auto& f : flags_) f &= keep;
  }

  bool test(int tx, int ty, std::uint8_t bits) const { return (flags_[index(tx, ty)] & bits) != 0; }

  // The tiles that carry `bits` as pixel rectangles clipped to the window:
  // horizontal runs per tile row, and a run joined to the one above it when
  // both span the same columns (so a full window is one rectangle).
  std::vector<Rect> regions(std::uint8_t bits) const {
    std::vector<Rect> out;
    std::vector<Rect> open;  // runs of the previous tile row, still growing downwards
    std::vector<Rect> next;
    for (int ty = 0; ty < rows_; ++ty) {
      next.clear();
      const int y = ty << kShift;
      const int h = std::min(kTile, height_ - y);
      int tx = 0;
      while (tx < cols_) {
        if (!test(tx, ty, bits)) {
          ++tx;
          continue;
        }
        const int start = tx;
        while (tx < cols_ && test(tx, ty, bits)) ++tx;
        const int x = start << kShift;
        Rect run{x, y, std::min(tx << kShift, width_) - x, h};
        auto above = std::find_if(open.begin(), open.end(),
                                  [&](const Rect& r) { return r.x == run.x && r.w == run.w; });
        if (above != open.end()) {
          run = Rect{above->x, above->y, above->w, above->h + h};
          open.erase(above);
        }
        next.push_back(run);
      }
      out.insert(out.end(), open.begin(), open.end());
      open.swap(next);
    }
    out.insert(out.end(), open.begin(), open.end());
    return out;
  }

 private:
  std::size_t index(int tx, int ty) const {
    return static_cast<std::size_t>(ty) * static_cast<std::size_t>(cols_) +
           static_cast<std::size_t>(tx);
  }

  int width_ = 0;
  int height_ = 0;
  int cols_ = 0;
  int rows_ = 0;
  std::vector<std::uint8_t> flags_;
};

}  // namespace raster
