// The caption label's text in the browser: the page measures it with the
// canvas text metrics of its Japanese Gothic font stack and draws it above
// the stage itself, so the raster window composes no label (a 0-wide bitmap)
// and only asks for the line height, which is all the stage's font-size
// fitting reads.

#include <emscripten.h>

#include <cmath>
#include <string>

#include "raster/caption_renderer.hpp"

// The page's measure: the line height in whole pixels of its caption font at
// `pixels` pixels (ascent plus descent of the font's bounding box).
EM_JS(int, mirukado_caption_line_height, (double pixels), {
  return Module.captionLineHeight ? Module.captionLineHeight(pixels) : Math.ceil(pixels * 1.2);
});

namespace raster {

namespace {
constexpr double kUnitsPerPixel =
    64.0;  // FreeType's 26.6 fixed point, kept as the interface's unit
}

struct CaptionRenderer::Impl {
  long size_26_6 = 0;
  mutable int line = -1;  // measured for size_26_6; -1: not yet
};

CaptionRenderer::CaptionRenderer() : impl_(std::make_unique<Impl>()) {}
CaptionRenderer::~CaptionRenderer() = default;

void CaptionRenderer::set_size_26_6(long size) {
  if (size == impl_->size_26_6) return;
  impl_->size_26_6 = size;
  impl_->line = -1;
}

int CaptionRenderer::line_height() const {
  if (impl_->line < 0)
    impl_->line =
        mirukado_caption_line_height(static_cast<double>(impl_->size_26_6) / kUnitsPerPixel);
  return impl_->line;
}

CaptionRenderer::Bitmap CaptionRenderer::render(const std::string&, std::uint32_t, std::uint32_t) {
  return Bitmap{0, line_height(), {}};
}

}  // namespace raster
