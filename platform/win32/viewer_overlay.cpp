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
  if (v.paused) {
    // Two upright bars, the sign every player uses for "paused".
    const int x = row.left + text_width(dc, status) + line;
    const int top = row.top + line / 5, bottom = row.top + line - line / 5;
    const int w = std::max(2, line / 6);
    fill(dc, {x, top, x + w, bottom}, kText);
    fill(dc, {x + 2 * w, top, x + 3 * w, bottom}, kText);
  }
}

void paint_help(HDC dc, const stage::PixelRect& card, int line) {
  panel(dc, card);
  const int pad = std::max(1, line / 4);
  int y = card.y + pad;
  int keys_w = 0;
  for (const stage::HelpLine& h : stage::help_lines())
    keys_w = std::max(keys_w, text_width(dc, h.keys));
  const int keys_right = card.x + pad + keys_w + line / 2;
  for (const stage::HelpLine& h : stage::help_lines()) {
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

// The command that stays, wrapped to its box, and the legend's row.
void paint_teaching(HDC dc, const stage::OverlayView& v, int line) {
  const bool light = v.theme == stage::Theme::Light;
  const COLORREF ink = light ? kLightText : kText;
  const int pad = std::max(1, line / 4);
  fill(dc, rect_of(v.command_box), light ? kLightCard : kPanel);
  const std::wstring command = widen(v.command);
  RECT box{v.command_box.x + pad, v.command_box.y + pad / 2,
           v.command_box.x + v.command_box.w - pad, v.command_box.y + v.command_box.h};
  SetTextColor(dc, ink);
  DrawTextW(dc, command.c_str(), static_cast<int>(command.size()), &box,
            DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_END_ELLIPSIS);
  int x = v.legend_box.x;
  const float swatch = static_cast<float>(line) / 3.0f;
  for (const stage::LegendEntry& e : v.legend) {
    if (x + line >= v.legend_box.x + v.legend_box.w) break;
    disc(dc, static_cast<float>(x) + swatch, static_cast<float>(v.legend_box.y) + line / 2.0f,
         swatch, colorref(e.color));
    x += line;
    text(dc, {x, v.legend_box.y, v.legend_box.x + v.legend_box.w, v.legend_box.y + line}, e.label,
         ink);
    x += text_width(dc, e.label) + line / 2;
  }
}

}  // namespace

HFONT overlay_font(int height) {
  return gothic(std::clamp(height / kHeightPerPixelOfFont, kMinFontPixels, kMaxFontPixels));
}

void paint_figures(HDC dc, const std::vector<stage::Figure>& figures, stage::Theme theme) {
  const COLORREF outline = colorref(stage::theme_background(theme));
  const COLORREF facing = colorref(stage::theme_ink(theme));
  SetBkMode(dc, TRANSPARENT);
  for (const stage::Figure& f : figures) {
    const float edge = std::max(1.0f, f.radius * kOutlineShare);
    const float a = static_cast<float>(f.pose) * 360.0f / stage::pose::kCount *
                    std::numbers::pi_v<float> / 180.0f;
    const float fx = f.x + std::sin(a) * f.radius * kFacingDistanceShare;
    const float fy = f.y - std::cos(a) * f.radius * kFacingDistanceShare;
    const float fr = f.radius * kFacingRadiusShare;
    disc(dc, f.x, f.y, f.radius + edge, outline);
    disc(dc, fx, fy, fr + edge, outline);
    disc(dc, f.x, f.y, f.radius, colorref(f.body));
    disc(dc, fx, fy, fr, facing);
    if (!f.show_label) continue;
    HFONT font = gothic(std::max(1, static_cast<int>(f.radius * kLabelPerRadius)));
    const HGDIOBJ old = SelectObject(dc, font);
    const std::wstring label = widen(f.label);
    RECT r{static_cast<int>(f.x - f.radius), static_cast<int>(f.y - f.radius),
           static_cast<int>(f.x + f.radius) + 1, static_cast<int>(f.y + f.radius) + 1};
    SetTextColor(dc, colorref(f.label_color));
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &r,
              DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
  }
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
  if (view.help) paint_help(dc, *view.help, line);
  SelectObject(dc, old);
}

}  // namespace win32
