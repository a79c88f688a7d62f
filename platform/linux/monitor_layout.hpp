#pragma once
// Where the stages go when one window spans several monitors: each monitor
// the window covers gets its own stage, laid out for that monitor's size, so
// that no stage is cut by the seam between two monitors.

#include <vector>

namespace linux_host {

struct Area {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  friend bool operator==(const Area&, const Area&) = default;
};

// The stages' areas inside `window` (its place on the screen), given the
// monitors' places on the screen: the parts of the window on each monitor,
// relative to the window, in the monitors' order. Monitors that show the same
// area (cloned outputs) give one stage; a window on one monitor or on none
// (a nested preview, a window partly off screen) is one stage filling it.
std::vector<Area> stage_areas(const Area& window, const std::vector<Area>& monitors);

}  // namespace linux_host
