#pragma once
// What a viewer remembers of a learner between runs: per drill, the position
// chosen and each position's last practice score. The host keeps it in a file
// of its own (on Linux $XDG_CONFIG_HOME/mirukado/viewer-progress, on Windows
// %APPDATA%\Mirukado\viewer-progress, never the saver's settings); this is its
// text, and what a viewer does with it as it runs (ProgressKeeper).
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

#include <cstddef>
#include <functional>
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

// Far more than any learner's progress: a bigger file is no progress file
// (the host reads it as damaged rather than read it all).
inline constexpr std::size_t kMaxProgressBytes = std::size_t{1} << 20;

// A viewer's remembered progress while it runs, whichever file keeps it: the
// host reads the file's text once and gives a writer of the whole text, which
// replaces the file through a temporary (a crash leaves the old file or the
// new one, never half of either). Every change is written at once, so a
// viewer killed later loses nothing; a write that fails is not retried (the
// viewer runs on, remembering in memory only).
class ProgressKeeper {
 public:
  using Writer = std::function<bool(std::string_view text)>;
  // `text`: the file's, or none when there is no file. A text that does not
  // read as progress is started afresh and replaced at once rather than left
  // for the next run to stumble on.
  ProgressKeeper(std::optional<std::string_view> text, Writer write);

  const LearnerProgress& progress() const { return progress_; }
  // The position remembered for `drill` (a method prefix), if it has one
  // among its `positions`.
  std::optional<int> chosen(std::string_view drill, int positions) const;
  // Remembers `position` as the one followed in `drill`; a choice that
  // changes nothing writes nothing.
  void choose(std::string_view drill, std::optional<int> position);
  // A finished session's score becomes its position's last, once per finish
  // (a retry of the missed items finishes again and scores them alone); one
  // sought past every item asked nothing and leaves the last score standing.
  void note(const PracticeSession* session, std::string_view drill);
  // The "前回 k/a" to show for `position`: while the finished session's card
  // is up, the score it replaced (the card compares with it), else the last.
  std::optional<Score> previous(std::string_view drill, std::optional<int> position,
                                const PracticeSession* session) const;

 private:
  void save();

  LearnerProgress progress_;
  Writer write_;
  const PracticeSession* scored_ = nullptr;  // the finished session noted last
  std::optional<Score> replaced_;            // the score it replaced
};

}  // namespace stage
