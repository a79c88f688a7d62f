#include "drills/common/tracks.hpp"

#include <algorithm>
#include <cstdlib>

#include "stage/rounding.hpp"

namespace drills::common {
namespace {

// One axis of a walking record. A share longer than a stride is capped at the
// stride, so the longer axis never outruns the walk and the remainder lands on
// the final record; otherwise the share is added to the previous (already
// rounded) value.
std::int16_t step_axis(const TrackRules& rules, std::int16_t previous, double share) {
  if (share > rules.stride) return stage::to_int16(previous + rules.stride, rules.name);
  if (share < -rules.stride) return stage::to_int16(previous - rules.stride, rules.name);
  return stage::to_int16(previous + share, rules.name);
}

}  // namespace

void move(const TrackRules& rules, stage::FrameTable& t, int& k, int p, int X, int Y, int d1,
          int d2, int h) {
  const stage::PersonSlot from = t[k - 1].persons(p);
  const int dx = X - from.x;
  const int dy = Y - from.y;
  // A remainder under a full stride is not a step: the final record covers it.
  const int n = std::max(std::abs(dx), std::abs(dy)) / rules.stride;
  const std::int16_t walking_pose = stage::to_int16(d1, rules.name);
  const std::int16_t code = stage::to_int16(h, rules.name);
  for (int i = 0; i < n; ++i) {
    const stage::PersonSlot previous = t[k - 1].persons(p);
    stage::FrameRecord& r = t[k];
    r.persons(p) = {step_axis(rules, previous.x, static_cast<double>(dx) / n),
                    step_axis(rules, previous.y, static_cast<double>(dy) / n), walking_pose};
    r.code(p) = code;
    ++k;
  }
  stage::FrameRecord& last = t[k];
  last.persons(p) = {stage::to_int16(X, rules.name), stage::to_int16(Y, rules.name),
                     stage::to_int16(d2, rules.name)};
  last.code(p) = code;
  ++k;
}

void hold_from(stage::FrameTable& t, int& k, int j) {
  for (int i = j; i < t.person_count(); ++i) t[k].persons(i) = t[k - 1].persons(i);
  ++k;
}

void hold(const TrackRules& rules, stage::FrameTable& t, int& k, int p, int h) {
  t[k].persons(p) = t[k - 1].persons(p);
  t[k].code(p) = stage::to_int16(h, rules.name);
  ++k;
}

void wait(const TrackRules& rules, stage::FrameTable& t, int k, std::span<int> counters) {
  int m = 0;
  for (int c : counters) m = std::max(m, c);
  for (int j = k; j < m; ++j) t[j].duration = static_cast<std::int16_t>(rules.beat_ms);
  for (std::size_t i = 0; i < counters.size(); ++i) {
    int& ki = counters[i];
    if (ki <= 0) continue;
    const int from = rules.early_track == EarlyTrack::CarriedFromWaitStart ? std::max(ki, k) : ki;
    const int person = static_cast<int>(i);
    for (int j = from; j < m; ++j) t[j].persons(person) = t[j - 1].persons(person);
    ki += std::max(0, m - from);
  }
}

}  // namespace drills::common
