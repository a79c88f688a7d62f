#include "stage/overlay.hpp"

#include <algorithm>
#include <array>
#include <cstdint>

namespace stage {
namespace {

// Below these the overlay would cover the drill it is meant to explain.
constexpr int kMinWidthInLines = 24;
constexpr int kMaxBandShare = 4;     // the band takes at most a quarter of the height
constexpr int kBandLines = 2;        // the bar's row and the status row
constexpr int kPanelWidthShare = 3;  // the command list takes a third of the width
constexpr int kHelpWidthInLines = 22;

std::string clock_text(int ms) {
  const int s = std::max(0, ms) / 1000;
  const int seconds = s % 60;
  return std::to_string(s / 60) + (seconds < 10 ? ":0" : ":") + std::to_string(seconds);
}

// As they play: the fastest speed divides durations by 10 (the saver's speed 3).
constexpr std::array<std::string_view, kPlaySpeeds> kSpeedNames{"×¼", "×½", "×1", "×2", "×10"};

}  // namespace

OverlayView overlay_view(const Playback& playback, const OverlayRequest& r) {
  OverlayView v;
  const int line = std::max(1, r.line);
  const int pad = std::max(1, line / 4);
  const int band_h = kBandLines * line + 3 * pad;
  if (r.width < kMinWidthInLines * line || band_h * kMaxBandShare > r.height) return v;
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

  const int above = v.band.y;  // room left for the cards, above the band
  if (r.help) {
    const int h = static_cast<int>(help_lines().size()) * line + 2 * pad;
    const int w = std::min(r.width - 2 * pad, kHelpWidthInLines * line);
    if (h <= above - 2 * pad) v.help = PixelRect{(r.width - w) / 2, (above - h) / 2, w, h};
  }
  if (r.commands && !t.commands().empty()) {
    const int w = r.width / kPanelWidthShare;
    const PixelRect panel{r.width - w - pad, pad, w, above - 2 * pad};
    const int fit = (panel.h - 2 * pad) / line;
    if (fit > 0) {
      v.panel = panel;
      const int n = static_cast<int>(t.commands().size());
      const int current = playback.current_command();
      // Keep the current command in the middle of the rows where the list allows.
      const int first = std::clamp(current - fit / 2, 0, std::max(0, n - fit));
      for (int i = first; i < std::min(n, first + fit); ++i) {
        const Command& c = t.commands()[static_cast<std::size_t>(i)];
        v.rows.push_back(
            {{panel.x + pad, panel.y + pad + (i - first) * line, panel.w - 2 * pad, line},
             i,
             std::to_string(command_number(i)) + ". " + std::string(c.text),
             clock_text(c.time_ms),
             i == current});
      }
    }
  }
  return v;
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

std::optional<int> timeline_hit(const OverlayView& view, const Playback& playback, int x, int y) {
  if (!view.shown || !view.band.contains(x, y) || view.bar.w < 2) return std::nullopt;
  const int along = std::clamp(x - view.bar.x, 0, view.bar.w - 1);
  return static_cast<int>(static_cast<std::int64_t>(along) * playback.timeline().total_ms() /
                          (view.bar.w - 1));
}

std::optional<int> command_hit(const OverlayView& view, int x, int y) {
  for (const CommandRow& row : view.rows)
    if (row.rect.contains(x, y)) return row.command;
  return std::nullopt;
}

}  // namespace stage
