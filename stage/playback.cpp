#include "stage/playback.hpp"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace stage {
namespace {

// A host that fell this far behind (a suspended machine, a debugger) skips
// the backlog instead of racing through it keyframe by keyframe.
constexpr std::int64_t kMaxLagMs = 1000;

// One drawing call of the stage, held while a seek replays keyframes.
struct DrawCall {
  enum class Kind { Clear, Line, Box, FilledBox, Circle, FillStyle, FillColor, FloodFill };
  Kind kind = Kind::Clear;
  std::array<float, 4> at{};  // coordinates, as the call takes them
  Rgb color;
  FillStyle style = FillStyle::Transparent;
  friend bool operator==(const DrawCall&, const DrawCall&) = default;
};

}  // namespace

// The window the stage draws on: passes everything through to the host's
// window and remembers what a checkpoint must put back besides the surface
// (slots, fill settings, caption), which a window cannot be asked for.
//
// While a seek replays keyframes it holds each keyframe's drawing until the
// keyframe ends, and drops a keyframe that draws exactly what the one before
// drew, starting from the same fill settings: every call but a flood fill
// sets pixels whatever they were, so the same calls again leave the same
// picture. A drill repaints its fixed marks on every keyframe; on a large
// window those repaints, not the moves, were most of a seek from the start.
class Playback::TrackedWindow final : public WindowFilter {
 public:
  struct Slot {
    ImageSlot slot;
    bool touched = false;  // set at least once: only those are put back
  };
  struct State {
    std::array<Slot, kImageSlots> slots{};
    FillStyle fill_style = FillStyle::Transparent;
    Rgb fill_color = colors::black;
    std::string caption;
  };

  explicit TrackedWindow(Window& inner) : WindowFilter(inner) {}
  const State& state() const { return state_; }

  // Holds the drawing of the keyframes from now on, until draw_held().
  void hold() {
    holding_ = true;
    held_.clear();
    last_.clear();
    last_valid_ = false;
    held_entry_ = {state_.fill_style, state_.fill_color};
  }
  // The keyframe just ticked is over: draws what it held, unless it repeats
  // the last one drawn. Drawing directly again until the next hold().
  void end_held_keyframe() {
    if (!holding_) return;
    const FillState entry{state_.fill_style, state_.fill_color};
    const bool flood = std::any_of(held_.begin(), held_.end(), [](const DrawCall& c) {
      return c.kind == DrawCall::Kind::FloodFill;
    });
    if (!(last_valid_ && !flood && held_ == last_ && held_entry_ == last_entry_)) {
      for (const DrawCall& c : held_) forward(c);
      last_.swap(held_);
      last_entry_ = held_entry_;
      last_valid_ = !flood;
    }
    held_.clear();
    held_entry_ = entry;
  }
  void draw_held() { holding_ = false; }

  // True when the surface may have changed since the last call.
  bool take_changed() { return std::exchange(changed_, false); }
  bool restore(const SurfaceSnapshot& snapshot) {
    changed_ = true;
    return inner().restore_surface(snapshot);
  }
  std::unique_ptr<SurfaceSnapshot> save() const { return inner().save_surface(); }

  void put_back(const State& s) {
    for (int i = 0; i < kImageSlots; ++i) {
      const Slot& tracked = s.slots[static_cast<std::size_t>(i)];
      if (!tracked.touched) continue;
      const ImageSlot& slot = tracked.slot;
      set_slot_size(i, slot.width, slot.height);
      set_slot_top(i, slot.top);
      set_slot_left(i, slot.left);
      if (slot.pose >= 0) set_slot_picture(i, slot.pose);
      set_slot_visible(i, slot.visible);
    }
    set_fill_style(s.fill_style);
    set_fill_color(s.fill_color);
    set_caption_text(s.caption);
  }

  void clear() override { draw({DrawCall::Kind::Clear, {}, {}, {}}); }
  void line(float x1, float y1, float x2, float y2, Rgb c) override {
    draw({DrawCall::Kind::Line, {x1, y1, x2, y2}, c, {}});
  }
  void box(float x1, float y1, float x2, float y2, Rgb c) override {
    draw({DrawCall::Kind::Box, {x1, y1, x2, y2}, c, {}});
  }
  void filled_box(float x1, float y1, float x2, float y2, Rgb c) override {
    draw({DrawCall::Kind::FilledBox, {x1, y1, x2, y2}, c, {}});
  }
  void circle(float cx, float cy, float r, Rgb c) override {
    draw({DrawCall::Kind::Circle, {cx, cy, r, 0}, c, {}});
  }
  void set_fill_style(FillStyle style) override {
    state_.fill_style = style;
    draw({DrawCall::Kind::FillStyle, {}, {}, style});
  }
  void set_fill_color(Rgb c) override {
    state_.fill_color = c;
    draw({DrawCall::Kind::FillColor, {}, c, {}});
  }
  void flood_fill(int px, int py, Rgb border) override {
    draw({DrawCall::Kind::FloodFill,
          {static_cast<float>(px), static_cast<float>(py), 0, 0},
          border,
          {}});
  }

  void set_slot_left(int i, float left) override {
    inner().set_slot_left(i, left);  // the window checks the index first
    slot(i).left = left;
  }
  void set_slot_top(int i, float top) override {
    inner().set_slot_top(i, top);
    slot(i).top = top;
  }
  void set_slot_size(int i, float width, float height) override {
    inner().set_slot_size(i, width, height);
    slot(i).width = width;
    slot(i).height = height;
  }
  void set_slot_picture(int i, int pose) override {
    inner().set_slot_picture(i, pose);
    slot(i).pose = pose;
  }
  void set_slot_visible(int i, bool visible) override {
    inner().set_slot_visible(i, visible);
    slot(i).visible = visible;
  }

  void set_caption_text(const std::string& utf8) override {
    state_.caption = utf8;
    inner().set_caption_text(utf8);
  }

  // The host handles input between the model's calls, never inside a tick:
  // a key pressed during a seek then waits for it, and runs once.
  bool process_events() override { return true; }
  void on_drill(int drill) override {
    // The drill's layout may change how the held calls land: they go first.
    if (holding_) {
      for (const DrawCall& c : held_) forward(c);
      held_.clear();
      last_valid_ = false;
    }
    inner().on_drill(drill);
  }

 private:
  struct FillState {
    FillStyle style = FillStyle::Transparent;
    Rgb color;
    friend bool operator==(const FillState&, const FillState&) = default;
  };

  ImageSlot& slot(int i) {
    Slot& s = state_.slots.at(static_cast<std::size_t>(i));
    s.touched = true;
    return s.slot;
  }

  void draw(const DrawCall& c) {
    if (holding_)
      held_.push_back(c);
    else
      forward(c);
  }

  void forward(const DrawCall& c) {
    changed_ = true;
    const auto& [a, b, x, y] = c.at;
    switch (c.kind) {
      case DrawCall::Kind::Clear:
        inner().clear();
        break;
      case DrawCall::Kind::Line:
        inner().line(a, b, x, y, c.color);
        break;
      case DrawCall::Kind::Box:
        inner().box(a, b, x, y, c.color);
        break;
      case DrawCall::Kind::FilledBox:
        inner().filled_box(a, b, x, y, c.color);
        break;
      case DrawCall::Kind::Circle:
        inner().circle(a, b, x, c.color);
        break;
      case DrawCall::Kind::FillStyle:
        inner().set_fill_style(c.style);
        break;
      case DrawCall::Kind::FillColor:
        inner().set_fill_color(c.color);
        break;
      case DrawCall::Kind::FloodFill:
        inner().flood_fill(static_cast<int>(a), static_cast<int>(b), c.color);
        break;
    }
  }

  State state_;
  bool changed_ = true;
  bool holding_ = false;
  std::vector<DrawCall> held_;  // this keyframe's, while holding
  FillState held_entry_;        // the fill settings its first call met
  std::vector<DrawCall> last_;  // the last keyframe drawn while holding
  FillState last_entry_;
  bool last_valid_ = false;  // a repeat of last_ may be dropped
};

struct Playback::Checkpoint {
  // Shared by the checkpoints between which nothing was drawn.
  std::shared_ptr<const SurfaceSnapshot> surface;
  TrackedWindow::State window;
};

Playback::Playback(Window& window, DrillList drills, const PlaybackPlace& place)
    : window_(std::make_unique<TrackedWindow>(window)), stage_(*window_, 0, 1, drills) {
  stage_.activate();
  for (int d = 0; d < static_cast<int>(drills.size()); ++d) {
    timelines_.emplace_back(stage_.table(d));
    if (timelines_.back().keyframes() == 0)
      throw std::invalid_argument("a viewed drill needs at least one keyframe");
    checkpoints_.emplace_back(
        static_cast<std::size_t>(timelines_.back().keyframes() / kCheckpointEvery + 1));
  }
  speed_ = place.speed;
  stage_.set_keyframe_speed(speed_);
  playing_ = place.playing;
  show(std::clamp(place.drill, 0, drill_count() - 1), 0);
  seek_time(place.time_ms);
  const int keyframes = timeline().keyframes();
  if (place.loop && place.loop->a >= 0 && place.loop->a <= place.loop->b &&
      place.loop->b < keyframes)
    loop_ = place.loop;
}

Playback::~Playback() = default;

const DrillDescriptor& Playback::descriptor() const {
  return stage_.drills()[static_cast<std::size_t>(drill_)];
}

const DrillTimeline& Playback::timeline(int drill) const {
  return timelines_.at(static_cast<std::size_t>(drill));
}

// --- rebuilding the picture ---

Playback::Checkpoint* Playback::checkpoint(int drill, int keyframe) {
  if (keyframe % kCheckpointEvery != 0) return nullptr;
  return checkpoints_[static_cast<std::size_t>(drill)]
                     [static_cast<std::size_t>(keyframe / kCheckpointEvery)]
                         .get();
}

int Playback::checkpoint_at_or_before(int drill, int keyframe) {
  for (int k = keyframe / kCheckpointEvery * kCheckpointEvery; k >= 0; k -= kCheckpointEvery)
    if (checkpoint(drill, k)) return k;
  return -1;
}

void Playback::show(int drill, int keyframe) {
  if (drill == drill_ && keyframe == shown_) return;
  const int saved = checkpoint_at_or_before(drill, keyframe);
  if (drill == drill_ && shown_ >= 0 && shown_ < keyframe && shown_ >= saved) {
    // Painting on from the picture on screen costs the fewest keyframes.
  } else if (saved >= 0 && window_->restore(*checkpoint(drill, saved)->surface)) {
    window_->put_back(checkpoint(drill, saved)->window);
    stage_.go_to_keyframe(drill, saved + 1);
    shown_ = saved;
    last_surface_ = checkpoint(drill, saved)->surface;
    window_->take_changed();  // the surface is that checkpoint's
  } else {
    // From the drill's start, with the window as its intro leaves it.
    stage_.go_to_keyframe(drill, 0);
    shown_ = -1;
  }
  drill_ = drill;
  window_->hold();
  while (shown_ < keyframe) paint_next();
  window_->draw_held();
}

void Playback::paint_next() {
  stage_.tick();
  window_->end_held_keyframe();
  ++shown_;
  if (!checkpoints_supported_ || shown_ % kCheckpointEvery != 0 || checkpoint(drill_, shown_))
    return;
  if (window_->take_changed() || !last_surface_) {
    last_surface_ = window_->save();
    if (!last_surface_) {
      checkpoints_supported_ = false;  // every seek replays from the drill's start
      return;
    }
  }
  checkpoints_[static_cast<std::size_t>(drill_)]
              [static_cast<std::size_t>(shown_ / kCheckpointEvery)] =
                  std::make_unique<Checkpoint>(Checkpoint{last_surface_, window_->state()});
}

// --- time ---

int Playback::offset_at(std::int64_t now) const {
  const int duration = timeline().duration_ms(shown_);
  if (!playing_) return offset_;
  const SpeedScale s = speed_scale(speed_);
  const std::int64_t gone = (now - shown_at_) * s.den / s.num;
  return static_cast<int>(std::min<std::int64_t>(offset_ + gone, duration));
}

void Playback::anchor() {
  shown_at_ = now_;
  // A keyframe from its start lasts what the stage's tick says; one entered
  // part way (a resume after a pause, a new speed, a seek to a time) lasts
  // the rest of its time at the speed.
  due_ = now_ + (offset_ == 0 ? stage_.keyframe_delay(drill_, shown_)
                              : scaled_delay(timeline().duration_ms(shown_) - offset_, speed_));
}

int Playback::elapsed_ms() const { return timeline().start_ms(shown_) + offset_at(now_); }

bool Playback::at_end() const {
  return !playing_ && shown_ == timeline().keyframes() - 1 &&
         offset_ >= timeline().duration_ms(shown_);
}

int Playback::advance(std::int64_t now) {
  now_ = std::max(now_, now);
  while (playing_ && due_ <= now_) {
    const std::int64_t t = due_;
    if (stop_before_ && shown_ + 1 == *stop_before_) {
      offset_ = timeline().duration_ms(shown_);
      playing_ = false;
      stop_before_.reset();
      break;
    }
    if (loop_ && shown_ == loop_->b) {
      show(drill_, loop_->a);
    } else if (shown_ + 1 >= timeline().keyframes()) {
      offset_ = timeline().duration_ms(shown_);  // stays on the last keyframe
      playing_ = false;
      break;
    } else {
      paint_next();
    }
    offset_ = 0;
    shown_at_ = t;
    due_ = t + stage_.keyframe_delay(drill_, shown_);
    if (now_ - due_ > kMaxLagMs) anchor();
  }
  return playing_ ? static_cast<int>(due_ - now_) : kIdle;
}

// --- commands ---

void Playback::play() {
  if (playing_) return;
  if (at_end()) {
    show(drill_, 0);
    offset_ = 0;
  }
  playing_ = true;
  anchor();
}

void Playback::pause() {
  offset_ = offset_at(now_);
  playing_ = false;
}

void Playback::step_forward() {
  pause();
  if (shown_ + 1 < timeline().keyframes()) seek_keyframe(shown_ + 1);
}

void Playback::step_back() {
  pause();
  seek_keyframe(std::max(0, shown_ - 1));
}

bool Playback::next_command() {
  for (const Command& c : timeline().commands())
    if (c.first_keyframe > shown_) {
      seek_keyframe(c.first_keyframe);
      return true;
    }
  return false;
}

bool Playback::previous_command() {
  const auto& commands = timeline().commands();
  for (auto c = commands.rbegin(); c != commands.rend(); ++c)
    if (c->first_keyframe < shown_) {
      seek_keyframe(c->first_keyframe);
      return true;
    }
  return false;
}

void Playback::go_to_command(int command) {
  seek_keyframe(timeline().commands().at(static_cast<std::size_t>(command)).first_keyframe);
}

void Playback::go_to_start() { seek_keyframe(0); }

void Playback::go_to_end() {
  const int last = timeline().keyframes() - 1;
  seek_keyframe(last);
  offset_ = timeline().duration_ms(last);
  playing_ = false;
}

void Playback::select_drill(int drill) {
  if (drill < 0 || drill >= drill_count()) throw std::out_of_range("drill index");
  loop_.reset();
  show(drill, 0);
  offset_ = 0;
  anchor();
}

void Playback::next_drill() { select_drill((drill_ + 1) % drill_count()); }

void Playback::seek_time(int ms) {
  if (ms >= timeline().total_ms()) {
    go_to_end();
    return;
  }
  const int k = timeline().keyframe_at(std::max(0, ms));
  show(drill_, k);
  offset_ = std::max(0, ms) - timeline().start_ms(k);
  anchor();
}

void Playback::seek_keyframe(int keyframe) {
  show(drill_, std::clamp(keyframe, 0, timeline().keyframes() - 1));
  offset_ = 0;
  anchor();
}

void Playback::set_speed(PlaySpeed speed) {
  offset_ = offset_at(now_);
  speed_ = speed;
  stage_.set_keyframe_speed(speed);
  anchor();
}

void Playback::slower() {
  set_speed(static_cast<PlaySpeed>(std::max(0, static_cast<int>(speed_) - 1)));
}

void Playback::faster() {
  set_speed(static_cast<PlaySpeed>(std::min(kPlaySpeeds - 1, static_cast<int>(speed_) + 1)));
}

void Playback::set_loop_start() {
  const int b = loop_ ? loop_->b : timeline().keyframes() - 1;
  loop_ = LoopRange{std::min(shown_, b), std::max(shown_, b)};
}

void Playback::set_loop_end() {
  const int a = loop_ ? loop_->a : 0;
  loop_ = LoopRange{std::min(shown_, a), std::max(shown_, a)};
}

void Playback::clear_loop() { loop_.reset(); }

PlaybackPlace Playback::place() const { return {drill_, elapsed_ms(), playing_, speed_, loop_}; }

}  // namespace stage
