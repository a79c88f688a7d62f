// The platoon drill as the stage plays it.

#include "drills/platoon/platoon.hpp"
#include "stage/stage.hpp"

namespace drills::platoon {
namespace {

stage::Origin origin(const stage::StageGeometry& g) {
  return {g.kiritu_x0, g.kiritu_y0, g.stage_scale};
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

const stage::DrillDescriptor& descriptor() {
  static const stage::DrillDescriptor d{
      .name = "kiritu",
      .display_name = "訓練礼式",
      .conf_bit = stage::kConfPlatoon,
      .make_table = stage::make_kiritu_frames,
      .build = kiritu_set,
      .origin = origin,
      .transition = {transition, stage::colors::white, false},
      .border = kiritu_waku,
      .scenery = nullptr,
      .layers = {},
      .rules = {},
  };
  return d;
}

}  // namespace drills::platoon
