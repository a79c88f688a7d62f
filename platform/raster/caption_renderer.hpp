#pragma once
// Text of the caption label lbl_gorei: the font comes from fontconfig (asked
// for "ＭＳ Ｐゴシック" in Japanese, which Debian maps to the metric-compatible
// IPAPGothic when present) and glyphs from FreeType, grey anti-aliased.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace raster {

class CaptionRenderer {
 public:
  struct Bitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
  };

  CaptionRenderer();
  ~CaptionRenderer();
  CaptionRenderer(const CaptionRenderer&) = delete;
  CaptionRenderer& operator=(const CaptionRenderer&) = delete;

  // Font size in 1/64 pixel. Cheap when the size does not change, so a caller
  // may search many sizes.
  void set_size_26_6(long size);
  // One line of text, ascender minus descender, whole pixels.
  int line_height() const;
  // The label for one line of text: as wide as the text, line_height() high,
  // the text in `ink` on `background`. Empty text gives a 0-wide bitmap.
  Bitmap render(const std::string& utf8, std::uint32_t background, std::uint32_t ink);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// UTF-8 to code points; a malformed sequence becomes U+FFFD.
std::u32string decode_utf8(const std::string& s);

}  // namespace raster
