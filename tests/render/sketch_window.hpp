#pragma once
// A stand-in pixel window with the raster window's semantics (segments with
// both end points, boxes with their edges, solid circle interiors), kept only
// until raster::RasterWindow is available on this branch.

#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>

#include "stage/rounding.hpp"
#include "stage/window.hpp"

namespace render_test {

class SketchWindow final : public stage::Window {
 public:
  SketchWindow(int width, int height, float tpp = 15.0f)
      : w_(width), h_(height), tpp_(tpp), px_(static_cast<std::size_t>(width * height)) {}

  void clear() override { std::fill(px_.begin(), px_.end(), stage::Rgb{}); }
  void line(float x1, float y1, float x2, float y2, stage::Rgb c) override {
    int ax = p(x1), ay = p(y1);
    const int bx = p(x2), by = p(y2);
    const int dx = std::abs(bx - ax), dy = -std::abs(by - ay);
    const int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
    int err = dx + dy;
    for (;;) {
      put(ax, ay, c);
      if (ax == bx && ay == by) break;
      const int e2 = 2 * err;
      if (e2 >= dy) err += dy, ax += sx;
      if (e2 <= dx) err += dx, ay += sy;
    }
  }
  void box(float x1, float y1, float x2, float y2, stage::Rgb c) override {
    line(x1, y1, x2, y1, c);
    line(x2, y1, x2, y2, c);
    line(x2, y2, x1, y2, c);
    line(x1, y2, x1, y1, c);
  }
  void filled_box(float x1, float y1, float x2, float y2, stage::Rgb c) override {
    const int l = std::min(p(x1), p(x2)), r = std::max(p(x1), p(x2));
    const int t = std::min(p(y1), p(y2)), b = std::max(p(y1), p(y2));
    for (int y = t; y <= b; ++y)
      for (int x = l; x <= r; ++x) put(x, y, c);
  }
  void circle(float cx, float cy, float r, stage::Rgb c) override {
    const double x0 = cx / tpp_, y0 = cy / tpp_, rr = r / tpp_;
    for (int y = static_cast<int>(y0 - rr) - 1; y <= static_cast<int>(y0 + rr) + 1; ++y)
      for (int x = static_cast<int>(x0 - rr) - 1; x <= static_cast<int>(x0 + rr) + 1; ++x) {
        const double d = std::hypot(x - x0, y - y0);
        if (std::fabs(d - rr) < 0.5)
          put(x, y, c);
        else if (d < rr && style_ == stage::FillStyle::Solid)
          put(x, y, fill_);
      }
  }
  void set_fill_style(stage::FillStyle s) override { style_ = s; }
  void set_fill_color(stage::Rgb c) override { fill_ = c; }
  void flood_fill(int, int, stage::Rgb) override {}
  void set_slot_left(int, float) override {}
  void set_slot_top(int, float) override {}
  void set_slot_size(int, float, float) override {}
  void set_slot_picture(int, int) override {}
  void set_slot_visible(int slot, bool v) override {
    visible_.at(static_cast<std::size_t>(slot)) = v;
  }
  void set_caption_left(float) override {}
  void set_caption_text(const std::string&) override {}
  void set_caption_font_size(int) override {}
  float caption_height() const override { return 0; }
  void set_timer_interval(int) override {}
  bool process_events() override { return true; }
  float twips_per_pixel_x() const override { return tpp_; }
  float twips_per_pixel_y() const override { return tpp_; }
  float width() const override { return static_cast<float>(w_) * tpp_; }
  float height() const override { return static_cast<float>(h_) * tpp_; }

  int width_px() const { return w_; }
  int height_px() const { return h_; }
  stage::Rgb surface_pixel(int x, int y) const {
    return px_.at(static_cast<std::size_t>(y * w_ + x));
  }
  stage::FillStyle fill_style() const { return style_; }
  stage::Rgb fill_color() const { return fill_; }
  struct Slot {
    bool visible;
  };
  Slot slot(int i) const { return {visible_.at(static_cast<std::size_t>(i))}; }

 private:
  int p(float t) const { return static_cast<int>(stage::round_half_even(t / tpp_)); }
  void put(int x, int y, stage::Rgb c) {
    if (x >= 0 && y >= 0 && x < w_ && y < h_) px_[static_cast<std::size_t>(y * w_ + x)] = c;
  }
  int w_, h_;
  float tpp_;
  std::vector<stage::Rgb> px_;
  stage::FillStyle style_ = stage::FillStyle::Transparent;
  stage::Rgb fill_{};
  std::vector<bool> visible_ = std::vector<bool>(stage::kImageSlots, true);
};

}  // namespace render_test
