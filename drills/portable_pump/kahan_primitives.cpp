#include "drills/portable_pump/kahan_primitives.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "stage/rounding.hpp"

namespace drills::portable_pump {
namespace {

// One axis of a walking record. A step longer than a full stride is capped at
// the stride, so the longer axis never outruns the walk and the remainder lands
// on the final record; otherwise the fractional step is added to the previous
// (already rounded) value.
std::int16_t step_axis(std::int16_t previous, double step) {
  if (std::fabs(step) > kKahanStep)
    return stage::to_int16(previous + (step > 0 ? kKahanStep : -kKahanStep), "kahan_ido step");
  return stage::to_int16(previous + step, "kahan_ido step");
}

}  // namespace

void kahan_ido(stage::FrameTable& t, int& k, int p, int X, int Y, int d1, int d2, int h) {
  const stage::PersonSlot start = t[k - 1].persons(p);
  const int dx = X - start.x;
  const int dy = Y - start.y;
  const int longer = std::abs(dx) > std::abs(dy) ? dx : dy;
  const int n = std::abs(longer) / kKahanStep;
  const std::int16_t pose_walk = stage::to_int16(d1, "kahan_ido pose");
  const std::int16_t code = stage::to_int16(h, "kahan_ido code");

  if (n > 0) {
    const double step_x = static_cast<double>(dx) / n;
    const double step_y = static_cast<double>(dy) / n;
    for (int i = 1; i <= n; ++i) {
      const stage::PersonSlot previous = t[k - 1].persons(p);
      stage::FrameRecord& r = t[k];
      r.persons(p) = {step_axis(previous.x, step_x), step_axis(previous.y, step_y), pose_walk};
      r.code(p) = code;
      ++k;
    }
  }
  stage::FrameRecord& r = t[k];
  r.persons(p) = {stage::to_int16(X, "kahan_ido X"), stage::to_int16(Y, "kahan_ido Y"),
                  stage::to_int16(d2, "kahan_ido pose")};
  r.code(p) = code;
  ++k;
}

void kahan_stop(stage::FrameTable& t, int& k, int j) {
  const stage::FrameRecord& previous = t[k - 1];
  stage::FrameRecord& r = t[k];
  for (int i = j; i < t.person_count(); ++i) r.persons(i) = previous.persons(i);
  ++k;
}

void kahan_stop2(stage::FrameTable& t, int& k, int p, int h) {
  const stage::PersonSlot held = t[k - 1].persons(p);
  stage::FrameRecord& r = t[k];
  r.persons(p) = held;
  r.code(p) = stage::to_int16(h, "kahan_stop2 code");
  ++k;
}

void kahan_wait(stage::FrameTable& t, int k, int& k0, int& k1, int& k2, int& k3) {
  const std::array<std::reference_wrapper<int>, 4> counters{k0, k1, k2, k3};
  const int m = std::max({k0, k1, k2, k3});
  for (int j = k; j < m; ++j) t[j].duration = kKahanBeat;
  for (int i = 0; i < 4; ++i) {
    int& ki = counters[static_cast<std::size_t>(i)];
    if (ki <= 0) continue;
    // A person stands from the end of their own track, even when it ended
    // before the first record of the alignment, so that no record of theirs is
    // left unwritten and every taking-part counter ends exactly at m.
    for (int j = ki; j < m; ++j) t[j].persons(i) = t[j - 1].persons(i);
    ki = m;
  }
}

}  // namespace drills::portable_pump
