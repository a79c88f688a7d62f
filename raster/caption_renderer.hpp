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
  // The width render() gives `utf8`, without drawing it: text is fitted by
  // measuring many prefixes, which need no pixels.
  int width(const std::string& utf8);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The caption font fontconfig offers: one with Japanese glyphs (IPAPGothic
// or another Japanese Gothic), only a font without them (the captions then
// show as empty boxes), or none at all (no text). The one decision behind the
// missing-font warning, for the label and for the command sheet.
enum class CaptionFont { Japanese, WithoutJapanese, Missing };
CaptionFont caption_font();

// What the warning says: the missing font and the package that brings it.
inline constexpr const char* kMissingFontText =
    "no Japanese font for the captions, so their text cannot be shown: install IPAPGothic "
    "(Debian package fonts-ipafont-gothic)";
// Prints kMissingFontText as a warning on stderr, once per process however
// many renderers meet the missing font (a window per monitor, a new window
// after each resize of the viewer). A renderer calls it when it is asked for
// text it cannot draw, so a run that shows no caption says nothing.
void report_missing_caption_font();

// UTF-8 to code points; a malformed sequence becomes U+FFFD.
std::u32string decode_utf8(const std::string& s);

}  // namespace raster
