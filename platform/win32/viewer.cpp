#include "platform/win32/viewer.hpp"

#include <algorithm>
#include <utility>

#include "drills/registry.hpp"
#include "platform/win32/viewer_overlay.hpp"
#include "platform/win32/viewer_progress.hpp"
#include "viewer/practice.hpp"
#include "viewer/roles.hpp"

namespace win32 {
namespace {

constexpr UINT kLayoutDelayMs = 120;  // long enough to skip a drag's in-between sizes
constexpr wchar_t kTitle[] =
    L"\x30DF\x30EB\x30AB\x30C9 \x30D3\x30E5\x30FC\x30A2";  // ミルカド ビューア

}  // namespace

Viewer::Viewer(HWND hwnd, stage::DrillList drills, const host::ViewerOptions& start)
    : hwnd_(hwnd),
      progress_store_(viewer_progress_store(viewer_progress_path())),
      session_(*this, drills, viewer::start_of(start), progress_store_.get()) {
  windowed_.length = sizeof windowed_;
  RECT client{};
  GetClientRect(hwnd_, &client);
  session_.start(client.right, client.bottom);
  schedule(session_.advance());
  update_title();
}

Viewer::~Viewer() {
  if (font_) DeleteObject(font_);
}

stage::Window& Viewer::make_window(int width, int height) {
  window_ = std::make_unique<GdiWindow>(hwnd_, std::max(width, 1), std::max(height, 1));
  view_ = std::make_unique<MemoryBuffer>();
  HDC screen = GetDC(nullptr);
  view_->create(screen, width, height);
  ReleaseDC(nullptr, screen);
  if (font_) DeleteObject(font_);
  font_ = win32::overlay_font(viewer::overlay_font_extent(session_.teaching(), width, height));
  return *window_;
}

HFONT Viewer::overlay_font() const { return session_.teaching() ? font_ : window_->caption_font(); }

int Viewer::line_height() const { return overlay_line_height(view_->dc(), overlay_font()); }

int Viewer::text_width(std::string_view utf8) {
  return overlay_text_width(view_->dc(), overlay_font(), utf8);
}

std::int64_t Viewer::now_ms() const { return static_cast<std::int64_t>(GetTickCount64()); }

void Viewer::schedule(int delay) {
  if (delay == stage::Playback::kIdle)
    KillTimer(hwnd_, kTickTimer);  // paused: nothing to do until input comes
  else
    SetTimer(hwnd_, kTickTimer, static_cast<UINT>(std::max(delay, 1)), nullptr);
}

void Viewer::show() {
  update_title();
  HDC dc = GetDC(hwnd_);
  paint(dc);
  ReleaseDC(hwnd_, dc);
}

void Viewer::update_title() {
  const std::wstring title = std::wstring(kTitle) + L" \x2014 " + widen(session_.title());  // —
  if (title != title_) {
    title_ = title;
    SetWindowTextW(hwnd_, title_.c_str());
  }
}

void Viewer::on_wheel(int x, int y, int delta) {
  if (session_.scroll_list(x, y, delta / WHEEL_DELTA)) show();
}

void Viewer::paint(HDC dc) {
  const int w = view_->width(), h = view_->height();
  BitBlt(view_->dc(), 0, 0, w, h, window_->composed_dc(), 0, 0, SRCCOPY);
  // The people and the followed position's marks, then the overlay.
  const viewer::OverlayView v = session_.overlay();
  paint_display(view_->dc(), overlay_font(), session_.display(session_.figures(), v));
  BitBlt(dc, 0, 0, w, h, view_->dc(), 0, 0, SRCCOPY);
  // A window grown and not yet laid out again: black beyond the old picture.
  RECT client{};
  GetClientRect(hwnd_, &client);
  const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const RECT right{w, 0, client.right, client.bottom}, below{0, h, w, client.bottom};
  if (client.right > w) FillRect(dc, &right, black);
  if (client.bottom > h) FillRect(dc, &below, black);
}

namespace {

// The keys that send no character, by the names the viewer's command table
// uses; the others come through on_char() as the character they type.
std::string_view key_name(WPARAM key) {
  switch (key) {
    case VK_SPACE:
      return " ";
    case VK_LEFT:
      return "ArrowLeft";
    case VK_RIGHT:
      return "ArrowRight";
    case VK_UP:
      return "ArrowUp";
    case VK_DOWN:
      return "ArrowDown";
    case VK_PRIOR:
      return "PageUp";
    case VK_NEXT:
      return "PageDown";
    case VK_HOME:
      return "Home";
    case VK_END:
      return "End";
    case VK_TAB:
      return "Tab";
    case VK_F1:
      return "F1";
    case VK_F11:
      return "F11";
    case VK_ESCAPE:
      return "Escape";
    case VK_RETURN:
      return "Enter";
    case VK_BACK:
      return "Backspace";
    default:
      return {};
  }
}

}  // namespace

bool Viewer::on_key(WPARAM key, bool repeated) {
  const std::string_view name = key_name(key);
  return name.empty() || take(name, repeated);
}

bool Viewer::on_char(wchar_t c, bool repeated) {
  // Space also arrives as a key; control characters are Ctrl+letter.
  if (c <= L' ' || c >= 0x80) return true;
  const char name[] = {static_cast<char>(c), '\0'};
  return take(name, repeated);
}

bool Viewer::take(std::string_view name, bool repeated) {
  const viewer::KeyOutcome outcome = session_.key(name, repeated);
  if (outcome.retitle) update_title();
  return !outcome.effect || carry_out(*outcome.effect);
}

bool Viewer::run(viewer::ViewerCommand command, int arg) {
  return carry_out(session_.run(command, arg));
}

bool Viewer::carry_out(viewer::CommandEffect effect) {
  const int w = view_->width(), h = view_->height();
  switch (effect) {
    case viewer::CommandEffect::Quit:
      return false;
    case viewer::CommandEffect::FullScreen:
      toggle_full_screen();
      break;
    case viewer::CommandEffect::Nothing:
      break;
    case viewer::CommandEffect::Theme:
      // The saver's picture has one look; the teaching one is drawn anew.
      if (session_.layout_due(w, h)) {
        session_.rebuild(w, h);
        schedule(session_.advance());
        show();
      }
      break;
    case viewer::CommandEffect::AskNumber:
      update_title();
      break;
    case viewer::CommandEffect::Panels:
      // A card opened or closed: the drill takes the space that is left.
      if (session_.layout_due(w, h)) session_.rebuild(w, h);
      [[fallthrough]];
    case viewer::CommandEffect::Playback:
      schedule(session_.advance());
      show();
      break;
  }
  return true;
}

void Viewer::on_button_down(int x, int y) {
  const viewer::ClickOutcome outcome = session_.click(x, y);
  if (outcome.dragging) {
    dragging_ = true;
    SetCapture(hwnd_);
  }
  carry_out(outcome.effect);
}

void Viewer::on_mouse_move(int x, int /*y*/) {
  if (dragging_) carry_out(session_.drag(x));
}

void Viewer::on_button_up() {
  if (!dragging_) return;
  dragging_ = false;
  ReleaseCapture();
}

void Viewer::on_timer(UINT_PTR id) {
  if (id == kLayoutTimer) {
    relayout();
    return;
  }
  const stage::Playback& p = session_.playback();
  const int keyframe = p.keyframe();
  const auto asking = [this] {
    const viewer::PracticeSession* practice = session_.learner().practice.get();
    return practice ? static_cast<int>(practice->state()) : -1;
  };
  const int was_asking = asking();
  schedule(session_.advance());
  if (p.keyframe() != keyframe || !p.playing() || asking() != was_asking) show();
}

void Viewer::on_size(int width, int height) {
  if (width <= 0 || height <= 0) return;  // minimised: keep everything as it is
  if (width == view_->width() && height == view_->height()) {
    KillTimer(hwnd_, kLayoutTimer);
    return;
  }
  SetTimer(hwnd_, kLayoutTimer, kLayoutDelayMs, nullptr);
}

void Viewer::relayout() {
  KillTimer(hwnd_, kLayoutTimer);
  RECT client{};
  GetClientRect(hwnd_, &client);
  if (client.right <= 0 || client.bottom <= 0) return;
  if (client.right == view_->width() && client.bottom == view_->height()) return;
  session_.rebuild(client.right, client.bottom);
  schedule(session_.advance());
  show();
}

// Full screen on the window's monitor and back to the place it had.
void Viewer::toggle_full_screen() {
  const LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  if (!full_screen_) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetWindowPlacement(hwnd_, &windowed_) ||
        !GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTONEAREST), &monitor))
      return;
    SetWindowLongPtrW(hwnd_, GWL_STYLE, (style & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
    const RECT& r = monitor.rcMonitor;
    SetWindowPos(hwnd_, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
  } else {
    SetWindowLongPtrW(hwnd_, GWL_STYLE, (style & ~WS_POPUP) | WS_OVERLAPPEDWINDOW);
    SetWindowPlacement(hwnd_, &windowed_);
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
  }
  full_screen_ = !full_screen_;
}

}  // namespace win32
