#include "platform/linux/x11.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace linux_host {

namespace {

int ignore_x_error(Display*, XErrorEvent*) { return 0; }

// Status of a run whose X server went away under it.
constexpr int kLostServerStatus = 1;

int lost_x_server(Display*) {
  // The server went away (stopped, crashed, or the session ended): nothing is
  // left to draw on. Xlib must not return from here, and the exit handlers
  // would talk to the dead connection again (SDL's, GTK's), so the process
  // ends at once; whoever started it learns why from the line and the status.
  std::fputs("mirukado: lost the connection to the X server\n", stderr);
  _exit(kLostServerStatus);
}

// A bound on the windows searched, so that a pathological tree cannot stall a start.
constexpr int kMaxWindowsSearched = 20000;

bool window_has_caption(Display* d, Window w, Atom net_wm_name, Atom utf8,
                        const std::string& want) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  bool match = false;
  if (XGetWindowProperty(d, w, net_wm_name, 0, 1024, False, utf8, &type, &format, &count, &after,
                         &data) == Success &&
      data) {
    match =
        type == utf8 && format == 8 && std::string(reinterpret_cast<char*>(data), count) == want;
    XFree(data);
    if (match) return true;
  }
  XTextProperty text{};
  if (XGetWMName(d, w, &text) && text.value) {
    match =
        text.format == 8 && std::string(reinterpret_cast<char*>(text.value), text.nitems) == want;
    XFree(text.value);
  }
  return match;
}

}  // namespace

void install_x_error_handlers() {
  XSetErrorHandler(ignore_x_error);
  XSetIOErrorHandler(lost_x_server);
}

X11Connection::X11Connection() { display_ = XOpenDisplay(nullptr); }

X11Connection::~X11Connection() {
  if (display_) XCloseDisplay(display_);
}

XWindowId X11Connection::root() const { return display_ ? DefaultRootWindow(display_) : 0; }

bool X11Connection::find_window_by_caption(const std::string& caption) {
  if (!display_) return false;
  const Atom net_wm_name = XInternAtom(display_, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display_, "UTF8_STRING", False);
  std::vector<Window> pending{DefaultRootWindow(display_)};
  int searched = 0;
  while (!pending.empty() && searched < kMaxWindowsSearched) {
    const Window w = pending.back();
    pending.pop_back();
    ++searched;
    if (w != DefaultRootWindow(display_) &&
        window_has_caption(display_, w, net_wm_name, utf8, caption))
      return true;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    if (XQueryTree(display_, w, &root, &parent, &children, &n) && children) {
      pending.insert(pending.end(), children, children + n);
      XFree(children);
    }
  }
  return false;
}

bool X11Connection::window_size(XWindowId id, int* width, int* height) {
  if (!display_ || id == 0) return false;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display_, id, &attributes)) return false;
  *width = attributes.width;
  *height = attributes.height;
  return true;
}

bool X11Connection::has_extension(const char* name) const {
  int opcode = 0, event_base = 0, error_base = 0;
  return display_ && XQueryExtension(display_, name, &opcode, &event_base, &error_base);
}

std::vector<Area> X11Connection::monitors() {
  std::vector<Area> out;
  if (!display_) return out;
  int event_base = 0, error_base = 0, major = 0, minor = 0;
  // RandR 1.5 monitors: what the desktop itself calls monitors (one per
  // output, or as the user grouped them with xrandr --setmonitor).
  if (has_extension("RANDR") && XRRQueryExtension(display_, &event_base, &error_base) &&
      XRRQueryVersion(display_, &major, &minor) && (major > 1 || (major == 1 && minor >= 5))) {
    int n = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display_, DefaultRootWindow(display_), True, &n);
    if (info) {
      for (int i = 0; i < n; ++i)
        out.push_back({info[i].x, info[i].y, info[i].width, info[i].height});
      XRRFreeMonitors(info);
    }
    if (!out.empty()) return out;
  }
  // Classic Xinerama (which switches RandR off) lists its heads instead.
  if (has_extension("XINERAMA") && XineramaQueryExtension(display_, &event_base, &error_base) &&
      XineramaIsActive(display_)) {
    int n = 0;
    XineramaScreenInfo* heads = XineramaQueryScreens(display_, &n);
    if (heads) {
      for (int i = 0; i < n; ++i)
        out.push_back({heads[i].x_org, heads[i].y_org, heads[i].width, heads[i].height});
      XFree(heads);
    }
  }
  return out;
}

bool X11Connection::window_area(XWindowId id, Area* area) {
  int w = 0, h = 0;
  if (!window_size(id, &w, &h)) return false;
  int x = 0, y = 0;
  Window child = 0;
  if (!XTranslateCoordinates(display_, id, DefaultRootWindow(display_), 0, 0, &x, &y, &child))
    return false;
  *area = {x, y, w, h};
  return true;
}

XWindowId X11Connection::create_child(XWindowId parent, int width, int height) {
  if (!display_) return 0;
  const unsigned long black = BlackPixel(display_, DefaultScreen(display_));
  const Window child = XCreateSimpleWindow(display_, parent, 0, 0, static_cast<unsigned>(width),
                                           static_cast<unsigned>(height), 0, black, black);
  if (!child) return 0;
  XSelectInput(display_, child, StructureNotifyMask | ExposureMask);
  XMapWindow(display_, child);
  XSync(display_, False);
  int w = 0, h = 0;
  return window_size(child, &w, &h) ? child : 0;
}

void X11Connection::watch(XWindowId id) {
  if (!display_) return;
  XSelectInput(display_, id, StructureNotifyMask | ExposureMask);
  XSync(display_, False);
}

X11Connection::Events X11Connection::poll(XWindowId watched) {
  Events events;
  if (!display_) return events;
  while (XPending(display_) > 0) {
    XEvent e;
    XNextEvent(display_, &e);
    if (e.type == DestroyNotify && e.xdestroywindow.window == watched) events.destroyed = true;
    if (e.type == Expose && e.xexpose.count == 0) events.exposed = true;
  }
  return events;
}

}  // namespace linux_host
