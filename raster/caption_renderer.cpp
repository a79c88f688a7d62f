#include "raster/caption_renderer.hpp"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>
#include <unordered_map>

namespace raster {
namespace {

// The family the label was designed with, then its names as other systems
// spell them. The first one that fontconfig really has wins; otherwise
// whatever fontconfig offers for the first request (some Japanese Gothic when
// one is installed).
constexpr const char* kFamilies[] = {"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic"};

struct FontChoice {
  std::string file;
  int index = 0;
  bool japanese = false;  // has the glyphs of Japanese text
};

bool has_family(FcPattern* font, const char* family) {
  FcChar8* value = nullptr;
  for (int i = 0; FcPatternGetString(font, FC_FAMILY, i, &value) == FcResultMatch; ++i)
    if (FcStrCmpIgnoreCase(value, reinterpret_cast<const FcChar8*>(family)) == 0) return true;
  return false;
}

// Whether the font covers Japanese as fontconfig reckons it (its table of
// the kana and kanji that Japanese text uses), not merely a few CJK glyphs.
bool covers_japanese(FcPattern* font) {
  FcLangSet* languages = nullptr;
  return FcPatternGetLangSet(font, FC_LANG, 0, &languages) == FcResultMatch &&
         FcLangSetHasLang(languages, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
}

// A private configuration, destroyed after the look-up: the process-wide one
// that fontconfig creates on demand is never freed and shows up as a leak in
// sanitizer runs.
FontChoice find_font() {
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (!config) return {};
  FontChoice fallback;
  FontChoice found;
  for (const char* family : kFamilies) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcConfigSubstitute(config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* font = FcFontMatch(config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!font) continue;
    FcChar8* file = nullptr;
    int index = 0;
    FontChoice choice;
    if (FcPatternGetString(font, FC_FILE, 0, &file) == FcResultMatch) {
      choice.file = reinterpret_cast<const char*>(file);
      if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch) choice.index = index;
      choice.japanese = covers_japanese(font);
    }
    const bool exact = has_family(font, family);
    FcPatternDestroy(font);
    if (choice.file.empty()) continue;
    if (exact) {
      found = choice;
      break;
    }
    if (fallback.file.empty()) fallback = choice;
  }
  FcConfigDestroy(config);
  return found.file.empty() ? fallback : found;
}

// FreeType maps a font file whole by default, and every page it touches (the
// character map of a CJK font, the glyphs of each caption) then stays
// resident: 2 MB of a full-screen run. Through a stream it keeps the few
// tables it needs in memory and reads glyph outlines when they are drawn
// (once per size: the glyphs are cached).
unsigned long read_font(FT_Stream stream, unsigned long offset, unsigned char* buffer,
                        unsigned long count) {
  std::FILE* file = static_cast<std::FILE*>(stream->descriptor.pointer);
  const bool placed = offset <= static_cast<unsigned long>(std::numeric_limits<long>::max()) &&
                      std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0;
  if (count == 0) return placed ? 0 : 1;  // a seek: 0 is success
  return placed ? std::fread(buffer, 1, count, file) : 0;
}

void close_font(FT_Stream stream) {
  if (stream->descriptor.pointer) std::fclose(static_cast<std::FILE*>(stream->descriptor.pointer));
  stream->descriptor.pointer = nullptr;
}

struct Glyph {
  int left = 0;  // bitmap offset from the pen, x
  int top = 0;   // bitmap top above the baseline
  int width = 0;
  int rows = 0;
  int advance = 0;  // pixels
  std::vector<std::uint8_t> coverage;
};

}  // namespace

CaptionFont caption_font() {
  const FontChoice choice = find_font();
  if (choice.file.empty()) return CaptionFont::Missing;
  return choice.japanese ? CaptionFont::Japanese : CaptionFont::WithoutJapanese;
}

void report_missing_caption_font() {
  // The one piece of process-wide state here: the warning is for the person
  // running the program, who needs it once, not once per window.
  static std::atomic<bool> reported{false};
  if (reported.exchange(true)) return;
  std::fprintf(stderr, "%s: warning: %s\n", program_invocation_short_name, kMissingFontText);
}

struct CaptionRenderer::Impl {
  FT_Library library = nullptr;
  FT_StreamRec stream{};  // the font file, read by FreeType while the face lives
  FT_Face face = nullptr;
  bool japanese = false;  // the face has the glyphs of the captions
  long size = -1;
  int ascender = 0;
  int line_height = 0;
  std::unordered_map<char32_t, Glyph> glyphs;  // for the current size

  const Glyph& glyph(char32_t c) {
    auto it = glyphs.find(c);
    if (it != glyphs.end()) return it->second;
    Glyph g;
    const FT_UInt index = FT_Get_Char_Index(face, c);
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
      const FT_GlyphSlot slot = face->glyph;
      const FT_Bitmap& bm = slot->bitmap;
      g.left = slot->bitmap_left;
      g.top = slot->bitmap_top;
      g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
      if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
        g.width = static_cast<int>(bm.width);
        g.rows = static_cast<int>(bm.rows);
        g.coverage.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.rows));
        for (int y = 0; y < g.rows; ++y)
          for (int x = 0; x < g.width; ++x)
            g.coverage[static_cast<std::size_t>(y * g.width + x)] =
                bm.buffer[static_cast<std::ptrdiff_t>(y) * bm.pitch + x];
      }
    }
    return glyphs.emplace(c, std::move(g)).first->second;
  }
};

CaptionRenderer::CaptionRenderer() : impl_(std::make_unique<Impl>()) {
  const FontChoice choice = find_font();
  if (choice.file.empty()) return;
  if (FT_Init_FreeType(&impl_->library) != 0) {
    impl_->library = nullptr;
    return;
  }
  std::FILE* file = std::fopen(choice.file.c_str(), "rb");
  if (!file) return;
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size <= 0) {
    std::fclose(file);
    return;
  }
  FT_StreamRec& stream = impl_->stream;
  stream.descriptor.pointer = file;
  stream.size = static_cast<unsigned long>(size);
  stream.read = read_font;
  stream.close = close_font;  // FreeType calls it when the face is done, or not made
  FT_Open_Args args{};
  args.flags = FT_OPEN_STREAM;
  args.stream = &stream;
  if (FT_Open_Face(impl_->library, &args, choice.index, &impl_->face) != 0) {
    impl_->face = nullptr;
    return;
  }
  FT_Select_Charmap(impl_->face, FT_ENCODING_UNICODE);
  impl_->japanese = choice.japanese;
}

CaptionRenderer::~CaptionRenderer() {
  if (impl_->face) FT_Done_Face(impl_->face);
  if (impl_->library) FT_Done_FreeType(impl_->library);
}

void CaptionRenderer::set_size_26_6(long size) {
  size = std::max(size, 64L);  // FreeType refuses a zero size; a pixel is the least
  if (size == impl_->size) return;
  impl_->size = size;
  impl_->glyphs.clear();
  if (impl_->face && FT_Set_Char_Size(impl_->face, 0, size, 72, 72) == 0) {
    const FT_Size_Metrics& m = impl_->face->size->metrics;
    impl_->ascender = static_cast<int>((m.ascender + 63) >> 6);
    impl_->line_height = static_cast<int>((m.ascender - m.descender + 63) >> 6);
    return;
  }
  // Without a font the label keeps a plausible height so that the caption
  // fitting still finds a size; the proportions are those of a Gothic face.
  impl_->ascender = static_cast<int>(std::ceil(size * 0.88 / 64.0));
  impl_->line_height = static_cast<int>(std::ceil(size / 64.0));
}

int CaptionRenderer::line_height() const { return impl_->line_height; }

int CaptionRenderer::width(const std::string& utf8) {
  const std::u32string text = decode_utf8(utf8);
  if (text.empty() || impl_->size < 0 || !impl_->face || impl_->line_height <= 0) return 0;
  int pen = 0;
  int right = 0;
  for (char32_t c : text) {
    const Glyph& g = impl_->glyph(c);
    right = std::max(right, pen + g.left + g.width);
    pen += g.advance;
  }
  return std::max(0, std::max(pen, right));
}

CaptionRenderer::Bitmap CaptionRenderer::render(const std::string& utf8, std::uint32_t background,
                                                std::uint32_t ink) {
  Bitmap out;
  const std::u32string text = decode_utf8(utf8);
  if (text.empty() || impl_->size < 0) return out;
  if (!impl_->japanese) report_missing_caption_font();
  // Layout first: the label is as wide as the pen travel or the last ink,
  // whichever reaches further.
  int pen = 0;
  int right = 0;
  std::vector<std::pair<int, const Glyph*>> placed;
  if (impl_->face) {
    for (char32_t c : text) {
      const Glyph& g = impl_->glyph(c);
      placed.emplace_back(pen, &g);
      right = std::max(right, pen + g.left + g.width);
      pen += g.advance;
    }
  }
  out.width = std::max(pen, right);
  out.height = impl_->line_height;
  if (out.width <= 0 || out.height <= 0) {
    out.width = 0;
    return out;
  }
  out.pixels.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height),
                    background);
  for (const auto& [x0, g] : placed) {
    for (int gy = 0; gy < g->rows; ++gy) {
      const int y = impl_->ascender - g->top + gy;
      if (y < 0 || y >= out.height) continue;
      for (int gx = 0; gx < g->width; ++gx) {
        const int x = x0 + g->left + gx;
        if (x < 0 || x >= out.width) continue;
        const unsigned a = g->coverage[static_cast<std::size_t>(gy * g->width + gx)];
        if (a == 0) continue;
        std::uint32_t& p =
            out.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.width) +
                       static_cast<std::size_t>(x)];
        std::uint32_t mixed = 0;
        for (int shift = 16; shift >= 0; shift -= 8) {
          const unsigned b = (p >> shift) & 0xff;
          const unsigned f = (ink >> shift) & 0xff;
          const unsigned c = (b * (255 - a) + f * a + 127) / 255;
          mixed |= c << shift;
        }
        p = mixed;
      }
    }
  }
  return out;
}

std::u32string decode_utf8(const std::string& s) {
  std::u32string out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t c = 0;
    if (b0 < 0x80) {
      c = b0;
    } else if ((b0 & 0xe0) == 0xc0) {
      extra = 1;
      c = b0 & 0x1f;
    } else if ((b0 & 0xf0) == 0xe0) {
      extra = 2;
      c = b0 & 0x0f;
    } else if ((b0 & 0xf8) == 0xf0) {
      extra = 3;
      c = b0 & 0x07;
    } else {
      out.push_back(0xfffd);
      ++i;
      continue;
    }
    bool ok = i + static_cast<std::size_t>(extra) < s.size();
    for (int k = 1; ok && k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((b & 0xc0) != 0x80) ok = false;
      c = (c << 6) | (b & 0x3f);
    }
    if (!ok) {
      out.push_back(0xfffd);
      ++i;
      continue;
    }
    out.push_back(c);
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

}  // namespace raster
