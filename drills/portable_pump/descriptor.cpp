// The portable-pump drill as the stage plays it.

#include "drills/portable_pump/codes.hpp"
#include "drills/portable_pump/portable_pump.hpp"
#include "stage/stage.hpp"

namespace drills::portable_pump {
namespace {

// A red square (side 150) that rolls in from the right to rest at x 775, one
// full turn on the way; the outro turns it back as it leaves.
stage::TransitionShape transition(bool outro, int k) {
  const double remaining = stage::kTransitionLastTick - k;
  return {775 + 8000.0 / stage::kTransitionLastTick * (outro ? k : remaining),
          475,
          106,
          outro ? -10.0 : 10.0,
          {45, 135, 225, 315}};
}

constexpr stage::LayerPainter kLayers[] = {kahan_time_0, kahan_time_1, kahan_time_2, kahan_time_3};

// The player hides the crew while member 2 draws the suction hose to member 3
// and then lets pending input in, before the layers paint; the figures are
// shown again on every keyframe, which also undoes a hide by the layers.
constexpr Member2Code kHideCrewCode = Member2Code::SuctionHoseToMember3;

}  // namespace

stage::FrameTable make_kahan_frames() { return stage::FrameTable("kahan_frames", 1001, 4, 4); }

// Placed as the pump truck's stage: 100 units in from the left, y = 500 on the
// window's horizontal midline.
stage::Origin kahan_origin(const stage::StageGeometry& g) {
  const float s = g.stage_scale;
  return {100.0f * s, g.height - (g.height - 1000.0f * s) / 2.0f, s};
}

const stage::DrillDescriptor& descriptor() {
  static const stage::DrillDescriptor d{
      .name = "kahan",
      .display_name = "可搬ポンプ操法",
      .checkbox_label = "可搬ポンプ操法",
      .english_name = "Portable-pump drill",
      .make_table = make_kahan_frames,
      .build = kahan_set,
      .origin = kahan_origin,
      .transition = {transition, stage::colors::red, true},
      .border = kahan_waku,
      .scenery = kahan_scenery,
      .layers = kLayers,
      .rules = {.hide_crew_code = CodeEntry<Member2Code>::slot,
                .hide_crew_value = static_cast<stage::EquipmentCode>(kHideCrewCode),
                .process_events = true,
                .show_crew_every_keyframe = true},
  };
  return d;
}

}  // namespace drills::portable_pump
