#pragma once
// What a viewer remembers of a learner between runs: per drill, the position
// chosen and each position's last practice score. The host keeps it in a file
// of its own (on Linux $XDG_CONFIG_HOME/mirukado/viewer-progress, never the
// saver's settings); this is only its text.
//
//   mirukado-progress 1
//   drill-a 2 0=3/5 2=7/9
//   drill-b - 4=1/2
//
// A header line, then one line per drill: the drill's method prefix, the
// position chosen ("-" for none), then position=known/asked for each position
// practised. A file that does not read exactly so is damaged: it is ignored
// (the learner starts afresh) and the next save replaces it; it never stops
// the viewer.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "stage/practice.hpp"

namespace stage {

struct DrillProgress {
  std::optional<int> chosen;
  std::map<int, Score> scores;  // by position
  friend bool operator==(const DrillProgress&, const DrillProgress&) = default;
};

struct LearnerProgress {
  std::map<std::string, DrillProgress, std::less<>> drills;  // by method prefix
  friend bool operator==(const LearnerProgress&, const LearnerProgress&) = default;
};

std::string serialise_progress(const LearnerProgress& progress);
// nullopt for a damaged text.
std::optional<LearnerProgress> parse_progress(std::string_view text);

}  // namespace stage
