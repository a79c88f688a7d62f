#include <gtest/gtest.h>

#include <set>

#include "stage/assets.hpp"

namespace {

constexpr std::uint32_t kBlue = 0x0000FF;

bool blue(const stage::Sprite& s, int x, int y) { return s.at(x, y) == kBlue; }

// Bounding box of the figure's pixels.
struct Box {
  int x0 = 99, y0 = 99, x1 = -1, y1 = -1;
};
Box extent(const stage::Sprite& s) {
  Box b;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x)
      if (s.at(x, y) != 0) {
        b.x0 = std::min(b.x0, x);
        b.y0 = std::min(b.y0, y);
        b.x1 = std::max(b.x1, x);
        b.y1 = std::max(b.y1, y);
      }
  return b;
}

TEST(PoseSprites, AreBlueFiguresOnBlack) {
  for (int p = 0; p < 16; ++p) {
    const stage::Sprite& s = stage::pose_sprite(p);
    for (std::uint32_t px : s.pixels) ASSERT_TRUE(px == 0 || px == kBlue) << "pose " << p;
    // The body disc, 22 px across, centred: pixels 5..26 on both axes.
    EXPECT_TRUE(blue(s, 5, 16) && blue(s, 26, 16) && blue(s, 16, 5) && blue(s, 16, 26)) << p;
  }
}

TEST(PoseSprites, FacingUpCoversRows0To15AndColumns8To23) {
  const stage::Sprite& up = stage::pose_sprite(0);
  const Box b = extent(up);
  EXPECT_EQ(b.y0, 0);  // the facing disc sticks out 5 px above the body
  EXPECT_EQ(b.y1, 26);
  EXPECT_EQ(b.x0, 5);
  EXPECT_EQ(b.x1, 26);
  for (int x = 8; x <= 23; ++x) EXPECT_TRUE(blue(up, x, 8)) << x;  // the facing disc's middle row
  EXPECT_FALSE(blue(up, 7, 1));
  EXPECT_FALSE(blue(up, 24, 1));
  EXPECT_TRUE(blue(up, 15, 0));
  EXPECT_TRUE(blue(up, 16, 0));
}

TEST(PoseSprites, TurnWithThePose) {
  const Box right = extent(stage::pose_sprite(4));
  EXPECT_EQ(right.x1, 31);  // faces +x: sticks out on the right
  EXPECT_EQ(right.x0, 5);
  const Box down = extent(stage::pose_sprite(8));
  EXPECT_EQ(down.y1, 31);
  const Box left = extent(stage::pose_sprite(12));
  EXPECT_EQ(left.x0, 0);
  // Opposite poses are mirror images.
  const stage::Sprite& p2 = stage::pose_sprite(2);
  const stage::Sprite& p14 = stage::pose_sprite(14);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(p2.at(x, y), p14.at(31 - x, y)) << x << "," << y;
}

TEST(PoseSprites, TheSixteenAreDistinct) {
  std::set<std::array<std::uint32_t, 32 * 32>> seen;
  for (int p = 0; p < 16; ++p) seen.insert(stage::pose_sprite(p).pixels);
  EXPECT_EQ(seen.size(), 16u);
}

TEST(PoseSprites, BadPoseOrMissingFileIsAnError) {
  EXPECT_THROW(stage::pose_sprite(16), std::out_of_range);
  EXPECT_THROW(stage::pose_sprite(-1), std::out_of_range);
  const unsigned char junk[10] = {'B', 'M'};
  EXPECT_THROW(stage::decode_sprite_bmp(junk), std::runtime_error);
  EXPECT_FALSE(stage::find_asset("mirukado.ico").empty());
  EXPECT_TRUE(stage::find_asset("missing.bmp").empty());
}

}  // namespace
