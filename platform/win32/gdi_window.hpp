#pragma once
// stage::Window drawn with GDI. The painted surface lives in a persistent
// back buffer (a DIB section selected into a memory DC); the screen shows a
// second buffer composed from it, the visible image slots and the caption, so
// that sprites and the caption never become part of the painted surface and a
// renderer's "paint it black again" erases only what it painted.

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "stage/window.hpp"

namespace win32 {

// A memory DC with a 32-bit top-down DIB section of a given size.
class MemoryBuffer {
 public:
  MemoryBuffer() = default;
  ~MemoryBuffer();
  MemoryBuffer(const MemoryBuffer&) = delete;
  MemoryBuffer& operator=(const MemoryBuffer&) = delete;

  void create(HDC reference, int width, int height);
  HDC dc() const { return dc_; }
  int width() const { return width_; }
  int height() const { return height_; }
  // 0x00RRGGBB of pixel (x, y); 0 outside.
  std::uint32_t pixel(int x, int y) const;
  // The pixels, row 0 first, after GDI has finished what it batched.
  std::uint32_t* bits() const;

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  void* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

class GdiWindow final : public stage::Window {
 public:
  // hwnd: the animation window; width and height: its client size in pixels.
  // Twips per pixel come from the screen's DPI.
  GdiWindow(HWND hwnd, int width, int height);
  ~GdiWindow() override;
  GdiWindow(const GdiWindow&) = delete;
  GdiWindow& operator=(const GdiWindow&) = delete;

  // stage::Window
  void clear() override;
  void line(float x1, float y1, float x2, float y2, stage::Rgb color) override;
  void box(float x1, float y1, float x2, float y2, stage::Rgb color) override;
  void filled_box(float x1, float y1, float x2, float y2, stage::Rgb color) override;
  void circle(float cx, float cy, float r, stage::Rgb color) override;
  void set_fill_style(stage::FillStyle style) override { fill_style_ = style; }
  void set_fill_color(stage::Rgb color) override { fill_color_ = color; }
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
  float twips_per_pixel_x() const override { return tpp_x_; }
  float twips_per_pixel_y() const override { return tpp_y_; }
  float width() const override { return static_cast<float>(width_px_) * tpp_x_; }
  float height() const override { return static_cast<float>(height_px_) * tpp_y_; }
  void set_foreground() override;
  // Run-length copies of the surface: the stage is mostly black, so a viewer
  // can keep dozens of checkpoints of a large window.
  std::unique_ptr<stage::SurfaceSnapshot> save_surface() const override;
  bool restore_surface(const stage::SurfaceSnapshot& snapshot) override;

  // The window procedure calls this on WM_DESTROY: from then on nothing
  // touches the window and process_events() reports the run as ended.
  void detach() { hwnd_ = nullptr; }
  bool attached() const { return hwnd_ != nullptr; }

  // Composes surface, slots and caption (if anything changed) and shows the
  // result on the window. paint_dc: the DC of a WM_PAINT, or null to draw now.
  void present(HDC paint_dc = nullptr);

  // The composed picture brought up to date, for a host that paints more
  // above it on a copy (the viewer's overlay), and the caption's font.
  HDC composed_dc() {
    compose();
    return frame_.dc();
  }
  HFONT caption_font() const { return caption_font_; }

  // The painted surface alone and the composed frame, for tests.
  std::uint32_t surface_pixel(int x, int y) const { return surface_.pixel(x, y); }
  std::uint32_t frame_pixel(int x, int y) {
    compose();
    return frame_.pixel(x, y);
  }
  int width_px() const { return width_px_; }
  int height_px() const { return height_px_; }

 private:
  int px_x(float twips) const;
  int px_y(float twips) const;
  void changed() { dirty_ = true; }
  void compose();
  void rebuild_font();

  HWND hwnd_;
  int width_px_;
  int height_px_;
  float tpp_x_ = 15.0f;
  float tpp_y_ = 15.0f;
  int dpi_y_ = 96;
  MemoryBuffer surface_;  // what the drill painted
  MemoryBuffer frame_;    // surface + slots + caption, as shown
  MemoryBuffer sprites_;  // the 16 poses side by side, 32 px each
  bool dirty_ = true;

  stage::FillStyle fill_style_ = stage::FillStyle::Transparent;
  stage::Rgb fill_color_ = stage::colors::black;

  std::array<stage::ImageSlot, stage::kImageSlots> slots_{};

  float caption_left_ = 0;
  std::wstring caption_text_;
  int caption_points_ = 9;
  HFONT caption_font_ = nullptr;
};

// Twips per pixel of the screen, from its DPI (15 at 96 DPI).
struct TwipsPerPixel {
  float x = 15.0f;
  float y = 15.0f;
};
TwipsPerPixel screen_twips_per_pixel();

// UTF-8 to UTF-16 for the Win32 W calls.
std::wstring widen(const std::string& utf8);
std::string narrow(const std::wstring& utf16);

}  // namespace win32
