// The platoon drill as the stage plays it.

#include "drills/platoon/platoon.hpp"
#include "stage/stage.hpp"

namespace drills::platoon {
namespace {

// The 5000-unit square stage centred across the window, its y = 0 line 800
// units above the window's bottom edge.
stage::Origin origin(const stage::StageGeometry& g) {
  const float s = g.stage_scale;
  return {(g.width - 5000.0f * s) / 2.0f, g.height - 800.0f * s, s};
}

// A white square growing from a point to the whole 5000-unit stage (half
// diagonal 3535) while it turns once; the outro shrinks it turning back.
stage::TransitionShape transition(bool outro, int k) {
  const double remaining = stage::kTransitionLastTick - k;
  return {2500,
          2500,
          3535.0 / stage::kTransitionLastTick * (outro ? remaining : k),
          outro ? -10.0 : 10.0,
          {45, 135, 225, 315}};
}

}  // namespace

stage::FrameTable make_kiritu_frames() { return stage::FrameTable("kiritu_frames", 2001, 21, 0); }

const stage::DrillDescriptor& descriptor() {
  static const stage::DrillDescriptor d{
      .name = "kiritu",
      .display_name = "小隊訓練",
      .checkbox_label = "訓練礼式",
      .english_name = "Platoon drill",
      .make_table = make_kiritu_frames,
      .build = kiritu_set,
      .origin = origin,
      .transition = {transition, stage::colors::white, false},
      .border = kiritu_waku,
      .scenery = nullptr,
      .layers = {},
      .rules = {},
      .crew = stage::CrewNaming::Squad,
  };
  return d;
}

}  // namespace drills::platoon
