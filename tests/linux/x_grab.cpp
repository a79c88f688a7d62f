// Screenshots for the viewer's end-to-end tests:
//   x_grab ID [FILE.png]       print a hash of window ID's pixels (and save them as PNG)
//   x_grab ID --in X Y W H     print a hash of that rectangle's pixels and the box
//                              "LEFT TOP RIGHT BOTTOM" around its pixels that are not
//                              black (window pixels, inclusive), or "none"
// Two grabs print the same hash exactly when the window shows the same picture.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/png_writer.hpp"

int main(int argc, char** argv) {
  constexpr char kUsage[] = "usage: x_grab ID [FILE.png] | x_grab ID --in X Y W H\n";
  if (argc < 2) {
    std::fprintf(stderr, "%s", kUsage);
    return 2;
  }
  // The rectangle read: the whole window unless --in names one.
  const bool part = argc > 2 && std::string(argv[2]) == "--in";
  constexpr int kRectArgs = 4;
  int rect[kRectArgs] = {0, 0, 0, 0};
  if (part) {
    if (argc != 3 + kRectArgs) {
      std::fprintf(stderr, "%s", kUsage);
      return 2;
    }
    for (int i = 0; i < kRectArgs; ++i) rect[i] = std::atoi(argv[3 + i]);
  }
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "x_grab: no display\n");
    return 2;
  }
  const Window w = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
  XWindowAttributes a{};
  if (!XGetWindowAttributes(d, w, &a) || a.width <= 0 || a.height <= 0) {
    std::fprintf(stderr, "x_grab: no window %s\n", argv[1]);
    return 1;
  }
  if (!part) {
    rect[2] = a.width;
    rect[3] = a.height;
  }
  const int x0 = rect[0], y0 = rect[1];
  const int width = rect[2], height = rect[3];
  if (x0 < 0 || y0 < 0 || width <= 0 || height <= 0 || x0 + width > a.width ||
      y0 + height > a.height) {
    std::fprintf(stderr, "x_grab: the rectangle is not inside the %dx%d window\n", a.width,
                 a.height);
    return 1;
  }
  XImage* image = XGetImage(d, w, x0, y0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), AllPlanes, ZPixmap);
  if (!image) {
    std::fprintf(stderr, "x_grab: cannot read window %s\n", argv[1]);
    return 1;
  }
  std::vector<std::uint32_t> pixels;
  pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  int left = width, top = height, right = -1, bottom = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
      pixels.push_back(p);
      hash = (hash ^ p) * 1099511628211ULL;
      if (p != 0) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  XDestroyImage(image);
  XCloseDisplay(d);
  if (!part) {
    std::printf("%016llx\n", static_cast<unsigned long long>(hash));
  } else if (right < 0) {
    std::printf("%016llx none\n", static_cast<unsigned long long>(hash));
  } else {
    std::printf("%016llx %d %d %d %d\n", static_cast<unsigned long long>(hash), x0 + left, y0 + top,
                x0 + right, y0 + bottom);
  }
  if (argc > 2 && !part) {
    const raster::Surface s{pixels.data(), width, height, width};
    std::string error;
    if (!raster::write_png_file(s, argv[2], &error)) {
      std::fprintf(stderr, "x_grab: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}
