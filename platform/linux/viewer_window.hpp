#pragma once
// The viewer's SDL window as the X server sees it: its title written as
// UTF-8 straight into the window's name properties, full screen with or
// without a window manager, and whether another client destroyed it; and
// SDL's keys by the names the viewer's command table gives them.

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <optional>
#include <string>

namespace linux_host {

// A key by the name the viewer's command table gives it ("ArrowLeft", "a",
// "?"); empty for a key that is no command's.
std::string key_name(const SDL_Keysym& key);

class ViewerWindow {
 public:
  // `sdl` stays the caller's. Asks SDL for the window's raw X events, which
  // tell when another client destroys it (destroyed_by()).
  explicit ViewerWindow(SDL_Window* sdl);

  SDL_Window* sdl() const { return sdl_; }
  void set_title(const std::string& title);
  void toggle_full_screen();
  // Whether `msg`, a raw X event, says that another client destroyed the
  // window: nothing is left to show, and SDL would wait for events from it
  // for ever.
  bool destroyed_by(const SDL_SysWMmsg* msg) const;

 private:
  bool window_manager_running() const;

  SDL_Window* sdl_;
  Display* x_display_ = nullptr;  // the window's X connection and id (SDL's)
  ::Window x_window_ = 0;
  std::optional<SDL_Rect> windowed_;  // where the window was before it covered the display
};

}  // namespace linux_host
