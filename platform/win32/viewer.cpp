#include "platform/win32/viewer.hpp"

#include <algorithm>
#include <utility>

#include "drills/registry.hpp"
#include "platform/win32/viewer_overlay.hpp"

namespace win32 {
namespace {

constexpr UINT kLayoutDelayMs = 120;  // long enough to skip a drag's in-between sizes
constexpr int kRowsPerWheelNotch = 3;
constexpr wchar_t kTitle[] =
    L"\x30DF\x30EB\x30AB\x30C9 \x30D3\x30E5\x30FC\x30A2";  // ミルカド ビューア

}  // namespace

ViewerArguments parse_viewer_arguments(const std::vector<std::string>& args,
                                       const stage::DrillList& drills) {
  ViewerArguments out;
  std::vector<std::string> names;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--view" || a == "--theme") {
      const std::string value = i + 1 < args.size() ? args[++i] : "";
      if (a == "--view" && (value == "teach" || value == "saver")) {
        out.teaching = value == "teach";
      } else if (a == "--theme" && (value == "dark" || value == "light")) {
        out.theme = value == "light" ? stage::Theme::Light : stage::Theme::Dark;
      } else {
        out.error = "mirukado-view: " + a + " takes " +
                    (a == "--view" ? "teach or saver" : "dark or light") + ", not '" + value + "'";
        return out;
      }
      continue;
    }
    names.push_back(a);
  }
  if (names.size() > 1) {
    out.error = "mirukado-view: too many arguments (one drill at most)";
    return out;
  }
  if (names.empty()) return out;
  out.drill = drills::find(drills, names[0]);
  if (out.drill < 0) {
    out.drill = 0;
    out.error =
        "mirukado-view: unknown drill '" + names[0] + "' (" + drills::names(drills, "|") + ")";
  }
  return out;
}

Viewer::Viewer(HWND hwnd, stage::DrillList drills, const ViewerArguments& start)
    : hwnd_(hwnd), drills_(drills), teach_(start.teaching), theme_(start.theme) {
  windowed_.length = sizeof windowed_;
  RECT client{};
  GetClientRect(hwnd_, &client);
  stage::PlaybackPlace place;
  place.drill = start.drill;
  build(client.right, client.bottom, place);
  schedule(model_->advance(now()));
  update_title();
}

std::int64_t Viewer::now() const { return static_cast<std::int64_t>(GetTickCount64() - started_); }

Viewer::~Viewer() {
  model_.reset();
  teaching_.reset();
  if (font_) DeleteObject(font_);
}

void Viewer::build(int width, int height, const stage::PlaybackPlace& place) {
  model_.reset();  // the model draws on the windows: it goes first
  teaching_.reset();
  window_ = std::make_unique<GdiWindow>(hwnd_, std::max(width, 1), std::max(height, 1));
  view_ = std::make_unique<MemoryBuffer>();
  HDC screen = GetDC(nullptr);
  view_->create(screen, width, height);
  ReleaseDC(nullptr, screen);
  if (font_) DeleteObject(font_);
  font_ = overlay_font(height);
  started_ = GetTickCount64();
  if (teach_) {
    area_ = stage::teaching_stage_area(request());
    teaching_ = std::make_unique<stage::TeachingWindow>(*window_, drills_, theme_, area_);
    model_ = std::make_unique<stage::Playback>(*teaching_, drills_, place);
  } else {
    model_ = std::make_unique<stage::Playback>(*window_, drills_, place);
  }
}

void Viewer::refit() {
  if (!teach_ || stage::teaching_stage_area(request()) == area_) return;
  model_->advance(now());
  const stage::PlaybackPlace place = model_->place();
  build(view_->width(), view_->height(), place);
}

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

// The drill, the keyframe's number (what the render tool's frame command
// takes, for a handout of this picture) and the command being given.
void Viewer::update_title() {
  const std::wstring title =
      std::wstring(kTitle) + L" \x2014 " + widen(stage::viewer_title(*model_, entry_));  // —
  if (title != title_) {
    title_ = title;
    SetWindowTextW(hwnd_, title_.c_str());
  }
}

stage::OverlayRequest Viewer::request() const {
  stage::OverlayRequest request;
  request.width = view_->width();
  request.height = view_->height();
  request.line = overlay_line_height(view_->dc(), teach_ ? font_ : window_->caption_font());
  request.help = help_;
  request.commands = commands_;
  request.list_scroll = list_scroll_;
  request.teaching = teach_;
  request.theme = theme_;
  return request;
}

stage::OverlayView Viewer::overlay() {
  // A new current command brings the list back around it.
  if (model_->current_command() != listed_command_) {
    listed_command_ = model_->current_command();
    list_scroll_ = 0;
  }
  return stage::overlay_view(*model_, request());
}

void Viewer::on_wheel(int x, int y, int delta) {
  const stage::OverlayView v = overlay();
  if (!v.panel || !v.panel->contains(x, y) || delta == 0) return;
  // Turned away from the user (up) shows the earlier commands.
  list_scroll_ -= delta / WHEEL_DELTA * kRowsPerWheelNotch;
  // As far as the list goes: the model keeps the scroll inside it.
  list_scroll_ = overlay().list_scroll;
  show();
}

void Viewer::paint(HDC dc) {
  const int w = view_->width(), h = view_->height();
  BitBlt(view_->dc(), 0, 0, w, h, window_->composed_dc(), 0, 0, SRCCOPY);
  if (teaching_) paint_figures(view_->dc(), teaching_->figures(), theme_);
  paint_overlay(view_->dc(), teach_ ? font_ : window_->caption_font(), overlay());
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
  if (name.empty()) return true;
  if (typed(name)) return true;
  const auto command = stage::command_for_key(name);
  if (!command || (repeated && !stage::viewer_command_row(*command).repeats)) return true;
  return run(*command);
}

bool Viewer::on_char(wchar_t c, bool repeated) {
  // Space also arrives as a key; control characters are Ctrl+letter.
  if (c <= L' ' || c >= 0x80) return true;
  const char name[] = {static_cast<char>(c), '\0'};
  if (typed(name)) return true;
  const auto command = stage::command_for_key(name);
  if (!command || (repeated && !stage::viewer_command_row(*command).repeats)) return true;
  return run(*command);
}

bool Viewer::typed(std::string_view key) {
  const bool was_open = entry_.is_open();
  const stage::CommandNumberEntry::Outcome outcome = entry_.key(key);
  // The title shows the digits typed, and drops them once the entry closes,
  // whether or not the key then does anything else.
  if (was_open) update_title();
  if (!outcome.taken) return false;
  if (outcome.go_to) run(stage::ViewerCommand::GoToCommand, *outcome.go_to);
  return true;
}

bool Viewer::run(stage::ViewerCommand command, int arg) {
  stage::ViewerPanels panels{help_, commands_, theme_};
  model_->advance(now());
  const stage::CommandEffect effect = stage::apply(command, arg, *model_, panels);
  help_ = panels.help;
  commands_ = panels.commands;
  const bool new_theme = panels.theme != theme_;
  theme_ = panels.theme;
  switch (effect) {
    case stage::CommandEffect::Quit:
      return false;
    case stage::CommandEffect::FullScreen:
      toggle_full_screen();
      break;
    case stage::CommandEffect::Nothing:
      break;
    case stage::CommandEffect::Theme:
      // The saver's picture has one look; the teaching one is drawn anew.
      if (teach_ && new_theme) {
        model_->advance(now());
        build(view_->width(), view_->height(), model_->place());
        schedule(model_->advance(now()));
        show();
      }
      break;
    case stage::CommandEffect::AskNumber:
      entry_.open();
      update_title();
      break;
    case stage::CommandEffect::Panels:
      refit();  // a card opened or closed: the drill takes the space that is left
      [[fallthrough]];
    case stage::CommandEffect::Playback:
      schedule(model_->advance(now()));
      show();
      break;
  }
  return true;
}

void Viewer::on_button_down(int x, int y) {
  const stage::OverlayView v = overlay();
  if (const auto ms = stage::timeline_hit(v, *model_, x, y)) {
    dragging_ = true;
    SetCapture(hwnd_);
    run(stage::ViewerCommand::SeekTime, *ms);
  } else if (const auto c = stage::command_hit(v, x, y)) {
    run(stage::ViewerCommand::GoToCommand, *c);
  }
}

void Viewer::on_mouse_move(int x, int /*y*/) {
  if (!dragging_) return;
  // Along the bar wherever the pointer wanders up or down while dragging.
  const stage::OverlayView v = overlay();
  if (const auto ms = stage::timeline_hit(v, *model_, x, v.bar.y))
    run(stage::ViewerCommand::SeekTime, *ms);
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
  const int keyframe = model_->keyframe();
  schedule(model_->advance(now()));
  if (model_->keyframe() != keyframe || !model_->playing()) show();
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
  model_->advance(now());
  const stage::PlaybackPlace place = model_->place();
  build(client.right, client.bottom, place);
  schedule(model_->advance(now()));
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
