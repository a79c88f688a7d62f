#include "platform/raster/flood_fill.hpp"

#include <cstring>

namespace raster {

const std::vector<Span>& FloodWalker::walk(const Surface& surface, int x, int y,
                                           std::uint32_t border) {
  spans_.clear();
  if (x < 0 || y < 0 || x >= surface.width || y >= surface.height) return spans_;
  if (surface.at(x, y) == border) return spans_;
  if (width_ != surface.width || height_ != surface.height) {
    width_ = surface.width;
    height_ = surface.height;
    visited_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), 0);
  }
  auto seen = [this](int px, int py) -> std::uint8_t& {
    return visited_[static_cast<std::size_t>(py) * static_cast<std::size_t>(width_) +
                    static_cast<std::size_t>(px)];
  };
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
    std::memset(&seen(l, s.y), 1, static_cast<std::size_t>(r - l + 1));
    spans_.push_back({s.y, l, r});
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
  for (const Span& sp : spans_)
    std::memset(&seen(sp.x0, sp.y), 0, static_cast<std::size_t>(sp.x1 - sp.x0 + 1));
  return spans_;
}

}  // namespace raster
