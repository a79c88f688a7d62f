// The pump-truck drill as the stage plays it.

#include "drills/pump_truck/pump_truck.hpp"
#include "stage/stage.hpp"

namespace drills::pump_truck {
namespace {

stage::Origin origin(const stage::StageGeometry& g) {
  return {g.ponpu_x0, g.ponpu_y0, g.stage_scale};
}

// A flat red shape (corners at +-20 degrees) that rolls in from the right to
// rest at x 950, one full turn on the way; it leaves turning the same way.
stage::TransitionShape transition(bool outro, int k) {
  const double remaining = stage::kTransitionLastTick - k;
  return {950 + 8000.0 / stage::kTransitionLastTick * (outro ? k : remaining),
          500,
          269,
          10.0,
          {20, 160, 200, 340}};
}

constexpr stage::LayerPainter kLayers[] = {ponpu_time_0, ponpu_time_1, ponpu_time_2, ponpu_time_3,
                                           ponpu_time_4};

}  // namespace

const stage::DrillDescriptor& descriptor() {
  static const stage::DrillDescriptor d{
      .name = "ponpu",
      .display_name = "ポンプ車操法",
      .conf_bit = stage::kConfPumpTruck,
      .make_table = stage::make_ponpu_frames,
      .build = ponpu_set,
      .origin = origin,
      .transition = {transition, stage::colors::red, true},
      .border = ponpu_waku,
      .scenery = ponpu_scenery,
      .layers = kLayers,
      .rules = {},
  };
  return d;
}

}  // namespace drills::pump_truck
