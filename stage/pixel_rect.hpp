#pragma once

namespace stage {

// A rectangle of a window in device pixels.
struct PixelRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
  friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

}  // namespace stage
