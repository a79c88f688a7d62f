#pragma once
// A stage::Window that paints nothing and records every call, for checking
// which operations the engine makes, in which order and with which values.

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "stage/window.hpp"

namespace testing_support {

struct Call {
  std::string op;        // "clear", "line", "slot_top", ...
  std::vector<float> v;  // numeric arguments in call order (colours as r, g, b)
  std::string text;      // caption text

  std::string str() const {
    std::ostringstream o;
    o << op;
    for (float x : v) o << ' ' << x;
    if (!text.empty()) o << " \"" << text << '"';
    return o.str();
  }
};

class RecordingWindow : public stage::Window {
 public:
  RecordingWindow(float width_twips = 28800, float height_twips = 16200, float tpp = 15)
      : width_(width_twips), height_(height_twips), tpp_(tpp) {}

  std::vector<Call> calls;
  // Caption height reported for a font size (twips): a line is about 1.35 x the
  // em size, as for the Japanese Gothic the label asks for.
  std::function<float(int)> caption_height_of = [](int points) { return points * 20.0f * 1.35f; };
  // What process_events() returns; a test can end the run there.
  std::function<bool()> on_process_events = [] { return true; };
  int caption_size = 0;

  void clear() override { add("clear", {}); }
  void line(float x1, float y1, float x2, float y2, stage::Rgb c) override {
    add("line", {x1, y1, x2, y2, float(c.r), float(c.g), float(c.b)});
  }
  void box(float x1, float y1, float x2, float y2, stage::Rgb c) override {
    add("box", {x1, y1, x2, y2, float(c.r), float(c.g), float(c.b)});
  }
  void filled_box(float x1, float y1, float x2, float y2, stage::Rgb c) override {
    add("filled_box", {x1, y1, x2, y2, float(c.r), float(c.g), float(c.b)});
  }
  void circle(float cx, float cy, float r, stage::Rgb c) override {
    add("circle", {cx, cy, r, float(c.r), float(c.g), float(c.b)});
  }
  void set_fill_style(stage::FillStyle s) override {
    add("fill_style", {float(static_cast<int>(s))});
  }
  void set_fill_color(stage::Rgb c) override {
    add("fill_color", {float(c.r), float(c.g), float(c.b)});
  }
  void flood_fill(int px, int py, stage::Rgb b) override {
    add("flood_fill", {float(px), float(py), float(b.r), float(b.g), float(b.b)});
  }
  void set_slot_left(int i, float v) override { add("slot_left", {float(i), v}); }
  void set_slot_top(int i, float v) override { add("slot_top", {float(i), v}); }
  void set_slot_size(int i, float w, float h) override { add("slot_size", {float(i), w, h}); }
  void set_slot_picture(int i, int pose) override { add("slot_picture", {float(i), float(pose)}); }
  void set_slot_visible(int i, bool v) override {
    add("slot_visible", {float(i), v ? 1.0f : 0.0f});
  }
  void set_caption_left(float v) override { add("caption_left", {v}); }
  void set_caption_text(const std::string& t) override { calls.push_back({"caption_text", {}, t}); }
  void set_caption_font_size(int p) override {
    caption_size = p;
    add("caption_font_size", {float(p)});
  }
  float caption_height() const override { return caption_height_of(caption_size); }
  bool process_events() override {
    add("process_events", {});
    return on_process_events();
  }
  float twips_per_pixel_x() const override { return tpp_; }
  float twips_per_pixel_y() const override { return tpp_; }
  float width() const override { return width_; }
  float height() const override { return height_; }
  void set_foreground() override { add("foreground", {}); }

  // Calls whose op is one of those given, as strings, in order.
  std::vector<std::string> ops() const {
    std::vector<std::string> out;
    for (const Call& c : calls) out.push_back(c.op);
    return out;
  }
  std::vector<Call> only(const std::string& op) const {
    std::vector<Call> out;
    for (const Call& c : calls)
      if (c.op == op) out.push_back(c);
    return out;
  }
  void reset() { calls.clear(); }

 private:
  void add(const char* op, std::vector<float> v) { calls.push_back({op, std::move(v), {}}); }
  float width_;
  float height_;
  float tpp_;
};

}  // namespace testing_support
