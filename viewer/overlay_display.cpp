#include "viewer/overlay_display.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace viewer {

using stage::BoxItem;
using stage::DiscItem;
using stage::DisplayList;
using stage::HitKind;
using stage::kOpaqueAlpha;
using stage::legend;
using stage::LegendEntry;
using stage::PixelRect;
using stage::Rgb;
using stage::TextItem;
using stage::TextMeasure;
using stage::Theme;

namespace {

// The band's and the cards' colours. On the dark theme they darken the
// stage below rather than hide it, so that a figure under the timeline stays
// visible; on the light theme (and the saver's dark picture has none) they
// are light, with dark text, as the picture around them is.
struct PanelColours {
  Rgb shade;  // what the band and the cards lay over the stage
  int band_alpha;
  int card_alpha;
  Rgb edge;  // a card's frame
  Rgb bar;
  Rgb elapsed;
  Rgb loop;
  Rgb mark;      // a command's start on the bar
  Rgb position;  // where the playback is on the bar
  Rgb text;
  Rgb dim;
  Rgb current_row;
  Rgb sign;  // the paused sign, the position's name, the keys, the score's head
  Rgb answered;
};
constexpr int kLoopAlpha = 110;
constexpr int kCurrentRowAlpha = 200;
constexpr PanelColours kDarkPanels{{0x00, 0x00, 0x00},
                                   160,
                                   210,
                                   {0x80, 0x80, 0x80},
                                   {0x40, 0x40, 0x40},
                                   {0x2F, 0x6F, 0xB0},
                                   {0xD0, 0xB0, 0x00},
                                   {0xE0, 0xE0, 0xE0},
                                   {0xFF, 0xFF, 0xFF},
                                   {0xFF, 0xFF, 0xFF},
                                   {0xA0, 0xA0, 0xA0},
                                   {0x2F, 0x6F, 0xB0},
                                   {0xFF, 0xD0, 0x40},
                                   {0x80, 0x80, 0x80}};
constexpr PanelColours kLightPanels{{0xF4, 0xF4, 0xF4},
                                    230,
                                    235,
                                    {0x90, 0x90, 0x90},
                                    {0xC8, 0xC8, 0xC8},
                                    {0x2F, 0x6F, 0xB0},
                                    {0xD0, 0xB0, 0x00},
                                    {0x50, 0x50, 0x50},
                                    {0x22, 0x22, 0x22},
                                    {0x22, 0x22, 0x22},
                                    {0x66, 0x66, 0x66},
                                    {0xB8, 0xD4, 0xF0},
                                    {0x8A, 0x5A, 0x00},
                                    {0x90, 0x90, 0x90}};
const PanelColours& panel_colours(Theme theme) {
  return theme == Theme::Light ? kLightPanels : kDarkPanels;
}
// The saver's picture is dark whatever theme the viewer keeps.
const PanelColours& panel_colours(const OverlayView& v) {
  return panel_colours(v.teaching ? v.theme : Theme::Dark);
}
constexpr int kStripeLines = 6;      // the followed position's rows' stripe, a sixth of a line
constexpr int kUnderlineLines = 12;  // the followed legend entry's underline, of a line
// The practice prompt's colour: the question stands out of the command box.
constexpr Rgb kPromptInk{0xFF, 0xD0, 0x40};
constexpr Rgb kLightPromptInk{0x8A, 0x5A, 0x00};
// The teaching layout's boxes: a dark card with white text on the dark
// theme, a light one with dark text on the light theme.
constexpr Rgb kShade{0x00, 0x00, 0x00};
constexpr int kCardAlpha = 210;
constexpr Rgb kText{0xFF, 0xFF, 0xFF};
constexpr Rgb kLightCard{0xF4, 0xF4, 0xF4};
constexpr Rgb kLightText{0x22, 0x22, 0x22};
// The widest time a command row shows, which sets where its text starts.
constexpr std::string_view kWidestTime = "00:00";

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

// Items added to a list, text measured as it goes.
class Builder {
 public:
  Builder(DisplayList& out, int line, TextMeasure& measure)
      : out_(out), line_(line), measure_(measure) {}

  void box(const PixelRect& r, Rgb colour, int alpha = kOpaqueAlpha) {
    out_.items.emplace_back(BoxItem{r, colour, alpha});
  }
  void frame(const PixelRect& r, Rgb colour) {
    box({r.x, r.y, r.w, 1}, colour);
    box({r.x, r.y + r.h - 1, r.w, 1}, colour);
    box({r.x, r.y, 1, r.h}, colour);
    box({r.x + r.w - 1, r.y, 1, r.h}, colour);
  }
  // A card darkening what is below, framed.
  void card(const PixelRect& r, const PanelColours& c) {
    box(r, c.shade, c.card_alpha);
    frame(r, c.edge);
  }
  // A line of text at (x, y) cut to `clip`; returns its width.
  int text(int x, int y, std::string_view utf8, Rgb colour, const PixelRect& clip) {
    const int w = width(utf8);
    if (!utf8.empty()) out_.items.emplace_back(TextItem{x, y, std::string(utf8), colour, clip});
    return w;
  }
  int width(std::string_view utf8) { return utf8.empty() ? 0 : measure_.text_width(utf8); }
  std::string fitted(std::string_view utf8, int w) { return fitted_text(utf8, w, measure_); }
  void reserve(std::size_t more) { out_.items.reserve(out_.items.size() + more); }
  void area(const PixelRect& r) { out_.areas.push_back(r); }
  void hit(const PixelRect& r, HitKind kind, int value) { out_.hits.push_back({r, kind, value}); }
  int line() const { return line_; }
  int pad() const { return std::max(1, line_ / 4); }

 private:
  DisplayList& out_;
  int line_;
  TextMeasure& measure_;
};

// What the command box says during a practice item (instead of the command,
// which would give the coming call away): whose practice and how far, the
// prompt, and under it the answer once revealed or the key that reveals it.
void prompt(Builder& b, const PracticeOverlay& p, const PixelRect& box, Rgb ink, bool light) {
  const int pad = b.pad();
  const int width = box.w - 2 * pad;
  int x = box.x + pad;
  x += b.text(x, box.y + pad / 2, b.fitted(p.who + " " + p.progress + "  ", width), ink, box);
  b.text(x, box.y + pad / 2, b.fitted(p.prompt, box.x + box.w - pad - x),
         light ? kLightPromptInk : kPromptInk, box);
  const std::string second =
      p.revealed ? (p.answer.empty() ? "→ ○" : p.answer) : std::string(kRevealHint);
  const int y = box.y + pad / 2 + b.line();
  x = box.x + pad;
  const Rgb dim = panel_colours(light ? Theme::Light : Theme::Dark).dim;
  x += b.text(x, y, b.fitted(second, width), p.revealed ? ink : dim, box);
  // Once revealed, the keys that mark it, where the line has room for them.
  if (p.revealed) {
    std::string hint = "  ";
    hint.append(kMarkHint);
    if (x + b.width(hint) <= box.x + box.w - pad) b.text(x, y, hint, dim, box);
  }
}

// The command wrapped by code points (Japanese has no spaces to break at):
// the first line takes what fits, the second the rest, cut with "…" if need be.
void command(Builder& b, std::string_view text, const PixelRect& box, Rgb ink) {
  const int pad = b.pad();
  const int width = box.w - 2 * pad;
  const std::vector<std::size_t> starts = code_point_starts(text);
  std::size_t lo = 0, hi = starts.size() - 1;
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    if (b.width(text.substr(0, starts[mid])) <= width)
      lo = mid;
    else
      hi = mid - 1;
  }
  const std::string_view first = text.substr(0, starts[lo]);
  const std::string_view rest = text.substr(starts[lo]);
  b.text(box.x + pad, box.y + pad / 2, first, ink, box);
  if (!rest.empty())
    b.text(box.x + pad, box.y + pad / 2 + b.line(), b.fitted(rest, width), ink, box);
}

void legend(Builder& b, DisplayList& out, const OverlayView& v, Rgb ink) {
  const PixelRect& row = v.legend_box;
  const int line = b.line();
  const float swatch = static_cast<float>(line) / 3.0f;
  int x = row.x;
  for (const LegendEntry& e : v.legend) {
    if (x + line >= row.x + row.w) break;
    const int start = x;
    out.items.emplace_back(DiscItem{static_cast<float>(x) + swatch,
                                    static_cast<float>(row.y) + static_cast<float>(line) / 2.0f,
                                    swatch, e.color});
    x += line;
    const int w = b.text(x, row.y, e.label, ink, row);
    // The followed position's entry is underlined in its colour.
    if (v.position && e.stands_for(*v.position)) {
      const int thick = std::max(1, line / kUnderlineLines);
      b.box({x, row.y + line - thick, w, thick}, e.color);
    }
    x += w + line / 2;
    b.hit({start, row.y, x - start, row.h}, HitKind::Legend, e.first);
  }
}

void band(Builder& b, const OverlayView& v) {
  const int line = b.line();
  const int pad = b.pad();
  // The bar, the elapsed part, the loop, a mark per command and the position
  // across the whole bar's height, then a few lines of status.
  constexpr std::size_t kBandItems = 16;
  b.reserve(v.command_marks.size() + kBandItems);
  const PanelColours& c = panel_colours(v);
  b.box(v.band, c.shade, c.band_alpha);
  b.box(v.bar, c.bar);
  b.box({v.bar.x, v.bar.y, v.position_x - v.bar.x + 1, v.bar.h}, c.elapsed);
  if (v.loop) b.box(*v.loop, c.loop, kLoopAlpha);
  const int mark_h = std::max(1, v.bar.h / 3);
  for (const int x : v.command_marks) b.box({x, v.bar.y, 1, mark_h}, c.mark);
  b.box({v.position_x - 1, v.bar.y, 3, v.bar.h}, c.position);

  // The status row: drill and time on the left; speed and the paused sign on the right.
  const int row_y = v.bar.y + v.bar.h + pad;
  int x = v.bar.x;
  x += b.text(x, row_y, v.drill, c.text, v.band) + 2 * line;
  x += b.text(x, row_y, v.time, c.text, v.band) + 2 * line;
  if (!v.position_name.empty()) {
    std::string who = v.position_name;
    if (v.mine_only) who.append("（自分のみ）");
    if (!v.previous.empty()) who.append("  ").append(v.previous);
    b.text(x, row_y, who, c.sign, v.band);
  }
  int right = v.bar.x + v.bar.w;
  if (v.paused) {
    // Two upright bars, drawn rather than a glyph the font may lack.
    const int bar_w = std::max(2, line / 5);
    const int sign_h = std::max(2, line * 3 / 4);
    const int top = row_y + (line - sign_h) / 2;
    right -= bar_w;
    b.box({right, top, bar_w, sign_h}, c.sign);
    right -= 2 * bar_w;
    b.box({right, top, bar_w, sign_h}, c.sign);
    right -= line;
  }
  b.text(right - b.width(v.speed), row_y, v.speed, c.text, v.band);
  b.area(v.band);
  b.hit(v.band, HitKind::Timeline, 0);
}

void command_list(Builder& b, const OverlayView& v) {
  const int line = b.line();
  const int pad = b.pad();
  const PanelColours& c = panel_colours(v);
  b.card(*v.panel, c);
  const int time_w = b.width(kWidestTime) + line / 2;
  for (const CommandRow& row : v.rows) {
    if (row.current) b.box(row.rect, c.current_row, kCurrentRowAlpha);
    if (row.mine || row.answered)
      b.box({row.rect.x - pad, row.rect.y, std::max(1, line / kStripeLines), row.rect.h},
            row.mine ? c.sign : c.answered);
    b.text(row.rect.x, row.rect.y, row.time, row.current ? c.text : c.dim, row.rect);
    b.text(row.rect.x + time_w, row.rect.y, b.fitted(row.text, row.rect.w - time_w), c.text,
           row.rect);
    b.hit(row.rect, HitKind::Command, row.command);
  }
  b.area(*v.panel);
}

void help_card(Builder& b, const OverlayView& v) {
  const PixelRect& card = *v.help;
  const int pad = b.pad();
  const PanelColours& c = panel_colours(v);
  b.card(card, c);
  const PixelRect inside{card.x + pad, card.y + pad, card.w - 2 * pad, card.h - 2 * pad};
  const std::span<const HelpLine> lines = help_lines(true, v.learner);
  // The keys' column as wide as its widest entry, but never more than half
  // the card: a font with wide Latin letters cuts a key rather than the action.
  int keys_w = 0;
  for (const HelpLine& line : lines) keys_w = std::max(keys_w, b.width(line.keys));
  keys_w = std::min(keys_w + b.line() / 2, inside.w / 2);
  const PixelRect keys{inside.x, inside.y, std::max(0, keys_w - pad), inside.h};
  int y = inside.y;
  for (const HelpLine& line : lines) {
    b.text(inside.x, y, line.keys, c.sign, keys);
    b.text(inside.x + keys_w, y, b.fitted(line.action, inside.w - keys_w), c.text, inside);
    y += b.line();
  }
  b.area(card);
}

// The score card over the drill: what was known of what was asked, the last
// score, and the items missed (y asks them again).
void score_card(Builder& b, const PracticeOverlay& p, const PanelColours& c) {
  const PixelRect& card = *p.score_box;
  const int pad = b.pad();
  b.card(card, c);
  const PixelRect inside{card.x + pad, card.y + pad, card.w - 2 * pad, card.h - 2 * pad};
  int y = inside.y;
  for (std::size_t i = 0; i < p.score_lines.size(); ++i) {
    b.text(inside.x, y, b.fitted(p.score_lines[i], inside.w), i == 0 ? c.sign : c.text, inside);
    y += b.line();
  }
  b.area(card);
}

// What the command box says during a practice item, as one key: the box is
// painted again when it changes.
std::string practice_key(const OverlayView& v) {
  if (!v.practice || v.practice->prompt.empty()) return {};
  return v.practice->progress + v.practice->prompt + v.practice->answer;
}

}  // namespace

bool TeachingBoxesShown::due(const OverlayView& v, int drill,
                             const std::function<bool(const PixelRect&)>& restored) {
  if (!v.teaching) return false;
  const std::string practice = practice_key(v);
  const bool same = shown_ && v.command == command_ && practice == practice_ && drill == drill_ &&
                    v.position == position_ && v.theme == theme_ && v.command_box == command_box_ &&
                    v.legend_box == legend_box_;
  if (same && !restored(v.command_box) && !restored(v.legend_box)) return false;
  shown_ = true;
  command_ = v.command;
  practice_ = practice;
  position_ = v.position;
  drill_ = drill;
  theme_ = v.theme;
  command_box_ = v.command_box;
  legend_box_ = v.legend_box;
  return true;
}

std::string fitted_text(std::string_view utf8, int width, TextMeasure& measure) {
  if (measure.text_width(utf8) <= width) return std::string(utf8);
  const std::vector<std::size_t> starts = code_point_starts(utf8);
  // The longest prefix that fits with the ellipsis, by halving.
  std::size_t lo = 0, hi = starts.size() - 1;
  while (lo < hi) {
    const std::size_t mid = (lo + hi + 1) / 2;
    std::string prefix(utf8.substr(0, starts[mid]));
    prefix.append("…");
    if (measure.text_width(prefix) <= width)
      lo = mid;
    else
      hi = mid - 1;
  }
  std::string out(utf8.substr(0, starts[lo]));
  out.append("…");
  return out;
}

DisplayList teaching_boxes_display(const OverlayView& v, int line, TextMeasure& measure) {
  DisplayList out;
  if (!v.teaching) return out;
  Builder b(out, line, measure);
  const bool light = v.theme == Theme::Light;
  const Rgb ink = light ? kLightText : kText;
  const PixelRect& box = v.command_box;
  if (box.w > 0 && box.h > 0) {
    b.box(box, light ? kLightCard : kShade, kCardAlpha);
    if (v.practice && !v.practice->prompt.empty())
      prompt(b, *v.practice, box, ink, light);
    else
      command(b, v.command, box, ink);
    b.area(box);
  }
  if (v.legend_box.w > 0 && !v.legend.empty()) {
    legend(b, out, v, ink);
    b.area(v.legend_box);
  }
  return out;
}

DisplayList panels_display(const OverlayView& v, int line, TextMeasure& measure) {
  DisplayList out;
  if (!v.shown) return out;
  Builder b(out, line, measure);
  band(b, v);
  if (v.panel) command_list(b, v);
  if (v.help) help_card(b, v);
  if (v.practice && v.practice->score_box) score_card(b, *v.practice, panel_colours(v));
  return out;
}

DisplayList overlay_display(const OverlayView& v, int line, TextMeasure& measure) {
  DisplayList out = teaching_boxes_display(v, line, measure);
  out.append(panels_display(v, line, measure));
  return out;
}

}  // namespace viewer
