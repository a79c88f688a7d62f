#include "stage/geometry.hpp"

#include <gtest/gtest.h>

#include "stage/rounding.hpp"

namespace {

TEST(StageGeometry, ScaleFollowsTheHeightAndTheCaptionLinesUpWithACentredSquareStage) {
  struct Case {
    float w, h, scale, caption_left;
  };
  for (const Case c : {Case{9000, 6200, 1.0f, 2000.0f},  // (9000 - 5000) / 2
                       {3000, 6200, 1.0f, -1000.0f},     // narrower than the square
                       {28800, 16200, 16200.0f / 6200, (28800 - 5000 * (16200.0f / 6200)) / 2}}) {
    const auto g = stage::StageGeometry::from_window(c.w, c.h);
    EXPECT_FLOAT_EQ(g.width, c.w);
    EXPECT_FLOAT_EQ(g.height, c.h);
    EXPECT_FLOAT_EQ(g.stage_scale, c.scale) << c.w;
    EXPECT_FLOAT_EQ(g.caption_left, c.caption_left) << c.w;
  }
}

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  struct Case {
    double in;
    double out;
  };
  for (const Case c : {Case{2.5, 2},
                       {3.5, 4},
                       {-2.5, -2},
                       {-3.5, -4},
                       {0.5, 0},
                       {1.5, 2},
                       {566.5, 566},
                       {567.5, 568},
                       {62.5, 62},
                       {2.49, 2},
                       {2.51, 3},
                       {-0.4, -0.0},
                       {7.0, 7}})
    EXPECT_EQ(stage::round_half_even(c.in), c.out) << c.in;
}

TEST(Rounding, Int16ConversionRoundsAndRejectsOverflow) {
  EXPECT_EQ(stage::to_int16(32767.4, "x"), 32767);
  EXPECT_EQ(stage::to_int16(-32768.5, "x"), -32768);  // tie to even stays in range
  EXPECT_THROW(stage::to_int16(32767.5, "x"), stage::OverflowError);
  EXPECT_THROW(stage::to_int16(-32769, "x"), stage::OverflowError);
}

TEST(Rounding, Deg2RadUsesTheDrillsConstant) {
  EXPECT_DOUBLE_EQ(stage::deg2rad(180), 3.14159265358979);
  EXPECT_DOUBLE_EQ(stage::deg2rad(90), 3.14159265358979 / 2);
}

}  // namespace
