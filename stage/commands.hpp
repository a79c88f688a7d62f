#pragma once
// A drill seen as a timeline: where each keyframe starts at speed 1, and the
// spoken commands a learner looks for. Both are read from the drill's table,
// which must outlive them (the command texts point into its captions).

#include <string_view>
#include <vector>

#include "stage/frame_table.hpp"

namespace stage {

// One command: a run of consecutive keyframes that show the same non-empty
// caption (a caption held over several keyframes is said once).
struct Command {
  int first_keyframe = 0;
  int time_ms = 0;  // from the drill's first keyframe, at speed 1
  std::string_view text;
};

// Keyframes and commands as learners count them, from 1: the numbers the
// viewers' titles and command lists, `mirukado-render commands`, `frame` and
// `--at`, the sheet and the web page's ?at= all use. Indexes stay from 0
// inside (and in `dump`, which lists the table's records).
constexpr int keyframe_number(int keyframe) { return keyframe + 1; }
constexpr int command_number(int command) { return command + 1; }

class DrillTimeline {
 public:
  explicit DrillTimeline(const FrameTable& table);

  // Keyframes 0 .. keyframes() - 1 are shown; the end record is not one.
  int keyframes() const { return static_cast<int>(starts_.size()); }
  int start_ms(int keyframe) const;
  int duration_ms(int keyframe) const;
  // From the first keyframe's start to the last one's end, at speed 1.
  int total_ms() const { return total_; }
  // The keyframe on screen at `ms` (clamped to the drill).
  int keyframe_at(int ms) const;

  const std::vector<Command>& commands() const { return commands_; }
  // The command heard at `keyframe`: the last one that started at or before
  // it (silent keyframes after a command belong to it); -1 before the first.
  int command_at(int keyframe) const;

 private:
  int check(int keyframe) const;

  std::vector<int> starts_;  // a keyframe lasts until the next one's start, the last until total_
  int total_ = 0;
  std::vector<Command> commands_;
};

}  // namespace stage
