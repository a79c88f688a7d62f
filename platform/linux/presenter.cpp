#include "platform/linux/presenter.hpp"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>

namespace linux_host {

Presenter::Presenter(SDL_Window* window) : window_(window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window_, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* d = info.info.x11.display;
  XWindowAttributes a{};
  if (!XGetWindowAttributes(d, info.info.x11.window, &a) || !a.visual) return;
  // DirectColor (Xvfb's default) maps pixels through a colormap that SDL's
  // own framebuffer path relies on being an identity ramp as well.
  const bool xrgb = (a.depth == 24 || a.depth == 32) &&
                    (a.visual->c_class == TrueColor || a.visual->c_class == DirectColor) &&
                    a.visual->red_mask == 0xFF0000 && a.visual->green_mask == 0xFF00 &&
                    a.visual->blue_mask == 0xFF;
  if (!xrgb) return;
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
  if (regions.empty() || !frame.pixels) return;
  if (direct())
    show_direct(frame, regions);
  else
    show_sdl(frame, regions);
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
    XPutImage(d, xwindow_, static_cast<GC>(gc_), image, r.x, r.y, r.x, r.y,
              static_cast<unsigned>(r.w), static_cast<unsigned>(r.h));
  image->data = nullptr;  // the raster window owns the pixels
  XDestroyImage(image);
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
    SDL_Rect dest = rect;
    SDL_BlitSurface(source, &rect, target, &dest);
    rects.push_back(rect);
  }
  SDL_FreeSurface(source);
  SDL_UpdateWindowSurfaceRects(window_, rects.data(), static_cast<int>(rects.size()));
}

}  // namespace linux_host
