#include "stage/stage.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "stage/rounding.hpp"
#include "stage/speed.hpp"

namespace stage {
namespace {

constexpr int kTransitionTicks = kTransitionLastTick + 1;
constexpr int kEndPauseMs = 500;  // after the last keyframe, at every speed

const char* const kCaptionSample = "ミルカドスクリーンセーバー";

// Conf with at least one of the drills' bits: a mask without any (only
// possible in a hand-edited settings file) would play the first drill once and
// then repeat its outro for ever; playback treats it as all drills instead.
int conf_with_a_drill(int conf, DrillList drills) {
  const int all = all_drills_conf(drills);
  return (conf & all) != 0 ? conf : all;
}

std::vector<FrameTable> make_tables(DrillList drills) {
  if (drills.empty()) throw std::invalid_argument("a stage needs at least one drill");
  std::vector<FrameTable> tables;
  tables.reserve(drills.size());
  for (const DrillDescriptor& d : drills) tables.push_back(d.make_table());
  return tables;
}

}  // namespace

namespace {

// The saver's speed setting; any other than 1 or 2 plays as 3.
PlaySpeed saver_speed(int speed) {
  return speed == 1 ? PlaySpeed::One : speed == 2 ? PlaySpeed::Two : PlaySpeed::Three;
}

}  // namespace

Stage::Stage(Window& window, int conf, int speed, DrillList drills)
    : window_(window),
      drills_(drills),
      conf_(conf_with_a_drill(conf, drills)),
      speed_(speed),
      keyframe_speed_(saver_speed(speed)),
      tables_(make_tables(drills)) {
  for (const FrameTable& t : tables_) max_persons_ = std::max(max_persons_, t.person_count());
}

void Stage::activate() {
  if (activated_) return;  // a later activation must not rebuild or restart anything
  activated_ = true;
  setup();
}

void Stage::setup() {
  window_.set_foreground();
  geometry_ = StageGeometry::from_window(window_.width(), window_.height());
  const float s = geometry_.stage_scale;

  // The caption's font is the largest size up to 50 whose label stays lower
  // than 200 stage units; it is fitted once on a sample text.
  window_.set_caption_left(geometry_.caption_left);
  window_.set_caption_text(kCaptionSample);
  for (int size = 50; size >= 1; --size) {
    window_.set_caption_font_size(size);
    caption_font_size_ = size;
    if (window_.caption_height() < 200 * s) break;
  }
  window_.set_caption_text("");

  for (std::size_t d = 0; d < drills_.size(); ++d) drills_[d].build(tables_[d]);

  for (int i = 0; i < max_persons_; ++i) window_.set_slot_size(i, 70 * s, 70 * s);

  // The first enabled drill in playback order (conf_ always holds one).
  drill_ = 0;
  while (drill_ + 1 < static_cast<int>(drills_.size()) &&
         !(conf_ & conf_bit(static_cast<std::size_t>(drill_))))
    ++drill_;
  window_.on_drill(drill_);
  phase_ = Phase::Intro;
  first_drawn_ = false;
  frame_index_ = 0;
  for (int i = 0; i < max_persons_; ++i) window_.set_slot_visible(i, false);
}

int Stage::tick() {
  if (!activated_ || ended_) return 0;
  switch (phase_) {
    case Phase::Intro:
      return transition_tick(false);
    case Phase::Keyframes:
      return player_tick();
    case Phase::Outro:
      break;
  }
  return transition_tick(true);
}

void Stage::go_to_keyframe(int drill, int frame) {
  if (!activated_) throw std::logic_error("go_to_keyframe before activation");
  const FrameTable& t = table(drill);  // checks the drill index
  if (frame < 0 || frame > t.end_index()) throw std::out_of_range("keyframe index");
  if (frame == 0) {
    // The window as the drill's intro leaves it: every figure hidden (by the
    // set-up or the previous drill's outro) and, after a filled transition,
    // the fill colour that of the transition.
    for (int i = 0; i < max_persons_; ++i) window_.set_slot_visible(i, false);
    const Transition& intro = drills_[static_cast<std::size_t>(drill)].transition;
    if (intro.filled) window_.set_fill_color(intro.color);
    window_.set_fill_style(FillStyle::Transparent);
  }
  drill_ = drill;
  window_.on_drill(drill_);
  phase_ = Phase::Keyframes;
  frame_index_ = frame;
  first_drawn_ = frame > 0;
}

int Stage::keyframe_delay(int drill, int frame) const {
  return scaled_delay(table(drill)[frame].duration, keyframe_speed_);
}

namespace {

int transition_interval(int speed) { return speed == 1 ? 100 : speed == 2 ? 50 : 10; }

}  // namespace

int Stage::player_tick() {
  const DrillDescriptor& drill = current();
  const FrameTable& table = tables_[static_cast<std::size_t>(drill_)];
  const Origin o = drill.origin(geometry_);
  const int persons = table.person_count();

  // The first keyframe of a run redraws everything, whatever the figures'
  // values: the window still shows the intro and the slots may be stale.
  const bool full = frame_index_ == 0 || !first_drawn_;
  if (full) {
    window_.clear();
    if (drill.scenery) drill.scenery(window_, o);
  }

  const FrameRecord& r = table[frame_index_];
  if (r.duration == 0) {
    frame_index_ = 0;
    phase_ = Phase::Outro;
    return kEndPauseMs;
  }

  const PlayerRules& rules = drill.rules;
  if (rules.hide_crew_code != PlayerRules::kNever &&
      r.code(rules.hide_crew_code) == rules.hide_crew_value)
    for (int i = 0; i < persons; ++i) window_.set_slot_visible(i, false);
  // Input may end the run here; then the window is gone and nothing more of
  // this tick may touch it.
  if (rules.process_events && !window_.process_events()) {
    ended_ = true;
    return 0;
  }
  const Layer layer{window_, table, frame_index_, o};
  for (const LayerPainter paint : drill.layers) paint(layer);

  for (int i = 0; i < persons; ++i) {
    const PersonSlot& p = r.persons(i);
    const bool changed = full || p != table[frame_index_ - 1].persons(i);
    if (changed) {
      window_.set_slot_top(i, o.y(p.y));
      window_.set_slot_left(i, o.x(p.x));
      window_.set_slot_picture(i, p.pose);
      if (full) window_.set_slot_visible(i, true);
    }
    if (rules.show_crew_every_keyframe && !full) window_.set_slot_visible(i, true);
  }

  drill.border(window_, o);
  first_drawn_ = true;
  window_.set_caption_text(r.caption);
  const int interval = keyframe_delay(drill_, frame_index_);
  ++frame_index_;
  return interval;
}

int Stage::transition_tick(bool outro) {
  const DrillDescriptor& drill = current();
  const int interval = transition_interval(speed_);
  const int k = frame_index_;
  if (outro && k == 0) {
    const int persons = tables_[static_cast<std::size_t>(drill_)].person_count();
    for (int i = 0; i < persons; ++i) window_.set_slot_visible(i, false);
  }
  window_.clear();

  const Origin o = drill.origin(geometry_);
  const TransitionShape shape = drill.transition.shape(outro, k);
  const double s = o.s;
  float px[4];
  float py[4];
  for (int c = 0; c < 4; ++c) {
    const double a = deg2rad(shape.angle_step * k + shape.theta[c]);
    px[c] = static_cast<float>(o.x0 + shape.cx * s + shape.r * s * std::cos(a));
    py[c] = static_cast<float>(o.y0 - shape.cy * s + shape.r * s * std::sin(a));
  }
  const Rgb color = drill.transition.color;
  window_.line(px[0], py[0], px[1], py[1], color);
  window_.line(px[1], py[1], px[2], py[2], color);
  window_.line(px[2], py[2], px[3], py[3], color);
  window_.line(px[0], py[0], px[3], py[3], color);

  if (drill.transition.filled) {
    window_.set_fill_style(FillStyle::Solid);
    window_.set_fill_color(color);
    const double wx = o.x0 + shape.cx * s;
    const double wy = o.y0 - shape.cy * s;
    window_.flood_fill(static_cast<int>(round_half_even(wx / window_.twips_per_pixel_x())),
                       static_cast<int>(round_half_even(wy / window_.twips_per_pixel_y())), color);
    window_.set_fill_style(FillStyle::Transparent);
  }

  frame_index_ = k + 1;
  if (frame_index_ >= kTransitionTicks) {
    frame_index_ = 0;
    if (outro) {
      drill_ = next_intro();
      window_.on_drill(drill_);
      phase_ = Phase::Intro;
    } else {
      first_drawn_ = false;
      phase_ = Phase::Keyframes;
    }
  }
  return interval;
}

int Stage::next_intro() const {
  // Try the drills in cyclic order after the one that just ended, itself last.
  const int n = static_cast<int>(drills_.size());
  for (int step = 1; step <= n; ++step) {
    const int next = (drill_ + step) % n;
    if (conf_ & conf_bit(static_cast<std::size_t>(next))) return next;
  }
  return drill_;  // unreachable: conf_ always holds a drill bit
}

}  // namespace stage
