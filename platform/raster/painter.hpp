#pragma once
// The GDI-exact drawing of the raster window, in pixels, on a surface it owns:
// no anti-aliasing, both end points of a segment, box edges included, solid
// circle interiors, a 4-connected flood fill to a border colour. Its tile map
// records which tiles carry ink (so a clear touches only those) and which
// changed since the compositor last took them.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/raster/flood_fill.hpp"
#include "platform/raster/surface.hpp"
#include "platform/raster/tile_map.hpp"

namespace raster {

class Painter {
 public:
  // A black surface of width x height pixels (both positive), all of it dirty.
  Painter(int width, int height);
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  int width() const { return surface_.width; }
  int height() const { return surface_.height; }
  const Surface& surface() const { return surface_; }
  // Ink and dirty bits; the compositor takes (and clears) the dirty ones.
  TileMap& tiles() { return tiles_; }

  // Everything to black; only inked tiles are touched.
  void clear();
  // Coordinates are pixels and may lie anywhere: what is off the surface is clipped.
  void segment(long long x0, long long y0, long long x1, long long y1, std::uint32_t c);
  void box(long long x0, long long y0, long long x1, long long y1, std::uint32_t c);
  void fill_rect(long long x0, long long y0, long long x1, long long y1, std::uint32_t c);
  // interior: the colour inside the outline, or null for none.
  void disc(long long cx, long long cy, long long r, std::uint32_t outline,
            const std::uint32_t* interior);
  void flood_fill(int x, int y, std::uint32_t border, std::uint32_t fill);

  // The inked tiles, run-length coded row by row as (length, colour) pairs;
  // every other pixel is black. A drill's picture is a few lines on black, so
  // a copy of a 4K surface takes kilobytes, not 33 MB.
  struct Ink {
    std::vector<Rect> regions;
    std::vector<std::uint32_t> runs;
  };
  Ink ink() const;
  // The surface as it was when `ink` was taken (changed tiles marked dirty).
  void restore(const Ink& ink);

 private:
  void plot(long long x, long long y, std::uint32_t c);
  void fill_span(int y, int x0, int x1, std::uint32_t c);

  std::vector<std::uint32_t> pixels_;
  Surface surface_;
  TileMap tiles_;
  FloodWalker walker_;
  // A tile's width of one colour, the run fill_span compares against.
  std::array<std::uint32_t, TileMap::kTile> pattern_{};
  std::uint32_t pattern_colour_ = 0;
  bool pattern_ready_ = false;
};

}  // namespace raster
