// Screenshots for the viewer's end-to-end tests:
//   x_grab ID [FILE.png]   print a hash of window ID's pixels (and save them as PNG)
// Two grabs print the same hash exactly when the window shows the same picture.

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "export/png_writer.hpp"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: x_grab ID [FILE.png]\n");
    return 2;
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
  XImage* image = XGetImage(d, w, 0, 0, static_cast<unsigned>(a.width),
                            static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
  if (!image) {
    std::fprintf(stderr, "x_grab: cannot read window %s\n", argv[1]);
    return 1;
  }
  std::vector<std::uint32_t> pixels;
  pixels.reserve(static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.height));
  std::uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      const std::uint32_t p = static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
      pixels.push_back(p);
      hash = (hash ^ p) * 1099511628211ULL;
    }
  XDestroyImage(image);
  XCloseDisplay(d);
  std::printf("%016llx\n", static_cast<unsigned long long>(hash));
  if (argc > 2) {
    const raster::Surface s{pixels.data(), a.width, a.height, a.width};
    std::string error;
    if (!raster::write_png_file(s, argv[2], &error)) {
      std::fprintf(stderr, "x_grab: %s\n", error.c_str());
      return 1;
    }
  }
  return 0;
}
