#include "drills/pump_truck/primitives.hpp"

#include <array>
#include <cstdlib>
#include <functional>

#include "stage/rounding.hpp"

namespace drills::pump_truck {
namespace {

// One step record on one axis. The longer axis always moves exactly 80; the
// shorter one moves its share, but never faster than the walking step.
std::int16_t step_axis(std::int16_t previous, double share) {
  if (share > 80.0) return stage::to_int16(previous + 80.0, "ponpu_ido step");
  if (share < -80.0) return stage::to_int16(previous - 80.0, "ponpu_ido step");
  return stage::to_int16(previous + share, "ponpu_ido step");
}

}  // namespace

void ponpu_ido(stage::FrameTable& table, int& k, int p, int X, int Y, int d1, int d2, int h) {
  const stage::PersonSlot from = table[k - 1].persons(p);
  const int dx = X - from.x;
  const int dy = Y - from.y;
  const int longer = std::abs(dx) > std::abs(dy) ? std::abs(dx) : std::abs(dy);
  // A remainder under a full step is not a step: it is covered by the final record.
  const int n = longer / 80;
  for (int i = 0; i < n; ++i) {
    const stage::PersonSlot previous = table[k - 1].persons(p);
    stage::FrameRecord& r = table[k];
    stage::PersonSlot& slot = r.persons(p);
    slot.pose = static_cast<std::int16_t>(d1);
    // Each record rounds and the next one adds its share to the rounded value.
    slot.x = step_axis(previous.x, static_cast<double>(dx) / n);
    slot.y = step_axis(previous.y, static_cast<double>(dy) / n);
    r.code(p) = static_cast<stage::EquipmentCode>(h);
    ++k;
  }
  stage::FrameRecord& last = table[k];
  last.persons(p) =
      stage::PersonSlot{stage::to_int16(X, "ponpu_ido target"),
                        stage::to_int16(Y, "ponpu_ido target"), static_cast<std::int16_t>(d2)};
  last.code(p) = static_cast<stage::EquipmentCode>(h);
  ++k;
}

void ponpu_stop(stage::FrameTable& table, int& k, int j) {
  for (int i = j; i <= 4; ++i) table[k].persons(i) = table[k - 1].persons(i);
  ++k;
}

void ponpu_stop2(stage::FrameTable& table, int& k, int p, int h) {
  table[k].persons(p) = table[k - 1].persons(p);
  table[k].code(p) = static_cast<stage::EquipmentCode>(h);
  ++k;
}

void ponpu_wait(stage::FrameTable& table, int k, int& k0, int& k1, int& k2, int& k3, int& k4) {
  const std::array<std::reference_wrapper<int>, 5> counters{k0, k1, k2, k3, k4};
  int m = 0;
  for (int c : counters) m = c > m ? c : m;
  for (int j = k; j < m; ++j) {
    table[j].duration = 300;
    for (int i = 0; i < 5; ++i) {
      int& ki = counters[static_cast<std::size_t>(i)];
      // A person whose counter has reached this record is done and stands still here.
      if (ki > 0 && ki <= j) {
        table[j].persons(i) = table[j - 1].persons(i);
        ++ki;
      }
    }
  }
}

}  // namespace drills::pump_truck
