#include "raster/flood_fill.hpp"

#include <algorithm>

namespace raster {

namespace {
constexpr int kWordBits = 64;
}

bool FloodWalker::seen(int x, int y) const {
  const std::size_t bit =
      static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
  return (visited_[bit / kWordBits] >> (bit % kWordBits)) & 1U;
}

// Sets (or clears) the bits of a span a word at a time.
void FloodWalker::mark(const Span& s, bool on) {
  std::size_t bit = static_cast<std::size_t>(s.y) * static_cast<std::size_t>(width_) +
                    static_cast<std::size_t>(s.x0);
  std::size_t left = static_cast<std::size_t>(s.x1 - s.x0 + 1);
  while (left > 0) {
    const std::size_t offset = bit % kWordBits;
    const std::size_t n = std::min<std::size_t>(left, kWordBits - offset);
    const std::uint64_t bits = (n == kWordBits ? ~std::uint64_t{0} : ((std::uint64_t{1} << n) - 1))
                               << offset;
    std::uint64_t& word = visited_[bit / kWordBits];
    word = on ? (word | bits) : (word & ~bits);
    bit += n;
    left -= n;
  }
}

const std::vector<Span>& FloodWalker::walk(const IndexSurface& surface, int x, int y, int border) {
  spans_.clear();
  if (x < 0 || y < 0 || x >= surface.width || y >= surface.height) return spans_;
  if (surface.at(x, y) == border) return spans_;
  if (width_ != surface.width || height_ != surface.height) {
    width_ = surface.width;
    height_ = surface.height;
    const std::size_t bits = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    visited_.assign((bits + kWordBits - 1) / kWordBits, 0);
  }
  auto open = [&](int px, int py) { return !seen(px, py) && surface.at(px, py) != border; };

  work_.clear();
  work_.push_back({x, y});
  while (!work_.empty()) {
    const Seed s = work_.back();
    work_.pop_back();
    if (!open(s.x, s.y)) continue;
    int l = s.x;
    while (l > 0 && open(l - 1, s.y)) --l;
    int r = s.x;
    while (r + 1 < width_ && open(r + 1, s.y)) ++r;
    spans_.push_back({s.y, l, r});
    mark(spans_.back(), true);
    // One seed per run of open pixels in the rows above and below: each run
    // is then widened to its full extent when the seed is taken.
    for (const int ny : {s.y - 1, s.y + 1}) {
      if (ny < 0 || ny >= height_) continue;
      bool in_run = false;
      for (int nx = l; nx <= r; ++nx) {
        const bool o = open(nx, ny);
        if (o && !in_run) work_.push_back({nx, ny});
        in_run = o;
      }
    }
  }
  for (const Span& sp : spans_) mark(sp, false);
  return spans_;
}

}  // namespace raster
