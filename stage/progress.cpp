#include "stage/progress.hpp"

#include <charconv>
#include <utility>
#include <vector>

#include "stage/frame_table.hpp"

namespace stage {
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
  return out;
}

std::optional<LearnerProgress> parse_progress(std::string_view text) {
  std::vector<std::string_view> lines = split(text, '\n');
  // One final newline ends the last line; a Windows editor's CR goes too.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  for (std::string_view& l : lines)
    if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
  if (lines.empty() || lines.front() != kHeader) return std::nullopt;
  LearnerProgress progress;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string_view> fields = split(lines[i], ' ');
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
    if (!progress.drills.emplace(std::string(fields[0]), std::move(drill)).second)
      return std::nullopt;
  }
  return progress;
}

ProgressKeeper::ProgressKeeper(std::optional<std::string_view> text, Writer write)
    : write_(std::move(write)) {
  if (!text) return;
  if (auto parsed = parse_progress(*text)) {
    progress_ = std::move(*parsed);
    return;
  }
  save();  // damaged: the fresh start replaces it
}

void ProgressKeeper::save() {
  if (write_) write_(serialise_progress(progress_));
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
  progress_.drills[std::string(drill)].chosen = position;
  save();
}

void ProgressKeeper::note(const PracticeSession* session, std::string_view drill) {
  if (!session || session->state() != PracticeState::Finished) {
    scored_ = nullptr;
    return;
  }
  if (scored_ == session) return;
  scored_ = session;
  if (session->score().asked == 0) return;
  std::map<int, Score>& scores = progress_.drills[std::string(drill)].scores;
  const auto was = scores.find(session->position());
  replaced_ = was == scores.end() ? std::nullopt : std::optional(was->second);
  scores[session->position()] = session->score();
  save();
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

}  // namespace stage
