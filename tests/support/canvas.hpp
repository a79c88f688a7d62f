#pragma once
// Pixel tests of the equipment renderers. A Canvas shows a window onto a
// rectangle of a drill's stage at one pixel per stage unit (15 twips per unit
// at 15 twips per pixel), so every stage point is a whole pixel and a box's
// covered range can be checked unit by unit. Every call the renderers make
// passes through a counter, so "paints nothing" can be checked as "calls nothing".

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "raster/raster_window.hpp"
#include "render/layer.hpp"
#include "stage/frame_table.hpp"

namespace stage {
inline void PrintTo(const Rgb& c, std::ostream* os) {
  *os << "rgb(" << int{c.r} << ", " << int{c.g} << ", " << int{c.b} << ")";
}
}  // namespace stage

namespace render_test {

using PixelWindow = raster::RasterWindow;

inline std::string name_of(stage::Rgb c) {
  using namespace stage::colors;
  if (c == black) return "black";
  if (c == white) return "white";
  if (c == red) return "red";
  if (c == cyan) return "cyan";
  if (c == yellow) return "yellow";
  if (c == grey) return "grey";
  char buf[32];
  std::snprintf(buf, sizeof buf, "rgb(%d, %d, %d)", c.r, c.g, c.b);
  return buf;
}

// Forwards to the pixel window and counts what the renderers ask of it.
class CountingWindow final : public stage::Window {
 public:
  explicit CountingWindow(stage::Window& inner) : in_(inner) {}
  int paint_calls = 0;  // drawing and fill-state calls
  int slot_calls = 0;   // image-slot calls
  int other_calls = 0;

  void clear() override { ++paint_calls, in_.clear(); }
  void line(float a, float b, float c, float d, stage::Rgb k) override {
    ++paint_calls, in_.line(a, b, c, d, k);
  }
  void box(float a, float b, float c, float d, stage::Rgb k) override {
    ++paint_calls, in_.box(a, b, c, d, k);
  }
  void filled_box(float a, float b, float c, float d, stage::Rgb k) override {
    ++paint_calls, in_.filled_box(a, b, c, d, k);
  }
  void circle(float a, float b, float r, stage::Rgb k) override {
    ++paint_calls, in_.circle(a, b, r, k);
  }
  void set_fill_style(stage::FillStyle s) override { ++paint_calls, in_.set_fill_style(s); }
  void set_fill_color(stage::Rgb k) override { ++paint_calls, in_.set_fill_color(k); }
  void flood_fill(int x, int y, stage::Rgb k) override { ++paint_calls, in_.flood_fill(x, y, k); }
  void set_slot_left(int i, float v) override { ++slot_calls, in_.set_slot_left(i, v); }
  void set_slot_top(int i, float v) override { ++slot_calls, in_.set_slot_top(i, v); }
  void set_slot_size(int i, float w, float h) override { ++slot_calls, in_.set_slot_size(i, w, h); }
  void set_slot_picture(int i, int p) override { ++slot_calls, in_.set_slot_picture(i, p); }
  void set_slot_visible(int i, bool v) override { ++slot_calls, in_.set_slot_visible(i, v); }
  void set_caption_left(float v) override { ++other_calls, in_.set_caption_left(v); }
  void set_caption_text(const std::string& t) override { ++other_calls, in_.set_caption_text(t); }
  void set_caption_font_size(int p) override { ++other_calls, in_.set_caption_font_size(p); }
  float caption_height() const override { return in_.caption_height(); }
  bool process_events() override { return ++other_calls, in_.process_events(); }
  float twips_per_pixel_x() const override { return in_.twips_per_pixel_x(); }
  float twips_per_pixel_y() const override { return in_.twips_per_pixel_y(); }
  float width() const override { return in_.width(); }
  float height() const override { return in_.height(); }

 private:
  stage::Window& in_;
};

class Canvas {
 public:
  // Shows stage x_min..x_max by y_min..y_max.
  Canvas(int x_min, int x_max, int y_min, int y_max)
      : x_min_(x_min),
        y_max_(y_max),
        pixels_(std::make_unique<PixelWindow>(x_max - x_min + 1, y_max - y_min + 1)),
        counter_(*pixels_),
        origin_{-15.0f * static_cast<float>(x_min), 15.0f * static_cast<float>(y_max), 15.0f} {}

  stage::Window& window() { return counter_; }
  const CountingWindow& calls() const { return counter_; }
  const PixelWindow& pixels() const { return *pixels_; }
  stage::Origin origin() const { return origin_; }

  bool shows(int x, int y) const {
    const int px = x - x_min_, py = y_max_ - y;
    return px >= 0 && py >= 0 && px < pixels_->width_px() && py < pixels_->height_px();
  }
  stage::Rgb at(int x, int y) const { return pixels_->surface_pixel(x - x_min_, y_max_ - y); }

  // Paints the rectangle [x1..x2] x [y1..y2] directly (not counted), so that an
  // erasure in black shows.
  void paint(int x1, int x2, int y1, int y2, stage::Rgb c) {
    pixels_->filled_box(origin_.x(static_cast<float>(x1)), origin_.y(static_cast<float>(y1)),
                        origin_.x(static_cast<float>(x2)), origin_.y(static_cast<float>(y2)), c);
  }

  // Runs a renderer on record `frame` of `table`.
  void run(void (*renderer)(const render::Layer&), const stage::FrameTable& table, int frame) {
    renderer(render::Layer{counter_, table, frame, origin_});
  }

 private:
  int x_min_;
  int y_max_;
  std::unique_ptr<PixelWindow> pixels_;
  CountingWindow counter_;
  stage::Origin origin_;
};

// The colour at one stage point, with the point named when it differs.
inline ::testing::AssertionResult is(const Canvas& c, int x, int y, stage::Rgb want) {
  if (!c.shows(x, y))
    return ::testing::AssertionFailure() << "stage (" << x << ", " << y << ") is off the canvas";
  const stage::Rgb got = c.at(x, y);
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "stage (" << x << ", " << y << ") is " << name_of(got)
                                       << ", expected " << name_of(want);
}

// Every stage point of [x1..x2] x [y1..y2] has colour `want`; on failure, how
// many do not and the first of them.
inline ::testing::AssertionResult all(const Canvas& c, int x1, int x2, int y1, int y2,
                                      stage::Rgb want) {
  int bad = 0;
  int fx = 0, fy = 0;
  stage::Rgb first{};
  for (int y = y1; y <= y2; ++y)
    for (int x = x1; x <= x2; ++x)
      if (c.at(x, y) != want) {
        if (bad++ == 0) fx = x, fy = y, first = c.at(x, y);
      }
  if (bad == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << bad << " stage points of [" << x1 << ".." << x2 << "] x [" << y1 << ".." << y2
         << "] are not " << name_of(want) << "; the first is (" << fx << ", " << fy << "), "
         << name_of(first);
}

// A point and the colour it must have.
struct Spot {
  int x;
  int y;
  stage::Rgb color;
};

}  // namespace render_test
