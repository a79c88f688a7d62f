#include "platform/linux/linux_platform.hpp"

#include <SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "drills/registry.hpp"
#include "host/command_line.hpp"
#include "platform/linux/gtk_dialog.hpp"
#include "platform/linux/presenter.hpp"
#include "platform/raster/raster_window.hpp"
#include "stage/stage.hpp"

namespace linux_host {

namespace {

constexpr float kTwipsPerPixel = 15.0f;
// A preview has no input of its own to wake us, so this is how late we may
// notice that its host window was destroyed.
constexpr int kPreviewPollMs = 250;
// The largest window side we draw. The raster window keeps two 32-bit frames
// (2 GiB at 16384 x 16384), and XPutImage computes a row's offset in a signed
// int, which overflows past 2 GiB of image. Larger windows are refused.
constexpr int kMaxWindowSide = 16384;
// X window ids travel as 32 bits; a larger number would be cut down to the
// id of some other window.
constexpr host::WindowHandle kMaxWindowId = UINT32_MAX;

std::string executable_folder() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

LinuxPlatform::LinuxPlatform(std::string command_line, SettingsFile settings)
    : command_line_(std::move(command_line)), settings_(std::move(settings)) {}

LinuxPlatform::~LinuxPlatform() {
  if (window_) SDL_DestroyWindow(window_);
  if (video_) SDL_Quit();
}

bool LinuxPlatform::find_window(const std::string& caption) {
  return x11_.find_window_by_caption(caption);
}

bool LinuxPlatform::another_instance() {
  // A full-screen run took the lock at start (claim_instance), so no other
  // full-screen run is playing.
  if (lock_.held()) return false;
  // Previews and xscreensaver hacks are not held off: xscreensaver may run us
  // on its own lock window while a full-screen run plays.
  if (host::parse_run_mode(command_line_) == host::RunMode::Preview) return false;
  return lock_.held_elsewhere();
}

void LinuxPlatform::set_caption(const std::string& caption) {
  caption_ = caption;
  if (window_) SDL_SetWindowTitle(window_, caption_.c_str());
}

int LinuxPlatform::profile_int(const std::string& section, const std::string& key, int def) {
  return settings_.read_int(section, key, def);
}

void LinuxPlatform::write_profile_string(const std::string& section, const std::string& key,
                                         const std::string& value) {
  settings_.write_string(section, key, value);
}

void LinuxPlatform::write_profile_strings(const std::string& section,
                                          std::span<const ProfileEntry> entries) {
  std::vector<host::profile::Entry> views;
  for (const ProfileEntry& e : entries) views.push_back({e.key, e.value});
  settings_.write_strings(section, views);
}

void LinuxPlatform::change_password(host::WindowHandle) {
  std::puts(
      "mirukado: on Linux the desktop's screen locker manages the password; "
      "there is no screen-saver password to change.");
  std::fflush(stdout);
}

bool LinuxPlatform::init_video() {
  if (video_) return true;
  // The default action of SIGTERM must stay: xscreensaver ends hacks with it
  // and takes any other exit for a crash.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // We are the screen saver; do not hold the desktop's own one off.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Present through X11 shared-memory images, not an OpenGL texture: loading a
  // GL driver for a few small blits each second costs tens of MiB.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // X11 only, whatever $SDL_VIDEODRIVER says: without a display SDL would fall
  // back to its offscreen driver and play for ever where nobody sees it, and
  // the preview and caption search speak X11 anyway.
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    refuse(std::string("cannot open the display: ") + SDL_GetError());
    return false;
  }
  video_ = true;
  return true;
}

void LinuxPlatform::refuse(const std::string& why) {
  std::fprintf(stderr, "mirukado: %s\n", why.c_str());
  exit_status_ = 1;
}

bool LinuxPlatform::refuse_oversize(int width, int height) {
  if (width <= kMaxWindowSide && height <= kMaxWindowSide) return false;
  refuse("the window is " + std::to_string(width) + " x " + std::to_string(height) +
         " pixels; at most " + std::to_string(kMaxWindowSide) + " on a side can be shown");
  return true;
}

bool LinuxPlatform::embed_preview(host::WindowHandle parent) {
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
  window_ = SDL_CreateWindowFrom(reinterpret_cast<const void*>(target));
  if (!window_) {
    refuse(std::string("cannot draw in the preview window: ") + SDL_GetError());
    return false;
  }
  // The root window's name is the desktop's, not ours to change.
  if (target != x11_.root()) SDL_SetWindowTitle(window_, caption_.c_str());
  watched_ = target;
  preview_ = true;
  width_ = w;
  height_ = h;
  return true;
}

void LinuxPlatform::enter_full_screen() {
  if (!init_video()) {
    ended_ = true;
    return;
  }
  SDL_Rect bounds{0, 0, 1024, 768};
  SDL_GetDisplayBounds(0, &bounds);  // display 0 is the primary monitor
  if (refuse_oversize(bounds.w, bounds.h)) {
    ended_ = true;
    return;
  }
  window_ = SDL_CreateWindow(caption_.c_str(), bounds.x, bounds.y, bounds.w, bounds.h,
                             SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS |
                                 SDL_WINDOW_ALWAYS_ON_TOP | SDL_WINDOW_SHOWN);
  if (!window_) {
    refuse(std::string("cannot open the window: ") + SDL_GetError());
    ended_ = true;
    return;
  }
  SDL_GetWindowSize(window_, &width_, &height_);
  if (refuse_oversize(width_, height_)) ended_ = true;
  origin_x_ = bounds.x;
  origin_y_ = bounds.y;
}

void LinuxPlatform::focus_input_sink() {
  // No input method: key presses are for ending the run, not for composing text.
  SDL_StopTextInput();
  if (window_) {
    SDL_RaiseWindow(window_);
    SDL_SetWindowInputFocus(window_);
  }
}

void LinuxPlatform::show_cursor(bool show) {
  cursor_counter_ += show ? 1 : -1;
  if (video_) SDL_ShowCursor(cursor_counter_ >= 0 ? SDL_ENABLE : SDL_DISABLE);
}

void LinuxPlatform::set_topmost(bool topmost) {
  if (!window_) return;
  SDL_SetWindowAlwaysOnTop(window_, topmost ? SDL_TRUE : SDL_FALSE);
  SDL_ShowWindow(window_);
}

void LinuxPlatform::run_settings_dialog(host::SettingsDialog& dialog) {
  // GTK is loaded here only: linking it into the program would map its whole
  // library tree into every full-screen run.
  const std::string here = executable_folder();
  const std::string candidates[] = {
      here + "/" + kGtkDialogModule,                                       // build tree
      here + "/" + MIRUKADO_MODULE_FROM_PROGRAM + "/" + kGtkDialogModule,  // installed
      std::string(MIRUKADO_MODULE_DIR) + "/" + kGtkDialogModule};
  for (const std::string& path : candidates) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) continue;
    auto* run = reinterpret_cast<GtkDialogEntry>(dlsym(module, kGtkDialogEntry));
    if (run) {
      if (run(&dialog, this) != 0) refuse("cannot open the settings dialog (no display?)");
      // GTK cannot be unloaded safely; the program ends right after anyway.
      return;
    }
  }
  refuse(std::string("the settings dialog module ") + kGtkDialogModule + " is missing");
}

void LinuxPlatform::handle(const SDL_Event& e) {
  if (!saver_ || ended_) return;
  switch (e.type) {
    case SDL_KEYDOWN:
      saver_->on_key_down();
      break;
    case SDL_TEXTINPUT:
      saver_->on_key_press();
      break;
    case SDL_MOUSEBUTTONDOWN:
      saver_->on_mouse_down();
      break;
    case SDL_MOUSEBUTTONUP:
      saver_->on_mouse_up();
      break;
    case SDL_MOUSEMOTION: {
      // Screen position relative to where the window was placed: a window
      // manager moving the window under a still pointer is no movement.
      int x = e.motion.x, y = e.motion.y;
      if (!preview_ && window_) {
        int wx = 0, wy = 0;
        SDL_GetWindowPosition(window_, &wx, &wy);
        x += wx - origin_x_;
        y += wy - origin_y_;
      }
      saver_->on_mouse_move(static_cast<float>(x) * kTwipsPerPixel,
                            static_cast<float>(y) * kTwipsPerPixel);
      break;
    }
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) expose_ = true;
      break;
    case SDL_QUIT:
      // The window's close box (the window manager's close request).
      if (!preview_) end_program();
      break;
    default:
      break;
  }
}

bool LinuxPlatform::pump_events() {
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
    // The host window is gone, and ours with it: end quietly.
    if (gone) ended_ = true;
  }
  return !ended_;
}

int LinuxPlatform::run_stage(const host::Settings& settings) {
  if (ended_ || !window_ || width_ <= 0 || height_ <= 0) return exit_status_;
  if (refuse_oversize(width_, height_)) return exit_status_;
  using Clock = std::chrono::steady_clock;
  raster::RasterWindow window(width_, height_, kTwipsPerPixel);
  window.set_event_pump([this] { return pump_events(); });
  stage::Stage stage(window, settings.conf, settings.speed, drills::registry());
  Presenter presenter(window_);
  const auto present = [&](bool everything) {
    std::vector<raster::Rect> regions = window.compose();  // brings frame() up to date
    presenter.show(window.frame(), std::move(regions), everything);
  };

  stage.activate();
  present(true);
  auto next = Clock::now() + std::chrono::milliseconds(std::max(window.timer_interval(), 1));
  while (!ended_) {
    const auto now = Clock::now();
    if (now >= next) {
      const int interval = stage.tick();
      if (ended_ || stage.ended()) break;
      present(expose_);
      expose_ = false;
      next = Clock::now() + std::chrono::milliseconds(std::max(interval, 1));
      continue;
    }
    int wait = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(next - now).count());
    if (preview_) wait = std::min(wait, kPreviewPollMs);
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, wait)) handle(e);
    pump_events();
    if (expose_ && !ended_) {
      present(true);
      expose_ = false;
    }
  }
  // The pointer comes back whatever ended the run.
  SDL_ShowCursor(SDL_ENABLE);
  return exit_status_;
}

}  // namespace linux_host
