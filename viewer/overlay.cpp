#include "viewer/overlay.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

namespace viewer {

using stage::Command;
using stage::command_number;
using stage::DrillDescriptor;
using stage::DrillTimeline;
using stage::keyframe_number;
using stage::kPlaySpeeds;
using stage::legend;
using stage::PixelRect;
using stage::Playback;
using stage::position_name;

namespace {

// Below these the overlay would cover the drill it is meant to explain.
constexpr int kMinWidthInLines = 24;
constexpr int kMaxBandShare = 4;     // the band takes at most a quarter of the height
constexpr int kBandLines = 2;        // the bar's row and the status row
constexpr int kPanelWidthShare = 3;  // the command list takes a third of the width
constexpr int kHelpWidthInLines = 22;
constexpr int kCommandLines = 2;  // the command that stays wraps to two lines at most

std::string clock_text(int ms) {
  const int s = std::max(0, ms) / 1000;
  const int seconds = s % 60;
  return std::to_string(s / 60) + (seconds < 10 ? ":0" : ":") + std::to_string(seconds);
}

// As they play: the fastest speed divides durations by 10 (the saver's speed 3).
constexpr std::array<std::string_view, kPlaySpeeds> kSpeedNames{"×¼", "×½", "×1", "×2", "×10"};

// Written in a row instead of a call the learner is yet to be asked.
constexpr std::string_view kHiddenCall = "？？？";

// The followed position's part, when the request follows one the drill has.
std::optional<RolePart> followed(const Playback& playback, const OverlayRequest& r) {
  if (!r.position || *r.position < 0 ||
      *r.position >= playback.stage().table(playback.drill()).person_count())
    return std::nullopt;
  return role_calls(playback.timeline(), *r.position);
}

// Whether a practice session still keeps command `c` from the learner: one
// of the position's calls not yet revealed.
bool kept_hidden(const Playback& playback, const OverlayRequest& r, const RolePart& part, int c) {
  const PracticeSession* s = r.practice;
  if (!s || s->drill() != playback.drill() || s->state() == PracticeState::Finished ||
      !part.speaks(c))
    return false;
  const int first = playback.timeline().commands()[static_cast<std::size_t>(c)].first_keyframe;
  const PracticeItem* item = s->current();
  if (item && item->kind == PracticeItemKind::Call && item->index == c)
    return s->state() != PracticeState::Revealed;
  return first > playback.keyframe();
}

// The command list's rows in `panel`, around the current command: every
// command, or with `mine_only` the followed position's calls and answers.
void fill_rows(OverlayView& v, const Playback& playback, const OverlayRequest& r,
               const PixelRect& panel, int line, int pad, int scroll) {
  const DrillTimeline& t = playback.timeline();
  const int fit = (panel.h - 2 * pad) / line;
  if (fit <= 0) return;
  v.panel = panel;
  const std::optional<RolePart> part = followed(playback, r);
  std::vector<int> listed;
  for (int i = 0; i < static_cast<int>(t.commands().size()); ++i)
    if (!part || !r.mine_only || part->lists(i)) listed.push_back(i);
  const int n = static_cast<int>(listed.size());
  const int current_command = playback.current_command();
  // The current row: the last listed command heard by now.
  const int current = static_cast<int>(
      std::upper_bound(listed.begin(), listed.end(), current_command) - listed.begin() - 1);
  // Keep the current command in the middle of the rows where the list allows,
  // unless the list was scrolled away from it.
  const int last_first = std::max(0, n - fit);
  const int centred = std::clamp(current - fit / 2, 0, last_first);
  const int first = std::clamp(centred + scroll, 0, last_first);
  v.list_scroll = first - centred;
  for (int row = first; row < std::min(n, first + fit); ++row) {
    const int i = listed[static_cast<std::size_t>(row)];
    const Command& c = t.commands()[static_cast<std::size_t>(i)];
    CommandRow cr{{panel.x + pad, panel.y + pad + (row - first) * line, panel.w - 2 * pad, line},
                  i,
                  std::to_string(command_number(i)) + ". " + std::string(c.text),
                  clock_text(c.time_ms),
                  i == current_command};
    if (part) {
      cr.mine = part->speaks(i);
      cr.answered = part->answers_command(i);
      if (kept_hidden(playback, r, *part, i))
        cr.text = std::to_string(command_number(i)) + ". " + std::string(kHiddenCall);
    }
    v.rows.push_back(std::move(cr));
  }
}

std::string score_text(const Score& s) {
  return std::to_string(s.known) + "/" + std::to_string(s.asked);
}

// The practice session's part of the teaching layout.
PracticeOverlay practice_overlay(const PracticeSession& s, const Playback& playback,
                                 const OverlayRequest& r, const OverlayView& v) {
  PracticeOverlay p;
  p.state = s.state();
  p.who = position_name(s.position()) + "の練習";
  const int total = static_cast<int>(s.items().size());
  const int at = std::min(total, static_cast<int>(s.score().asked) + 1);
  p.progress = std::to_string(at) + " / " + std::to_string(total);
  p.prompt = std::string(s.prompt());
  p.revealed = s.state() == PracticeState::Revealed;
  if (p.revealed) {
    p.answer = std::string(s.answer_caption());
    p.destination = s.destination();
  }
  if (r.previous_score) p.previous = "前回 " + score_text(*r.previous_score);
  p.box = v.command_box;
  if (s.state() != PracticeState::Finished) return p;
  p.progress.clear();
  p.score_lines.push_back(p.who + "：おわり");
  p.score_lines.push_back("覚えていた " + score_text(s.score()));
  if (!p.previous.empty()) p.score_lines.push_back(p.previous);
  if (!s.missed().empty()) p.score_lines.push_back("もう一度（y）：");
  const DrillTimeline& t = playback.timeline();
  for (const PracticeItem& item : s.missed()) {
    const int ms = t.start_ms(item.keyframe);
    if (item.kind == PracticeItemKind::Call)
      p.score_lines.push_back(clock_text(ms) + " " +
                              std::string(t.commands()[static_cast<std::size_t>(item.index)].text));
    else
      p.score_lines.push_back(clock_text(ms) + " 移動");
  }
  const int line = std::max(1, r.line);
  const int pad = std::max(1, line / 4);
  const PixelRect& area = v.stage_area;
  const int h = std::min(area.h, static_cast<int>(p.score_lines.size()) * line + 2 * pad);
  const int w = std::min(area.w, kHelpWidthInLines * line);
  p.score_box = PixelRect{area.x + (area.w - w) / 2, area.y + (area.h - h) / 2, w, h};
  return p;
}

// The teaching layout's boxes: the command that stays and the legend along
// the top, the band along the bottom, and one card (the help, else the
// command list) beside the drill on a wide window or under it on an upright
// one, so that the drill, fitted into what is left, is never covered.
struct TeachingBoxes {
  PixelRect command;
  PixelRect legend;
  PixelRect area;
  std::optional<PixelRect> sheet;
};

TeachingBoxes teaching_boxes(const OverlayRequest& r, int band_top, int line, int pad) {
  TeachingBoxes b;
  b.command = {pad, pad, r.width - 2 * pad, kCommandLines * line + pad};
  b.legend = {pad, b.command.y + b.command.h + pad, r.width - 2 * pad, line};
  const int top = b.legend.y + b.legend.h + pad;
  b.area = {0, top, r.width, std::max(0, band_top - top)};
  if (r.help || r.commands) {
    if (r.width > r.height) {
      // The help card's lines want their room (the keys and what they do
      // side by side): wider than the list's third where the window lets it,
      // never more than half of it.
      const int w = r.help ? std::max(r.width / kPanelWidthShare,
                                      std::min(r.width / 2, kHelpWidthInLines * line))
                           : r.width / kPanelWidthShare;
      b.sheet = PixelRect{r.width - w - pad, b.area.y, w, b.area.h - pad};
      b.area.w = b.sheet->x - pad;
    } else {
      const int h = b.area.h / 2;
      b.sheet = PixelRect{pad, b.area.y + b.area.h - h, r.width - 2 * pad, h - pad};
      b.area.h = b.sheet->y - b.area.y - pad;
    }
  }
  return b;
}

// The band's height for a line height, and whether the overlay fits at all.
int band_height(int line, int pad) { return kBandLines * line + 3 * pad; }
bool overlay_fits(const OverlayRequest& r, int line, int pad) {
  return r.width >= kMinWidthInLines * line && band_height(line, pad) * kMaxBandShare <= r.height;
}

void teaching_layout(OverlayView& v, const Playback& playback, const OverlayRequest& r, int line,
                     int pad) {
  const DrillTimeline& t = playback.timeline();
  v.teaching = true;
  v.theme = r.theme;
  int current = playback.current_command();
  const PracticeSession* practice =
      r.practice && r.practice->drill() == playback.drill() ? r.practice : nullptr;
  if (practice) {
    // A call asked on the keyframe shown (the drill's first) stays unheard.
    const PracticeItem* item = practice->current();
    if (item && item->kind == PracticeItemKind::Call && item->index == current &&
        practice->state() == PracticeState::Prompt)
      --current;
  }
  if (current >= 0 && current < static_cast<int>(t.commands().size()))
    v.command = t.commands()[static_cast<std::size_t>(current)].text;
  v.legend = legend(playback.descriptor());
  const TeachingBoxes b = teaching_boxes(r, v.band.y, line, pad);
  v.command_box = b.command;
  v.legend_box = b.legend;
  v.stage_area = b.area;
  if (practice) v.practice = practice_overlay(*practice, playback, r, v);
  if (!b.sheet) return;
  if (r.help) {
    const int h = static_cast<int>(help_lines(true, r.learner).size()) * line + 2 * pad;
    v.help = PixelRect{b.sheet->x, b.sheet->y, b.sheet->w, std::min(b.sheet->h, h)};
  } else if (!t.commands().empty()) {
    fill_rows(v, playback, r, *b.sheet, line, pad, r.list_scroll);
  }
}

}  // namespace

OverlayView overlay_view(const Playback& playback, const OverlayRequest& r) {
  OverlayView v;
  v.stage_area = {0, 0, r.width, r.height};
  const int line = std::max(1, r.line);
  const int pad = std::max(1, line / 4);
  const int band_h = band_height(line, pad);
  if (!overlay_fits(r, line, pad)) return v;
  v.shown = true;

  const DrillTimeline& t = playback.timeline();
  const int total = std::max(1, t.total_ms());
  v.band = {0, r.height - band_h, r.width, band_h};
  v.bar = {pad, v.band.y + pad, r.width - 2 * pad, line};
  auto x_of = [&](int ms) {
    return v.bar.x + static_cast<int>(static_cast<std::int64_t>(ms) * (v.bar.w - 1) / total);
  };
  v.position_x = x_of(playback.elapsed_ms());
  for (const Command& c : t.commands()) v.command_marks.push_back(x_of(c.time_ms));
  if (const auto& loop = playback.loop()) {
    const int x0 = x_of(t.start_ms(loop->a));
    const int x1 = x_of(t.start_ms(loop->b) + t.duration_ms(loop->b));
    v.loop = PixelRect{x0, v.bar.y, x1 - x0 + 1, v.bar.h};
  }
  v.drill = playback.descriptor().display_name;
  v.time = clock_text(playback.elapsed_ms()) + " / " + clock_text(t.total_ms());
  v.speed = std::string(kSpeedNames[static_cast<std::size_t>(playback.speed())]);
  v.paused = !playback.playing();
  if (const std::optional<RolePart> part = followed(playback, r)) {
    v.position = part->position;
    v.position_name = position_name(part->position);
    v.mine_only = r.mine_only;
    if (r.previous_score) v.previous = "前回 " + score_text(*r.previous_score);
  }
  v.learner = r.learner;

  if (r.teaching) {
    teaching_layout(v, playback, r, line, pad);
    return v;
  }

  const int above = v.band.y;  // room left for the cards, above the band
  if (r.help) {
    const int h = static_cast<int>(help_lines(true, r.learner).size()) * line + 2 * pad;
    const int w = std::min(r.width - 2 * pad, kHelpWidthInLines * line);
    if (h <= above - 2 * pad) v.help = PixelRect{(r.width - w) / 2, (above - h) / 2, w, h};
  }
  if (r.commands && !v.help && !t.commands().empty()) {
    const int w = r.width / kPanelWidthShare;
    fill_rows(v, playback, r, {r.width - w - pad, pad, w, above - 2 * pad}, line, pad,
              r.list_scroll);
  }
  return v;
}

PixelRect teaching_stage_area(const OverlayRequest& r) {
  const int line = std::max(1, r.line);
  const int pad = std::max(1, line / 4);
  if (!overlay_fits(r, line, pad)) return {0, 0, r.width, r.height};
  return teaching_boxes(r, r.height - band_height(line, pad), line, pad).area;
}

std::string viewer_title(const Playback& playback, const CommandNumberEntry& entry) {
  const DrillTimeline& t = playback.timeline();
  std::string title = playback.descriptor().display_name;
  title.append("  コマ ")
      .append(std::to_string(keyframe_number(playback.keyframe())))
      .append("/")
      .append(std::to_string(t.keyframes()));
  if (const int c = playback.current_command(); c >= 0)
    title.append("  号令 ")
        .append(std::to_string(command_number(c)))
        .append(" ")
        .append(t.commands()[static_cast<std::size_t>(c)].text);
  if (entry.is_open()) title.append("  → 号令番号 ").append(entry.digits()).append("_");
  return title;
}

std::string viewer_title(const Playback& playback, const CommandNumberEntry& entry,
                         const PracticeOverlay* practice, std::string_view notice) {
  std::string title = viewer_title(playback, entry);
  if (practice) {
    const PracticeOverlay& p = *practice;
    title += "  練習 " + p.progress;
    if (!p.prompt.empty()) title += " " + p.prompt;
    if (p.revealed) title += " 答え " + (p.answer.empty() ? std::string("移動") : p.answer);
    // The card's second line is its score ("覚えていた 7/9").
    if (p.state == PracticeState::Finished && !p.score_lines.empty())
      title += " " + p.score_lines[1 < p.score_lines.size() ? 1 : 0];
  }
  if (!notice.empty()) title.append("  ［").append(notice).append("］");
  return title;
}

OverlayView teaching_picture_view(const OverlayRequest& r, const DrillDescriptor& drill,
                                  std::string_view command) {
  OverlayView v;
  v.teaching = true;
  v.theme = r.theme;
  v.stage_area = {0, 0, r.width, r.height};
  const int line = std::max(1, r.line);
  const int pad = std::max(1, line / 4);
  OverlayRequest bare = r;
  bare.help = false;
  bare.commands = false;
  const TeachingBoxes b = teaching_boxes(bare, r.height, line, pad);
  // The boxes must leave the drill most of the picture, and be wide enough
  // for a few words of the command.
  if (b.area.h < r.height / 2 || r.width < kMinWidthInLines * line) return v;
  v.command = command;
  v.position = r.position;  // its legend entry is marked
  v.legend = legend(drill);
  v.command_box = b.command;
  v.legend_box = b.legend;
  v.stage_area = b.area;
  return v;
}

std::optional<int> timeline_hit(const OverlayView& view, const Playback& playback, int x, int y) {
  if (!view.shown || !view.band.contains(x, y) || view.bar.w < 2) return std::nullopt;
  const int along = std::clamp(x - view.bar.x, 0, view.bar.w - 1);
  return static_cast<int>(static_cast<std::int64_t>(along) * playback.timeline().total_ms() /
                          (view.bar.w - 1));
}

}  // namespace viewer
