#pragma once
// A viewer's playback of the drills: play and pause, keyframe steps, command
// jumps, seeks, slow and fast speeds and an A-B loop, over the real stage on
// any window. Like the stage it never sleeps and never reads a clock: the host
// passes its time to advance(), which shows what is due and returns how long
// until it next wants to be called.
//
// Seeks are exact: the picture after moving to keyframe N is the one that
// playing the drill from its start to N leaves. The painters draw
// incrementally, so the model replays keyframes without their delays, starting
// from the nearest surface checkpoint that it saved on an earlier pass (every
// kCheckpointEvery keyframes) when the window can take them, else from the
// drill's start. A replay draws a keyframe only where it draws something
// else than the keyframe before it did.

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "stage/commands.hpp"
#include "stage/drill.hpp"
#include "stage/speed.hpp"
#include "stage/stage.hpp"
#include "stage/window.hpp"

namespace stage {

// Keyframes of a drill, both inclusive; a <= b.
struct LoopRange {
  int a = 0;
  int b = 0;
  friend bool operator==(const LoopRange&, const LoopRange&) = default;
};

// Where a viewer is, to carry over to a new model (a window resized needs a
// stage laid out anew).
struct PlaybackPlace {
  int drill = 0;
  int time_ms = 0;
  bool playing = true;
  PlaySpeed speed = PlaySpeed::One;
  std::optional<LoopRange> loop;
};

class Playback {
 public:
  static constexpr int kIdle = -1;  // advance()'s answer while paused: wait for input
  static constexpr int kCheckpointEvery = 32;

  // Builds the drills' tables and shows the place's drill at its time. Host
  // times count from this construction (t = 0). `drills` and `window` must
  // outlive the model; the model alone draws on the window from now on.
  Playback(Window& window, DrillList drills, const PlaybackPlace& place = {});
  ~Playback();
  Playback(const Playback&) = delete;
  Playback& operator=(const Playback&) = delete;

  // Shows every keyframe due at or before `now` (host ms, never decreasing)
  // and returns the ms until the next one is due, or kIdle while paused.
  // Commands act at the time of the last advance(): call advance(now) before
  // one, and again after it for the new delay.
  int advance(std::int64_t now);

  void play();  // at the end of the drill, plays it again from its start
  void pause();
  void toggle_play() { playing_ ? pause() : play(); }
  // Steps pause playback.
  void step_forward();
  void step_back();
  // The next command after the current keyframe, or the last one that began
  // before it; false (and nothing moves) when there is none.
  bool next_command();
  bool previous_command();
  void go_to_command(int command);
  void go_to_start();
  void go_to_end();  // the last keyframe, paused at the drill's end
  void select_drill(int drill);
  void next_drill();
  // `ms` from the drill's first keyframe at speed 1, clamped to the drill.
  void seek_time(int ms);
  void seek_keyframe(int keyframe);

  void set_speed(PlaySpeed speed);
  void slower();  // down to a quarter
  void faster();  // up to speed 3
  // Loop ends at the current keyframe; B alone loops from the drill's start.
  void set_loop_start();
  void set_loop_end();
  void clear_loop();
  // Playing pauses instead of showing `keyframe`: the keyframe before it
  // stays on screen to its end (a practice session stops just before what it
  // asks). Reaching it clears it; nullopt clears it too.
  void stop_before(std::optional<int> keyframe) { stop_before_ = keyframe; }
  const std::optional<int>& stop() const { return stop_before_; }

  int drill() const { return drill_; }
  int drill_count() const { return static_cast<int>(timelines_.size()); }
  const DrillDescriptor& descriptor() const;
  const DrillTimeline& timeline() const { return timeline(drill_); }
  const DrillTimeline& timeline(int drill) const;
  int keyframe() const { return shown_; }  // on screen
  int elapsed_ms() const;                  // at speed 1, from the drill's first keyframe
  int current_command() const { return timeline().command_at(shown_); }
  bool playing() const { return playing_; }
  bool at_end() const;
  PlaySpeed speed() const { return speed_; }
  const std::optional<LoopRange>& loop() const { return loop_; }
  PlaybackPlace place() const;
  const Stage& stage() const { return stage_; }

 private:
  class TrackedWindow;
  struct Checkpoint;

  // Puts keyframe `keyframe` of `drill` on the window, offset 0.
  void show(int drill, int keyframe);
  void paint_next();  // the stage's next keyframe, saving a checkpoint when one is due
  Checkpoint* checkpoint(int drill, int keyframe);       // saved at exactly that keyframe, or null
  int checkpoint_at_or_before(int drill, int keyframe);  // its keyframe, or -1
  // (Re)starts the current keyframe's clock at offset_ ms into it.
  void anchor();
  int offset_at(std::int64_t now) const;

  std::unique_ptr<TrackedWindow> window_;
  Stage stage_;
  std::vector<DrillTimeline> timelines_;
  std::vector<std::vector<std::unique_ptr<Checkpoint>>> checkpoints_;  // [drill][keyframe / every]
  bool checkpoints_supported_ = true;
  // The surface as last saved, for the next checkpoint if nothing is drawn before it.
  std::shared_ptr<const SurfaceSnapshot> last_surface_;

  int drill_ = 0;
  int shown_ = -1;  // keyframe on the window; -1 before the first
  bool playing_ = true;
  PlaySpeed speed_ = PlaySpeed::One;
  std::optional<LoopRange> loop_;
  std::optional<int> stop_before_;
  std::int64_t now_ = 0;
  std::int64_t shown_at_ = 0;  // host time the current keyframe's clock started
  int offset_ = 0;             // ms of the keyframe at speed 1 already gone at shown_at_
  std::int64_t due_ = 0;       // host time of the next keyframe while playing
};

}  // namespace stage
