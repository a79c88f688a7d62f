#include "viewer/practice.hpp"

#include <algorithm>

namespace viewer {

using stage::DrillTimeline;
using stage::PersonSlot;
using stage::Playback;

std::vector<PracticeItem> practice_items(const RolePart& part, const DrillTimeline& timeline) {
  std::vector<PracticeItem> items;
  for (const int c : part.calls)
    items.push_back({PracticeItemKind::Call, c,
                     timeline.commands()[static_cast<std::size_t>(c)].first_keyframe});
  for (int m = 0; m < static_cast<int>(part.moves.size()); ++m)
    items.push_back(
        {PracticeItemKind::Move, m, part.moves[static_cast<std::size_t>(m)].first_keyframe});
  std::stable_sort(items.begin(), items.end(), [](const PracticeItem& a, const PracticeItem& b) {
    if (a.keyframe != b.keyframe) return a.keyframe < b.keyframe;
    return a.kind == PracticeItemKind::Call && b.kind == PracticeItemKind::Move;
  });
  return items;
}

PracticeSession::PracticeSession(Playback& playback, int position)
    : playback_(&playback),
      drill_(playback.drill()),
      part_(role_part(playback.stage().table(drill_), playback.timeline(), position)) {
  playback_->pause();
  playback_->go_to_start();
  begin(practice_items(part_, playback_->timeline()));
}

void PracticeSession::begin(std::vector<PracticeItem> items) {
  items_ = std::move(items);
  next_ = 0;
  score_ = {};
  missed_.clear();
  head_for_next();
}

const PracticeItem* PracticeSession::current() const {
  if (state_ != PracticeState::Prompt && state_ != PracticeState::Revealed) return nullptr;
  return &items_[next_];
}

void PracticeSession::head_for_next() {
  if (next_ >= items_.size()) {
    state_ = PracticeState::Finished;
    playback_->stop_before(std::nullopt);
    playback_->pause();
    return;
  }
  const int k = items_[next_].keyframe;
  // Just before it already: the keyframe before it is on screen, or the item
  // lies inside a move just revealed (or on the drill's first keyframe).
  if (k <= playback_->keyframe() + 1) {
    state_ = PracticeState::Prompt;
    playback_->stop_before(std::nullopt);
    playback_->pause();
    return;
  }
  state_ = PracticeState::Playing;
  playback_->stop_before(k);
  playback_->play();
}

int PracticeSession::advance(std::int64_t now) {
  const int delay = playback_->advance(now);
  // Another drill chosen meanwhile: these items are not its keyframes.
  if (state_ != PracticeState::Playing || playback_->drill() != drill_) return delay;
  // A seek by hand past items: those behind the picture are not asked.
  const std::size_t before = next_;
  while (next_ < items_.size() && items_[next_].keyframe <= playback_->keyframe()) ++next_;
  const bool arrived = !playback_->playing() && next_ < items_.size() &&
                       items_[next_].keyframe == playback_->keyframe() + 1;
  // Paused by hand elsewhere: the stop stays set for when it plays again.
  if (next_ == before && !arrived && next_ < items_.size()) return delay;
  head_for_next();
  return state_ == PracticeState::Playing ? playback_->advance(now) : Playback::kIdle;
}

std::string_view PracticeSession::prompt() const {
  const PracticeItem* item = current();
  if (!item) return {};
  return item->kind == PracticeItemKind::Call ? kCallPrompt : kMovePrompt;
}

std::string_view PracticeSession::answer_caption() const {
  const PracticeItem* item = current();
  if (!item || item->kind != PracticeItemKind::Call) return {};
  return playback_->timeline().commands()[static_cast<std::size_t>(item->index)].text;
}

std::optional<PersonSlot> PracticeSession::destination() const {
  const PracticeItem* item = current();
  if (!item || item->kind != PracticeItemKind::Move || state_ != PracticeState::Revealed)
    return std::nullopt;
  return part_.moves[static_cast<std::size_t>(item->index)].to;
}

void PracticeSession::reveal() {
  if (state_ != PracticeState::Prompt) return;
  state_ = PracticeState::Revealed;
  play_revealed_move();
}

void PracticeSession::play_revealed_move() {
  const PracticeItem& item = items_[next_];
  if (item.kind != PracticeItemKind::Move) return;
  // Play the move to its end, but stop before the next item starts.
  int stop = part_.moves[static_cast<std::size_t>(item.index)].last_keyframe + 1;
  if (next_ + 1 < items_.size()) stop = std::min(stop, items_[next_ + 1].keyframe);
  if (stop <= playback_->keyframe() + 1) return;  // nothing of it left to show
  playback_->stop_before(stop);
  playback_->play();
}

bool PracticeSession::rebind(Playback& playback) {
  if (playback.drill() != drill_) return false;
  playback_ = &playback;
  // The new playback knows nothing of the stop the old one had: set it again
  // for the step the learner is at. One paused by hand stays paused.
  const bool was_playing = playback_->playing();
  playback_->stop_before(std::nullopt);
  playback_->pause();
  // One stopped just before an item stood at the very end of the keyframe
  // before it, a time that is also the item's start: the playback made at
  // that time shows the item's keyframe, which would give away what is
  // asked. It goes back to the keyframe the old one showed.
  if (state_ != PracticeState::Finished && next_ < items_.size()) {
    const int item = items_[next_].keyframe;
    const DrillTimeline& t = playback_->timeline();
    if (item > 0 && playback_->keyframe() == item && playback_->elapsed_ms() == t.start_ms(item))
      playback_->seek_time(t.start_ms(item) - 1);
  }
  switch (state_) {
    case PracticeState::Playing:
      head_for_next();
      break;
    case PracticeState::Revealed:
      play_revealed_move();
      break;
    case PracticeState::Prompt:
    case PracticeState::Finished:
      break;
  }
  if (!was_playing) playback_->pause();
  return true;
}

void PracticeSession::mark(bool known) {
  if (state_ != PracticeState::Prompt && state_ != PracticeState::Revealed) return;
  ++score_.asked;
  if (known)
    ++score_.known;
  else
    missed_.push_back(items_[next_]);
  ++next_;
  head_for_next();
}

void PracticeSession::retry_missed() {
  if (state_ != PracticeState::Finished || missed_.empty()) return;
  std::vector<PracticeItem> again = missed_;
  // Stand just before the first of them, as a play towards it would.
  playback_->pause();
  playback_->seek_keyframe(std::max(0, again.front().keyframe - 1));
  playback_->pause();
  begin(std::move(again));
}

}  // namespace viewer
