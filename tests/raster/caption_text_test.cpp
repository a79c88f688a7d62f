// Caption text arrives as UTF-8 from the frame tables.

#include <gtest/gtest.h>

#include "raster/caption_renderer.hpp"

namespace raster {
namespace {

TEST(DecodeUtf8, GivesCodePointsAndReplacesMalformedBytes) {
  struct Case {
    const char* text;
    std::u32string code_points;
  };
  const Case cases[] = {
      {"", U""},
      {"No.1", U"No.1"},
      {"番号", U"\u756A\u53F7"},
      {"指揮者「放水はじめ」", U"指揮者「放水はじめ」"},
      {"\xC3\xA9", U"\u00E9"},
      {"\xF0\x9F\x9A\x92", U"\U0001F692"},
      {"a\xFFz", U"a\uFFFDz"},
      {"\xE7\x95", U"\uFFFD\uFFFD"},  // cut short at the end
      {"\xE7"
       "a",
       U"\uFFFDa"},
  };
  for (const Case& c : cases) EXPECT_EQ(decode_utf8(c.text), c.code_points) << c.text;
}

TEST(CaptionWidth, MeasuresWhatRenderDrawsAtEverySize) {
  // The overlay fits text by measuring it: a measure that differs from the
  // drawn width lets text run past its box, or cuts it for nothing. Without
  // a font both are 0.
  CaptionRenderer font;
  for (const long size : {11 * 64L, 17 * 64L + 32, 26 * 64L}) {
    font.set_size_26_6(size);
    for (const char* text :
         {"", "1:05 / 7:50", "指揮者「ソラミ町消防隊、ポンプ車操法を終了しました。」", "×½",
          "a\xFFz", "…"})
      EXPECT_EQ(font.width(text), font.render(text, 0, 0xFFFFFF).width) << size << " " << text;
  }
}

}  // namespace
}  // namespace raster
