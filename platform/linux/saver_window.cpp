#include "platform/linux/saver_window.hpp"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <vector>

#include "host/scheduler.hpp"
#include "platform/linux/presenter.hpp"
#include "platform/linux/saver_parts.hpp"
#include "raster/raster_window.hpp"

namespace linux_host {

namespace {

constexpr float kTwipsPerPixel = 15.0f;
// A preview has no input of its own to wake us, so this is how late we may
// notice that its host window was destroyed.
constexpr int kPreviewPollMs = 250;
// Windows larger than raster::kMaxWindowSide a side are refused.
using raster::kMaxWindowSide;
// X window ids travel as 32 bits; a larger number would be cut down to the
// id of some other window.
constexpr host::WindowHandle kMaxWindowId = UINT32_MAX;

void set_window_icon(SDL_Window* window) {
  const IconImage& icon = program_icon();
  if (icon.side <= 0) return;
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(icon.pixels.data()), icon.side,
                                         icon.side, 32, icon.side * 4, SDL_PIXELFORMAT_RGB888);
  if (!surface) return;
  SDL_SetWindowIcon(window, surface);
  SDL_FreeSurface(surface);
}

// Puts the raster window's changed rectangles on the screen, composed
// straight into what is presented: no frame is kept besides the painted
// surface.
class RasterScreen final : public host::Screen {
 public:
  RasterScreen(raster::RasterWindow& window, Presenter& presenter)
      : window_(window), presenter_(presenter) {}
  void present(bool everything) override {
    presenter_.show([this](const raster::Rect& area, std::uint32_t* out,
                           int pitch) { window_.compose(area, out, pitch); },
                    window_.width_px(), window_.height_px(), window_.changes(), everything);
  }

 private:
  raster::RasterWindow& window_;
  Presenter& presenter_;
};

}  // namespace

// One stage playing in its head: its raster window, what shows it, its runner
// and its own timer. All runners share the one Saver, so input on any monitor
// ends the run for all of them, through the password rules once.
struct SdlSaverWindow::Playing {
  Playing(const Head& head, const host::Settings& settings, host::Saver* saver)
      : window(head.window),
        raster(head.area.w, head.area.h, kTwipsPerPixel),
        presenter(head.window, head.area.x, head.area.y),
        screen(raster, presenter),
        runner(raster, settings, screen, saver) {}
  SDL_Window* window;
  raster::RasterWindow raster;
  Presenter presenter;
  RasterScreen screen;
  host::Runner runner;
};

SdlSaverWindow::SdlSaverWindow(X11Connection& x11) : x11_(x11) {}

SdlSaverWindow::~SdlSaverWindow() {
  for (SDL_Window* w : windows_) SDL_DestroyWindow(w);
  if (video_) SDL_Quit();
}

void SdlSaverWindow::set_caption(const std::string& caption) {
  caption_ = caption;
  // The root window's name is the desktop's, not ours to change.
  if (!draws_on_root_)
    for (SDL_Window* w : windows_) SDL_SetWindowTitle(w, caption_.c_str());
}

bool SdlSaverWindow::init_video() {
  if (video_) return true;
  // The default action of SIGTERM must stay: xscreensaver ends hacks with it
  // and takes any other exit for a crash.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // We are the screen saver; do not hold the desktop's own one off.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // SDL opens an X input method, which loads the locale's compose table: half
  // a megabyte of a full-screen run's memory for text input the saver never
  // reads (a key only ends the run). An empty table, unless the user named
  // one; the settings dialog, which does take text, never comes here.
  setenv("XCOMPOSEFILE", "/dev/null", 0);
  if (const std::string error = start_sdl_video(x11_.has_extension("RANDR")); !error.empty()) {
    refuse("cannot open the display: " + error);
    return false;
  }
  video_ = true;
  return true;
}

void SdlSaverWindow::refuse(const std::string& why) {
  print_refusal(why);
  exit_status_ = 1;
}

bool SdlSaverWindow::refuse_oversize(int width, int height) {
  if (width <= kMaxWindowSide && height <= kMaxWindowSide) return false;
  refuse("the window is " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels; at most " + std::to_string(kMaxWindowSide) + " on a side can be shown");
  return true;
}

bool SdlSaverWindow::embed_preview(host::WindowHandle parent) {
  // A preview or hack with nowhere to draw fails loudly: xscreensaver's log
  // and the user's scripts read the status and stderr.
  if (parent <= 0 || parent > kMaxWindowId) {
    refuse("no window to draw in: give the preview an X window id (/p ID, -window-id ID)");
    return false;
  }
  int w = 0, h = 0;
  if (!x11_.window_size(static_cast<XWindowId>(parent), &w, &h)) {
    refuse("X window " + std::to_string(parent) + " does not exist");
    return false;
  }
  if (refuse_oversize(w, h) || !init_video()) return false;
  // The root window is drawn on directly (xscreensaver -root); any other host
  // gets a child window of ours, so that its own drawing and ours do not mix
  // and its destruction takes ours with it.
  XWindowId target = static_cast<XWindowId>(parent);
  if (target != x11_.root()) {
    target = x11_.create_child(target, w, h);
    if (target == 0) {
      refuse("cannot create the preview window in X window " + std::to_string(parent));
      return false;
    }
  } else {
    x11_.watch(target);
  }
  SDL_Window* window = SDL_CreateWindowFrom(reinterpret_cast<const void*>(target));
  if (!window) {
    refuse(std::string("cannot draw in the preview window: ") + SDL_GetError());
    return false;
  }
  windows_.push_back(window);
  draws_on_root_ = target == x11_.root();
  if (!draws_on_root_) {
    SDL_SetWindowTitle(window, caption_.c_str());
    set_window_icon(window);
  }
  watched_ = target;
  preview_ = true;
  Area on_screen{0, 0, w, h};
  std::vector<Area> areas{on_screen};
  if (split_monitors_ && x11_.window_area(target, &on_screen))
    areas = stage_areas(on_screen, x11_.monitors());
  for (const Area& a : areas) heads_.push_back({window, a});
  return true;
}

void SdlSaverWindow::enter_full_screen() {
  if (!init_video() || !open_monitor_windows()) ended_ = true;
}

bool SdlSaverWindow::open_monitor_windows() {
  // SDL's display list where it knows each monitor; where it sees one display
  // over several monitors (classic Xinerama), the monitors the X server lists.
  std::vector<Area> monitors;
  const int displays = SDL_GetNumVideoDisplays();
  for (int i = 0; i < displays; ++i) {
    SDL_Rect b{};
    if (SDL_GetDisplayBounds(i, &b) == 0) monitors.push_back({b.x, b.y, b.w, b.h});
  }
  bool sdl_displays = true;
  const std::vector<Area> x_monitors = x11_.monitors();
  if (x_monitors.size() > monitors.size()) {
    monitors = x_monitors;
    sdl_displays = false;
  }
  if (monitors.empty()) {
    refuse(std::string("no monitor to show the saver on: ") + SDL_GetError());
    return false;
  }
  // Full-screen state only where SDL's displays are the monitors: elsewhere it
  // would stretch each window over SDL's one display.
  const std::uint32_t flags = SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SHOWN |
                              (sdl_displays ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  for (const Area& m : monitors) {
    if (refuse_oversize(m.w, m.h)) return false;
    SDL_Window* window = SDL_CreateWindow(caption_.c_str(), m.x, m.y, m.w, m.h, flags);
    if (!window) {
      refuse(std::string("cannot open the window: ") + SDL_GetError());
      return false;
    }
    windows_.push_back(window);
    set_window_icon(window);
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);  // run_stage refuses it if it grew too large
    heads_.push_back({window, Area{0, 0, w, h}});
  }
  return true;
}

void SdlSaverWindow::focus_input_sink() {
  // No input method: key presses are for ending the run, not for composing text.
  SDL_StopTextInput();
  for (SDL_Window* w : windows_) SDL_RaiseWindow(w);
  if (!windows_.empty()) SDL_SetWindowInputFocus(windows_.front());
}

void SdlSaverWindow::show_cursor(bool show) {
  cursor_counter_ += show ? 1 : -1;
  if (video_) SDL_ShowCursor(cursor_counter_ >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void SdlSaverWindow::set_topmost(bool topmost) {
  for (SDL_Window* w : windows_) {
    SDL_SetWindowAlwaysOnTop(w, topmost ? SDL_TRUE : SDL_FALSE);
    SDL_ShowWindow(w);
  }
}

void SdlSaverWindow::handle(const SDL_Event& e) {
  if (!playing_ || playing_->empty() || ended_) return;
  // Every runner hands input to the same end-of-run rules.
  host::Runner* runner = &playing_->front().runner;
  switch (e.type) {
    case SDL_KEYDOWN:
      runner->on_key_down();
      break;
    case SDL_TEXTINPUT:
      runner->on_key_press();
      break;
    case SDL_MOUSEBUTTONDOWN:
      runner->on_mouse_down();
      break;
    case SDL_MOUSEBUTTONUP:
      runner->on_mouse_up();
      break;
    case SDL_MOUSEMOTION: {
      // Position on the screen, so that the pointer crossing from one
      // monitor's window to the next is one movement, and a window manager
      // moving a window under a still pointer is none.
      int x = e.motion.x, y = e.motion.y;
      SDL_Window* window = SDL_GetWindowFromID(e.motion.windowID);
      if (!preview_ && window) {
        int wx = 0, wy = 0;
        SDL_GetWindowPosition(window, &wx, &wy);
        x += wx;
        y += wy;
      }
      runner->on_mouse_move(static_cast<float>(x) * kTwipsPerPixel,
                            static_cast<float>(y) * kTwipsPerPixel);
      break;
    }
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) redraw_window(e.window.windowID);
      break;
    case SDL_QUIT:
      // The window's close box (the window manager's close request).
      if (!preview_) end_program();
      break;
    default:
      break;
  }
}

bool SdlSaverWindow::pump_events() {
  SDL_Event e;
  while (!ended_ && SDL_PollEvent(&e)) handle(e);
  if (preview_ && !ended_) {
    const X11Connection::Events x = x11_.poll(watched_);
    if (x.exposed) expose_ = true;
    // A round trip to the server once a second covers a window destroyed
    // before its events were selected.
    const auto now = std::chrono::steady_clock::now();
    bool gone = x.destroyed;
    if (!gone && now - last_exists_check_ >= std::chrono::seconds(1)) {
      last_exists_check_ = now;
      int w = 0, h = 0;
      gone = !x11_.window_size(watched_, &w, &h);
    }
    // The host window is gone, and ours with it: end quietly, and no head
    // may draw again.
    if (gone) {
      ended_ = true;
      if (playing_)
        for (Playing& p : *playing_) p.runner.stop();
    }
  }
  // One whole picture for all the exposes drained here; inside a tick the
  // runner shows it when the tick is done.
  if (expose_ && playing_ && !ended_)
    for (Playing& p : *playing_) p.runner.request_full_redraw();
  expose_ = false;
  return !ended_;
}

void SdlSaverWindow::redraw_window(std::uint32_t sdl_window_id) {
  if (!playing_) return;
  for (Playing& p : *playing_)
    if (SDL_GetWindowID(p.window) == sdl_window_id) p.runner.request_full_redraw();
}

int SdlSaverWindow::run_stage(const host::Settings& settings) {
  if (ended_ || heads_.empty()) return exit_status_;
  std::deque<Playing> playing;  // runners keep references into their element
  for (const Head& head : heads_) {
    if (head.area.w <= 0 || head.area.h <= 0 || refuse_oversize(head.area.w, head.area.h))
      return exit_status_;
    Playing& p = playing.emplace_back(head, settings, saver_);
    if (!p.presenter.unsupported().empty()) {
      refuse(p.presenter.unsupported());
      return exit_status_;
    }
    p.raster.set_event_pump([this] { return pump_events(); });
  }
  playing_ = &playing;

  // Each stage's timer is a deadline that SDL's event wait sleeps towards:
  // events arrive in between, and a stage's next tick is due the delay its
  // last one returned after it ended.
  std::vector<host::Runner*> runners;
  for (Playing& p : playing) runners.push_back(&p.runner);
  const auto start = std::chrono::steady_clock::now();
  host::Scheduler scheduler(runners, [start] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
  });
  scheduler.start();
  while (!ended_) {
    int wait = scheduler.run_due();
    if (ended_ || wait == host::Scheduler::kAllStopped) break;
    if (wait == 0) continue;  // another head is due already
    if (preview_) wait = std::min(wait, kPreviewPollMs);
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, wait)) handle(e);
    pump_events();
  }
  playing_ = nullptr;
  // The pointer comes back whatever ended the run.
  SDL_ShowCursor(SDL_ENABLE);
  return exit_status_;
}

}  // namespace linux_host
