// Where each registered drill's descriptor places its stage in the window.

#include <gtest/gtest.h>

#include "drills/registry.hpp"
#include "stage/geometry.hpp"

namespace {

stage::Origin origin_of(int drill, const stage::StageGeometry& g) {
  return drills::registry()[static_cast<std::size_t>(drill)].origin(g);
}

TEST(DrillOrigins, A6200TwipWindowHasScaleOne) {
  const auto g = stage::StageGeometry::from_window(9000, 6200);
  struct Want {
    float x0, y0;
  };
  const Want want[] = {
      {2000.0f, 5400.0f},  // platoon: (9000 - 5000) / 2, baseline 800 above the bottom
      {100.0f, 3600.0f},   // pump stages put y = 0 3600 below the top
      {100.0f, 3600.0f},
  };
  for (int d = 0; d < 3; ++d) {
    const stage::Origin o = origin_of(d, g);
    EXPECT_FLOAT_EQ(o.x0, want[d].x0) << d;
    EXPECT_FLOAT_EQ(o.y0, want[d].y0) << d;
    EXPECT_FLOAT_EQ(o.s, 1.0f) << d;
  }
}

TEST(DrillOrigins, PlatoonStageIsCentredAtAnyWidthUnderTheCaptionsLeftEdge) {
  for (float w : {7000.0f, 28800.0f, 57600.0f}) {
    const auto g = stage::StageGeometry::from_window(w, 16200);
    const stage::Origin o = origin_of(0, g);
    EXPECT_NEAR(o.x0 + 2500 * o.s, w / 2, 0.01f) << w;
    // The stage's top (y = 5000) lies 400 x s below the window's top edge.
    EXPECT_NEAR(o.y0 - 5000 * o.s, 400 * o.s, 0.05f) << w;
    EXPECT_EQ(o.x0, g.caption_left) << w;
  }
}

TEST(DrillOrigins, NarrowWindowCutsThePlatoonStageOnBothSides) {
  EXPECT_FLOAT_EQ(origin_of(0, stage::StageGeometry::from_window(3000, 6200)).x0, -1000.0f);
}

}  // namespace
