#pragma once
// A software stage::Window on a pixel buffer that paints exactly as GDI does:
// no anti-aliasing, both end points of a segment, box edges included, solid
// circle interiors, a 4-connected flood fill to a border colour. It is the only
// drawing implementation on Linux and in every pixel test.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "stage/window.hpp"

namespace raster {

// A plain view of 0x00RRGGBB pixels; pitch counts pixels per row. Can wrap
// memory a host owns.
struct Surface {
  std::uint32_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int pitch = 0;
  std::uint32_t& at(int x, int y) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch) +
                  static_cast<std::size_t>(x)];
  }
  std::uint32_t at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch) +
                  static_cast<std::size_t>(x)];
  }
  const std::uint32_t* row(int y) const {
    return pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(pitch);
  }
};

struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool empty() const { return w <= 0 || h <= 0; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

inline std::uint32_t pack(stage::Rgb c) {
  return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | std::uint32_t{c.b};
}
inline stage::Rgb unpack(std::uint32_t p) {
  return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
          static_cast<std::uint8_t>(p)};
}

class CaptionRenderer;  // FreeType + fontconfig text for lbl_gorei

// State of one image slot, as the engine last set it (twips).
struct SlotState {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  int pose = -1;  // -1: no picture yet
  bool visible = true;
};

class RasterWindow final : public stage::Window {
 public:
  // A window of width x height pixels at twips_per_pixel twips per pixel (15 at 96 DPI).
  RasterWindow(int width, int height, float twips_per_pixel = 15.0f);
  ~RasterWindow() override;
  RasterWindow(const RasterWindow&) = delete;
  RasterWindow& operator=(const RasterWindow&) = delete;

  // stage::Window
  void clear() override;
  void line(float x1, float y1, float x2, float y2, stage::Rgb color) override;
  void box(float x1, float y1, float x2, float y2, stage::Rgb color) override;
  void filled_box(float x1, float y1, float x2, float y2, stage::Rgb color) override;
  void circle(float cx, float cy, float r, stage::Rgb color) override;
  void set_fill_style(stage::FillStyle style) override;
  void set_fill_color(stage::Rgb color) override;
  void flood_fill(int px, int py, stage::Rgb border) override;
  void set_slot_left(int slot, float left) override;
  void set_slot_top(int slot, float top) override;
  void set_slot_size(int slot, float width, float height) override;
  void set_slot_picture(int slot, int pose) override;
  void set_slot_visible(int slot, bool visible) override;
  void set_caption_left(float left) override;
  void set_caption_text(const std::string& utf8) override;
  void set_caption_font_size(int points) override;
  float caption_height() const override;
  bool process_events() override;
  float twips_per_pixel_x() const override;
  float twips_per_pixel_y() const override;
  float width() const override;
  float height() const override;
  std::unique_ptr<stage::SurfaceSnapshot> save_surface() const override;
  bool restore_surface(const stage::SurfaceSnapshot& snapshot) override;

  // Pixel size.
  int width_px() const;
  int height_px() const;

  // The painted surface alone (no slots, no caption).
  const Surface& surface() const;
  stage::Rgb surface_pixel(int x, int y) const;

  // What the screen shows: the surface with the visible slots and the caption
  // composed above it. Brings the composition up to date for the regions that
  // changed since the last call only, and returns those regions (a host
  // presents just them).
  std::vector<Rect> compose();
  const Surface& frame() const;  // valid after compose()
  stage::Rgb frame_pixel(int x, int y) const;

  // Inspection for tests and tools.
  const SlotState& slot(int i) const;
  const std::string& caption_text() const;
  int caption_font_size() const;
  stage::FillStyle fill_style() const;
  stage::Rgb fill_color() const;

  // What process_events() runs (a host's event pump); it returns false when the
  // run ended. Without one, process_events() does nothing and returns true.
  void set_event_pump(std::function<bool()> pump);

  // Writes the composed frame as an 8-bit RGB PNG. On failure returns false,
  // fills *error with one line, and leaves no file behind.
  bool write_png(const std::string& path, std::string* error);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Twips to the pixel that GDI would address: rounded half to even.
int to_pixel(float twips, float twips_per_pixel);

}  // namespace raster
