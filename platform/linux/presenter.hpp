#pragma once
// Puts a picture's changed regions on the screen without a full-size copy of
// it: each region is composed a band of rows at a time into one small buffer
// and sent from there. The buffer is a shared-memory segment where the X
// server offers MIT-SHM (the server reads the pixels in place, no copy through
// the socket), else ordinary memory sent with XPutImage. Where the X visual
// stores pixels as 0x00RRGGBB (the usual 24-bit TrueColor) the band goes as it
// is; on other TrueColor visuals (depth 15, 16, 30) it is converted to the
// visual's masks in place first. Without X11 details of the window, SDL's
// window surface is used.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "raster/surface.hpp"

struct SDL_Window;

namespace linux_host {

// Opens SDL's video the way every window a Presenter shows needs it: X11
// only, whatever $SDL_VIDEODRIVER says (without a display SDL would fall back
// to its offscreen driver and play for ever where nobody sees it; the preview
// and caption search speak X11 anyway); presented through X images, not an
// OpenGL texture (a GL driver for a few small blits a second costs tens of
// MiB); and, on a server without RandR (two X screens joined by classic
// Xinerama), RandR left alone: SDL would ask it anyway, which prints an Xlib
// warning and leaks libXrandr's per-display record. Returns SDL's error, or
// an empty text.
std::string start_sdl_video(bool server_has_randr);

class Presenter {
 public:
  // Writes the picture's pixels of `area` to `out`, rows `pitch` pixels apart.
  using Source = std::function<void(const raster::Rect& area, std::uint32_t* out, int pitch)>;

  // Shows pictures with their top left corner at (x, y) of `window`: several
  // stages can share one window, each in its own area.
  explicit Presenter(SDL_Window* window, int x = 0, int y = 0);
  ~Presenter();
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;

  // Shows `regions` of a width x height picture (all of it when `everything`).
  void show(const Source& source, int width, int height, std::vector<raster::Rect> regions,
            bool everything);
  // The same for a picture held in memory.
  void show(const raster::Surface& frame, std::vector<raster::Rect> regions, bool everything);

  // Why this window cannot show frames (its visual has no colour masks to
  // convert to); empty when it can.
  const std::string& unsupported() const { return unsupported_; }

 private:
  enum class Mode { Sdl, Direct, Converted };
  struct Channel {
    int shift = 0;  // of the mask's lowest bit
    int bits = 0;   // width of the mask
  };
  void attach_shared_memory();
  void put_band(std::uint32_t* band, int x, int y, int width, int rows);
  void show_sdl(const Source& source, const std::vector<raster::Rect>& regions);
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

  std::uint32_t* band_ = nullptr;           // kBandPixels, in the segment or in band_memory_
  std::vector<std::uint32_t> band_memory_;  // the band without shared memory
  bool shm_attached_ = false;
  int shm_id_ = -1;
  void* shm_address_ = nullptr;
  unsigned long shm_segment_ = 0;  // the server's name for the segment
  bool server_reading_ = false;    // puts from the segment not yet known to be done
};

}  // namespace linux_host
