#pragma once
// A stage::Window that passes everything through to a raster window except
// the caption's text: the picture of a video whose commands travel in a
// subtitle track shows no caption of its own.

#include <string>

#include "raster/raster_window.hpp"

namespace video {

class CaptionlessWindow final : public stage::WindowFilter {
 public:
  explicit CaptionlessWindow(raster::RasterWindow& inner) : WindowFilter(inner) {}

  // The text is kept, not shown.
  void set_caption_text(const std::string& utf8) override { text_ = utf8; }
  // The stage fits its caption font by measuring a sample text: measure the
  // text it set, so that the font (and every layout that follows from it) is
  // the one the captioned picture gets.
  float caption_height() const override {
    inner().set_caption_text(text_);
    const float height = inner().caption_height();
    inner().set_caption_text("");
    return height;
  }

 private:
  std::string text_;
};

}  // namespace video
