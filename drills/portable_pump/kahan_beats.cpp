#include "drills/portable_pump/kahan_beats.hpp"

#include "drills/portable_pump/kahan_primitives.hpp"
#include "stage/rounding.hpp"

namespace drills::portable_pump::kahan_beats {

void play(stage::FrameTable& t, int& k, std::span<const Beat> beats) {
  for (const Beat& b : beats) {
    stage::FrameRecord& r = t[k];
    kahan_stop(t, k, 0);
    for (const Change& c : b.changes) {
      if (c.slot < 0) continue;
      stage::PersonSlot& s = r.persons(c.slot);
      if (c.x != kSame) s.x = stage::to_int16(c.x, "beat x");
      if (c.y != kSame) s.y = stage::to_int16(c.y, "beat y");
      if (c.pose != kSame) s.pose = stage::to_int16(c.pose, "beat pose");
    }
    r.duration = stage::to_int16(b.duration, "beat duration");
    r.caption = b.caption;
  }
}

}  // namespace drills::portable_pump::kahan_beats
