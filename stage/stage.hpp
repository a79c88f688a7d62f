#pragma once
// The stage: one window's playback of the enabled drills. activate() runs the
// one-time set-up (geometry, caption font, the three tables, image slots);
// each tick() runs exactly one step of the playback state machine and returns
// the interval in ms until the next tick. The stage never sleeps and never
// reads a clock: hosts drive it from a timer, tests and tools from a virtual clock.

#include <cstdint>

#include "stage/frame_table.hpp"
#include "stage/geometry.hpp"
#include "stage/window.hpp"

namespace stage {

// Drill-selection bits of the Conf setting.
inline constexpr int kConfPlatoon = 1;
inline constexpr int kConfPumpTruck = 2;
inline constexpr int kConfPortablePump = 4;
inline constexpr int kConfDefault = 7;

// What one tick runs. Values are the stored numbers 0..8; any other value
// plays the portable-pump outro.
enum class PlaybackState : int {
  KirituStart = 0,  // platoon intro
  Kiritu = 1,       // platoon keyframe
  KirituEnd = 2,    // platoon outro
  PonpuStart = 3,   // pump-truck intro
  Ponpu = 4,
  PonpuEnd = 5,
  KahanStart = 6,  // portable-pump intro
  Kahan = 7,
  KahanEnd = 8,
};

// The three choreography builders the set-up calls, in this order. Tests
// replace them with small hand-made tables.
struct DrillBuilders {
  void (*kiritu_set)(FrameTable&);
  void (*ponpu_set)(FrameTable&);
  void (*kahan_set)(FrameTable&);
};
DrillBuilders drill_builders();

class Stage {
 public:
  // conf: the Conf bit mask as read from the settings; speed: 1, 2 or 3 (any
  // other value plays as 3).
  Stage(Window& window, int conf, int speed, DrillBuilders builders = drill_builders());

  // The window's activation: the first call runs the set-up, later calls do nothing.
  void activate();
  bool activated() const { return activated_; }

  // One step of the playback state machine. Returns the next interval in ms,
  // which it has also handed to the window's timer. Does nothing and returns 0
  // once the run has ended (the window reported it gone while processing events).
  int tick();
  bool ended() const { return ended_; }

  PlaybackState state() const { return static_cast<PlaybackState>(state_); }
  int raw_state() const { return state_; }
  int frame_index() const { return frame_index_; }
  bool first_drawn() const { return first_drawn_; }
  const StageGeometry& geometry() const { return geometry_; }
  const DrillTables& tables() const { return tables_; }
  int caption_font_size() const { return caption_font_size_; }
  // The drill mask playback uses: Conf without any drill bit plays all three.
  int playing_conf() const { return conf_; }
  int speed() const { return speed_; }

 private:
  void setup();
  int player_tick(int drill);
  int transition_tick(int drill, bool outro);
  int next_intro(int outro_state) const;
  void draw_border(int drill);
  void draw_scenery(int drill);

  Window& window_;
  DrillBuilders builders_;
  int conf_;
  int speed_;
  bool activated_ = false;
  bool ended_ = false;
  int state_ = 0;
  int frame_index_ = 0;
  bool first_drawn_ = false;
  int caption_font_size_ = 0;
  StageGeometry geometry_;
  DrillTables tables_;
};

}  // namespace stage
