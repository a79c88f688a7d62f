#pragma once
// What a viewer remembers of a learner between runs: per drill, the position
// chosen and each position's last practice score. The host keeps it in a file
// of its own (on Linux $XDG_CONFIG_HOME/mirukado/viewer-progress, on Windows
// %APPDATA%\Mirukado\viewer-progress, never the saver's settings; the web page
// the same text under one localStorage key); this is its text, and what a
// viewer does with it as it runs (ProgressKeeper).
//
//   mirukado-progress 1
//   drill-a 2 0=3/5 2=7/9
//   drill-b - 4=1/2
//
// A header line, then one line per drill: the drill's method prefix, the
// position chosen ("-" for none), then position=known/asked for each position
// practised. What a viewer cannot read is never thrown away: a line it cannot
// read is kept as it is and written back after the others; a file of a newer
// version is left untouched (this viewer then remembers nothing); a file that
// is not progress at all is set aside under another name before a fresh one
// takes its place. It never stops the viewer.

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/kept_store.hpp"
#include "viewer/practice.hpp"

namespace viewer {

using host::KeptStore;

struct DrillProgress {
  std::optional<int> chosen;
  std::map<int, Score> scores;  // by position
  friend bool operator==(const DrillProgress&, const DrillProgress&) = default;
};

struct LearnerProgress {
  std::map<std::string, DrillProgress, std::less<>> drills;  // by method prefix
  std::vector<std::string> unread;  // lines that could not be read, kept as they were
  friend bool operator==(const LearnerProgress&, const LearnerProgress&) = default;
};

std::string serialise_progress(const LearnerProgress& progress);

struct ReadProgress {
  enum class State {
    Read,     // `progress` holds every line, the unreadable ones among its `unread`
    Newer,    // a later version's file: not ours to read or to write
    Damaged,  // not a progress file at all
  };
  State state = State::Read;
  LearnerProgress progress;
};
ReadProgress read_progress(std::string_view text);

// Far more than any learner's progress: a bigger file is no progress file
// (the host reads it as damaged rather than read it all).
inline constexpr std::size_t kMaxProgressBytes = std::size_t{1} << 20;

// A viewer's remembered progress while it runs, kept in the store the host
// gives. Every change is written at once, so a viewer killed later loses
// nothing, and it is written as a change: under the store's lock the stored
// text is read again and only what this viewer changed (a drill's chosen
// position, a position's score) is put into it, so that viewers running at
// once keep each other's records. A change that could not be written stays
// pending and goes with the next one; the viewer runs on, remembering in
// memory, and notice() tells the learner that nothing is being saved.
class ProgressKeeper {
 public:
  // `store`: none when the host has no place for the file (no home folder);
  // the keeper then remembers in memory only and says so. At start a file
  // that is not progress is set aside and a fresh one takes its place; an
  // unreadable one or a newer version's is left untouched and never written.
  explicit ProgressKeeper(KeptStore* store);

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
  // Progress kept elsewhere before this record (the web page's earlier
  // stores) carried in where the record holds nothing of its own: a drill the
  // record has keeps its chosen position, a position's score it has stands.
  // True once the store holds it, so that the earlier store may then go.
  bool carry(const LearnerProgress& earlier);
  // One line for the learner when progress is not being kept as it should
  // (or an unreadable file was set aside); empty when all is well.
  const std::string& notice() const { return notice_; }

 private:
  using Change = std::function<void(LearnerProgress&)>;
  void change(Change c);
  void save();

  LearnerProgress progress_;
  KeptStore* store_;
  bool writable_ = true;
  std::vector<Change> pending_;  // changes not yet written
  std::string notice_;
  const PracticeSession* scored_ = nullptr;  // the finished session noted last
  std::optional<Score> replaced_;            // the score it replaced
};

}  // namespace viewer
