// A small X client for the end-to-end tests of the Linux screen saver:
//   x_probe host W H       make a top-level W x H window, print its id, live until killed
//   x_probe lit ID|root    print how many pixels of the window are not black
//   x_probe lit_outside ID print how many pixels of the screen outside window ID are not black
//   x_probe find CAPTION   print the ids of the windows with that caption (_NET_WM_NAME or WM_NAME)
//   x_probe size ID        print the window's width and height
//   x_probe children ID    print how many child windows ID has
//   x_probe destroy ID     destroy window ID, as any other client of the server may
//   x_probe dump ID FILE   write the window's picture as a PPM file (24-bit colour)
//   x_probe white_box ID X Y W H  print the bounding box "LEFT TOP RIGHT BOTTOM" of the
//                          white pixels in that rectangle of the window, or "none"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int ignore_errors(Display*, XErrorEvent*) { return 0; }

Window parse_window(Display* d, const char* text) {
  if (std::strcmp(text, "root") == 0) return DefaultRootWindow(d);
  return static_cast<Window>(std::strtoul(text, nullptr, 0));
}

std::string caption_of(Display* d, Window w) {
  const Atom net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom type = None;
  int format = 0;
  unsigned long n = 0, after = 0;
  unsigned char* data = nullptr;
  std::string out;
  if (XGetWindowProperty(d, w, net_wm_name, 0, 1024, False, utf8, &type, &format, &n, &after,
                         &data) == Success &&
      data) {
    out.assign(reinterpret_cast<char*>(data), n);
    XFree(data);
    if (!out.empty()) return out;
  }
  XTextProperty text{};
  if (XGetWMName(d, w, &text) && text.value) {
    out.assign(reinterpret_cast<char*>(text.value), text.nitems);
    XFree(text.value);
  }
  return out;
}

void collect(Display* d, Window w, std::vector<Window>& all) {
  all.push_back(w);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n) && children) {
    for (unsigned int i = 0; i < n; ++i) collect(d, children[i], all);
    XFree(children);
  }
}

// A pixel's channels scaled to 8 bits from the visual's masks, whatever the depth.
void to_rgb8(const Visual* v, unsigned long p, unsigned char rgb[3]) {
  const unsigned long masks[3] = {v->red_mask, v->green_mask, v->blue_mask};
  for (int i = 0; i < 3; ++i) {
    if (masks[i] == 0) {  // a colour-mapped visual: the index stands for grey
      rgb[i] = static_cast<unsigned char>(p);
      continue;
    }
    const unsigned long low = masks[i] & ~(masks[i] << 1);
    rgb[i] = static_cast<unsigned char>((p & masks[i]) / low * 255 / (masks[i] / low));
  }
}

volatile std::sig_atomic_t stop = 0;
void on_signal(int) { stop = 1; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: x_probe host W H | lit ID | find CAPTION | size ID | children ID\n");
    return 2;
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "x_probe: no display\n");
    return 2;
  }
  XSetErrorHandler(ignore_errors);
  const std::string cmd = argv[1];
  if (cmd == "host" && argc >= 4) {
    const int screen = DefaultScreen(d);
    const Window w = XCreateSimpleWindow(
        d, DefaultRootWindow(d), 50, 50, static_cast<unsigned>(std::atoi(argv[2])),
        static_cast<unsigned>(std::atoi(argv[3])), 0, WhitePixel(d, screen), BlackPixel(d, screen));
    XStoreName(d, w, "mirukado test host");
    XMapWindow(d, w);
    XSync(d, False);
    std::printf("%lu\n", w);
    std::fflush(stdout);
    std::signal(SIGTERM, on_signal);
    std::signal(SIGINT, on_signal);
    while (!stop) pause();
    return 0;  // closing the connection destroys the window and its children
  }
  const Window w = parse_window(d, argv[2]);
  if (cmd == "dump" && argc >= 4) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a)) return 1;
    XImage* image = XGetImage(d, w, 0, 0, static_cast<unsigned>(a.width),
                              static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!image) return 1;
    FILE* out = std::fopen(argv[3], "wb");
    if (!out) return 1;
    std::fprintf(out, "P6\n%d %d\n255\n", a.width, a.height);
    for (int y = 0; y < a.height; ++y) {
      for (int x = 0; x < a.width; ++x) {
        unsigned char rgb[3];
        to_rgb8(a.visual, XGetPixel(image, x, y), rgb);
        std::fwrite(rgb, 1, 3, out);
      }
    }
    std::fclose(out);
    XDestroyImage(image);
    return 0;
  }
  if (cmd == "white_box" && argc >= 7) {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a)) return 1;
    const int x0 = std::atoi(argv[3]), y0 = std::atoi(argv[4]);
    const int width = std::atoi(argv[5]), height = std::atoi(argv[6]);
    XImage* image = XGetImage(d, w, x0, y0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return 1;
    int left = width, top = height, right = -1, bottom = -1;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        unsigned char rgb[3];
        to_rgb8(a.visual, XGetPixel(image, x, y), rgb);
        if (rgb[0] != 255 || rgb[1] != 255 || rgb[2] != 255) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
      }
    }
    XDestroyImage(image);
    if (right < 0)
      std::printf("none\n");
    else
      std::printf("%d %d %d %d\n", x0 + left, y0 + top, x0 + right, y0 + bottom);
    return 0;
  }
  if (cmd == "lit") {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a)) return 1;
    XImage* image = XGetImage(d, w, 0, 0, static_cast<unsigned>(a.width),
                              static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!image) return 1;
    long lit = 0;
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x)
        if ((XGetPixel(image, x, y) & 0xFFFFFF) != 0) ++lit;
    XDestroyImage(image);
    std::printf("%ld\n", lit);
    return 0;
  }
  if (cmd == "lit_outside") {
    XWindowAttributes a{}, r{};
    const Window root = DefaultRootWindow(d);
    int wx = 0, wy = 0;
    Window child = 0;
    if (!XGetWindowAttributes(d, w, &a) || !XGetWindowAttributes(d, root, &r) ||
        !XTranslateCoordinates(d, w, root, 0, 0, &wx, &wy, &child))
      return 1;
    XImage* image = XGetImage(d, root, 0, 0, static_cast<unsigned>(r.width),
                              static_cast<unsigned>(r.height), AllPlanes, ZPixmap);
    if (!image) return 1;
    long lit = 0;
    for (int y = 0; y < r.height; ++y)
      for (int x = 0; x < r.width; ++x) {
        const bool inside = x >= wx && x < wx + a.width && y >= wy && y < wy + a.height;
        if (!inside && (XGetPixel(image, x, y) & 0xFFFFFF) != 0) ++lit;
      }
    XDestroyImage(image);
    std::printf("%ld\n", lit);
    return 0;
  }
  if (cmd == "find") {
    std::vector<Window> all;
    collect(d, DefaultRootWindow(d), all);
    for (Window c : all)
      if (caption_of(d, c) == argv[2]) std::printf("%lu\n", c);
    return 0;
  }
  if (cmd == "size") {
    XWindowAttributes a{};
    if (!XGetWindowAttributes(d, w, &a)) return 1;
    std::printf("%d %d\n", a.width, a.height);
    return 0;
  }
  if (cmd == "destroy") {
    XDestroyWindow(d, w);
    XSync(d, False);
    return 0;
  }
  if (cmd == "children") {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &n)) return 1;
    if (children) XFree(children);
    std::printf("%u\n", n);
    return 0;
  }
  return 2;
}
