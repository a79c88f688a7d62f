#include "platform/win32/viewer_overlay.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <string_view>

#include "platform/win32/gdi_window.hpp"

namespace win32 {
namespace {

// Dark panels that keep the drill's lines readable beside them; the stage
// itself is black, so they stand out by their frames.
constexpr COLORREF kPanel = RGB(24, 24, 40);
constexpr COLORREF kFrame = RGB(110, 110, 140);
constexpr COLORREF kText = RGB(230, 230, 230);
constexpr COLORREF kDim = RGB(150, 150, 150);
constexpr COLORREF kBarBack = RGB(50, 50, 60);
constexpr COLORREF kElapsed = RGB(70, 110, 170);
constexpr COLORREF kLoop = RGB(60, 140, 80);
constexpr COLORREF kMark = RGB(255, 220, 0);
constexpr COLORREF kPosition = RGB(255, 255, 255);
constexpr COLORREF kCurrentRow = RGB(90, 70, 20);

RECT rect_of(const stage::PixelRect& r) { return {r.x, r.y, r.x + r.w, r.y + r.h}; }

COLORREF colorref(stage::Rgb c) { return RGB(c.r, c.g, c.b); }

int round_to_int(float v) { return static_cast<int>(std::lround(v)); }

// A line from a to b, `width` pixels wide with round ends.
void stroke(HDC dc, float ax, float ay, float bx, float by, float width, COLORREF color) {
  LOGBRUSH brush{BS_SOLID, color, 0};
  HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_ROUND | PS_JOIN_ROUND,
                          static_cast<DWORD>(std::max(1, round_to_int(width))), &brush, 0, nullptr);
  const HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, round_to_int(ax), round_to_int(ay), nullptr);
  LineTo(dc, round_to_int(bx), round_to_int(by));
  SelectObject(dc, old);
  DeleteObject(pen);
}

// The overlay font's size from the window height (pixels).
constexpr int kHeightPerPixelOfFont = 36;
constexpr int kMinFontPixels = 11;
constexpr int kMaxFontPixels = 26;
// A figure's outline and facing disc, as shares of its radius.
constexpr float kOutlineShare = 0.12f;
constexpr float kFacingRadiusShare = 0.40f;
constexpr float kFacingDistanceShare = 0.70f;
constexpr float kLabelPerRadius = 1.1f;  // the label's font height
constexpr COLORREF kLightCard = RGB(244, 244, 244);
constexpr COLORREF kLightText = RGB(34, 34, 34);
// The practice prompt's colour: the question stands out of the command box.
constexpr COLORREF kPromptInk = RGB(255, 208, 64);
constexpr COLORREF kLightPromptInk = RGB(138, 90, 0);
// The followed position's own rows in the list (its calls, and more faintly
// the commands it answers): a stripe down the row's left edge, a sixth of a line.
constexpr COLORREF kMineStripe = RGB(255, 208, 64);
constexpr COLORREF kAnsweredStripe = RGB(128, 128, 128);
constexpr int kStripeLines = 6;
constexpr int kUnderlineLines = 12;  // the chosen legend entry's underline, of a line
// Trail dots: the newest this share of the body's radius, the oldest a third
// of it; the oldest goes this far towards the ground.
constexpr float kTrailDotShare = 0.45f;
constexpr float kTrailOldestSize = 1.0f / 3.0f;
constexpr float kTrailOldestFade = 0.8f;
// The path: dots this share of the radius, one every so many radii, the
// ends' dots larger.
constexpr float kPathDotShare = 0.2f;
constexpr float kPathSpacingShare = 0.6f;
constexpr float kPathEndShare = 1.5f;
constexpr float kMinDot = 1.0f;
// The destination: the ring's and the cross's widths, of its radius, and
// how far the cross's arms reach.
constexpr float kRingWidthShare = 0.18f;
constexpr float kCrossWidthShare = 0.24f;
constexpr float kCrossReachShare = 0.7f;

HFONT gothic(int pixels) {
  return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE,
                     L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");  // ＭＳ Ｐゴシック
}

void disc(HDC dc, float cx, float cy, float r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  const HGDIOBJ old_brush = SelectObject(dc, brush);
  const HGDIOBJ old_pen = SelectObject(dc, pen);
  Ellipse(dc, static_cast<int>(std::lround(cx - r)), static_cast<int>(std::lround(cy - r)),
          static_cast<int>(std::lround(cx + r)) + 1, static_cast<int>(std::lround(cy + r)) + 1);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void fill(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void frame(HDC dc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FrameRect(dc, &r, brush);
  DeleteObject(brush);
}

void panel(HDC dc, const stage::PixelRect& r) {
  fill(dc, rect_of(r), kPanel);
  frame(dc, rect_of(r), kFrame);
}

// Text clipped to `clip`, starting at its left edge.
void text(HDC dc, const RECT& clip, std::string_view utf8, COLORREF color) {
  const std::wstring w = widen(std::string(utf8));
  SetTextColor(dc, color);
  ExtTextOutW(dc, clip.left, clip.top, ETO_CLIPPED, &clip, w.c_str(), static_cast<UINT>(w.size()),
              nullptr);
}

int text_width(HDC dc, std::string_view utf8) {
  const std::wstring w = widen(std::string(utf8));
  SIZE size{};
  GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
  return size.cx;
}

void paint_band(HDC dc, const stage::OverlayView& v, int line) {
  fill(dc, rect_of(v.band), kPanel);
  const RECT bar = rect_of(v.bar);
  fill(dc, bar, kBarBack);
  if (v.loop) fill(dc, rect_of(*v.loop), kLoop);
  fill(dc, {bar.left, bar.top + line / 3, v.position_x + 1, bar.bottom - line / 3}, kElapsed);
  for (const int x : v.command_marks) fill(dc, {x, bar.top, x + 1, bar.top + line / 3}, kMark);
  fill(dc, {v.position_x - 1, bar.top, v.position_x + 2, bar.bottom}, kPosition);
  frame(dc, bar, kFrame);

  // The status row: drill, time and speed on the left, the paused sign after them.
  const int pad = std::max(1, line / 4);
  RECT row{v.bar.x, v.bar.y + v.bar.h + pad, v.bar.x + v.bar.w, v.band.y + v.band.h};
  const std::string status = v.drill + "   " + v.time + "   " + v.speed;
  text(dc, row, status, kText);
  int x = row.left + text_width(dc, status) + line;
  if (v.paused) {
    // Two upright bars, the sign every player uses for "paused".
    const int top = row.top + line / 5, bottom = row.top + line - line / 5;
    const int w = std::max(2, line / 6);
    fill(dc, {x, top, x + w, bottom}, kText);
    fill(dc, {x + 2 * w, top, x + 3 * w, bottom}, kText);
    x += 3 * w + line;
  }
  // The position followed, its list narrowed or not, and its last score.
  if (!v.position_name.empty()) {
    const std::string who = v.position_name + (v.mine_only ? "（自分のみ）" : "") +
                            (v.previous.empty() ? "" : "  " + v.previous);
    text(dc, {x, row.top, row.right, row.bottom}, who, kMark);
  }
}

// The score card over the drill: what was known of what was asked, the last
// score, and the items missed (y asks them again).
void paint_score(HDC dc, const stage::OverlayView& v, int line) {
  const stage::PixelRect& card = *v.practice->score_box;
  panel(dc, card);
  const int pad = std::max(1, line / 4);
  int y = card.y + pad;
  // Whole lines only: a long list of missed items stops at the card's edge.
  for (std::size_t i = 0; i < v.practice->score_lines.size() && y + line <= card.y + card.h - pad;
       ++i) {
    const std::wstring w = widen(v.practice->score_lines[i]);
    RECT cell{card.x + pad, y, card.x + card.w - pad, y + line};
    SetTextColor(dc, i == 0 ? kMark : kText);
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &cell,
              DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    y += line;
  }
}

void paint_help(HDC dc, const stage::PixelRect& card, bool learner, int line) {
  panel(dc, card);
  const int pad = std::max(1, line / 4);
  int y = card.y + pad;
  int keys_w = 0;
  for (const stage::HelpLine& h : stage::help_lines(true, learner))
    keys_w = std::max(keys_w, text_width(dc, h.keys));
  const int keys_right = card.x + pad + keys_w + line / 2;
  for (const stage::HelpLine& h : stage::help_lines(true, learner)) {
    text(dc, {card.x + pad, y, keys_right, y + line}, h.keys, kMark);
    text(dc, {keys_right + pad, y, card.x + card.w - pad, y + line}, h.action, kText);
    y += line;
  }
}

void paint_commands(HDC dc, const stage::OverlayView& v, int line) {
  panel(dc, *v.panel);
  for (const stage::CommandRow& row : v.rows) {
    const RECT r = rect_of(row.rect);
    if (row.current) fill(dc, r, kCurrentRow);
    if (row.mine || row.answered) {
      const int pad = std::max(1, line / 4);
      fill(dc, {r.left - pad, r.top, r.left - pad + std::max(1, line / kStripeLines), r.bottom},
           row.mine ? kMineStripe : kAnsweredStripe);
    }
    const int time_w = text_width(dc, "00:00") + line / 2;
    text(dc, {r.left, r.top, r.left + time_w, r.bottom}, row.time, kDim);
    // Cut with "…" rather than at a character's edge.
    const std::wstring w = widen(std::string(row.text));
    RECT cell{r.left + time_w, r.top, r.right, r.bottom};
    SetTextColor(dc, kText);
    DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &cell,
              DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

// One line cut with "…" rather than at a character's edge.
void line_text(HDC dc, RECT cell, std::string_view utf8, COLORREF color) {
  const std::wstring w = widen(std::string(utf8));
  SetTextColor(dc, color);
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &cell,
            DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// The practice item asked, in the command box instead of the command (which
// would give the call away): whose practice and how far, the prompt, and
// under it the answer once revealed or the key that reveals it.
void paint_prompt(HDC dc, const stage::PracticeOverlay& p, const RECT& box, bool light, int line) {
  const COLORREF ink = light ? kLightText : kText;
  const std::string head = p.who + " " + p.progress + "  ";
  line_text(dc, {box.left, box.top, box.right, box.top + line}, head, ink);
  const int x = std::min(box.right, box.left + text_width(dc, head));
  line_text(dc, {x, box.top, box.right, box.top + line}, p.prompt,
            light ? kLightPromptInk : kPromptInk);
  const std::string second =
      p.revealed ? (p.answer.empty() ? "→ ○" : p.answer) : std::string(stage::kRevealHint);
  const RECT under{box.left, box.top + line, box.right, box.bottom};
  line_text(dc, under, second, p.revealed ? ink : kDim);
  // Once revealed, the keys that mark it, where the line has room for them.
  if (p.revealed) {
    const std::string hint = std::string("  ") + std::string(stage::kMarkHint);
    const int x = box.left + text_width(dc, second);
    if (x + text_width(dc, hint) <= box.right)
      line_text(dc, {x, under.top, box.right, under.bottom}, hint, kDim);
  }
}

// Where each legend entry lies: its swatch and its name, in the font selected.
std::vector<RECT> legend_layout(HDC dc, const stage::OverlayView& v, int line) {
  std::vector<RECT> out;
  int x = v.legend_box.x;
  for (const stage::LegendEntry& e : v.legend) {
    if (x + line >= v.legend_box.x + v.legend_box.w) break;
    const int w = line + text_width(dc, e.label);
    out.push_back({x, v.legend_box.y, x + w, v.legend_box.y + v.legend_box.h});
    x += w + line / 2;
  }
  return out;
}

// The command that stays, wrapped to its box (or the practice prompt), and
// the legend's row, the followed position's entry underlined in its colour.
void paint_teaching(HDC dc, const stage::OverlayView& v, int line) {
  const bool light = v.theme == stage::Theme::Light;
  const COLORREF ink = light ? kLightText : kText;
  const int pad = std::max(1, line / 4);
  fill(dc, rect_of(v.command_box), light ? kLightCard : kPanel);
  RECT box{v.command_box.x + pad, v.command_box.y + pad / 2,
           v.command_box.x + v.command_box.w - pad, v.command_box.y + v.command_box.h};
  if (v.practice && !v.practice->prompt.empty()) {
    paint_prompt(dc, *v.practice, box, light, line);
  } else {
    const std::wstring command = widen(v.command);
    SetTextColor(dc, ink);
    DrawTextW(dc, command.c_str(), static_cast<int>(command.size()), &box,
              DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
  const float swatch = static_cast<float>(line) / 3.0f;
  const std::vector<RECT> entries = legend_layout(dc, v, line);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const stage::LegendEntry& e = v.legend[i];
    const RECT& r = entries[i];
    disc(dc, static_cast<float>(r.left) + swatch, static_cast<float>(r.top) + line / 2.0f, swatch,
         colorref(e.color));
    text(dc, {r.left + line, r.top, r.right, r.top + line}, e.label, ink);
    if (v.position && e.stands_for(*v.position)) {
      const int thick = std::max(1, line / kUnderlineLines);
      fill(dc, {r.left + line, r.top + line - thick, r.right, r.top + line}, colorref(e.color));
    }
  }
}

}  // namespace

HFONT overlay_font(int extent) {
  return gothic(std::clamp(extent / kHeightPerPixelOfFont, kMinFontPixels, kMaxFontPixels));
}

void paint_figures(HDC dc, const std::vector<stage::Figure>& figures, stage::Theme theme) {
  const stage::Rgb ground = stage::theme_background(theme);
  const COLORREF outline = colorref(ground);
  SetBkMode(dc, TRANSPARENT);
  for (const stage::Figure& f : figures) {
    // A muted figure is drawn part way towards the ground, so that the
    // followed one stands out of a crowded squad.
    const auto shade = [&](stage::Rgb c) {
      return colorref(f.muted ? stage::towards(c, ground, stage::kMutedShare) : c);
    };
    const COLORREF facing = shade(stage::theme_ink(theme));
    const float edge = std::max(1.0f, f.radius * kOutlineShare);
    const float a = static_cast<float>(f.pose) * 360.0f / stage::pose::kCount *
                    std::numbers::pi_v<float> / 180.0f;
    const float fx = f.x + std::sin(a) * f.radius * kFacingDistanceShare;
    const float fy = f.y - std::cos(a) * f.radius * kFacingDistanceShare;
    const float fr = f.radius * kFacingRadiusShare;
    if (f.highlighted) {
      // The halo: a ring in its colour, then the ground inside it, so that
      // the outline stays clear.
      const float gap = f.radius * (1 + stage::kHaloGapShare) + edge;
      const float ring = gap + std::max(1.0f, f.radius * stage::kHaloWidthShare);
      disc(dc, f.x, f.y, ring, colorref(f.body));
      disc(dc, f.x, f.y, gap, outline);
    }
    disc(dc, f.x, f.y, f.radius + edge, outline);
    disc(dc, fx, fy, fr + edge, outline);
    disc(dc, f.x, f.y, f.radius, shade(f.body));
    disc(dc, fx, fy, fr, facing);
    if (!f.show_label) continue;
    HFONT font = gothic(std::max(1, static_cast<int>(f.radius * kLabelPerRadius)));
    const HGDIOBJ old = SelectObject(dc, font);
    const std::wstring label = widen(f.label);
    RECT r{static_cast<int>(f.x - f.radius), static_cast<int>(f.y - f.radius),
           static_cast<int>(f.x + f.radius) + 1, static_cast<int>(f.y + f.radius) + 1};
    SetTextColor(dc, shade(f.label_color));
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &r,
              DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
  }
}

std::optional<int> legend_hit(HDC dc, HFONT font, const stage::OverlayView& view, int x, int y) {
  if (!view.teaching) return std::nullopt;
  const HGDIOBJ old = SelectObject(dc, font);
  const std::vector<RECT> entries = legend_layout(dc, view, overlay_line_height(dc, font));
  SelectObject(dc, old);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const RECT& r = entries[i];
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return view.legend[i].first;
  }
  return std::nullopt;
}

void paint_trail(HDC dc, const std::vector<stage::TrailPoint>& trail, float radius,
                 stage::Rgb colour, stage::Rgb ground) {
  for (const stage::TrailPoint& p : trail) {
    const float age = std::clamp(p.age, 0.0f, 1.0f);
    const float size =
        std::max(kMinDot, radius * kTrailDotShare * (1 - (1 - kTrailOldestSize) * age));
    disc(dc, p.at.x, p.at.y, size,
         colorref(stage::towards(colour, ground, kTrailOldestFade * age)));
  }
}

void paint_path(HDC dc, const std::vector<stage::DevicePoint>& path, float radius,
                stage::Rgb colour) {
  if (path.empty()) return;
  const COLORREF c = colorref(colour);
  const float dot = std::max(kMinDot, radius * kPathDotShare);
  const float spacing = std::max(3 * dot, radius * kPathSpacingShare);
  disc(dc, path.front().x, path.front().y, dot * kPathEndShare, c);
  // Dots evenly along the whole line rather than at its keyframes' places
  // (a slow walk has a place every few pixels).
  float carried = 0;  // the distance walked since the last dot
  for (std::size_t i = 1; i < path.size(); ++i) {
    const stage::DevicePoint a = path[i - 1], b = path[i];
    const float length = std::hypot(b.x - a.x, b.y - a.y);
    float along = spacing - carried;
    for (; along < length; along += spacing)
      disc(dc, a.x + (b.x - a.x) * along / length, a.y + (b.y - a.y) * along / length, dot, c);
    carried = length - (along - spacing);
  }
  if (path.size() > 1) disc(dc, path.back().x, path.back().y, dot * kPathEndShare, c);
}

void paint_destination(HDC dc, stage::DevicePoint at, float radius, stage::Rgb colour) {
  if (radius <= 0) return;
  const COLORREF c = colorref(colour);
  LOGBRUSH brush{BS_SOLID, c, 0};
  HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID,
                          static_cast<DWORD>(std::max(1, round_to_int(radius * kRingWidthShare))),
                          &brush, 0, nullptr);
  const HGDIOBJ old_pen = SelectObject(dc, pen);
  const HGDIOBJ old_brush = SelectObject(dc, GetStockObject(NULL_BRUSH));
  Ellipse(dc, round_to_int(at.x - radius), round_to_int(at.y - radius),
          round_to_int(at.x + radius) + 1, round_to_int(at.y + radius) + 1);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(pen);
  const float reach = radius * kCrossReachShare;
  const float width = std::max(kMinDot, radius * kCrossWidthShare);
  stroke(dc, at.x - reach, at.y - reach, at.x + reach, at.y + reach, width, c);
  stroke(dc, at.x - reach, at.y + reach, at.x + reach, at.y - reach, width, c);
}

int overlay_line_height(HDC dc, HFONT font) {
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  return static_cast<int>(tm.tmHeight);
}

void paint_overlay(HDC dc, HFONT font, const stage::OverlayView& view) {
  if (!view.shown) return;
  const HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  const int line = overlay_line_height(dc, font);
  if (view.teaching) paint_teaching(dc, view, line);
  paint_band(dc, view, line);
  if (view.panel) paint_commands(dc, view, line);
  if (view.help) paint_help(dc, *view.help, view.learner, line);
  if (view.practice && view.practice->score_box) paint_score(dc, view, line);
  SelectObject(dc, old);
}

}  // namespace win32
