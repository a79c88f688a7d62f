#pragma once
// What the raster window shows above its painted surface: the image slots,
// each with its pose picture stretched to the slot, and the caption label
// above them. Tells which tiles changed (painted, or covered or uncovered by a
// slot or the label) and composes any rectangle into a caller's buffer: a host
// composes the changed ones straight into what it presents, a band at a time,
// and keeps no full-size frame. Tools that want whole frames ask compose(),
// which keeps one.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "raster/caption_renderer.hpp"
#include "raster/surface.hpp"
#include "raster/tile_map.hpp"
#include "stage/window.hpp"

namespace raster {

class Compositor {
 public:
  using Palette = std::array<std::uint32_t, 256>;
  // surface and palette: what is painted below (its size is the frame's);
  // tiles: the painter's tile map, whose dirty bits both sides set and
  // changes() clears. All must outlive the compositor.
  Compositor(const IndexSurface& surface, const Palette& palette, TileMap& tiles,
             float twips_per_pixel);
  ~Compositor();
  Compositor(const Compositor&) = delete;
  Compositor& operator=(const Compositor&) = delete;

  // Slot i (0..kImageSlots-1; std::out_of_range otherwise).
  const stage::ImageSlot& slot(int i) const;
  void set_slot(int i, const stage::ImageSlot& now);

  void set_caption_left(float twips);
  void set_caption_text(const std::string& utf8);
  void set_caption_font_size(int points);
  float caption_height() const;  // twips
  const std::string& caption_text() const { return caption_text_; }
  int caption_font_size() const { return caption_points_; }

  // The rectangles that changed since the last call (and the caption laid
  // out anew if it changed).
  std::vector<Rect> changes();
  // Writes what the window shows in `area` (inside the window) to `out`, rows
  // `pitch` pixels apart.
  void compose(const Rect& area, std::uint32_t* out, int pitch);

  // A whole frame kept here: brought up to date where anything changed since
  // the last call, those rectangles returned. A caller uses either this or
  // changes(), not both.
  std::vector<Rect> compose();
  const Surface& frame() const { return frame_; }

 private:
  int px(float twips) const { return to_pixel(twips, tpp_); }
  void expand_row(const std::uint8_t* from, std::uint32_t* to, int n) const;
  Rect slot_rect(int i) const;
  const std::vector<std::uint32_t>& stretched_picture(int pose, int width, int height);
  CaptionRenderer& captions() const;
  void caption_changed();
  void relayout_caption();

  const IndexSurface& surface_;
  const Palette& palette_;
  TileMap& tiles_;
  float tpp_;
  std::vector<std::uint32_t> frame_pixels_;  // allocated by the first compose()
  Surface frame_;

  std::array<stage::ImageSlot, stage::kImageSlots> slots_{};
  std::array<Rect, stage::kImageSlots> slot_drawn_{};  // where each slot shows now (pixels)
  std::map<std::tuple<int, int, int>, std::vector<std::uint32_t>> stretched_;  // (pose, w, h)

  float caption_left_ = 0;
  std::string caption_text_;
  int caption_points_ = 9;  // the form's default font size until the stage fits it
  mutable std::unique_ptr<CaptionRenderer> caption_;
  CaptionRenderer::Bitmap label_;
  Rect label_rect_;
  bool label_stale_ = false;  // text, size or place changed since the label was drawn
};

}  // namespace raster
