#include "drills/platoon/dressing.hpp"

#include <stdexcept>
#include <string>

namespace drills::platoon {

DressAxes DressAxes::facing(int front) {
  const Offset ahead = facing_vector(front);
  if (ahead.dx == 0 && ahead.dy == 0)
    throw std::logic_error("dressing: the platoon faces pose " + std::to_string(front) +
                           ", which is not a square facing");
  return {facing_vector(turn(front, kLeftTurn)), {-ahead.dx, -ahead.dy}};
}

void DressAxes::place(stage::PersonSlot& s, int u, int v) const {
  // left and back lie on different stage axes, so each coordinate takes one term.
  s.x = static_cast<std::int16_t>(u * left.dx + v * back.dx);
  s.y = static_cast<std::int16_t>(u * left.dy + v * back.dy);
}

bool in_dressed_place(const DressAxes& axes, const stage::FrameRecord& r, int i) {
  const stage::PersonSlot& guide = r.persons(kFirstMember);
  const stage::PersonSlot& s = r.persons(i);
  return axes.u(s) == axes.u(guide) + kFileSpacing * (i / 2) &&
         axes.v(s) == axes.v(guide) + kRankSpacing * (i % 2);
}

namespace {

// Toward `target` from above: 5 units while more than 5 away, then the rest.
// A member already level with or short of its target stays where it is.
int closer(int c, int target) {
  if (c > target + 5) return c - 5;
  if (c > target) return target;
  return c;
}

}  // namespace

bool close_up_move(const DressAxes& axes, const stage::FrameRecord& before, stage::FrameRecord& now,
                   int i) {
  const bool behind_two = i == 3;
  const stage::PersonSlot& ref =
      behind_two ? now.persons(2) : before.persons(i == 2 ? kFirstMember : i - 2);
  const int target_u = axes.u(ref) + (behind_two ? 0 : kFileSpacing);
  const int target_v = axes.v(ref) + (behind_two ? kRankSpacing : 0);
  stage::PersonSlot& s = now.persons(i);
  const int u0 = axes.u(s);
  const int v0 = axes.v(s);
  const int u1 = closer(u0, target_u);
  const int v1 = closer(v0, target_v);
  axes.place(s, u1, v1);
  return u1 != u0 || v1 != v0;
}

namespace {
constexpr int kRearGuideSettle = 5;
}  // namespace

void settle_rear_guide(stage::FrameRecord& now, const DressAxes& axes, int front, int& count,
                       bool& turned) {
  if (count > 0 || in_dressed_place(axes, now, 3)) ++count;
  if (!turned && count >= kRearGuideSettle) {
    now.persons(3).pose = static_cast<std::int16_t>(turn(front, kLeftTurn));
    turned = true;
  }
}

void turn_rear_guide_late(stage::FrameTable& table, int& k, int front) {
  hold(table, k, 1000);
  begin_record(table, k, 1000).persons(3).pose = static_cast<std::int16_t>(turn(front, kLeftTurn));
  ++k;
}

void turn_back(stage::FrameTable& table, int& k, int front, const TurnBackOrder& order,
               int duration, const char* routine) {
  // Each record hands the turn on by at least one member, so an order that
  // reaches everyone ends within one record per member.
  for (int n = 0;; ++n) {
    if (n > kLastMember)
      throw std::logic_error(std::string(routine) + ": the turn back never reaches every member");
    const stage::FrameRecord& before = table[k - 1];
    stage::FrameRecord& now = begin_record(table, k, duration);
    bool waiting = false;
    for (int i = kFirstMember; i <= kLastMember; ++i) {
      const int leader = order[static_cast<std::size_t>(i)];
      if (leader == 0 || before.persons(leader).pose == front)
        now.persons(i).pose = static_cast<std::int16_t>(front);
      else
        waiting = true;
    }
    ++k;
    if (!waiting) return;
  }
}

}  // namespace drills::platoon
