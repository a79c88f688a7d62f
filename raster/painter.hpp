#pragma once
// The GDI-exact drawing of the raster window, in pixels, on a surface it owns:
// no anti-aliasing, both end points of a segment, box edges included, solid
// circle interiors, a 4-connected flood fill to a border colour. Its tile map
// records which tiles carry ink (so a clear touches only those) and which
// changed since the compositor last took them.
//
// The surface holds one byte per pixel, an index into a palette of 256
// colours: the drills paint with a handful, and at full screen the surface is
// most of the saver's memory. Colours are exact; an entry no pixel uses any
// more is given to a new colour when the palette is full.

#include <array>
#include <cstdint>
#include <vector>

#include "raster/flood_fill.hpp"
#include "raster/surface.hpp"
#include "raster/tile_map.hpp"

namespace raster {

class Painter {
 public:
  // A black surface of width x height pixels (both positive), all of it dirty.
  Painter(int width, int height);
  Painter(const Painter&) = delete;
  Painter& operator=(const Painter&) = delete;

  static constexpr int kPaletteSize = 256;
  using Palette = std::array<std::uint32_t, kPaletteSize>;

  int width() const { return surface_.width; }
  int height() const { return surface_.height; }
  // The painted indices and their colours (0x00RRGGBB); index 0 is black.
  const IndexSurface& indices() const { return surface_; }
  const Palette& palette() const { return palette_; }
  std::uint32_t pixel(int x, int y) const { return palette_[surface_.at(x, y)]; }
  Image image() const;  // a copy in colours
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
  using Index = std::uint8_t;
  void plot(long long x, long long y, Index c);
  void fill_span(int y, int x0, int x1, Index c);
  // The index that paints colour c, taking a palette entry for a new colour.
  Index index_for(std::uint32_t c);
  int find(std::uint32_t c) const;  // -1 when no entry has it
  Index new_entry(std::uint32_t c);

  std::vector<Index> pixels_;
  IndexSurface surface_;
  TileMap tiles_;
  FloodWalker walker_;
  Palette palette_{};
  int palette_used_ = 1;           // entries 0..palette_used_-1 were given out; 0 is black
  std::uint32_t last_colour_ = 0;  // the last look-up: a drill paints runs of one colour
  Index last_index_ = 0;
  // A tile's width of one index, the run fill_span compares against.
  std::array<Index, TileMap::kTile> pattern_{};
  Index pattern_index_ = 0;
};

}  // namespace raster
