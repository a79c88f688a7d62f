// The pump-truck drill as the stage plays it.

#include "drills/pump_truck/pump_truck.hpp"
#include "stage/stage.hpp"

namespace drills::pump_truck {
namespace {

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

stage::FrameTable make_ponpu_frames() { return stage::FrameTable("ponpu_frames", 1101, 5, 5); }

// 100 units in from the window's left edge; the stage's y = 500 midline (the
// truck's axis) on the window's horizontal midline.
stage::Origin ponpu_origin(const stage::StageGeometry& g) {
  const float s = g.stage_scale;
  return {100.0f * s, g.height - (g.height - 1000.0f * s) / 2.0f, s};
}

const stage::DrillDescriptor& descriptor() {
  static const stage::DrillDescriptor d{
      .name = "ponpu",
      .display_name = "ポンプ車操法",
      .checkbox_label = "ポンプ車操法",
      .english_name = "Pump-truck drill",
      .make_table = make_ponpu_frames,
      .build = ponpu_set,
      .origin = ponpu_origin,
      .transition = {transition, stage::colors::red, true},
      .border = ponpu_waku,
      .scenery = ponpu_scenery,
      .layers = kLayers,
      .rules = {},
  };
  return d;
}

}  // namespace drills::pump_truck
