#include "platform/win32/gdi_window.hpp"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "stage/assets.hpp"
#include "stage/rounding.hpp"

namespace win32 {
namespace {

COLORREF colorref(stage::Rgb c) { return RGB(c.r, c.g, c.b); }

// Selects a GDI object for the lifetime of the scope and deletes it afterwards
// when it was made for the occasion (stock objects are not deleted).
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj, bool owned) : dc_(dc), obj_(obj), owned_(owned) {
    old_ = SelectObject(dc_, obj_);
  }
  ~Selected() {
    SelectObject(dc_, old_);
    if (owned_) DeleteObject(obj_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ obj_;
  HGDIOBJ old_;
  bool owned_;
};

Selected pen(HDC dc, stage::Rgb c) { return {dc, CreatePen(PS_SOLID, 1, colorref(c)), true}; }

// The surface as runs of equal pixels, row after row.
class RunLengthSnapshot final : public stage::SurfaceSnapshot {
 public:
  struct Run {
    std::uint32_t length;
    std::uint32_t pixel;
  };
  RunLengthSnapshot(int width, int height) : width_(width), height_(height) {}
  int width() const { return width_; }
  int height() const { return height_; }
  std::vector<Run>& runs() { return runs_; }
  const std::vector<Run>& runs() const { return runs_; }

 private:
  int width_;
  int height_;
  std::vector<Run> runs_;
};

}  // namespace

std::wstring widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string narrow(const std::wstring& utf16) {
  if (utf16.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

TwipsPerPixel screen_twips_per_pixel() {
  TwipsPerPixel t;
  HDC screen = GetDC(nullptr);
  const int dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  const int dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  if (dpi_x > 0) t.x = 1440.0f / static_cast<float>(dpi_x);
  if (dpi_y > 0) t.y = 1440.0f / static_cast<float>(dpi_y);
  return t;
}

MemoryBuffer::~MemoryBuffer() {
  if (dc_) {
    SelectObject(dc_, old_bitmap_);
    DeleteDC(dc_);
  }
  if (bitmap_) DeleteObject(bitmap_);
}

void MemoryBuffer::create(HDC reference, int width, int height) {
  width_ = std::max(width, 1);
  height_ = std::max(height, 1);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down: row 0 first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  dc_ = CreateCompatibleDC(reference);
  bitmap_ = CreateDIBSection(reference, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
  old_bitmap_ = SelectObject(dc_, bitmap_);
  RECT all{0, 0, width_, height_};
  FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

std::uint32_t MemoryBuffer::pixel(int x, int y) const {
  if (!bits_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  GdiFlush();  // GDI may batch drawing on the DIB section
  const auto* row = static_cast<const std::uint32_t*>(bits_) +
                    static_cast<std::size_t>(y) * static_cast<std::size_t>(width_);
  return row[x] & 0x00FFFFFFu;
}

std::uint32_t* MemoryBuffer::bits() const {
  GdiFlush();
  return static_cast<std::uint32_t*>(bits_);
}

GdiWindow::GdiWindow(HWND hwnd, int width, int height)
    : hwnd_(hwnd), width_px_(width), height_px_(height) {
  const TwipsPerPixel tpp = screen_twips_per_pixel();
  tpp_x_ = tpp.x;
  tpp_y_ = tpp.y;
  dpi_y_ = static_cast<int>(stage::round_half_even(1440.0 / tpp_y_));
  HDC screen = GetDC(nullptr);
  surface_.create(screen, width, height);
  frame_.create(screen, width, height);
  sprites_.create(screen, stage::kSpriteSize * stage::kPoses, stage::kSpriteSize);
  ReleaseDC(nullptr, screen);

  // The pose sprites go into one strip once; StretchBlt takes them from there.
  for (int p = 0; p < stage::kPoses; ++p) {
    const stage::Sprite& sprite = stage::pose_sprite(p);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = stage::kSpriteSize;
    info.bmiHeader.biHeight = -stage::kSpriteSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(sprites_.dc(), p * stage::kSpriteSize, 0, stage::kSpriteSize,
                      stage::kSpriteSize, 0, 0, 0, stage::kSpriteSize, sprite.pixels.data(), &info,
                      DIB_RGB_COLORS);
  }
  rebuild_font();
}

GdiWindow::~GdiWindow() {
  if (caption_font_) DeleteObject(caption_font_);
}

int GdiWindow::px_x(float twips) const {
  return static_cast<int>(stage::round_half_even(static_cast<double>(twips) / tpp_x_));
}
int GdiWindow::px_y(float twips) const {
  return static_cast<int>(stage::round_half_even(static_cast<double>(twips) / tpp_y_));
}

void GdiWindow::clear() {
  RECT all{0, 0, surface_.width(), surface_.height()};
  FillRect(surface_.dc(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  changed();
}

void GdiWindow::line(float x1, float y1, float x2, float y2, stage::Rgb color) {
  HDC dc = surface_.dc();
  const int ax = px_x(x1), ay = px_y(y1), bx = px_x(x2), by = px_y(y2);
  {
    Selected p = pen(dc, color);
    MoveToEx(dc, ax, ay, nullptr);
    LineTo(dc, bx, by);
  }
  SetPixelV(dc, bx, by, colorref(color));  // LineTo leaves the end point out
  changed();
}

void GdiWindow::box(float x1, float y1, float x2, float y2, stage::Rgb color) {
  HDC dc = surface_.dc();
  const int ax = px_x(x1), ay = px_y(y1), bx = px_x(x2), by = px_y(y2);
  Selected p = pen(dc, color);
  Selected b(dc, GetStockObject(NULL_BRUSH), false);
  // Rectangle stops one pixel short on the right and at the bottom.
  Rectangle(dc, std::min(ax, bx), std::min(ay, by), std::max(ax, bx) + 1, std::max(ay, by) + 1);
  changed();
}

void GdiWindow::filled_box(float x1, float y1, float x2, float y2, stage::Rgb color) {
  const int ax = px_x(x1), ay = px_y(y1), bx = px_x(x2), by = px_y(y2);
  RECT r{std::min(ax, bx), std::min(ay, by), std::max(ax, bx) + 1, std::max(ay, by) + 1};
  HBRUSH brush = CreateSolidBrush(colorref(color));
  FillRect(surface_.dc(), &r, brush);
  DeleteObject(brush);
  changed();
}

void GdiWindow::circle(float cx, float cy, float r, stage::Rgb color) {
  HDC dc = surface_.dc();
  const int x = px_x(cx), y = px_y(cy);
  const int radius = px_x(r);  // the radius is measured along x
  Selected p = pen(dc, color);
  const bool solid = fill_style_ == stage::FillStyle::Solid;
  Selected b(dc, solid ? CreateSolidBrush(colorref(fill_color_)) : GetStockObject(NULL_BRUSH),
             solid);
  Ellipse(dc, x - radius, y - radius, x + radius + 1, y + radius + 1);
  changed();
}

void GdiWindow::flood_fill(int px, int py, stage::Rgb border) {
  HDC dc = surface_.dc();
  Selected b(dc, CreateSolidBrush(colorref(fill_color_)), true);
  ExtFloodFill(dc, px, py, colorref(border), FLOODFILLBORDER);
  changed();
}

void GdiWindow::set_slot_left(int slot, float left) {
  slots_.at(static_cast<std::size_t>(slot)).left = left;
  changed();
}
void GdiWindow::set_slot_top(int slot, float top) {
  slots_.at(static_cast<std::size_t>(slot)).top = top;
  changed();
}
void GdiWindow::set_slot_size(int slot, float width, float height) {
  stage::ImageSlot& s = slots_.at(static_cast<std::size_t>(slot));
  s.width = width;
  s.height = height;
  changed();
}
void GdiWindow::set_slot_picture(int slot, int pose) {
  if (pose < 0 || pose >= stage::kPoses) pose = -1;  // no such picture: the slot shows nothing
  slots_.at(static_cast<std::size_t>(slot)).pose = pose;
  changed();
}
void GdiWindow::set_slot_visible(int slot, bool visible) {
  slots_.at(static_cast<std::size_t>(slot)).visible = visible;
  changed();
}

void GdiWindow::set_caption_left(float left) {
  caption_left_ = left;
  changed();
}
void GdiWindow::set_caption_text(const std::string& utf8) {
  caption_text_ = widen(utf8);
  changed();
}
void GdiWindow::set_caption_font_size(int points) {
  caption_points_ = std::max(points, 1);
  rebuild_font();
  changed();
}

void GdiWindow::rebuild_font() {
  if (caption_font_) DeleteObject(caption_font_);
  caption_font_ = CreateFontW(-MulDiv(caption_points_, dpi_y_, 72), 0, 0, 0, FW_NORMAL, FALSE,
                              FALSE, FALSE, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                              L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF");  // ＭＳ Ｐゴシック
}

float GdiWindow::caption_height() const {
  HDC dc = surface_.dc();
  const HGDIOBJ old = SelectObject(dc, caption_font_);
  int h = 0;
  if (caption_text_.empty()) {
    // An empty auto-sized label keeps the height of one line of its font.
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    h = tm.tmHeight;
  } else {
    SIZE size{};
    GetTextExtentPoint32W(dc, caption_text_.c_str(), static_cast<int>(caption_text_.size()), &size);
    h = size.cy;
  }
  SelectObject(dc, old);
  return static_cast<float>(h) * tpp_y_;
}

bool GdiWindow::process_events() {
  MSG msg;
  while (hwnd_ && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the main loop, which ends the program.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return hwnd_ != nullptr;
}

void GdiWindow::set_foreground() {
  if (hwnd_) SetForegroundWindow(hwnd_);
}

std::unique_ptr<stage::SurfaceSnapshot> GdiWindow::save_surface() const {
  const std::uint32_t* px = surface_.bits();
  if (!px) return nullptr;
  auto snapshot = std::make_unique<RunLengthSnapshot>(surface_.width(), surface_.height());
  const std::size_t n =
      static_cast<std::size_t>(surface_.width()) * static_cast<std::size_t>(surface_.height());
  std::vector<RunLengthSnapshot::Run>& runs = snapshot->runs();
  for (std::size_t i = 0; i < n; ++i) {
    if (!runs.empty() && runs.back().pixel == px[i])
      ++runs.back().length;
    else
      runs.push_back({1, px[i]});
  }
  runs.shrink_to_fit();
  return snapshot;
}

bool GdiWindow::restore_surface(const stage::SurfaceSnapshot& snapshot) {
  const auto* copy = dynamic_cast<const RunLengthSnapshot*>(&snapshot);
  std::uint32_t* px = surface_.bits();
  if (!copy || !px || copy->width() != surface_.width() || copy->height() != surface_.height())
    return false;
  for (const RunLengthSnapshot::Run& run : copy->runs())
    px = std::fill_n(px, run.length, run.pixel);
  changed();
  return true;
}

void GdiWindow::compose() {
  if (!dirty_) return;
  HDC dc = frame_.dc();
  BitBlt(dc, 0, 0, frame_.width(), frame_.height(), surface_.dc(), 0, 0, SRCCOPY);
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);           // HALFTONE needs it after the mode is set
  for (const stage::ImageSlot& s : slots_) {  // a later slot lies above an earlier one
    if (!s.shown()) continue;
    const int w = px_x(s.width), h = px_y(s.height);
    if (w <= 0 || h <= 0) continue;
    StretchBlt(dc, px_x(s.left), px_y(s.top), w, h, sprites_.dc(), s.pose * stage::kSpriteSize, 0,
               stage::kSpriteSize, stage::kSpriteSize, SRCCOPY);
  }
  if (!caption_text_.empty()) {
    const HGDIOBJ old = SelectObject(dc, caption_font_);
    SIZE size{};
    GetTextExtentPoint32W(dc, caption_text_.c_str(), static_cast<int>(caption_text_.size()), &size);
    const int left = px_x(caption_left_);
    RECT label{left, 0, left + size.cx, size.cy};
    FillRect(dc, &label, GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutW(dc, left, 0, caption_text_.c_str(), static_cast<int>(caption_text_.size()));
    SelectObject(dc, old);
  }
  dirty_ = false;
}

void GdiWindow::present(HDC paint_dc) {
  const bool was_dirty = dirty_;
  compose();
  if (paint_dc) {
    BitBlt(paint_dc, 0, 0, frame_.width(), frame_.height(), frame_.dc(), 0, 0, SRCCOPY);
    return;
  }
  if (!hwnd_ || !was_dirty) return;
  HDC dc = GetDC(hwnd_);
  BitBlt(dc, 0, 0, frame_.width(), frame_.height(), frame_.dc(), 0, 0, SRCCOPY);
  ReleaseDC(hwnd_, dc);
}

}  // namespace win32
