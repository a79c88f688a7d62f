// The program icon decoded from the icon compiled into the core, and icon
// files that must be refused rather than read past their end.

#include "platform/linux/icon.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stage/assets.hpp"

namespace linux_host {
namespace {

TEST(Icon, TheEmbeddedIconIs32By32AndNotBlank) {
  IconImage icon;
  std::string error;
  ASSERT_TRUE(decode_icon(stage::find_asset("mirukado.ico"), &icon, &error)) << error;
  EXPECT_EQ(icon.side, 32);
  ASSERT_EQ(icon.pixels.size(), 32u * 32u);
  bool varied = false;
  for (std::uint32_t p : icon.pixels) varied |= p != icon.pixels.front();
  EXPECT_TRUE(varied);
}

TEST(Icon, MalformedFilesAreRefused) {
  const auto real = stage::find_asset("mirukado.ico");
  std::vector<unsigned char> cut_short(real.begin(), real.begin() + real.size() / 2);
  std::vector<unsigned char> not_icon(real.begin(), real.end());
  not_icon[2] = 2;  // a cursor file
  std::vector<unsigned char> offset_outside(real.begin(), real.end());
  offset_outside[18] = 0xFF, offset_outside[19] = 0xFF, offset_outside[20] = 0xFF;
  std::vector<unsigned char> empty;
  for (const auto* bytes : {&cut_short, &not_icon, &offset_outside, &empty}) {
    IconImage icon;
    std::string error;
    EXPECT_FALSE(decode_icon(*bytes, &icon, &error));
    EXPECT_FALSE(error.empty());
  }
}

}  // namespace
}  // namespace linux_host
