#include "export/video/subtitles.hpp"

#include <cstdio>
#include <stdexcept>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/virtual_clock.hpp"

namespace video {
namespace {

constexpr std::int64_t kMaxRunMs = 24LL * 3600 * 1000;
constexpr long kPollEveryTicks = 1000;

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
  return {clock.now(), recorder.finish(clock.now())};
}

std::string format_srt(const std::vector<Cue>& cues) { return format(cues, ',', true); }
std::string format_vtt(const std::vector<Cue>& cues) { return format(cues, '.', false); }

}  // namespace video
