#pragma once
// What the stage, the players and the equipment renderers need of a window.
// Hosts implement it (raster window, GDI window); tests use a recording fake.

#include <cstdint>
#include <memory>
#include <string>

#include "stage/pose.hpp"

namespace stage {

struct Rgb {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace colors {
inline constexpr Rgb black{0, 0, 0};
inline constexpr Rgb white{255, 255, 255};
inline constexpr Rgb red{255, 0, 0};
inline constexpr Rgb cyan{0, 255, 255};
inline constexpr Rgb yellow{255, 255, 0};
inline constexpr Rgb grey{128, 128, 128};
inline constexpr Rgb blue{0, 0, 255};
}  // namespace colors

// Circles take the fill colour inside only while the style is solid.
enum class FillStyle { Solid = 0, Transparent = 1 };

// A copy of a window's painted surface, taken and put back by that window only.
class SurfaceSnapshot {
 public:
  virtual ~SurfaceSnapshot() = default;
};

inline constexpr int kImageSlots = 22;       // img_person(0..21)
inline constexpr int kPoses = pose::kCount;  // pic_person(0..15)

// One image slot as the engine last set it, in twips. Windows keep one per
// slot and compose the visible ones with a picture above the painted surface,
// a later slot above an earlier one.
struct ImageSlot {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
  int pose = -1;  // -1: no picture yet
  bool visible = true;
  // Whether the slot shows anything at all (its size still has to come to pixels).
  bool shown() const { return visible && pose >= 0; }
};

// All coordinates and lengths are twips (window units) as floats; painted shapes
// stay on the surface until cleared or painted over. Image slots lie above the
// painted surface and the caption label above them.
class Window {
 public:
  virtual ~Window() = default;

  // --- painted surface ---
  virtual void clear() = 0;  // everything to the black background
  // One-pixel segment, both end points painted.
  virtual void line(float x1, float y1, float x2, float y2, Rgb color) = 0;
  // The same with the second point relative to the first.
  void line_step(float x1, float y1, float dx, float dy, Rgb color) {
    line(x1, y1, x1 + dx, y1 + dy, color);
  }
  // Rectangle outline through both corners.
  virtual void box(float x1, float y1, float x2, float y2, Rgb color) = 0;
  // Rectangle with its edges, entirely in the colour whatever the fill state.
  virtual void filled_box(float x1, float y1, float x2, float y2, Rgb color) = 0;
  void filled_box_step(float x1, float y1, float dx, float dy, Rgb color) {
    filled_box(x1, y1, x1 + dx, y1 + dy, color);
  }
  // Circle outline in the colour; the interior takes the fill colour when the
  // fill style is solid.
  virtual void circle(float cx, float cy, float r, Rgb color) = 0;
  virtual void set_fill_style(FillStyle style) = 0;
  virtual void set_fill_color(Rgb color) = 0;
  // Flood fill in pixels from (px, py) with the fill colour, up to the border colour.
  virtual void flood_fill(int px, int py, Rgb border) = 0;

  // --- image slots img_person(0..21) ---
  virtual void set_slot_left(int slot, float left) = 0;
  virtual void set_slot_top(int slot, float top) = 0;
  virtual void set_slot_size(int slot, float width, float height) = 0;
  virtual void set_slot_picture(int slot, int pose) = 0;  // pic_person(pose)
  virtual void set_slot_visible(int slot, bool visible) = 0;

  // --- caption label lbl_gorei (auto-sizing) ---
  virtual void set_caption_left(float left) = 0;
  virtual void set_caption_text(const std::string& utf8) = 0;
  virtual void set_caption_font_size(int points) = 0;
  virtual float caption_height() const = 0;  // twips, for the current font and text

  // --- events, metrics ---
  // Lets the platform handle pending input. Returns false when that ended the
  // run (the window is gone): the caller must not touch the window again.
  virtual bool process_events() = 0;
  virtual float twips_per_pixel_x() const = 0;
  virtual float twips_per_pixel_y() const = 0;
  virtual float width() const = 0;   // twips
  virtual float height() const = 0;  // twips
  // Asks the platform to bring this window to the front (result unused).
  virtual void set_foreground() {}
  // The stage draws drill `drill` (its index in the stage's drill list) from
  // now on: its intro, its keyframes. A window that places each drill on its
  // own (the teaching picture) listens; the others need not.
  virtual void on_drill(int /*drill*/) {}

  // --- surface checkpoints (optional) ---
  // Lets a viewer rebuild an earlier keyframe's picture from a nearby copy
  // instead of repainting the drill from its start. Slots and caption are not
  // part of it. A window without the service returns null and false.
  virtual std::unique_ptr<SurfaceSnapshot> save_surface() const { return nullptr; }
  virtual bool restore_surface(const SurfaceSnapshot& /*snapshot*/) { return false; }
};

// A window over another that passes every call through to it: a wrapper (the
// teaching picture's mapping, the playback's holding and tracking, a video's
// caption kept out of the picture) overrides only what it changes.
class WindowFilter : public Window {
 public:
  explicit WindowFilter(Window& inner) : inner_(inner) {}

  void clear() override { inner_.clear(); }
  void line(float x1, float y1, float x2, float y2, Rgb color) override {
    inner_.line(x1, y1, x2, y2, color);
  }
  void box(float x1, float y1, float x2, float y2, Rgb color) override {
    inner_.box(x1, y1, x2, y2, color);
  }
  void filled_box(float x1, float y1, float x2, float y2, Rgb color) override {
    inner_.filled_box(x1, y1, x2, y2, color);
  }
  void circle(float cx, float cy, float r, Rgb color) override { inner_.circle(cx, cy, r, color); }
  void set_fill_style(FillStyle style) override { inner_.set_fill_style(style); }
  void set_fill_color(Rgb color) override { inner_.set_fill_color(color); }
  void flood_fill(int px, int py, Rgb border) override { inner_.flood_fill(px, py, border); }
  void set_slot_left(int slot, float left) override { inner_.set_slot_left(slot, left); }
  void set_slot_top(int slot, float top) override { inner_.set_slot_top(slot, top); }
  void set_slot_size(int slot, float width, float height) override {
    inner_.set_slot_size(slot, width, height);
  }
  void set_slot_picture(int slot, int pose) override { inner_.set_slot_picture(slot, pose); }
  void set_slot_visible(int slot, bool visible) override { inner_.set_slot_visible(slot, visible); }
  void set_caption_left(float left) override { inner_.set_caption_left(left); }
  void set_caption_text(const std::string& utf8) override { inner_.set_caption_text(utf8); }
  void set_caption_font_size(int points) override { inner_.set_caption_font_size(points); }
  float caption_height() const override { return inner_.caption_height(); }
  bool process_events() override { return inner_.process_events(); }
  float twips_per_pixel_x() const override { return inner_.twips_per_pixel_x(); }
  float twips_per_pixel_y() const override { return inner_.twips_per_pixel_y(); }
  float width() const override { return inner_.width(); }
  float height() const override { return inner_.height(); }
  void set_foreground() override { inner_.set_foreground(); }
  void on_drill(int drill) override { inner_.on_drill(drill); }
  std::unique_ptr<SurfaceSnapshot> save_surface() const override { return inner_.save_surface(); }
  bool restore_surface(const SurfaceSnapshot& snapshot) override {
    return inner_.restore_surface(snapshot);
  }

 protected:
  Window& inner() const { return inner_; }

 private:
  Window& inner_;
};

}  // namespace stage
