#include "stage/stage.hpp"

#include <cmath>

#include "drills/platoon/platoon.hpp"
#include "drills/portable_pump/portable_pump.hpp"
#include "drills/pump_truck/pump_truck.hpp"
#include "render/layer.hpp"
#include "stage/rounding.hpp"

namespace stage {
namespace {

// Drill numbers in playback order; each owns three consecutive states
// (intro, keyframes, outro) starting at 3 x drill.
constexpr int kPlatoon = 0;
constexpr int kPumpTruck = 1;
constexpr int kPortablePump = 2;

constexpr int kTransitionTicks = 37;  // k = 0 .. 36
constexpr int kEndPauseMs = 500;      // after the last keyframe, at every speed

// Persons of each drill, which are also the image slots its player moves.
constexpr int kPersons[3] = {21, 5, 4};

const char* const kCaptionSample = "ミルカドスクリーンセーバー";

// Rotating shape of a transition: a centre that may travel with k, a corner
// radius, and four corner angles that turn by 10 degrees a tick.
struct TransitionShape {
  double cx;
  double cy;
  double r;
  double angle_step;  // +10 turns clockwise on the screen with k, -10 the other way
  double theta[4];
};

TransitionShape transition_shape(int drill, bool outro, int k) {
  const double remaining = 36 - k;
  switch (drill) {
    case kPlatoon:  // a white square growing from a point to the whole stage
      return {2500,
              2500,
              3535.0 / 36 * (outro ? remaining : k),
              outro ? -10.0 : 10.0,
              {45, 135, 225, 315}};
    case kPumpTruck:  // a flat red shape rolling in from the right; leaves turning the same way
      return {950 + 8000.0 / 36 * (outro ? k : remaining), 500, 269, 10.0, {20, 160, 200, 340}};
    default:  // the portable pump's red square
      return {775 + 8000.0 / 36 * (outro ? k : remaining),
              475,
              106,
              outro ? -10.0 : 10.0,
              {45, 135, 225, 315}};
  }
}

}  // namespace

DrillBuilders drill_builders() {
  return {drills::kiritu_set, drills::ponpu_set, drills::kahan_set};
}

Stage::Stage(Window& window, int conf, int speed, DrillBuilders builders)
    : window_(window),
      builders_(builders),
      // A Conf without any drill bit (only possible in a hand-edited settings
      // file) would play the platoon once and then repeat its outro for ever;
      // playback treats it as all three drills instead.
      conf_((conf & kConfDefault) != 0 ? conf : kConfDefault),
      speed_(speed) {}

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
  window_.set_caption_left(geometry_.kiritu_x0);
  window_.set_caption_text(kCaptionSample);
  for (int size = 50; size >= 1; --size) {
    window_.set_caption_font_size(size);
    caption_font_size_ = size;
    if (window_.caption_height() < 200 * s) break;
  }
  window_.set_caption_text("");

  builders_.kiritu_set(tables_.kiritu_frames);
  builders_.ponpu_set(tables_.ponpu_frames);
  builders_.kahan_set(tables_.kahan_frames);

  for (int i = 0; i < kPersons[kPlatoon]; ++i) window_.set_slot_size(i, 70 * s, 70 * s);

  if (conf_ & kConfPlatoon)
    state_ = 0;
  else if (conf_ & kConfPumpTruck)
    state_ = 3;
  else
    state_ = 6;
  first_drawn_ = false;
  frame_index_ = 0;
  for (int i = 0; i < kPersons[kPlatoon]; ++i) window_.set_slot_visible(i, false);
  window_.set_timer_interval(1);
}

int Stage::tick() {
  if (!activated_ || ended_) return 0;
  switch (state_) {
    case 0:
      return transition_tick(kPlatoon, false);
    case 1:
      return player_tick(kPlatoon);
    case 2:
      return transition_tick(kPlatoon, true);
    case 3:
      return transition_tick(kPumpTruck, false);
    case 4:
      return player_tick(kPumpTruck);
    case 5:
      return transition_tick(kPumpTruck, true);
    case 6:
      return transition_tick(kPortablePump, false);
    case 7:
      return player_tick(kPortablePump);
    default:
      return transition_tick(kPortablePump, true);
  }
}

namespace {

const FrameTable& table_of(const DrillTables& t, int drill) {
  return drill == kPlatoon     ? t.kiritu_frames
         : drill == kPumpTruck ? t.ponpu_frames
                               : t.kahan_frames;
}

Origin origin_of(const StageGeometry& g, int drill) {
  switch (drill) {
    case kPlatoon:
      return {g.kiritu_x0, g.kiritu_y0, g.stage_scale};
    case kPumpTruck:
      return {g.ponpu_x0, g.ponpu_y0, g.stage_scale};
    default:
      return {g.kahan_x0, g.kahan_y0, g.stage_scale};
  }
}

int keyframe_interval(int duration, int speed) {
  if (speed == 1) return duration;
  const double divisor = speed == 2 ? 2.0 : 10.0;  // any other speed plays as 3
  return static_cast<int>(round_half_even(duration / divisor));
}

int transition_interval(int speed) { return speed == 1 ? 100 : speed == 2 ? 50 : 10; }

}  // namespace

int Stage::player_tick(int drill) {
  const FrameTable& table = table_of(tables_, drill);
  const Origin o = origin_of(geometry_, drill);
  const int persons = kPersons[drill];

  // The first keyframe of a run redraws everything, whatever the figures'
  // values: the window still shows the intro and the slots may be stale.
  const bool full = frame_index_ == 0 || !first_drawn_;
  if (full) {
    window_.clear();
    draw_scenery(drill);
  }

  const FrameRecord& r = table[frame_index_];
  if (r.duration == 0) {
    window_.set_timer_interval(kEndPauseMs);
    frame_index_ = 0;
    ++state_;
    return kEndPauseMs;
  }

  const render::Layer layer{window_, table, frame_index_, o};
  if (drill == kPumpTruck) {
    render::ponpu_time_0(layer);
    render::ponpu_time_1(layer);
    render::ponpu_time_2(layer);
    render::ponpu_time_3(layer);
    render::ponpu_time_4(layer);
  } else if (drill == kPortablePump) {
    if (r.code(2) == 1)
      for (int i = 0; i < persons; ++i) window_.set_slot_visible(i, false);
    // Input may end the run here; then the window is gone and nothing more of
    // this tick may touch it.
    if (!window_.process_events()) {
      ended_ = true;
      return 0;
    }
    render::kahan_time_0(layer);
    render::kahan_time_1(layer);
    render::kahan_time_2(layer);
    render::kahan_time_3(layer);
  }

  for (int i = 0; i < persons; ++i) {
    const PersonSlot& p = r.persons(i);
    const bool changed = full || p != table[frame_index_ - 1].persons(i);
    if (changed) {
      window_.set_slot_top(i, o.y(p.y));
      window_.set_slot_left(i, o.x(p.x));
      window_.set_slot_picture(i, p.pose);
      if (full) window_.set_slot_visible(i, true);
    }
    // The portable pump's renderers hide the crew while the pump is carried;
    // every keyframe shows them again.
    if (drill == kPortablePump && !full) window_.set_slot_visible(i, true);
  }

  draw_border(drill);
  first_drawn_ = true;
  window_.set_caption_text(r.caption);
  const int interval = keyframe_interval(r.duration, speed_);
  window_.set_timer_interval(interval);
  ++frame_index_;
  return interval;
}

int Stage::transition_tick(int drill, bool outro) {
  const int interval = transition_interval(speed_);
  window_.set_timer_interval(interval);
  const int k = frame_index_;
  if (outro && k == 0)
    for (int i = 0; i < kPersons[drill]; ++i) window_.set_slot_visible(i, false);
  window_.clear();

  const Origin o = origin_of(geometry_, drill);
  const TransitionShape shape = transition_shape(drill, outro, k);
  const double s = o.s;
  float px[4];
  float py[4];
  for (int c = 0; c < 4; ++c) {
    const double a = deg2rad(shape.angle_step * k + shape.theta[c]);
    px[c] = static_cast<float>(o.x0 + shape.cx * s + shape.r * s * std::cos(a));
    py[c] = static_cast<float>(o.y0 - shape.cy * s + shape.r * s * std::sin(a));
  }
  const Rgb color = drill == kPlatoon ? colors::white : colors::red;
  window_.line(px[0], py[0], px[1], py[1], color);
  window_.line(px[1], py[1], px[2], py[2], color);
  window_.line(px[2], py[2], px[3], py[3], color);
  window_.line(px[0], py[0], px[3], py[3], color);

  if (drill != kPlatoon) {
    window_.set_fill_style(FillStyle::Solid);
    window_.set_fill_color(colors::red);
    const double wx = o.x0 + shape.cx * s;
    const double wy = o.y0 - shape.cy * s;
    window_.flood_fill(static_cast<int>(round_half_even(wx / window_.twips_per_pixel_x())),
                       static_cast<int>(round_half_even(wy / window_.twips_per_pixel_y())),
                       colors::red);
    window_.set_fill_style(FillStyle::Transparent);
  }

  frame_index_ = k + 1;
  if (frame_index_ >= kTransitionTicks) {
    frame_index_ = 0;
    if (outro) {
      state_ = next_intro(state_);
    } else {
      first_drawn_ = false;
      ++state_;
    }
  }
  return interval;
}

int Stage::next_intro(int outro_state) const {
  // Try the drills in cyclic order after the one that just ended, itself last.
  const int bits[3] = {kConfPlatoon, kConfPumpTruck, kConfPortablePump};
  const int drill = outro_state == 2 ? kPlatoon : outro_state == 5 ? kPumpTruck : kPortablePump;
  for (int step = 1; step <= 3; ++step) {
    const int next = (drill + step) % 3;
    if (conf_ & bits[next]) return next * 3;
  }
  return drill * 3;  // unreachable: conf_ always holds a drill bit
}

void Stage::draw_border(int drill) {
  const Origin o = origin_of(geometry_, drill);
  Window& w = window_;
  auto line = [&](float x1, float y1, float x2, float y2, Rgb c) {
    w.line(o.x(x1), o.y(y1), o.x(x2), o.y(y2), c);
  };
  auto red_box = [&](float x1, float y1, float x2, float y2) {
    w.filled_box(o.x(x1), o.y(y1), o.x(x2), o.y(y2), colors::red);
  };
  switch (drill) {
    case kPlatoon: {
      const Rgb c = colors::white;
      w.box(o.x(0), o.y(0), o.x(5000), o.y(5000), c);  // the stage frame
      line(300, 818, 300, 448, c);
      // The tick on that mark is a fixed 50 twips, not scaled with the stage.
      w.line(o.x(300), o.y(518), o.x(300) + 50, o.y(518), c);
      line(2150, 4800, 2850, 4800, c);
      const float r = 35 * o.s;
      w.circle(o.x(2500), o.y(50), r, c);
      w.circle(o.x(1900), o.y(-50), r, c);
      w.circle(o.x(3100), o.y(-50), r, c);
      w.circle(o.x(2150), o.y(2500), r, c);
      w.box(o.x(2400), o.y(-450), o.x(2600), o.y(-550), c);
      break;
    }
    case kPumpTruck:
      red_box(700, 400, 1200, 600);
      line(500, 350, 500, 650, colors::white);
      line(300, 350, 300, 650, colors::white);
      break;
    default:
      red_box(700, 400, 850, 550);
      line(500, 350, 500, 600, colors::white);
      line(300, 350, 300, 600, colors::white);
      break;
  }
}

void Stage::draw_scenery(int drill) {
  if (drill == kPlatoon) return;
  const Origin o = origin_of(geometry_, drill);
  Window& w = window_;
  auto box = [&](float x1, float y1, float x2, float y2, Rgb c) {
    w.filled_box(o.x(x1), o.y(y1), o.x(x2), o.y(y2), c);
  };
  auto circle = [&](float cx, float cy, float r, Rgb c) { w.circle(o.x(cx), o.y(cy), r * o.s, c); };
  if (drill == kPumpTruck) {
    box(200, 300, 0, 100, colors::cyan);  // the water source
    return;
  }
  // The portable pump's fixed parts: water source, the red bar, the three
  // small discs of the set-up, the grey ring and the pump's yellow and grey pieces.
  box(295, 300, 95, 100, colors::cyan);
  box(700, 215, 711, 315, colors::red);
  w.set_fill_style(FillStyle::Solid);
  w.set_fill_color(colors::white);
  circle(775, 330, 20, colors::white);
  circle(775, 265, 20, colors::white);
  circle(775, 200, 20, colors::white);
  w.set_fill_color(colors::grey);
  circle(775, 750, 50, colors::grey);
  w.set_fill_color(colors::black);
  circle(775, 750, 35, colors::black);
  w.set_fill_style(FillStyle::Transparent);
  w.line(o.x(750), o.y(670), o.x(850), o.y(670), colors::yellow);
  box(765, 650, 785, 640, colors::yellow);
  box(815, 750, 825, 700, colors::grey);
  box(725, 750, 735, 710, colors::grey);
  box(725, 710, 735, 700, colors::yellow);
}

}  // namespace stage
