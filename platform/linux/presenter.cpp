#include "platform/linux/presenter.hpp"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace linux_host {

namespace {

constexpr int kChannelBits = 8;
constexpr int kMinDepth = 15;
// Rows converted at once: bounds the conversion buffer to a small fraction of
// a frame, however large the region.
constexpr int kBandRows = 32;

}  // namespace

Presenter::Presenter(SDL_Window* window, int x, int y) : window_(window), x_(x), y_(y) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* d = info.info.x11.display;
  XWindowAttributes a{};
  if (!XGetWindowAttributes(d, info.info.x11.window, &a) || !a.visual) return;
  // DirectColor (Xvfb's default) maps pixels through a colormap that SDL's
  // own framebuffer path relies on being an identity ramp as well.
  // Below 15 bits the colours go through a colour map (even a DirectColor
  // visual's is not a ramp there): refused, rather than shown wrong or black.
  const Visual* v = a.visual;
  if ((v->c_class != TrueColor && v->c_class != DirectColor) || a.depth < kMinDepth) {
    unsupported_ = "the X screen's visual has depth " + std::to_string(a.depth) +
                   "; Mirukado draws on TrueColor visuals of depth 15, 16, 24 or 30";
    return;
  }
  auto channel = [](unsigned long mask) {
    return Channel{std::countr_zero(mask), std::popcount(mask)};
  };
  red_ = channel(v->red_mask);
  green_ = channel(v->green_mask);
  blue_ = channel(v->blue_mask);
  const bool xrgb = (a.depth == 24 || a.depth == 32) && v->red_mask == 0xFF0000 &&
                    v->green_mask == 0xFF00 && v->blue_mask == 0xFF;
  mode_ = xrgb ? Mode::Direct : Mode::Converted;
  display_ = d;
  xwindow_ = info.info.x11.window;
  visual_ = a.visual;
  depth_ = a.depth;
  gc_ = XCreateGC(d, xwindow_, 0, nullptr);
}

Presenter::~Presenter() {
  if (gc_) XFreeGC(static_cast<Display*>(display_), static_cast<GC>(gc_));
}

void Presenter::show(const raster::Surface& frame, std::vector<raster::Rect> regions,
                     bool everything) {
  if (everything) regions.assign(1, raster::Rect{0, 0, frame.width, frame.height});
  if (regions.empty() || !frame.pixels || !unsupported_.empty()) return;
  switch (mode_) {
    case Mode::Direct:
      return show_direct(frame, regions);
    case Mode::Converted:
      return show_converted(frame, regions);
    case Mode::Sdl:
      return show_sdl(frame, regions);
  }
}

void Presenter::show_direct(const raster::Surface& frame,
                            const std::vector<raster::Rect>& regions) {
  Display* d = static_cast<Display*>(display_);
  XImage* image =
      XCreateImage(d, static_cast<Visual*>(visual_), static_cast<unsigned>(depth_), ZPixmap, 0,
                   reinterpret_cast<char*>(frame.pixels), static_cast<unsigned>(frame.width),
                   static_cast<unsigned>(frame.height), 32, frame.pitch * 4);
  if (!image) return show_sdl(frame, regions);
  // The pixels are host-order 32-bit words; Xlib converts if the server differs.
  image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  for (const raster::Rect& r : regions)
    XPutImage(d, xwindow_, static_cast<GC>(gc_), image, r.x, r.y, x_ + r.x, y_ + r.y,
              static_cast<unsigned>(r.w), static_cast<unsigned>(r.h));
  image->data = nullptr;  // the raster window owns the pixels
  XDestroyImage(image);
  XFlush(d);
}

std::uint32_t Presenter::convert(std::uint32_t rgb) const {
  auto scale = [](std::uint32_t v, const Channel& c) -> std::uint32_t {
    // Narrower channels keep the high bits; wider ones repeat them (0xFF
    // becomes 0x3FF, full white stays full white).
    const std::uint32_t wide = c.bits <= kChannelBits ? v >> (kChannelBits - c.bits)
                                                      : (v << (c.bits - kChannelBits)) |
                                                            (v >> (2 * kChannelBits - c.bits));
    return wide << c.shift;
  };
  return scale((rgb >> 16) & 0xFF, red_) | scale((rgb >> 8) & 0xFF, green_) |
         scale(rgb & 0xFF, blue_);
}

void Presenter::show_converted(const raster::Surface& frame,
                               const std::vector<raster::Rect>& regions) {
  Display* d = static_cast<Display*>(display_);
  for (const raster::Rect& r : regions) {
    for (int top = r.y; top < r.y + r.h; top += kBandRows) {
      const int rows = std::min(kBandRows, r.y + r.h - top);
      XImage* image =
          XCreateImage(d, static_cast<Visual*>(visual_), static_cast<unsigned>(depth_), ZPixmap, 0,
                       nullptr, static_cast<unsigned>(r.w), static_cast<unsigned>(rows), 32, 0);
      if (!image) return;
      image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
      const std::size_t bytes =
          static_cast<std::size_t>(image->bytes_per_line) * static_cast<std::size_t>(rows);
      band_.resize((bytes + 3) / 4);
      image->data = reinterpret_cast<char*>(band_.data());
      for (int y = 0; y < rows; ++y) {
        const std::uint32_t* src = frame.row(top + y) + r.x;
        char* dst = image->data + static_cast<std::size_t>(y) * image->bytes_per_line;
        if (image->bits_per_pixel == 32) {
          for (int x = 0; x < r.w; ++x) {
            const std::uint32_t p = convert(src[x]);
            std::memcpy(dst + 4 * x, &p, 4);
          }
        } else if (image->bits_per_pixel == 16) {
          for (int x = 0; x < r.w; ++x) {
            const auto p = static_cast<std::uint16_t>(convert(src[x]));
            std::memcpy(dst + 2 * x, &p, 2);
          }
        } else {
          for (int x = 0; x < r.w; ++x) XPutPixel(image, x, y, convert(src[x]));
        }
      }
      XPutImage(d, xwindow_, static_cast<GC>(gc_), image, 0, 0, x_ + r.x, y_ + top,
                static_cast<unsigned>(r.w), static_cast<unsigned>(rows));
      image->data = nullptr;  // band_ is ours
      XDestroyImage(image);
    }
  }
  XFlush(d);
}

void Presenter::show_sdl(const raster::Surface& frame, const std::vector<raster::Rect>& regions) {
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (!target) return;
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
      frame.pixels, frame.width, frame.height, 32, frame.pitch * 4, SDL_PIXELFORMAT_RGB888);
  if (!source) return;
  std::vector<SDL_Rect> rects;
  rects.reserve(regions.size());
  for (const raster::Rect& r : regions) {
    SDL_Rect rect{r.x, r.y, r.w, r.h};
    SDL_Rect dest{x_ + r.x, y_ + r.y, r.w, r.h};
    SDL_BlitSurface(source, &rect, target, &dest);
    rects.push_back(dest);
  }
  SDL_FreeSurface(source);
  SDL_UpdateWindowSurfaceRects(window_, rects.data(), static_cast<int>(rects.size()));
}

}  // namespace linux_host
