#pragma once
// The spoken commands of a run as subtitle cues: when each is on screen on the
// run's virtual clock, and the SubRip and WebVTT files that carry them.

#include <cstdint>
#include <string>
#include <vector>

#include "stage/commands.hpp"
#include "stage/stage.hpp"

namespace video {

// One command on screen from start_ms until (not including) end_ms of the run.
struct Cue {
  std::int64_t start_ms = 0;
  std::int64_t end_ms = 0;
  std::string text;
  friend bool operator==(const Cue&, const Cue&) = default;
};

// Watches a stage tick by tick and times each command of its drills' command
// lists: a cue starts on the tick that shows the command's first keyframe and
// ends on the tick that shows a keyframe with another caption (or none), or
// when its drill's keyframes give way to the closing transition.
class CueRecorder {
 public:
  // The stage must be activated (its tables built) and outlive the recorder.
  explicit CueRecorder(const stage::Stage& stage);

  // After every tick, with the tick's time.
  void observe(std::int64_t now_ms);
  // Closes a cue still open at the end of the run.
  std::vector<Cue> finish(std::int64_t end_ms);

 private:
  void close(std::int64_t at_ms);

  const stage::Stage& stage_;
  std::vector<stage::DrillTimeline> timelines_;
  std::vector<Cue> cues_;
  bool open_ = false;
  int shown_drill_ = -1;
  int shown_keyframe_ = -1;
};

// A whole run as the saver plays it with these settings, from activation
// until the last enabled drill's closing transition hands over to the first
// drill's opening again.
struct RunPlan {
  std::int64_t end_ms = 0;
  std::vector<Cue> cues;
};

// Plays the run on its own clock (no picture). poll, when set, runs between
// ticks now and then and may throw to stop. Throws std::runtime_error if the
// run does not come round within a day of virtual time.
RunPlan plan_run(int conf, int speed, void (*poll)() = nullptr);

std::string format_srt(const std::vector<Cue>& cues);
std::string format_vtt(const std::vector<Cue>& cues);

}  // namespace video
