#include "stage/display_list.hpp"

#include <iterator>

namespace stage {

void DisplayList::append(DisplayList&& other) {
  items.insert(items.end(), std::make_move_iterator(other.items.begin()),
               std::make_move_iterator(other.items.end()));
  areas.insert(areas.end(), other.areas.begin(), other.areas.end());
  hits.insert(hits.end(), other.hits.begin(), other.hits.end());
}

std::optional<HitRegion> DisplayList::hit(int x, int y) const {
  for (auto it = hits.rbegin(); it != hits.rend(); ++it)
    if (it->rect.contains(x, y)) return *it;
  return std::nullopt;
}

}  // namespace stage
