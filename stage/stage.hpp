#pragma once
// The stage: one window's playback of the enabled drills. activate() runs the
// one-time set-up (geometry, caption font, the drills' tables, image slots);
// each tick() runs exactly one step of the playback state machine and returns
// the interval in ms until the next tick, the only way the interval travels.
// The stage never sleeps and never reads a clock: hosts drive it from a timer
// (through host::Runner), tests and tools from a virtual clock.

#include <cstdint>
#include <vector>

#include "stage/drill.hpp"
#include "stage/frame_table.hpp"
#include "stage/geometry.hpp"
#include "stage/speed.hpp"
#include "stage/window.hpp"

namespace stage {

// The set-up asks for the first tick this long after the activation.
inline constexpr int kFirstTickMs = 1;

class Stage {
 public:
  // Where in its drill the stage is: the opening transition, the keyframes
  // (with the end pause), or the closing transition.
  enum class Phase { Intro = 0, Keyframes = 1, Outro = 2 };
  // conf: the Conf bit mask as read from the settings; speed: 1, 2 or 3 (any
  // other value plays as 3); drills: at least one descriptor, in playback
  // order (the registry); they must outlive the stage. Allocates the tables.
  Stage(Window& window, int conf, int speed, DrillList drills);

  // The window's activation: the first call runs the set-up, later calls do nothing.
  void activate();
  bool activated() const { return activated_; }

  // One step of the playback state machine. Returns the next interval in ms
  // (the timer is the caller's). Does nothing and returns 0
  // once the run has ended (the window reported it gone while processing events).
  int tick();
  bool ended() const { return ended_; }

  // For a viewer that moves about in a drill (after activate()): the next
  // tick shows keyframe `frame` of drill `drill`. Frame 0 leaves the window's
  // figures and fill settings as the drill's intro does and then redraws in
  // full; a later frame paints over the window, which must then show that
  // drill's keyframe frame - 1. `frame` may be the end record.
  void go_to_keyframe(int drill, int frame);

  // What one tick runs: 3 x drill + phase, drills numbered in playback order
  // (drills::PlaybackState names the registered drills' values).
  int raw_state() const { return kPhases * drill_ + static_cast<int>(phase_); }
  int drill() const { return drill_; }  // index into drills()
  Phase phase() const { return phase_; }
  int frame_index() const { return frame_index_; }
  bool first_drawn() const { return first_drawn_; }
  const StageGeometry& geometry() const { return geometry_; }
  DrillList drills() const { return drills_; }
  const FrameTable& table(int drill) const { return tables_.at(static_cast<std::size_t>(drill)); }
  int caption_font_size() const { return caption_font_size_; }
  // The drill mask playback uses: Conf without any drill bit plays them all.
  int playing_conf() const { return conf_; }
  int speed() const { return speed_; }

  // How long keyframe `frame` of drill `drill` stays on screen: the interval
  // a tick showing it returns. The saver's speed sets it; a viewer's slower
  // speeds set it through set_keyframe_speed() (transitions keep the saver
  // speed's pace).
  int keyframe_delay(int drill, int frame) const;
  void set_keyframe_speed(PlaySpeed speed) { keyframe_speed_ = speed; }

 private:
  static constexpr int kPhases = 3;

  void setup();
  int player_tick();
  int transition_tick(bool outro);
  int next_intro() const;
  const DrillDescriptor& current() const { return drills_[static_cast<std::size_t>(drill_)]; }

  Window& window_;
  DrillList drills_;
  int conf_;
  int speed_;
  PlaySpeed keyframe_speed_;
  int max_persons_ = 0;  // image slots the drills use
  bool activated_ = false;
  bool ended_ = false;
  int drill_ = 0;
  Phase phase_ = Phase::Intro;
  int frame_index_ = 0;
  bool first_drawn_ = false;
  int caption_font_size_ = 0;
  StageGeometry geometry_;
  std::vector<FrameTable> tables_;  // one per drill, in the order of drills_
};

}  // namespace stage
