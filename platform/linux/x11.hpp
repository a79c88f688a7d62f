#pragma once
// The few X11 services the Linux host needs besides SDL: finding a window by
// its caption, checking that a handle names a window, the child window a
// preview draws in, and noticing when that window is destroyed. Uses its own
// display connection so that SDL's event queue is never disturbed.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/linux/monitor_layout.hpp"

typedef struct _XDisplay Display;

namespace linux_host {

using XWindowId = unsigned long;

// Makes X protocol errors (a window destroyed under our feet) harmless instead
// of ending the process, and a lost server connection an exit with one line on
// stderr and status 1. Call once, before SDL opens its own connection.
void install_x_error_handlers();

class X11Connection {
 public:
  X11Connection();  // opens $DISPLAY; ok() false when there is none
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  bool ok() const { return display_ != nullptr; }
  Display* display() const { return display_; }
  XWindowId root() const;

  // Whether any window carries this caption (_NET_WM_NAME, else WM_NAME).
  bool find_window_by_caption(const std::string& caption_utf8);
  // Size of window id; false when the id names no window.
  bool window_size(XWindowId id, int* width, int* height);

  // Whether the server offers the extension of this name. Asking by name is
  // quiet; an extension's own query prints a warning when it is missing.
  bool has_extension(const char* name) const;

  // The monitors' places on the screen: RandR monitors where the server has
  // them, else Xinerama's heads; empty when the server tells of neither.
  std::vector<Area> monitors();
  // Where window `id` is on the screen (its place relative to the root).
  bool window_area(XWindowId id, Area* area);

  // A child window filling `parent`, mapped, black, that reports its own
  // destruction (with the parent's) and exposure. 0 on failure.
  XWindowId create_child(XWindowId parent, int width, int height);
  // Watches `id` for destruction and exposure.
  void watch(XWindowId id);

  struct Events {
    bool destroyed = false;
    bool exposed = false;
  };
  // Drains the connection's pending events without waiting. Destruction is
  // reported by the server only after watch() took effect; callers that may
  // have raced with it also ask window_size() now and then.
  Events poll(XWindowId watched);

 private:
  Display* display_ = nullptr;
};

}  // namespace linux_host
