#include "viewer/roles.hpp"

#include <algorithm>
#include <stdexcept>

namespace viewer {

using stage::DrillTimeline;
using stage::FrameTable;
using stage::kCommander;
using stage::kCommanderName;
using stage::kFullWidthZero;
using stage::kMemberSuffix;
using stage::PersonSlot;
using stage::position_count;

namespace {

constexpr std::string_view kOpen = "「";
constexpr std::string_view kClose = "」";
// What may stand between two numbers of a list, or around a speaker.
constexpr std::string_view kSeparators[] = {"，", ",", "、", "・", " ", "　"};
// A plain answer to being named: its speaker is in the order before it.
constexpr std::string_view kPlainReply = "はい";
// The count's closing call: the member after the last number says it.
constexpr std::string_view kCountFull = "満";
// A number longer than this is no member's.
constexpr int kMaxDigits = 3;

bool starts_with(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// One digit at the front of `s` (ASCII or full width): its value and length.
bool take_digit(std::string_view& s, int& value) {
  if (!s.empty() && s.front() >= '0' && s.front() <= '9') {
    value = s.front() - '0';
    s.remove_prefix(1);
    return true;
  }
  // Full-width digits are EF BC 90 .. EF BC 99 in UTF-8.
  if (s.size() >= kFullWidthZero.size() && starts_with(s, kFullWidthZero.substr(0, 2))) {
    const int d = static_cast<unsigned char>(s[2]) - static_cast<unsigned char>(kFullWidthZero[2]);
    if (d >= 0 && d <= 9) {
      value = d;
      s.remove_prefix(kFullWidthZero.size());
      return true;
    }
  }
  return false;
}

// A number at the front of `s`, or -1 when there is none.
int take_number(std::string_view& s) {
  int n = 0;
  int digits = 0;
  int d = 0;
  while (take_digit(s, d)) {
    if (++digits > kMaxDigits) return -1;
    n = n * 10 + d;
  }
  return digits == 0 ? -1 : n;
}

bool take_separator(std::string_view& s) {
  for (std::string_view sep : kSeparators)
    if (starts_with(s, sep)) {
      s.remove_prefix(sep.size());
      return true;
    }
  return false;
}

void trim(std::string_view& s) {
  while (take_separator(s)) {
  }
  // Trailing separators: drop them one whole separator at a time.
  for (bool again = true; again;) {
    again = false;
    for (std::string_view sep : kSeparators)
      if (s.size() >= sep.size() && s.substr(s.size() - sep.size()) == sep) {
        s.remove_suffix(sep.size());
        again = true;
      }
  }
}

// The positions one speaker text names ("指揮者", "２，３番員"), appended to `out`.
void add_named(std::string_view name, std::vector<int>& out) {
  trim(name);
  if (name == kCommanderName) {
    out.push_back(kCommander);
    return;
  }
  if (name.size() < kMemberSuffix.size() ||
      name.substr(name.size() - kMemberSuffix.size()) != kMemberSuffix)
    return;
  name.remove_suffix(kMemberSuffix.size());
  std::vector<int> numbers;
  while (!name.empty()) {
    const int n = take_number(name);
    if (n <= 0) return;  // not a list of members: names no one
    numbers.push_back(n);
    if (!name.empty() && !take_separator(name)) return;
  }
  out.insert(out.end(), numbers.begin(), numbers.end());
}

// Whether a caption is a bare number: a member counting off.
bool speakers_count_off(std::string_view caption) {
  trim(caption);
  return take_number(caption) > 0 && caption.empty();
}

}  // namespace

std::vector<int> speakers(std::string_view caption) {
  std::vector<int> out;
  std::string_view rest = caption;
  trim(rest);
  if (rest.empty()) return out;
  if (rest.find(kOpen) == std::string_view::npos) {
    std::string_view number = rest;
    const int n = take_number(number);
    if (n >= 0 && number.empty()) {
      if (n > 0) out.push_back(n);
    } else if (rest != kPlainReply && rest != kCountFull) {
      out.push_back(kCommander);
    }
    return out;
  }
  // Each 「 is preceded by its speaker, after the previous 」.
  while (true) {
    const std::size_t open = rest.find(kOpen);
    if (open == std::string_view::npos) break;
    add_named(rest.substr(0, open), out);
    rest.remove_prefix(open + kOpen.size());
    const std::size_t close = rest.find(kClose);
    if (close == std::string_view::npos) break;
    rest.remove_prefix(close + kClose.size());
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

bool RolePart::speaks(int command) const {
  return std::binary_search(calls.begin(), calls.end(), command);
}

bool RolePart::answers_command(int command) const {
  return std::binary_search(answers.begin(), answers.end(), command);
}

RolePart role_calls(const DrillTimeline& timeline, int position) {
  RolePart part;
  part.position = position;
  const auto& commands = timeline.commands();
  bool previous_mine = false;
  std::vector<int> previous_speakers;
  for (int i = 0; i < static_cast<int>(commands.size()); ++i) {
    const std::string_view text = commands[static_cast<std::size_t>(i)].text;
    std::vector<int> who = speakers(text);
    // "満" closes a count: its speaker is the one after the last number.
    if (text == kCountFull && i > 0 && previous_speakers.size() == 1 &&
        speakers_count_off(commands[static_cast<std::size_t>(i - 1)].text))
      who = {previous_speakers.front() + 1};
    const bool mine = std::binary_search(who.begin(), who.end(), position);
    if (mine) {
      part.calls.push_back(i);
      if (i > 0 && !previous_mine && !previous_speakers.empty() &&
          (part.answers.empty() || part.answers.back() != i - 1))
        part.answers.push_back(i - 1);
    }
    previous_mine = mine;
    previous_speakers = std::move(who);
  }
  return part;
}

RolePart role_part(const FrameTable& table, const DrillTimeline& timeline, int position) {
  if (position < 0 || position >= position_count(table))
    throw std::out_of_range("no such position in the drill");
  RolePart part = role_calls(timeline, position);

  const int keyframes = timeline.keyframes();
  if (keyframes == 0) return part;
  part.start = table[0].persons(position);
  part.end = table[keyframes - 1].persons(position);
  for (int k = 1; k < keyframes; ++k) {
    if (table[k].persons(position) == table[k - 1].persons(position)) continue;
    const PersonSlot& now = table[k].persons(position);
    const PersonSlot& before = table[k - 1].persons(position);
    // A turn on the spot is no move: only the place counts.
    if (now.x == before.x && now.y == before.y) continue;
    if (!part.moves.empty() && part.moves.back().last_keyframe == k - 1) {
      part.moves.back().last_keyframe = k;
      part.moves.back().to = now;
    } else {
      part.moves.push_back({k, k, before, now});
    }
  }
  return part;
}

int next_call_keyframe(const RolePart& part, const DrillTimeline& timeline, int keyframe) {
  for (const int c : part.calls) {
    const int k = timeline.commands()[static_cast<std::size_t>(c)].first_keyframe;
    if (k > keyframe) return k;
  }
  return -1;
}

int previous_call_keyframe(const RolePart& part, const DrillTimeline& timeline, int keyframe) {
  for (auto c = part.calls.rbegin(); c != part.calls.rend(); ++c) {
    const int k = timeline.commands()[static_cast<std::size_t>(*c)].first_keyframe;
    if (k < keyframe) return k;
  }
  return -1;
}

}  // namespace viewer
