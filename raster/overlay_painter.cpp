#include "raster/overlay_painter.hpp"

#include <algorithm>
#include <array>
#include <cmath>

namespace raster {
namespace {

constexpr int kOpaque = 255;
// The band and cards darken the stage below rather than hide it, so that a
// figure under the timeline stays visible.
constexpr std::uint32_t kShade = 0x000000;
constexpr int kBandAlpha = 160;
constexpr int kCardAlpha = 210;
constexpr std::uint32_t kCardEdge = 0x808080;
constexpr std::uint32_t kBar = 0x404040;
constexpr std::uint32_t kElapsed = 0x2F6FB0;
constexpr std::uint32_t kLoop = 0xD0B000;
constexpr int kLoopAlpha = 110;
constexpr std::uint32_t kMark = 0xE0E0E0;
constexpr std::uint32_t kPosition = 0xFFFFFF;
constexpr std::uint32_t kText = 0xFFFFFF;
constexpr std::uint32_t kDimText = 0xA0A0A0;
constexpr std::uint32_t kCurrentRow = 0x2F6FB0;
constexpr int kCurrentRowAlpha = 200;
constexpr std::uint32_t kPauseSign = 0xFFD040;
// The followed position's own rows in the list (its calls, and more faintly
// the commands it answers): a stripe down the row's left edge.
constexpr std::uint32_t kMineStripe = 0xFFD040;
constexpr std::uint32_t kAnsweredStripe = 0x808080;
constexpr int kStripeLines = 6;  // the stripe's width, a sixth of a line
// The practice prompt's colour: the question stands out of the command box.
constexpr std::uint32_t kPromptInk = 0xFFD040;
constexpr std::uint32_t kLightPromptInk = 0x8A5A00;

// Font size from the window height: readable in a small window, not shouting
// in a full-screen one.
constexpr int kHeightPerPixelOfFont = 36;
constexpr int kMinFontPixels = 11;
constexpr int kMaxFontPixels = 26;
constexpr long kSubpixels = 64;  // FreeType's 26.6 fixed point

std::uint8_t channel(std::uint32_t p, int shift) {
  return static_cast<std::uint8_t>((p >> shift) & 0xFF);
}

std::uint32_t mix(std::uint32_t below, std::uint32_t above, int alpha) {
  std::uint32_t out = 0;
  for (const int shift : {16, 8, 0}) {
    const int b = channel(below, shift);
    const int a = channel(above, shift);
    out |= static_cast<std::uint32_t>(b + (a - b) * alpha / kOpaque) << shift;
  }
  return out;
}

stage::PixelRect cut(const stage::PixelRect& r, const Surface& s) {
  const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
  const int x1 = std::min(s.width, r.x + r.w), y1 = std::min(s.height, r.y + r.h);
  return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

stage::PixelRect intersect(const stage::PixelRect& a, const stage::PixelRect& b) {
  const int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  const int x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
  return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

void fill(Surface& s, const stage::PixelRect& r, std::uint32_t colour) {
  blend_rect(s, r, colour, kOpaque);
}

void frame_rect(Surface& s, const stage::PixelRect& r, std::uint32_t colour) {
  fill(s, {r.x, r.y, r.w, 1}, colour);
  fill(s, {r.x, r.y + r.h - 1, r.w, 1}, colour);
  fill(s, {r.x, r.y, 1, r.h}, colour);
  fill(s, {r.x + r.w - 1, r.y, 1, r.h}, colour);
}

Rect to_rect(const stage::PixelRect& r) { return {r.x, r.y, r.w, r.h}; }

// The teaching layout's boxes: a dark card with white text on the dark
// theme, a light one with dark text on the light theme.
constexpr std::uint32_t kLightCard = 0xF4F4F4;
constexpr std::uint32_t kLightText = 0x222222;
constexpr int kLabelPerRadius = 70;  // label font size, 1/64 px per pixel of radius (1.1 r)

// The length in bytes of the UTF-8 sequence that `lead` starts.
std::size_t utf8_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead >> 5) == 0x6) return 2;
  if ((lead >> 4) == 0xE) return 3;
  return 4;
}

// Where each code point of `s` starts, and s.size() last.
std::vector<std::size_t> code_point_starts(std::string_view s) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < s.size(); i += utf8_length(static_cast<unsigned char>(s[i])))
    starts.push_back(i);
  starts.push_back(s.size());
  return starts;
}

// What the command box says during a practice item, as one key: the box is
// painted again when it changes.
std::string practice_key(const stage::OverlayView& v) {
  if (!v.practice || v.practice->prompt.empty()) return {};
  return v.practice->progress + v.practice->prompt + v.practice->answer;
}

}  // namespace

void blend_rect(Surface& target, const stage::PixelRect& r, std::uint32_t colour, int alpha) {
  const stage::PixelRect c = cut(r, target);
  if (c.w <= 0 || c.h <= 0) return;
  if (alpha >= kOpaque) {
    for (int y = c.y; y < c.y + c.h; ++y) std::fill_n(&target.at(c.x, y), c.w, colour);
    return;
  }
  // The band and the cards cover a good part of a large window on every
  // frame: each channel's blend, the same as mix() gives, from a table made
  // once per rectangle rather than a division per channel and pixel.
  constexpr std::size_t kLevels = 256;
  std::array<std::array<std::uint32_t, kLevels>, 3> blended{};
  const int shifts[3] = {16, 8, 0};
  for (std::size_t ch = 0; ch < 3; ++ch)
    for (std::size_t level = 0; level < kLevels; ++level) {
      const int shift = shifts[ch];
      blended[ch][level] =
          mix(static_cast<std::uint32_t>(level) << shift, colour, alpha) & (0xFFu << shift);
    }
  for (int y = c.y; y < c.y + c.h; ++y) {
    std::uint32_t* row = &target.at(c.x, y);
    for (int x = 0; x < c.w; ++x) {
      const std::uint32_t p = row[x];
      row[x] = blended[0][(p >> 16) & 0xFF] | blended[1][(p >> 8) & 0xFF] | blended[2][p & 0xFF];
    }
  }
}

bool TeachingBoxesShown::due(const stage::OverlayView& v, int drill, std::vector<Rect>& restored) {
  if (!v.teaching) return false;
  const auto meets = [&restored](const stage::PixelRect& box) {
    return std::any_of(restored.begin(), restored.end(), [&box](const Rect& r) {
      return r.x < box.x + box.w && box.x < r.x + r.w && r.y < box.y + box.h && box.y < r.y + r.h;
    });
  };
  const std::string practice = practice_key(v);
  const bool same = shown_ && v.command == command_ && practice == practice_ && drill == drill_ &&
                    v.position == position_ && v.theme == theme_ && v.command_box == command_box_ &&
                    v.legend_box == legend_box_;
  if (same && !meets(v.command_box) && !meets(v.legend_box)) return false;
  shown_ = true;
  command_ = v.command;
  practice_ = practice;
  position_ = v.position;
  drill_ = drill;
  theme_ = v.theme;
  command_box_ = v.command_box;
  legend_box_ = v.legend_box;
  for (const stage::PixelRect& box : {v.command_box, v.legend_box})
    if (box.w > 0 && box.h > 0) restored.push_back(to_rect(box));
  return true;
}

OverlayPainter::OverlayPainter() { fit(0); }

int OverlayPainter::fit(int height) {
  const int size = std::clamp(height / kHeightPerPixelOfFont, kMinFontPixels, kMaxFontPixels);
  if (size != pixel_size_) {
    pixel_size_ = size;
    font_.set_size_26_6(size * kSubpixels);
    line_ = std::max(1, font_.line_height());
    cache_.clear();
  }
  return line_;
}

const CaptionRenderer::Bitmap& OverlayPainter::glyphs(std::string_view utf8) {
  // Bounded: a long session cycles through three drills' commands at most,
  // but a cache must not grow with time whatever the caller asks.
  constexpr std::size_t kMaxCached = 1024;
  if (auto it = cache_.find(utf8); it != cache_.end()) return it->second;
  if (cache_.size() >= kMaxCached) cache_.clear();
  // White on black: each pixel's level is the glyph's coverage there.
  return cache_.emplace(std::string(utf8), font_.render(std::string(utf8), 0x000000, 0xFFFFFF))
      .first->second;
}

// Measured, not rendered: fitting a command tries many of its prefixes, and
// keeping their pixels would crowd the cache of lines shown.
int OverlayPainter::text_width(std::string_view utf8) { return font_.width(std::string(utf8)); }

int OverlayPainter::text(Surface& target, int x, int y, std::string_view utf8, std::uint32_t ink,
                         const stage::PixelRect& clip) {
  const CaptionRenderer::Bitmap& b = glyphs(utf8);
  const stage::PixelRect c = cut(intersect({x, y, b.width, b.height}, clip), target);
  for (int ty = c.y; ty < c.y + c.h; ++ty) {
    const std::uint32_t* row =
        b.pixels.data() + static_cast<std::size_t>(ty - y) * static_cast<std::size_t>(b.width);
    for (int tx = c.x; tx < c.x + c.w; ++tx) {
      const int coverage = channel(row[tx - x], 8);
      if (coverage) target.at(tx, ty) = mix(target.at(tx, ty), ink, coverage);
    }
  }
  return b.width;
}

std::string OverlayPainter::fitted(std::string_view utf8, int width) {
  if (text_width(utf8) <= width) return std::string(utf8);
  const std::vector<std::size_t> starts = code_point_starts(utf8);
  // The longest prefix that fits with the ellipsis, by halving.
  std::size_t lo = 0, hi = starts.size() - 1;
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (text_width(std::string(utf8.substr(0, starts[mid])) + "…") <= width)
      lo = mid;
    else
      hi = mid - 1;
  }
  return std::string(utf8.substr(0, starts[lo])) + "…";
}

void OverlayPainter::label(Surface& target, const stage::Figure& f) {
  const long size = std::max(kSubpixels, static_cast<long>(f.radius * kLabelPerRadius));
  if (size != label_size_) {
    label_size_ = size;
    label_font_.set_size_26_6(size);
    label_cache_.clear();
  }
  auto it = label_cache_.find(f.label);
  if (it == label_cache_.end())
    it = label_cache_.emplace(f.label, label_font_.render(f.label, 0x000000, 0xFFFFFF)).first;
  const CaptionRenderer::Bitmap& b = it->second;
  const int x = static_cast<int>(std::lround(f.x - static_cast<float>(b.width) / 2));
  const int y = static_cast<int>(std::lround(f.y - static_cast<float>(b.height) / 2));
  const stage::PixelRect c = cut({x, y, b.width, b.height}, target);
  const std::uint32_t ink = pack(f.label_color);
  for (int ty = c.y; ty < c.y + c.h; ++ty)
    for (int tx = c.x; tx < c.x + c.w; ++tx) {
      const int coverage =
          channel(b.pixels[static_cast<std::size_t>(ty - y) * static_cast<std::size_t>(b.width) +
                           static_cast<std::size_t>(tx - x)],
                  8);
      if (coverage) target.at(tx, ty) = mix(target.at(tx, ty), ink, coverage);
    }
}

std::vector<Rect> OverlayPainter::paint_figures(std::span<const stage::Figure> figures,
                                                stage::Theme theme, Surface& target) {
  return raster::paint_figures(target, figures, theme,
                               [this](Surface& s, const stage::Figure& f) { label(s, f); });
}

std::optional<int> OverlayPainter::legend_hit(int x, int y) const {
  for (const auto& [r, position] : legend_rects_)
    if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) return position;
  return std::nullopt;
}

void OverlayPainter::paint_prompt(const stage::PracticeOverlay& p, const stage::PixelRect& box,
                                  std::uint32_t ink, Surface& target) {
  const int pad = std::max(1, line_ / 4);
  const int width = box.w - 2 * pad;
  const std::uint32_t prompt_ink = ink == kText ? kPromptInk : kLightPromptInk;
  int x = box.x + pad;
  x += text(target, x, box.y + pad / 2, fitted(p.who + " " + p.progress + "  ", width), ink, box);
  text(target, x, box.y + pad / 2, fitted(p.prompt, box.x + box.w - pad - x), prompt_ink, box);
  const std::string second =
      p.revealed ? (p.answer.empty() ? "→ ○" : p.answer) : std::string(stage::kRevealHint);
  const int y = box.y + pad / 2 + line_;
  x = box.x + pad;
  x += text(target, x, y, fitted(second, width), p.revealed ? ink : kDimText, box);
  // Once revealed, the keys that mark it, where the line has room for them.
  if (p.revealed) {
    const std::string hint = std::string("  ") + std::string(stage::kMarkHint);
    if (x + text_width(hint) <= box.x + box.w - pad) text(target, x, y, hint, kDimText, box);
  }
}

std::vector<Rect> OverlayPainter::paint_teaching(const stage::OverlayView& v, Surface& target) {
  std::vector<Rect> touched;
  const bool light = v.theme == stage::Theme::Light;
  const std::uint32_t ink = light ? kLightText : kText;
  const int pad = std::max(1, line_ / 4);
  if (v.command_box.w > 0 && v.command_box.h > 0 && !practice_key(v).empty()) {
    blend_rect(target, v.command_box, light ? kLightCard : kShade, kCardAlpha);
    paint_prompt(*v.practice, v.command_box, ink, target);
    touched.push_back(to_rect(v.command_box));
  } else if (v.command_box.w > 0 && v.command_box.h > 0) {
    const stage::PixelRect& box = v.command_box;
    blend_rect(target, box, light ? kLightCard : kShade, kCardAlpha);
    // Wrapped by code points (Japanese has no spaces to break at): the first
    // line takes what fits, the second the rest, cut with "…" if need be.
    const int width = box.w - 2 * pad;
    const std::vector<std::size_t> starts = code_point_starts(v.command);
    std::size_t lo = 0, hi = starts.size() - 1;
    while (lo < hi) {
      const std::size_t mid = (lo + hi + 1) / 2;
      if (text_width(std::string_view(v.command).substr(0, starts[mid])) <= width)
        lo = mid;
      else
        hi = mid - 1;
    }
    const std::string_view first = std::string_view(v.command).substr(0, starts[lo]);
    const std::string_view rest = std::string_view(v.command).substr(starts[lo]);
    text(target, box.x + pad, box.y + pad / 2, first, ink, box);
    if (!rest.empty())
      text(target, box.x + pad, box.y + pad / 2 + line_, fitted(rest, width), ink, box);
    touched.push_back(to_rect(box));
  }
  if (v.legend_box.w > 0 && !v.legend.empty()) {
    const stage::PixelRect& row = v.legend_box;
    int x = row.x;
    const float swatch = static_cast<float>(line_) / 3.0f;
    legend_rects_.clear();
    for (std::size_t i = 0; i < v.legend.size(); ++i) {
      const stage::LegendEntry& e = v.legend[i];
      if (x + line_ >= row.x + row.w) break;
      const int start = x;
      paint_disc(target, static_cast<float>(x) + swatch, static_cast<float>(row.y) + line_ / 2.0f,
                 swatch, e.color);
      x += line_;
      const int w = text(target, x, row.y, e.label, ink, row);
      // The followed position's entry is underlined in its colour.
      if (v.position && e.stands_for(*v.position))
        fill(target, {x, row.y + line_ - std::max(1, line_ / 12), w, std::max(1, line_ / 12)},
             pack(e.color));
      x += w + line_ / 2;
      legend_rects_.push_back({{start, row.y, x - start, row.h}, e.first});
    }
    touched.push_back(to_rect(row));
  }
  for (Rect& r : touched) {
    const stage::PixelRect c = cut({r.x, r.y, r.w, r.h}, target);
    r = {c.x, c.y, c.w, c.h};
  }
  return touched;
}

std::vector<Rect> OverlayPainter::paint(const stage::OverlayView& v, Surface& target) {
  std::vector<Rect> touched;
  if (v.teaching) touched = paint_teaching(v, target);
  if (!v.shown) return touched;
  const int pad = std::max(1, line_ / 4);

  // The timeline: the bar, the elapsed part, the loop, a mark per command and
  // the position across the whole bar's height.
  blend_rect(target, v.band, kShade, kBandAlpha);
  fill(target, v.bar, kBar);
  fill(target, {v.bar.x, v.bar.y, v.position_x - v.bar.x + 1, v.bar.h}, kElapsed);
  if (v.loop) blend_rect(target, *v.loop, kLoop, kLoopAlpha);
  const int mark_h = std::max(1, v.bar.h / 3);
  for (const int x : v.command_marks) fill(target, {x, v.bar.y, 1, mark_h}, kMark);
  fill(target, {v.position_x - 1, v.bar.y, 3, v.bar.h}, kPosition);

  // The status row: drill and time on the left; speed and the paused sign on the right.
  const int row_y = v.bar.y + v.bar.h + pad;
  int x = v.bar.x;
  x += text(target, x, row_y, v.drill, kText, v.band) + 2 * line_;
  x += text(target, x, row_y, v.time, kText, v.band) + 2 * line_;
  if (!v.position_name.empty()) {
    const std::string who = v.position_name + (v.mine_only ? "（自分のみ）" : "") +
                            (v.previous.empty() ? "" : "  " + v.previous);
    text(target, x, row_y, who, kPauseSign, v.band);
  }
  int right = v.bar.x + v.bar.w;
  if (v.paused) {
    // Two upright bars, drawn rather than a glyph the font may lack.
    const int bar_w = std::max(2, line_ / 5);
    const int sign_h = std::max(2, line_ * 3 / 4);
    const int top = row_y + (line_ - sign_h) / 2;
    right -= bar_w;
    fill(target, {right, top, bar_w, sign_h}, kPauseSign);
    right -= 2 * bar_w;
    fill(target, {right, top, bar_w, sign_h}, kPauseSign);
    right -= line_;
  }
  text(target, right - text_width(v.speed), row_y, v.speed, kText, v.band);
  touched.push_back(to_rect(v.band));

  if (v.panel) {
    blend_rect(target, *v.panel, kShade, kCardAlpha);
    frame_rect(target, *v.panel, kCardEdge);
    const int time_w = text_width("00:00") + line_ / 2;
    for (const stage::CommandRow& row : v.rows) {
      if (row.current) blend_rect(target, row.rect, kCurrentRow, kCurrentRowAlpha);
      if (row.mine || row.answered)
        fill(target, {row.rect.x - pad, row.rect.y, std::max(1, line_ / kStripeLines), row.rect.h},
             row.mine ? kMineStripe : kAnsweredStripe);
      text(target, row.rect.x, row.rect.y, row.time, row.current ? kText : kDimText, row.rect);
      text(target, row.rect.x + time_w, row.rect.y, fitted(row.text, row.rect.w - time_w), kText,
           row.rect);
    }
    touched.push_back(to_rect(*v.panel));
  }

  if (v.help) {
    const stage::PixelRect& card = *v.help;
    blend_rect(target, card, kShade, kCardAlpha);
    frame_rect(target, card, kCardEdge);
    const stage::PixelRect inside{card.x + pad, card.y + pad, card.w - 2 * pad, card.h - 2 * pad};
    const int keys_w = inside.w * 2 / 5;
    int y = inside.y;
    for (const stage::HelpLine& line : stage::help_lines(true, v.learner)) {
      text(target, inside.x, y, line.keys, kPauseSign, inside);
      text(target, inside.x + keys_w, y, line.action, kText, inside);
      y += line_;
    }
    touched.push_back(to_rect(card));
  }
  if (v.practice && v.practice->score_box) {
    // The score card over the drill: what was known of what was asked, the
    // last score, and the items missed (y asks them again).
    const stage::PixelRect& card = *v.practice->score_box;
    blend_rect(target, card, kShade, kCardAlpha);
    frame_rect(target, card, kCardEdge);
    const stage::PixelRect inside{card.x + pad, card.y + pad, card.w - 2 * pad, card.h - 2 * pad};
    int y = inside.y;
    for (std::size_t i = 0; i < v.practice->score_lines.size(); ++i) {
      text(target, inside.x, y, fitted(v.practice->score_lines[i], inside.w),
           i == 0 ? kPauseSign : kText, inside);
      y += line_;
    }
    touched.push_back(to_rect(card));
  }
  for (Rect& r : touched) {
    const stage::PixelRect c = cut({r.x, r.y, r.w, r.h}, target);
    r = {c.x, c.y, c.w, c.h};
  }
  std::erase_if(touched, [](const Rect& r) { return r.empty(); });
  return touched;
}

}  // namespace raster
