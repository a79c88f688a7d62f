#include "platform/linux/presenter.hpp"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <bit>
#include <cstring>

namespace linux_host {

namespace {

constexpr int kChannelBits = 8;
constexpr int kMinDepth = 15;
// Pixels composed at once: 256 KiB, a few rows of a full-screen region.
// Bounds what presenting costs in memory to a sliver of a frame, and a
// tick's changes usually fit in one go (one round trip to the server).
constexpr int kBandPixels = 1 << 16;
constexpr std::size_t kBandBytes = kBandPixels * sizeof(std::uint32_t);
constexpr unsigned kOwnerOnly = 0600;

// Set by the error handler while a shared-memory attach is tried: a server on
// another machine accepts the extension query and then refuses the segment.
// Xlib reports errors to a plain function, so the flag cannot live elsewhere.
bool attach_refused = false;
int note_refusal(Display*, XErrorEvent*) {
  attach_refused = true;
  return 0;
}

}  // namespace

std::string start_sdl_video(bool server_has_randr) {
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "x11", SDL_HINT_OVERRIDE);
  if (!server_has_randr) SDL_SetHint(SDL_HINT_VIDEO_X11_XRANDR, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return SDL_GetError();
  return {};
}

Presenter::Presenter(SDL_Window* window, int x, int y) : window_(window), x_(x), y_(y) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window_, &info) && info.subsystem == SDL_SYSWM_X11) {
    Display* d = info.info.x11.display;
    XWindowAttributes a{};
    if (XGetWindowAttributes(d, info.info.x11.window, &a) && a.visual) {
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
      attach_shared_memory();
    }
  }
  if (!shm_attached_) {
    band_memory_.resize(kBandPixels);
    band_ = band_memory_.data();
  }
}

// The segment is marked for removal as soon as the server has it: it goes
// away with the last detach, also when this process is killed.
void Presenter::attach_shared_memory() {
  Display* d = static_cast<Display*>(display_);
  if (!XShmQueryExtension(d)) return;
  shm_id_ = shmget(IPC_PRIVATE, kBandBytes, IPC_CREAT | kOwnerOnly);
  if (shm_id_ < 0) return;
  shm_address_ = shmat(shm_id_, nullptr, 0);
  if (shm_address_ == reinterpret_cast<void*>(-1)) {
    shm_address_ = nullptr;
    shmctl(shm_id_, IPC_RMID, nullptr);
    return;
  }
  XShmSegmentInfo info{};
  info.shmid = shm_id_;
  info.shmaddr = static_cast<char*>(shm_address_);
  info.readOnly = True;
  XSync(d, False);
  attach_refused = false;
  XErrorHandler before = XSetErrorHandler(note_refusal);
  const bool asked = XShmAttach(d, &info);
  XSync(d, False);
  XSetErrorHandler(before);
  shmctl(shm_id_, IPC_RMID, nullptr);
  if (!asked || attach_refused) {
    shmdt(shm_address_);
    shm_address_ = nullptr;
    return;
  }
  shm_segment_ = info.shmseg;
  shm_attached_ = true;
  band_ = static_cast<std::uint32_t*>(shm_address_);
}

Presenter::~Presenter() {
  Display* d = static_cast<Display*>(display_);
  if (shm_attached_) {
    XShmSegmentInfo info{};
    info.shmseg = shm_segment_;
    info.shmid = shm_id_;
    info.shmaddr = static_cast<char*>(shm_address_);
    XShmDetach(d, &info);
    XSync(d, False);
    shmdt(shm_address_);
  }
  if (gc_) XFreeGC(d, static_cast<GC>(gc_));
}

void Presenter::show(const raster::Surface& frame, std::vector<raster::Rect> regions,
                     bool everything) {
  if (!frame.pixels) return;
  show(
      [&frame](const raster::Rect& area, std::uint32_t* out, int pitch) {
        for (int y = 0; y < area.h; ++y)
          std::copy_n(frame.row(area.y + y) + area.x, area.w,
                      out + static_cast<std::ptrdiff_t>(y) * pitch);
      },
      frame.width, frame.height, std::move(regions), everything);
}

void Presenter::show(const Source& source, int width, int height, std::vector<raster::Rect> regions,
                     bool everything) {
  if (everything) regions.assign(1, raster::Rect{0, 0, width, height});
  if (regions.empty() || !unsupported_.empty()) return;
  if (mode_ == Mode::Sdl) return show_sdl(source, regions);
  Display* d = static_cast<Display*>(display_);
  // The last show's puts are long done by now; the round trip makes sure
  // before the segment is written again.
  if (server_reading_) XSync(d, False);
  server_reading_ = false;
  int used = 0;
  for (const raster::Rect& r : regions) {
    if (r.empty() || r.w > kBandPixels) continue;  // wider than any X window can be
    const int band_rows = std::max(1, kBandPixels / r.w);
    for (int top = r.y; top < r.y + r.h; top += band_rows) {
      const int rows = std::min(band_rows, r.y + r.h - top);
      const int pixels = r.w * rows;
      if (used + pixels > kBandPixels) {
        if (server_reading_) XSync(d, False);
        server_reading_ = false;
        used = 0;
      }
      std::uint32_t* band = band_ + used;
      source({r.x, top, r.w, rows}, band, r.w);
      put_band(band, r.x, top, r.w, rows);
      used += pixels;
    }
  }
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

// `band` holds width x rows pixels 0x00RRGGBB with no gap between rows.
void Presenter::put_band(std::uint32_t* band, int x, int y, int width, int rows) {
  Display* d = static_cast<Display*>(display_);
  Visual* visual = static_cast<Visual*>(visual_);
  const auto depth = static_cast<unsigned>(depth_);
  const auto w = static_cast<unsigned>(width);
  const auto h = static_cast<unsigned>(rows);
  char* data = reinterpret_cast<char*>(band);
  XShmSegmentInfo info{};
  info.shmseg = shm_segment_;
  info.shmid = shm_id_;
  info.shmaddr = static_cast<char*>(shm_address_);
  info.readOnly = True;
  XImage* image = shm_attached_ ? XShmCreateImage(d, visual, depth, ZPixmap, data, &info, w, h)
                                : XCreateImage(d, visual, depth, ZPixmap, 0, data, w, h, 32, 0);
  if (!image) return;
  // The pixels are host-order words; Xlib converts if the server differs.
  image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  if (mode_ == Mode::Converted) {
    // In place, row by row from the top: no pixel of the visual's format is
    // wider than the word it comes from, so nothing is overwritten unread.
    for (int row = 0; row < rows; ++row) {
      char* dst = data + static_cast<std::ptrdiff_t>(row) * image->bytes_per_line;
      const char* src = data + static_cast<std::ptrdiff_t>(row) * width * 4;
      for (int i = 0; i < width; ++i) {
        std::uint32_t rgb = 0;
        std::memcpy(&rgb, src + 4 * i, 4);
        const std::uint32_t p = convert(rgb);
        if (image->bits_per_pixel == 32) {
          std::memcpy(dst + 4 * i, &p, 4);
        } else if (image->bits_per_pixel == 16) {
          const auto p16 = static_cast<std::uint16_t>(p);
          std::memcpy(dst + 2 * i, &p16, 2);
        } else {
          XPutPixel(image, i, row, p);
        }
      }
    }
  }
  if (shm_attached_) {
    XShmPutImage(d, xwindow_, static_cast<GC>(gc_), image, 0, 0, x_ + x, y_ + y, w, h, False);
    server_reading_ = true;
  } else {
    XPutImage(d, xwindow_, static_cast<GC>(gc_), image, 0, 0, x_ + x, y_ + y, w, h);
  }
  image->data = nullptr;  // the band is ours
  XDestroyImage(image);
}

void Presenter::show_sdl(const Source& source, const std::vector<raster::Rect>& regions) {
  SDL_Surface* target = SDL_GetWindowSurface(window_);
  if (!target) return;
  std::vector<SDL_Rect> rects;
  rects.reserve(regions.size());
  for (const raster::Rect& r : regions) {
    if (r.empty() || r.w > kBandPixels) continue;
    const int band_rows = std::max(1, kBandPixels / r.w);
    for (int top = r.y; top < r.y + r.h; top += band_rows) {
      const int rows = std::min(band_rows, r.y + r.h - top);
      source({r.x, top, r.w, rows}, band_, r.w);
      SDL_Surface* band =
          SDL_CreateRGBSurfaceWithFormatFrom(band_, r.w, rows, 32, r.w * 4, SDL_PIXELFORMAT_RGB888);
      if (!band) return;
      SDL_Rect dest{x_ + r.x, y_ + top, r.w, rows};
      SDL_BlitSurface(band, nullptr, target, &dest);
      SDL_FreeSurface(band);
    }
    rects.push_back({x_ + r.x, y_ + r.y, r.w, r.h});
  }
  SDL_UpdateWindowSurfaceRects(window_, rects.data(), static_cast<int>(rects.size()));
}

}  // namespace linux_host
