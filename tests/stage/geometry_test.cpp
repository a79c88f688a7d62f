#include "stage/geometry.hpp"

#include <gtest/gtest.h>

#include "stage/rounding.hpp"

namespace {

TEST(StageGeometry, A6200TwipWindowHasScaleOne) {
  const auto g = stage::StageGeometry::from_window(9000, 6200);
  EXPECT_FLOAT_EQ(g.stage_scale, 1.0f);
  EXPECT_FLOAT_EQ(g.kiritu_x0, 2000.0f);  // (9000 - 5000) / 2
  EXPECT_FLOAT_EQ(g.kiritu_y0, 5400.0f);  // platoon baseline 800 above the bottom
  EXPECT_FLOAT_EQ(g.ponpu_x0, 100.0f);
  EXPECT_FLOAT_EQ(g.ponpu_y0, 3600.0f);  // pump stages put y = 0 3600 below the top
  EXPECT_FLOAT_EQ(g.kahan_x0, 100.0f);
  EXPECT_FLOAT_EQ(g.kahan_y0, 3600.0f);
}

TEST(StageGeometry, PlatoonStageIsCentredAtAnyWidth) {
  for (float w : {7000.0f, 28800.0f, 57600.0f}) {
    const auto g = stage::StageGeometry::from_window(w, 16200);
    const float s = g.stage_scale;
    EXPECT_NEAR(g.kiritu_x0 + 2500 * s, w / 2, 0.01f) << w;
    // The stage's top (y = 5000) lies 400 x s below the window's top edge.
    EXPECT_NEAR(g.kiritu_y0 - 5000 * s, 400 * s, 0.05f) << w;
  }
}

TEST(StageGeometry, NarrowWindowCutsThePlatoonStageOnBothSides) {
  const auto g = stage::StageGeometry::from_window(3000, 6200);
  EXPECT_FLOAT_EQ(g.kiritu_x0, -1000.0f);
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
