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

}  // namespace
}  // namespace raster
