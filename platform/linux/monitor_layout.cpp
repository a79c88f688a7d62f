#include "platform/linux/monitor_layout.hpp"

#include <algorithm>

namespace linux_host {

std::vector<Area> stage_areas(const Area& window, const std::vector<Area>& monitors) {
  std::vector<Area> areas;
  for (const Area& m : monitors) {
    const int left = std::max(window.x, m.x);
    const int top = std::max(window.y, m.y);
    const int right = std::min(window.x + window.w, m.x + m.w);
    const int bottom = std::min(window.y + window.h, m.y + m.h);
    if (right <= left || bottom <= top) continue;
    const Area a{left - window.x, top - window.y, right - left, bottom - top};
    if (std::find(areas.begin(), areas.end(), a) == areas.end()) areas.push_back(a);
  }
  if (areas.size() < 2) return {Area{0, 0, window.w, window.h}};
  return areas;
}

}  // namespace linux_host
