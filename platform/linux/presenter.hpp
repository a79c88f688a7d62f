#pragma once
// Puts the raster window's changed regions on the screen. Where the X visual
// stores pixels as 0x00RRGGBB (the usual 24-bit TrueColor), the frame is sent
// straight from the raster window's memory with XPutImage; otherwise through
// SDL's window surface. The direct path keeps no second full-screen copy of
// the picture, which is most of a full-screen run's memory.

#include <vector>

#include "platform/raster/raster_window.hpp"

struct SDL_Window;

namespace linux_host {

class Presenter {
 public:
  explicit Presenter(SDL_Window* window);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // Shows `regions` of `frame` (all of it when `regions` is empty and
  // `everything` is set).
  void show(const raster::Surface& frame, std::vector<raster::Rect> regions, bool everything);
  bool direct() const { return gc_ != nullptr; }

 private:
  void show_direct(const raster::Surface& frame, const std::vector<raster::Rect>& regions);
  void show_sdl(const raster::Surface& frame, const std::vector<raster::Rect>& regions);

  SDL_Window* window_;
  void* display_ = nullptr;  // Display*
  unsigned long xwindow_ = 0;
  void* visual_ = nullptr;  // Visual*
  int depth_ = 0;
  void* gc_ = nullptr;  // GC
};

}  // namespace linux_host
