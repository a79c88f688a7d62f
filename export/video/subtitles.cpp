#include "export/video/subtitles.hpp"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <stdexcept>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/virtual_clock.hpp"

namespace video {
namespace {

constexpr std::int64_t kMaxRunMs = 24LL * 3600 * 1000;
constexpr long kPollEveryTicks = 1000;
constexpr std::string_view kOpeningQuote = "「";
constexpr std::string_view kClosingQuote = "」";
constexpr std::string_view kIdeographicSpace = "\u3000";
constexpr std::int64_t kMsPerSecond = 1000;

bool is_continuation_byte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// "HH:MM:SS" and the milliseconds after `separator` (',' for SubRip, '.' for WebVTT).
std::string timestamp(std::int64_t ms, char separator) {
  char text[40];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld%c%03lld",
                static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                static_cast<long long>(ms / 1000 % 60), separator,
                static_cast<long long>(ms % 1000));
  return text;
}

// A caption never holds a blank line (it would end the cue); keep the file
// readable if one ever did.
std::string cue_text(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r') continue;
    if (c == '\n' && (out.empty() || out.back() == '\n')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::string format(const std::vector<Cue>& cues, char separator, bool numbered) {
  std::string out = numbered ? "" : "WEBVTT\n\n";
  for (std::size_t i = 0; i < cues.size(); ++i) {
    if (numbered) out.append(std::to_string(i + 1)).push_back('\n');
    out.append(timestamp(cues[i].start_ms, separator))
        .append(" --> ")
        .append(timestamp(cues[i].end_ms, separator))
        .push_back('\n');
    out.append(cue_text(cues[i].text)).append("\n\n");
  }
  return out;
}

}  // namespace

int spoken_length(std::string_view caption) {
  const std::size_t open = caption.find(kOpeningQuote);
  std::string_view spoken = open == std::string_view::npos ? caption : caption.substr(open);
  int count = 0;
  while (!spoken.empty()) {
    bool skipped = false;
    for (const std::string_view unread : {kOpeningQuote, kClosingQuote, kIdeographicSpace})
      if (spoken.substr(0, unread.size()) == unread) {
        spoken.remove_prefix(unread.size());
        skipped = true;
      }
    if (skipped) continue;
    const char c = spoken.front();
    spoken.remove_prefix(1);
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || is_continuation_byte(c)) continue;
    ++count;
  }
  return count;
}

std::int64_t reading_time_ms(std::string_view caption) {
  return spoken_length(caption) * kMsPerSecond / kReadingCharsPerSecond;
}

std::int64_t readable_end_ms(std::int64_t start_ms, std::int64_t shown_end_ms,
                             std::string_view text, std::int64_t limit_ms) {
  const std::int64_t wanted =
      std::max({kShortestCueMs, reading_time_ms(text), shown_end_ms - start_ms});
  return start_ms + std::min({kLongestCueMs, wanted, limit_ms - start_ms});
}

std::vector<Cue> readable_cues(std::vector<Cue> shown, std::int64_t run_end_ms) {
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const std::int64_t limit = i + 1 < shown.size() ? shown[i + 1].start_ms : run_end_ms;
    shown[i].end_ms = readable_end_ms(shown[i].start_ms, shown[i].end_ms, shown[i].text, limit);
  }
  return shown;
}

const Cue* cue_at(const std::vector<Cue>& cues, std::int64_t ms) {
  // The last cue that starts by ms, if it has not ended yet.
  const auto after = std::upper_bound(cues.begin(), cues.end(), ms,
                                      [](std::int64_t t, const Cue& c) { return t < c.start_ms; });
  if (after == cues.begin()) return nullptr;
  const Cue& cue = *std::prev(after);
  return ms < cue.end_ms ? &cue : nullptr;
}

CueRecorder::CueRecorder(const stage::Stage& stage) : stage_(stage) {
  for (std::size_t d = 0; d < stage.drills().size(); ++d)
    timelines_.emplace_back(stage.table(static_cast<int>(d)));
}

void CueRecorder::close(std::int64_t at_ms) {
  if (open_) cues_.back().end_ms = at_ms;
  open_ = false;
}

void CueRecorder::observe(std::int64_t now_ms) {
  if (stage_.phase() != stage::Stage::Phase::Keyframes) {
    close(now_ms);
    shown_drill_ = -1;
    return;
  }
  const int drill = stage_.drill();
  const int keyframe = stage_.frame_index() - 1;  // the tick that showed record k leaves k + 1
  if (keyframe < 0 || (drill == shown_drill_ && keyframe == shown_keyframe_)) return;
  shown_drill_ = drill;
  shown_keyframe_ = keyframe;
  const stage::DrillTimeline& timeline = timelines_[static_cast<std::size_t>(drill)];
  if (keyframe >= timeline.keyframes()) return;  // the end record is not shown
  if (open_ && stage_.table(drill)[keyframe].caption != cues_.back().text) close(now_ms);
  const int command = timeline.command_at(keyframe);
  if (command >= 0 &&
      timeline.commands()[static_cast<std::size_t>(command)].first_keyframe == keyframe) {
    close(now_ms);
    cues_.push_back({now_ms, now_ms, std::string(timeline.commands()[command].text)});
    open_ = true;
  }
}

std::vector<Cue> CueRecorder::finish(std::int64_t end_ms) {
  close(end_ms);
  return std::move(cues_);
}

RunPlan plan_run(int conf, int speed, void (*poll)()) {
  raster::RasterWindow window(1, 1);
  stage::Stage stage(window, conf, speed, drills::registry());
  stage::VirtualClock clock(stage);
  CueRecorder recorder(stage);
  long ticks = 0;
  const bool round = clock.play_round(kMaxRunMs, [&] {
    recorder.observe(clock.now());
    if (poll && ++ticks % kPollEveryTicks == 0) poll();
  });
  if (!round) throw std::runtime_error("the run does not come round to its start");
  return {clock.now(), readable_cues(recorder.finish(clock.now()), clock.now())};
}

std::string format_srt(const std::vector<Cue>& cues) { return format(cues, ',', true); }
std::string format_vtt(const std::vector<Cue>& cues) { return format(cues, '.', false); }

}  // namespace video
