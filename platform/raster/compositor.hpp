#pragma once
// What the raster window shows above its painted surface: the image slots,
// each with its pose picture stretched to the slot, and the caption label
// above them. Composes only the tiles that changed (painted, or covered or
// uncovered by a slot or the label) and hands back those rectangles, which is
// all a host has to present.

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/raster/caption_renderer.hpp"
#include "platform/raster/surface.hpp"
#include "platform/raster/tile_map.hpp"
#include "stage/window.hpp"

namespace raster {

class Compositor {
 public:
  // surface: what is painted below (its size is the frame's); tiles: the
  // painter's tile map, whose dirty bits both sides set and compose() clears.
  // Both must outlive the compositor.
  Compositor(const Surface& surface, TileMap& tiles, float twips_per_pixel);
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

  // Brings the frame up to date where anything changed since the last call
  // and returns those rectangles.
  std::vector<Rect> compose();
  const Surface& frame() const { return frame_; }

 private:
  int px(float twips) const { return to_pixel(twips, tpp_); }
  Rect slot_rect(int i) const;
  const std::vector<std::uint32_t>& stretched_picture(int pose, int width, int height);
  CaptionRenderer& captions() const;
  void caption_changed();
  void relayout_caption();

  const Surface& surface_;
  TileMap& tiles_;
  float tpp_;
  std::vector<std::uint32_t> frame_pixels_;
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
