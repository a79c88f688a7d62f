#pragma once
// The walk of GDI's FloodFill in border mode, kept apart from the painting so
// that it can be checked as a set of visited pixels: every pixel 4-connected
// to the start whose colour is not the border colour, found with an explicit
// work list (a large fill would overflow the stack if it recursed).

#include <cstdint>
#include <vector>

#include "raster/surface.hpp"

namespace raster {

// Pixels x0..x1 (inclusive) of row y.
struct Span {
  int y = 0;
  int x0 = 0;
  int x1 = 0;
  friend bool operator==(const Span&, const Span&) = default;
};

class FloodWalker {
 public:
  // The runs of pixels the fill reaches from (x, y), each pixel exactly once.
  // Empty when the start lies off the surface or on a border-coloured pixel.
  // The surface is only read: colours equal to the fill colour do not stop
  // the walk, which therefore ends whatever the fill colour is. `border` is
  // the border's palette index, or -1 when no pixel has the border colour.
  const std::vector<Span>& walk(const IndexSurface& surface, int x, int y, int border);

 private:
  struct Seed {
    int x;
    int y;
  };
  bool seen(int x, int y) const;
  void mark(const Span& s, bool on);

  std::vector<std::uint64_t> visited_;  // one bit per pixel, zero between walks
  int width_ = 0;
  int height_ = 0;
  std::vector<Span> spans_;
  std::vector<Seed> work_;
};

}  // namespace raster
