#pragma once
// Practising a position as flash-card programs do (retrieval practice): the
// drill plays and stops just before each of the position's calls and moves,
// once per item, and asks for it before showing it. The learner answers in
// their head, reveals the answer and says whether they knew it; the session
// keeps the score and the items missed, which a retry asks again alone.
//
// The session drives the playback: while it runs, the host calls the
// session's advance() instead of the playback's. A host that makes a new
// playback (a resized window, another theme) hands it the session with
// rebind(), so that a learner turning a phone keeps their place and score.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stage/playback.hpp"
#include "viewer/roles.hpp"

namespace viewer {

using stage::DrillTimeline;
using stage::PersonSlot;
using stage::Playback;

enum class PracticeItemKind { Call, Move };

struct PracticeItem {
  PracticeItemKind kind = PracticeItemKind::Call;
  int index = 0;     // a call: the command's index; a move: its index in the part's moves
  int keyframe = 0;  // its first keyframe: the session stops just before it
  friend bool operator==(const PracticeItem&, const PracticeItem&) = default;
};

struct Score {
  int known = 0;
  int asked = 0;
  friend bool operator==(const Score&, const Score&) = default;
};

enum class PracticeState {
  Playing,   // towards the next item
  Prompt,    // stopped just before an item, its answer hidden
  Revealed,  // the answer shown, waiting for mark()
  Finished,  // every item asked: the score
};

inline constexpr std::string_view kCallPrompt = "あなたの号令は？";
inline constexpr std::string_view kMovePrompt = "どこへ？";
// What a desktop viewer shows under the prompt: the key that reveals, and
// once revealed the keys that mark (the page has buttons of these names).
inline constexpr std::string_view kRevealHint = "Space：答え";
inline constexpr std::string_view kMarkHint = "y：覚えた　n：まだ";

// The position's calls and moves, in drill order (a call before a move that
// starts on the same keyframe: the call is heard as the move begins).
std::vector<PracticeItem> practice_items(const RolePart& part, const DrillTimeline& timeline);

class PracticeSession {
 public:
  // Practises `position` of the playback's drill from the drill's start.
  // `playback` must outlive the session.
  PracticeSession(Playback& playback, int position);
  // It drives its playback: it cannot share it with a copy.
  PracticeSession(const PracticeSession&) = delete;
  PracticeSession& operator=(const PracticeSession&) = delete;

  // Instead of the playback's advance() while the session runs: plays to the
  // next item and stops there. Returns the delay as Playback::advance does.
  int advance(std::int64_t now);
  // Prompt: shows the answer (a move plays to its end, or up to the next
  // item, whichever comes first). Anything else: nothing.
  void reveal();
  // Prompt or Revealed: scores the item and plays on to the next one.
  void mark(bool known);
  // Finished: asks only the items missed, each again just before it.
  // Nothing when none was missed.
  void retry_missed();
  // Goes on over `playback`, which replaces the one the session drove and
  // stands where that one stood (its place()): the same item asked or headed
  // for, the same score. False, and nothing changed, when it plays another
  // drill. `playback` must outlive the session.
  bool rebind(Playback& playback);

  PracticeState state() const { return state_; }
  const RolePart& part() const { return part_; }
  int position() const { return part_.position; }
  int drill() const { return drill_; }
  const std::vector<PracticeItem>& items() const { return items_; }
  // The item asked now (Prompt or Revealed), else null.
  const PracticeItem* current() const;
  std::string_view prompt() const;  // empty unless an item is asked
  // A call's caption, shown on reveal; the host keeps it hidden until then.
  std::string_view answer_caption() const;
  // A move's destination (stage units), once revealed.
  std::optional<PersonSlot> destination() const;
  Score score() const { return score_; }
  const std::vector<PracticeItem>& missed() const { return missed_; }

 private:
  void begin(std::vector<PracticeItem> items);
  // Stops before the next item, or prompts at once when the playback stands
  // just before it already.
  void head_for_next();
  // Revealed: plays a move on to its end, stopping before the next item.
  void play_revealed_move();

  Playback* playback_;
  int drill_ = 0;
  RolePart part_;
  std::vector<PracticeItem> items_;
  std::size_t next_ = 0;  // the item asked or headed for
  PracticeState state_ = PracticeState::Playing;
  Score score_;
  std::vector<PracticeItem> missed_;
};

}  // namespace viewer
