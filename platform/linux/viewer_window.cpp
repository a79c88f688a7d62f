#include "platform/linux/viewer_window.hpp"

#include <X11/Xatom.h>

#include <algorithm>

namespace linux_host {
namespace {

constexpr SDL_Keycode kFirstNonAscii = 0x7f;

}  // namespace

// SDL's key codes of the printable keys are their characters.
std::string key_name(const SDL_Keysym& key) {
  // Ctrl, Alt and the logo key belong to the desktop's shortcuts.
  if (key.mod & (KMOD_CTRL | KMOD_ALT | KMOD_GUI)) return {};
  switch (key.sym) {
    case SDLK_LEFT:
      return "ArrowLeft";
    case SDLK_RIGHT:
      return "ArrowRight";
    case SDLK_UP:
      return "ArrowUp";
    case SDLK_DOWN:
      return "ArrowDown";
    case SDLK_PAGEUP:
      return "PageUp";
    case SDLK_PAGEDOWN:
      return "PageDown";
    case SDLK_HOME:
      return "Home";
    case SDLK_END:
      return "End";
    case SDLK_TAB:
      return "Tab";
    case SDLK_F1:
      return "F1";
    case SDLK_F11:
      return "F11";
    case SDLK_ESCAPE:
      return "Escape";
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return "Enter";
    case SDLK_BACKSPACE:
      return "Backspace";
    case SDLK_KP_0:
      return "0";
    case SDLK_KP_1:
      return "1";
    case SDLK_KP_2:
      return "2";
    case SDLK_KP_3:
      return "3";
    case SDLK_KP_4:
      return "4";
    case SDLK_KP_5:
      return "5";
    case SDLK_KP_6:
      return "6";
    case SDLK_KP_7:
      return "7";
    case SDLK_KP_8:
      return "8";
    case SDLK_KP_9:
      return "9";
    default:
      if (key.sym >= ' ' && key.sym < kFirstNonAscii)
        return std::string(1, static_cast<char>(key.sym));
      return {};
  }
}

ViewerWindow::ViewerWindow(SDL_Window* sdl) : sdl_(sdl) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(sdl_, &info) && info.subsystem == SDL_SYSWM_X11) {
    x_display_ = info.info.x11.display;
    x_window_ = info.info.x11.window;
    // SDL turns no X event into a window event when another client
    // destroys the window; its raw X events tell.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  }
}

bool ViewerWindow::window_manager_running() const {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(sdl_, &info) || info.subsystem != SDL_SYSWM_X11) return true;
  Display* d = info.info.x11.display;
  Atom type = 0;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  const bool found =
      XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False),
                         0, 1, False, XA_WINDOW, &type, &format, &n, &after, &data) == Success &&
      n > 0;
  if (data) XFree(data);
  return found;
}

void ViewerWindow::toggle_full_screen() {
  if (window_manager_running()) {
    const bool full = SDL_GetWindowFlags(sdl_) & SDL_WINDOW_FULLSCREEN;
    SDL_SetWindowFullscreen(sdl_, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    return;
  }
  // Full screen is the window manager's to grant; on a bare X server the
  // window covers the display itself and goes back to where it was.
  if (!windowed_) {
    SDL_Rect was{};
    SDL_GetWindowPosition(sdl_, &was.x, &was.y);
    SDL_GetWindowSize(sdl_, &was.w, &was.h);
    SDL_Rect screen{was};
    SDL_GetDisplayBounds(std::max(0, SDL_GetWindowDisplayIndex(sdl_)), &screen);
    windowed_ = was;
    SDL_SetWindowBordered(sdl_, SDL_FALSE);
    SDL_SetWindowPosition(sdl_, screen.x, screen.y);
    SDL_SetWindowSize(sdl_, screen.w, screen.h);
  } else {
    SDL_SetWindowBordered(sdl_, SDL_TRUE);
    SDL_SetWindowSize(sdl_, windowed_->w, windowed_->h);
    SDL_SetWindowPosition(sdl_, windowed_->x, windowed_->y);
    windowed_.reset();
  }
}

// The title changes with every keyframe shown, so it is written straight
// into the window's two name properties as UTF-8: SDL_SetWindowTitle goes
// through Xlib's text-property conversion for the locale, which leaks a
// little on every call (and leaves _NET_WM_NAME, the one window lists
// read, as it was when the locale cannot convert the text).
void ViewerWindow::set_title(const std::string& title) {
  if (!x_display_) {
    SDL_SetWindowTitle(sdl_, title.c_str());
    return;
  }
  const Atom utf8 = XInternAtom(x_display_, "UTF8_STRING", False);
  for (const Atom name : {XInternAtom(x_display_, "_NET_WM_NAME", False), XA_WM_NAME})
    XChangeProperty(x_display_, x_window_, name, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
  XFlush(x_display_);
}

bool ViewerWindow::destroyed_by(const SDL_SysWMmsg* msg) const {
  if (!msg || msg->subsystem != SDL_SYSWM_X11 || !x_window_) return false;
  const XEvent& x = msg->msg.x11.event;
  return x.type == DestroyNotify && x.xdestroywindow.window == x_window_;
}

}  // namespace linux_host
