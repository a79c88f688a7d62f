#include "viewer/progress.hpp"

#include <charconv>
#include <utility>
#include <vector>

#include "stage/frame_table.hpp"

namespace viewer {

using host::KeptStore;
using host::StoreChange;
using host::StoredText;
using stage::kMaxPersons;

namespace {

constexpr std::string_view kHeader = "mirukado-progress 1";
constexpr std::string_view kNoPosition = "-";
// More than this in one score is no learner's count: the file is damaged.
constexpr int kMaxAsked = 100000;
constexpr std::size_t kMaxPrefix = 32;

std::vector<std::string_view> split(std::string_view s, char by) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = s.find(by, start);
    parts.push_back(
        s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return parts;
    start = at + 1;
  }
}

// A whole non-negative decimal number at most `max`, else -1.
int number(std::string_view s, int max) {
  int n = -1;
  if (s.empty() || s.size() > 6) return -1;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), n);
  if (error != std::errc{} || end != s.data() + s.size() || n < 0 || n > max) return -1;
  return n;
}

bool valid_prefix(std::string_view s) {
  if (s.empty() || s.size() > kMaxPrefix) return false;
  for (const char c : s)
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-')) return false;
  return s != kNoPosition;
}

}  // namespace

std::string serialise_progress(const LearnerProgress& progress) {
  std::string out(kHeader);
  out += '\n';
  for (const auto& [prefix, drill] : progress.drills) {
    out += prefix;
    out += ' ';
    out += drill.chosen ? std::to_string(*drill.chosen) : std::string(kNoPosition);
    for (const auto& [position, score] : drill.scores)
      out += ' ' + std::to_string(position) + '=' + std::to_string(score.known) + '/' +
             std::to_string(score.asked);
    out += '\n';
  }
  for (const std::string& line : progress.unread) out += line + '\n';
  return out;
}

namespace {

// One drill's line, or none when it cannot be read.
std::optional<std::pair<std::string_view, DrillProgress>> read_line(std::string_view line) {
  const std::vector<std::string_view> fields = split(line, ' ');
  if (fields.size() < 2 || !valid_prefix(fields[0])) return std::nullopt;
  DrillProgress drill;
  if (fields[1] != kNoPosition) {
    const int chosen = number(fields[1], kMaxPersons - 1);
    if (chosen < 0) return std::nullopt;
    drill.chosen = chosen;
  }
  for (std::size_t f = 2; f < fields.size(); ++f) {
    const std::size_t eq = fields[f].find('=');
    const std::size_t slash = fields[f].find('/');
    if (eq == std::string_view::npos || slash == std::string_view::npos || slash < eq)
      return std::nullopt;
    const int position = number(fields[f].substr(0, eq), kMaxPersons - 1);
    const int known = number(fields[f].substr(eq + 1, slash - eq - 1), kMaxAsked);
    const int asked = number(fields[f].substr(slash + 1), kMaxAsked);
    if (position < 0 || known < 0 || asked < 0 || known > asked) return std::nullopt;
    if (!drill.scores.emplace(position, Score{known, asked}).second) return std::nullopt;
  }
  return std::pair{fields[0], std::move(drill)};
}

// "mirukado-progress N" of a version after ours.
bool newer_header(std::string_view line) {
  constexpr std::string_view kName = "mirukado-progress ";
  if (line.substr(0, kName.size()) != kName) return false;
  const std::string_view version = line.substr(kName.size());
  return !version.empty() && version.size() <= 6 &&
         version.find_first_not_of("0123456789") == std::string_view::npos && version != "0" &&
         version != "1" && version.front() != '0';
}

}  // namespace

ReadProgress read_progress(std::string_view text) {
  ReadProgress out;
  // Nothing at all (a file cut to nothing) holds nothing to keep.
  if (text.find_first_not_of(" \t\r\n") == std::string_view::npos) return out;
  std::vector<std::string_view> lines = split(text, '\n');
  // One final newline ends the last line; a Windows editor's CR goes too.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  for (std::string_view& l : lines)
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
  if (lines.front() != kHeader) {
    out.state =
        newer_header(lines.front()) ? ReadProgress::State::Newer : ReadProgress::State::Damaged;
    return out;
  }
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (lines[i].empty()) continue;
    auto drill = read_line(lines[i]);
    // A second line for a drill already read is kept, not read: the first
    // one stands, as it did for every reader before.
    if (!drill || out.progress.drills.contains(drill->first))
      out.progress.unread.emplace_back(lines[i]);
    else
      out.progress.drills.emplace(std::string(drill->first), std::move(drill->second));
  }
  return out;
}

namespace {

constexpr std::string_view kNoPlace = "進み具合は保存されません（保存する場所がありません）";
constexpr std::string_view kNewer = "進み具合の記録は新しい版のものです：ここでは保存しません";
constexpr std::string_view kUnreadable = "進み具合の記録を読めません：保存しません";
constexpr std::string_view kNotSaved = "進み具合を保存できません";

}  // namespace

ProgressKeeper::ProgressKeeper(KeptStore* store) : store_(store) {
  if (!store_) {
    writable_ = false;
    notice_ = kNoPlace;
    return;
  }
  const StoredText now = store_->read();
  bool damaged = now.state == StoredText::State::TooBig;
  if (now.state == StoredText::State::Unreadable) {
    writable_ = false;
    notice_ = kUnreadable;
    return;
  }
  if (now.state == StoredText::State::Text) {
    ReadProgress read = read_progress(now.text);
    if (read.state == ReadProgress::State::Newer) {
      writable_ = false;
      notice_ = kNewer;
      return;
    }
    damaged = read.state == ReadProgress::State::Damaged;
    progress_ = std::move(read.progress);
  }
  // What is not progress is set aside at once, so the learner hears of it
  // now and not when a later choice quietly moves it.
  if (damaged) {
    save();
    if (notice_.empty())
      notice_ = "読めない進み具合の記録を " + store_->set_aside_name() + " に移しました";
  }
}

void ProgressKeeper::change(Change c) {
  c(progress_);
  pending_.push_back(std::move(c));
  save();
}

void ProgressKeeper::save() {
  if (!store_ || !writable_) return;
  enum class Outcome { Written, Newer, Unreadable };
  Outcome outcome = Outcome::Written;
  LearnerProgress merged;
  const bool ok = store_->update([&](const StoredText& now) -> StoreChange {
    StoreChange out{StoreChange::Kind::Write, {}};
    outcome = Outcome::Written;
    merged = {};
    if (now.state == StoredText::State::Unreadable) {
      outcome = Outcome::Unreadable;
      return {};
    }
    if (now.state == StoredText::State::TooBig) out.kind = StoreChange::Kind::SetAsideWrite;
    if (now.state == StoredText::State::Text) {
      ReadProgress read = read_progress(now.text);
      if (read.state == ReadProgress::State::Newer) {
        outcome = Outcome::Newer;
        return {};
      }
      if (read.state == ReadProgress::State::Damaged) out.kind = StoreChange::Kind::SetAsideWrite;
      merged = std::move(read.progress);
    }
    for (const Change& c : pending_) c(merged);
    out.text = serialise_progress(merged);
    return out;
  });
  if (ok && outcome == Outcome::Written) {
    pending_.clear();
    // What other viewers wrote meanwhile comes along.
    progress_ = std::move(merged);
    if (notice_ == kNotSaved) notice_.clear();
    return;
  }
  if (outcome != Outcome::Written) {
    writable_ = false;
    notice_ = outcome == Outcome::Newer ? kNewer : kUnreadable;
    return;
  }
  notice_ = kNotSaved;
}

std::optional<int> ProgressKeeper::chosen(std::string_view drill, int positions) const {
  const auto it = progress_.drills.find(drill);
  if (it == progress_.drills.end() || !it->second.chosen || *it->second.chosen >= positions)
    return std::nullopt;
  return it->second.chosen;
}

void ProgressKeeper::choose(std::string_view drill, std::optional<int> position) {
  const auto it = progress_.drills.find(drill);
  // A drill never followed needs no line saying so.
  if (it == progress_.drills.end() ? !position : it->second.chosen == position) return;
  change([name = std::string(drill), position](LearnerProgress& p) {
    const auto there = p.drills.find(name);
    if (there == p.drills.end() && !position) return;
    p.drills[name].chosen = position;
  });
}

void ProgressKeeper::note(const PracticeSession* session, std::string_view drill) {
  if (!session || session->state() != PracticeState::Finished) {
    scored_ = nullptr;
    return;
  }
  if (scored_ == session) return;
  scored_ = session;
  if (session->score().asked == 0) return;
  const std::map<int, Score>* scores = nullptr;
  if (const auto it = progress_.drills.find(drill); it != progress_.drills.end())
    scores = &it->second.scores;
  const auto was =
      scores ? scores->find(session->position()) : std::map<int, Score>::const_iterator{};
  replaced_ = scores && was != scores->end() ? std::optional(was->second) : std::nullopt;
  change([name = std::string(drill), position = session->position(), score = session->score()](
             LearnerProgress& p) { p.drills[name].scores[position] = score; });
}
bool ProgressKeeper::carry(const LearnerProgress& earlier) {
  change([earlier](LearnerProgress& p) {
    for (const auto& [name, drill] : earlier.drills) {
      const auto [there, added] = p.drills.try_emplace(name);
      if (added) there->second.chosen = drill.chosen;
      for (const auto& [position, score] : drill.scores)
        there->second.scores.try_emplace(position, score);
    }
  });
  return store_ && writable_ && pending_.empty();
}

std::optional<Score> ProgressKeeper::previous(std::string_view drill, std::optional<int> position,
                                              const PracticeSession* session) const {
  if (session && session == scored_) return replaced_;
  if (!position) return std::nullopt;
  const auto it = progress_.drills.find(drill);
  if (it == progress_.drills.end()) return std::nullopt;
  const auto score = it->second.scores.find(*position);
  if (score == it->second.scores.end()) return std::nullopt;
  return score->second;
}

}  // namespace viewer
