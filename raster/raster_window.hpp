#pragma once
// A software stage::Window on a pixel buffer that paints exactly as GDI does
// (the painter) and shows the image slots and the caption above what was
// painted (the compositor). It is the only drawing implementation on Linux and
// in every pixel test.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "raster/surface.hpp"
#include "stage/window.hpp"

namespace raster {

// The largest side a raster window is made with, by every host and tool: the
// painted surface alone is 256 MiB at 16384 x 16384, and no screen comes near.
inline constexpr int kMaxWindowSide = 16384;

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

  // The painted surface alone (no slots, no caption): a copy, for inspection.
  Image surface() const;
  stage::Rgb surface_pixel(int x, int y) const;

  // What the screen shows is the surface with the visible slots and the
  // caption composed above it. A host presenting changes takes the regions
  // that changed since the last call and composes each into the buffer it
  // presents, keeping no frame of its own:
  std::vector<Rect> changes();
  void compose(const Rect& area, std::uint32_t* out, int pitch);
  // Or the window keeps a whole frame, brought up to date for the regions
  // that changed since the last call, which it returns (tools, tests). A
  // caller uses one way or the other.
  std::vector<Rect> compose();
  const Surface& frame() const;  // valid after compose()
  stage::Rgb frame_pixel(int x, int y) const;

  // Inspection for tests and tools.
  const stage::ImageSlot& slot(int i) const;
  const std::string& caption_text() const;
  int caption_font_size() const;
  stage::FillStyle fill_style() const;
  stage::Rgb fill_color() const;

  // What process_events() runs (a host's event pump); it returns false when the
  // run ended. Without one, process_events() does nothing and returns true.
  void set_event_pump(std::function<bool()> pump);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace raster
