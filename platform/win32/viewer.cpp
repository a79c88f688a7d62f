#include "platform/win32/viewer.hpp"

#include <algorithm>
#include <utility>

#include "drills/registry.hpp"
#include "platform/win32/viewer_overlay.hpp"
#include "platform/win32/viewer_progress.hpp"
#include "stage/practice.hpp"
#include "stage/roles.hpp"

namespace win32 {
namespace {

constexpr UINT kLayoutDelayMs = 120;  // long enough to skip a drag's in-between sizes
constexpr int kRowsPerWheelNotch = 3;
constexpr wchar_t kTitle[] =
    L"\x30DF\x30EB\x30AB\x30C9 \x30D3\x30E5\x30FC\x30A2";  // ミルカド ビューア
// The followed figure's destination ring, as a share of its body's radius.
constexpr float kDestinationShare = 1.4f;

}  // namespace

Viewer::Viewer(HWND hwnd, stage::DrillList drills, const host::ViewerOptions& start)
    : hwnd_(hwnd),
      drills_(drills),
      teach_(start.view == host::View::Teaching),
      theme_(start.theme),
      progress_store_(viewer_progress_store(viewer_progress_path())),
      keeper_(progress_store_.get()) {
  windowed_.length = sizeof windowed_;
  RECT client{};
  GetClientRect(hwnd_, &client);
  stage::PlaybackPlace place;
  place.drill = start.drill;
  build(client.right, client.bottom, place);
  follow_drill();
  if (start.role) {
    learner_.position = start.role;
    remember_choice();
  }
  if (start.practice) {
    run(stage::ViewerCommand::Practice);
    return;
  }
  schedule(advance());
  update_title();
}

int Viewer::advance() {
  return learner_.practice ? learner_.practice->advance(now()) : model_->advance(now());
}

const char* Viewer::drill_name() const {
  return drills_[static_cast<std::size_t>(model_->drill())].name;
}

void Viewer::follow_drill() {
  if (followed_drill_ == model_->drill()) return;
  followed_drill_ = model_->drill();
  learner_.position =
      keeper_.chosen(drill_name(), model_->stage().table(model_->drill()).person_count());
}

// The chosen position is remembered for the drill.
void Viewer::remember_choice() { keeper_.choose(drill_name(), learner_.position); }

// A finished session's score is the position's last, shown next time.
void Viewer::note_score() { keeper_.note(learner_.practice.get(), drill_name()); }

std::int64_t Viewer::now() const { return static_cast<std::int64_t>(GetTickCount64() - started_); }

Viewer::~Viewer() {
  learner_.practice.reset();  // it drives the model
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
  font_ = overlay_font(stage::overlay_font_extent(teach_, width, height));
  started_ = GetTickCount64();
  if (teach_) {
    area_ = stage::teaching_stage_area(request());
    teaching_ = std::make_unique<stage::TeachingWindow>(*window_, drills_, theme_, area_);
    model_ = std::make_unique<stage::Playback>(*teaching_, drills_, place);
  } else {
    model_ = std::make_unique<stage::Playback>(*window_, drills_, place);
  }
  // A practice session goes on over the new playback, at the same step.
  if (learner_.practice && !learner_.practice->rebind(*model_)) learner_.practice.reset();
}

void Viewer::refit() {
  if (!teach_ || stage::teaching_stage_area(request()) == area_) return;
  advance();
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
// In practice it says what is asked, and the answer once revealed (scripts
// driving the viewer read it).
void Viewer::update_title() {
  std::optional<stage::OverlayView> v;
  if (learner_.practice) v = overlay();
  const std::string place = stage::viewer_title(
      *model_, entry_, v && v->practice ? &*v->practice : nullptr, keeper_.notice());
  const std::wstring title = std::wstring(kTitle) + L" \x2014 " + widen(place);  // —
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
  request.learner = true;
  request.position = learner_.position;
  request.mine_only = learner_.mine_only;
  request.practice = learner_.practice.get();
  if (model_)
    request.previous_score =
        keeper_.previous(drill_name(), learner_.position, learner_.practice.get());
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
  const stage::OverlayView v = overlay();
  if (teaching_) {
    teaching_->choose(learner_.position);
    const std::vector<stage::Figure> figures = teaching_->figures();
    paint_following(view_->dc(), figures, v, false);
    paint_figures(view_->dc(), figures, theme_);
    paint_following(view_->dc(), figures, v, true);
  }
  paint_overlay(view_->dc(), teach_ ? font_ : window_->caption_font(), v);
  BitBlt(dc, 0, 0, w, h, view_->dc(), 0, 0, SRCCOPY);
  // A window grown and not yet laid out again: black beyond the old picture.
  RECT client{};
  GetClientRect(hwnd_, &client);
  const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  const RECT right{w, 0, client.right, client.bottom}, below{0, h, w, client.bottom};
  if (client.right > w) FillRect(dc, &right, black);
  if (client.bottom > h) FillRect(dc, &below, black);
}

void Viewer::paint_following(HDC dc, const std::vector<stage::Figure>& figures,
                             const stage::OverlayView& view, bool above) {
  const auto me = std::find_if(figures.begin(), figures.end(),
                               [](const stage::Figure& f) { return f.highlighted; });
  if (!learner_.position || me == figures.end()) return;
  if (above) {
    if (view.practice && view.practice->destination)
      paint_destination(dc, teaching_->person_point(*view.practice->destination),
                        me->radius * kDestinationShare, me->body);
    return;
  }
  const stage::FrameTable& table = model_->stage().table(model_->drill());
  if (learner_.whole_path)
    paint_path(dc, teaching_->scene_path(table, model_->timeline(), model_->keyframe()), me->radius,
               me->body);
  paint_trail(dc, teaching_->trail(table, model_->keyframe()), me->radius, me->body,
              stage::theme_background(theme_));
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
  advance();  // commands act at the present moment
  const stage::CommandEffect effect = stage::apply(command, arg, *model_, panels, learner_);
  help_ = panels.help;
  commands_ = panels.commands;
  const bool new_theme = panels.theme != theme_;
  theme_ = panels.theme;
  follow_drill();
  remember_choice();
  note_score();
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
        advance();
        build(view_->width(), view_->height(), model_->place());
        schedule(advance());
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
      schedule(advance());
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
  } else if (const auto p = teach_ ? legend_hit(view_->dc(), font_, v, x, y) : std::nullopt) {
    choose_from_legend(*p);
  }
}

void Viewer::choose_from_legend(int position) {
  advance();
  // The session practised the position followed until now: it ends, and the
  // drill plays on from where it stood.
  stage::end_practice(learner_, *model_);
  learner_.position = learner_.position == position ? std::nullopt : std::optional(position);
  remember_choice();
  note_score();
  schedule(advance());
  show();
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
  const auto asking = [this] {
    return learner_.practice ? static_cast<int>(learner_.practice->state()) : -1;
  };
  const int was_asking = asking();
  schedule(advance());
  note_score();
  if (model_->keyframe() != keyframe || !model_->playing() || asking() != was_asking) show();
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
  advance();
  const stage::PlaybackPlace place = model_->place();
  build(client.right, client.bottom, place);
  schedule(advance());
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
