#pragma once
// A stage::Window that passes everything through to a raster window except
// the caption's text: the picture of a video whose commands travel in a
// subtitle track shows no caption of its own.

#include <string>

#include "raster/raster_window.hpp"

namespace video {

class CaptionlessWindow final : public stage::Window {
 public:
  explicit CaptionlessWindow(raster::RasterWindow& inner) : inner_(inner) {}

  void clear() override { inner_.clear(); }
  void line(float x1, float y1, float x2, float y2, stage::Rgb color) override {
    inner_.line(x1, y1, x2, y2, color);
  }
  void box(float x1, float y1, float x2, float y2, stage::Rgb color) override {
    inner_.box(x1, y1, x2, y2, color);
  }
  void filled_box(float x1, float y1, float x2, float y2, stage::Rgb color) override {
    inner_.filled_box(x1, y1, x2, y2, color);
  }
  void circle(float cx, float cy, float r, stage::Rgb color) override {
    inner_.circle(cx, cy, r, color);
  }
  void set_fill_style(stage::FillStyle style) override { inner_.set_fill_style(style); }
  void set_fill_color(stage::Rgb color) override { inner_.set_fill_color(color); }
  void flood_fill(int px, int py, stage::Rgb border) override { inner_.flood_fill(px, py, border); }
  void set_slot_left(int slot, float left) override { inner_.set_slot_left(slot, left); }
  void set_slot_top(int slot, float top) override { inner_.set_slot_top(slot, top); }
  void set_slot_size(int slot, float width, float height) override {
    inner_.set_slot_size(slot, width, height);
  }
  void set_slot_picture(int slot, int pose) override { inner_.set_slot_picture(slot, pose); }
  void set_slot_visible(int slot, bool visible) override { inner_.set_slot_visible(slot, visible); }
  void set_caption_left(float left) override { inner_.set_caption_left(left); }
  // The text is kept, not shown.
  void set_caption_text(const std::string& utf8) override { text_ = utf8; }
  void set_caption_font_size(int points) override { inner_.set_caption_font_size(points); }
  // The stage fits its caption font by measuring a sample text: measure the
  // text it set, so that the font (and every layout that follows from it) is
  // the one the captioned picture gets.
  float caption_height() const override {
    inner_.set_caption_text(text_);
    const float height = inner_.caption_height();
    inner_.set_caption_text("");
    return height;
  }
  bool process_events() override { return inner_.process_events(); }
  float twips_per_pixel_x() const override { return inner_.twips_per_pixel_x(); }
  float twips_per_pixel_y() const override { return inner_.twips_per_pixel_y(); }
  float width() const override { return inner_.width(); }
  float height() const override { return inner_.height(); }
  void set_foreground() override { inner_.set_foreground(); }
  std::unique_ptr<stage::SurfaceSnapshot> save_surface() const override {
    return inner_.save_surface();
  }
  bool restore_surface(const stage::SurfaceSnapshot& snapshot) override {
    return inner_.restore_surface(snapshot);
  }

 private:
  raster::RasterWindow& inner_;
  std::string text_;
};

}  // namespace video
