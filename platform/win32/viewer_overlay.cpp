#include "platform/win32/viewer_overlay.hpp"

#include <algorithm>
#include <cmath>
#include <string>
#include <variant>

#include "platform/win32/gdi_window.hpp"

namespace win32 {
namespace {

// The overlay font's size from the window height (pixels).
constexpr int kHeightPerPixelOfFont = 36;
constexpr int kMinFontPixels = 11;
constexpr int kMaxFontPixels = 26;

COLORREF colorref(stage::Rgb c) { return RGB(c.r, c.g, c.b); }

int round_to_int(float v) { return static_cast<int>(std::lround(v)); }

HFONT gothic(int pixels) {
  return CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE,
                     L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");  // ＭＳ Ｐゴシック
}

RECT rect_of(const stage::PixelRect& r) { return {r.x, r.y, r.x + r.w, r.y + r.h}; }

// A box over what is below: opaque, or blended through a one-pixel bitmap
// of its colour stretched over it.
void box(HDC dc, const stage::BoxItem& b) {
  if (b.rect.w <= 0 || b.rect.h <= 0) return;
  if (b.alpha >= stage::kOpaqueAlpha) {
    const RECT r = rect_of(b.rect);
    HBRUSH brush = CreateSolidBrush(colorref(b.colour));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    return;
  }
  MemoryBuffer pixel;
  pixel.create(dc, 1, 1);
  *pixel.bits() = (std::uint32_t{b.colour.r} << 16) | (std::uint32_t{b.colour.g} << 8) | b.colour.b;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, static_cast<BYTE>(std::clamp(b.alpha, 0, 255)), 0};
  GdiAlphaBlend(dc, b.rect.x, b.rect.y, b.rect.w, b.rect.h, pixel.dc(), 0, 0, 1, 1, blend);
}

void disc(HDC dc, const stage::DiscItem& d) {
  if (d.radius <= 0) return;
  const COLORREF c = colorref(d.colour);
  HBRUSH brush = CreateSolidBrush(c);
  HPEN pen = CreatePen(PS_SOLID, 1, c);
  const HGDIOBJ old_brush = SelectObject(dc, brush);
  const HGDIOBJ old_pen = SelectObject(dc, pen);
  Ellipse(dc, round_to_int(d.x - d.radius), round_to_int(d.y - d.radius),
          round_to_int(d.x + d.radius) + 1, round_to_int(d.y + d.radius) + 1);
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void text(HDC dc, const stage::TextItem& t) {
  const std::wstring w = widen(t.text);
  const RECT clip = rect_of(t.clip);
  SetTextColor(dc, colorref(t.colour));
  ExtTextOutW(dc, t.x, t.y, ETO_CLIPPED, &clip, w.c_str(), static_cast<UINT>(w.size()), nullptr);
}

void label(HDC dc, const stage::LabelItem& l) {
  HFONT font = gothic(std::max(1, round_to_int(l.size)));
  const HGDIOBJ old = SelectObject(dc, font);
  const std::wstring w = widen(l.text);
  RECT r{round_to_int(l.x - l.size), round_to_int(l.y - l.size), round_to_int(l.x + l.size) + 1,
         round_to_int(l.y + l.size) + 1};
  SetTextColor(dc, colorref(l.colour));
  DrawTextW(dc, w.c_str(), static_cast<int>(w.size()), &r,
            DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteObject(font);
}

}  // namespace

HFONT overlay_font(int extent) {
  return gothic(std::clamp(extent / kHeightPerPixelOfFont, kMinFontPixels, kMaxFontPixels));
}

int overlay_line_height(HDC dc, HFONT font) {
  const HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  return static_cast<int>(tm.tmHeight);
}

int overlay_text_width(HDC dc, HFONT font, std::string_view utf8) {
  const HGDIOBJ old = SelectObject(dc, font);
  const std::wstring w = widen(std::string(utf8));
  SIZE size{};
  GetTextExtentPoint32W(dc, w.c_str(), static_cast<int>(w.size()), &size);
  SelectObject(dc, old);
  return size.cx;
}

void paint_display(HDC dc, HFONT font, const stage::DisplayList& list) {
  const HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  for (const stage::DisplayItem& item : list.items) {
    if (const auto* b = std::get_if<stage::BoxItem>(&item))
      box(dc, *b);
    else if (const auto* d = std::get_if<stage::DiscItem>(&item))
      disc(dc, *d);
    else if (const auto* t = std::get_if<stage::TextItem>(&item))
      text(dc, *t);
    else if (const auto* l = std::get_if<stage::LabelItem>(&item))
      label(dc, *l);
  }
  SelectObject(dc, old);
}

}  // namespace win32
