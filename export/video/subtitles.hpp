#pragma once
// The spoken commands of a run as subtitle cues: when each is on screen on the
// run's virtual clock, and the SubRip and WebVTT files that carry them.

#include <cstdint>
#include <string>
#include <string_view>
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

// The rule that makes a cue readable. A keyframe often lasts under a second,
// too short to read the command it shows, so a cue outlasts its keyframes:
// it stays for its reading time (kReadingCharsPerSecond of what is spoken),
// at least kShortestCueMs, at least as long as the stage shows the caption,
// at most kLongestCueMs, and always ends by `limit_ms` (where the next cue
// starts, or the run ends) so that cues never overlap.
inline constexpr std::int64_t kReadingCharsPerSecond = 4;
inline constexpr std::int64_t kShortestCueMs = 2000;
inline constexpr std::int64_t kLongestCueMs = 7000;

// The characters a viewer reads in a caption: what is spoken, after the
// speaker (the part before the opening 「, read at a glance and the same on
// many cues). The quote brackets and white space are not read and do not
// count; each other code point counts once.
int spoken_length(std::string_view caption);
std::int64_t reading_time_ms(std::string_view caption);

// The end of a cue that starts at start_ms and whose caption the stage shows
// until shown_end_ms, under the rule above.
std::int64_t readable_end_ms(std::int64_t start_ms, std::int64_t shown_end_ms,
                             std::string_view text, std::int64_t limit_ms);

// The cues as the stage shows them (in order, not overlapping), each ended by
// readable_end_ms; the last one ends by the run's end.
std::vector<Cue> readable_cues(std::vector<Cue> shown, std::int64_t run_end_ms);

// The cue on screen at `ms`, or nullptr between cues.
const Cue* cue_at(const std::vector<Cue>& cues, std::int64_t ms);

// A whole run as the saver plays it with these settings, from activation
// until the last enabled drill's closing transition hands over to the first
// drill's opening again.
struct RunPlan {
  std::int64_t end_ms = 0;
  std::vector<Cue> cues;  // readable: see readable_cues
};

// Plays the run on its own clock (no picture) and times its cues. poll, when set, runs between
// ticks now and then and may throw to stop. Throws std::runtime_error if the
// run does not come round within a day of virtual time.
RunPlan plan_run(int conf, int speed, void (*poll)() = nullptr);

std::string format_srt(const std::vector<Cue>& cues);
std::string format_vtt(const std::vector<Cue>& cues);

}  // namespace video
