#pragma once
// Puts the raster window's changed regions on the screen. Where the X visual
// stores pixels as 0x00RRGGBB (the usual 24-bit TrueColor), the frame is sent
// straight from the raster window's memory with XPutImage; on other TrueColor
// visuals (depth 15, 16, 30) the changed regions are converted to the visual's
// masks a band of rows at a time. Neither path keeps a second full-screen copy
// of the picture, which would be most of a full-screen run's memory. Without
// X11 details of the window, SDL's window surface is used.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/raster/raster_window.hpp"

struct SDL_Window;

namespace linux_host {

class Presenter {
 public:
  // Shows frames with their top left corner at (x, y) of `window`: several
  // stages can share one window, each in its own area.
  explicit Presenter(SDL_Window* window, int x = 0, int y = 0);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // Shows `regions` of `frame` (all of it when `regions` is empty and
  // `everything` is set).
  void show(const raster::Surface& frame, std::vector<raster::Rect> regions, bool everything);
  bool direct() const { return mode_ == Mode::Direct; }
  // Why this window cannot show frames (its visual has no colour masks to
  // convert to); empty when it can.
  const std::string& unsupported() const { return unsupported_; }

 private:
  enum class Mode { Sdl, Direct, Converted };
  struct Channel {
    int shift = 0;  // of the mask's lowest bit
    int bits = 0;   // width of the mask
  };
  void show_direct(const raster::Surface& frame, const std::vector<raster::Rect>& regions);
  void show_converted(const raster::Surface& frame, const std::vector<raster::Rect>& regions);
  void show_sdl(const raster::Surface& frame, const std::vector<raster::Rect>& regions);
  std::uint32_t convert(std::uint32_t rgb) const;

  SDL_Window* window_;
  int x_;
  int y_;
  Mode mode_ = Mode::Sdl;
  std::string unsupported_;
  void* display_ = nullptr;  // Display*
  unsigned long xwindow_ = 0;
  void* visual_ = nullptr;  // Visual*
  int depth_ = 0;
  void* gc_ = nullptr;  // GC
  Channel red_, green_, blue_;
  std::vector<std::uint32_t> band_;  // converted rows on their way to the server
};

}  // namespace linux_host
