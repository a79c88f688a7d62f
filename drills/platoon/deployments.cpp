// Deployments, in which every member walks on a slant to a new place in line
// while the guide keeps or takes his post, and the march past.

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>

#include "drills/platoon/dressing.hpp"
#include "drills/platoon/primitives.hpp"
#include "drills/platoon/scenes.hpp"
#include "stage/rounding.hpp"

namespace drills::platoon {
namespace {

using PerMember = std::array<int, kLastMember + 1>;
using Formation = std::array<Offset, kLastMember + 1>;

// A slant walk toward (tx, ty): each step adds the exact fraction 1/divisor of
// the whole distance to the previous rounded position; step number `exact_on`
// sets the walker exactly on the target.
struct SlantStride {
  int exact_on = 0;
  double sx = 0, sy = 0;
  int tx = 0, ty = 0;

  SlantStride() = default;
  SlantStride(const stage::PersonSlot& from, int to_x, int to_y, int divisor, int exact)
      : exact_on(exact), tx(to_x), ty(to_y) {
    if (divisor > 0) {
      sx = static_cast<double>(to_x - from.x) / divisor;
      sy = static_cast<double>(to_y - from.y) / divisor;
    }
  }
  // Takes step `number` (from 1); returns whether the walker is now on its target.
  bool step(stage::PersonSlot& s, int number) const {
    if (number >= exact_on) {
      s.x = static_cast<std::int16_t>(tx);
      s.y = static_cast<std::int16_t>(ty);
      return true;
    }
    s.x = stage::to_int16(s.x + sx, "slant walk");
    s.y = stage::to_int16(s.y + sy, "slant walk");
    return false;
  }
};

// A deployment on the march: the guide keeps the 500 ms beat in `guide_pose`;
// member i walks, on a 100 ms grid, to where it will stand beside the guide
// after beats[i] beats and waits there until the guide comes level, then
// marches with him. Members with beats 0 march on the beat throughout.
struct MarchingDeployment {
  int guide;
  int guide_pose;
  int walk_pose;
  int end_pose;
  PerMember beats;
  Formation place;  // offsets from the guide in the new line
};

// A member with beat count S makes floor((S - 1) * 5 / 3) steps, one every
// third 100 ms record, so it arrives no later than the guide's S-th beat.
int slant_steps(int beats) { return (beats - 1) * 5 / 3; }

void deploy_on_the_march(stage::FrameTable& table, int& k, const MarchingDeployment& plan) {
  const stage::PersonSlot guide0 = table[k - 1].persons(plan.guide);
  const Offset march = facing_vector(plan.guide_pose);
  std::array<SlantStride, kLastMember + 1> stride{};
  PerMember taken{};
  int longest = 0;
  for (int i = kFirstMember; i <= kLastMember; ++i) {
    const int s = plan.beats[static_cast<std::size_t>(i)];
    if (s == 0) continue;
    longest = std::max(longest, s);
    const Offset o = plan.place[static_cast<std::size_t>(i)];
    // The n-th step brings the walker next to its place; it is set on it at
    // the following step time.
    const int n = slant_steps(s);
    stride[static_cast<std::size_t>(i)] =
        SlantStride(table[k - 1].persons(i), guide0.x + kQuickStep * s * march.dx + o.dx,
                    guide0.y + kQuickStep * s * march.dy + o.dy, n, n + 1);
  }
  // The walk goes on until every member has marched off with the guide again
  // (the beat after its last one) and then fills that beat.
  const int last = 5 * longest + 2;
  for (int t = 1; t <= last; ++t) {
    stage::FrameRecord& now = begin_record(table, k, t == last ? (5 - (t - 1) % 5) * 100 : 100);
    const bool beat = t % 5 == 1;
    for (int i = kFirstMember; i <= kLastMember; ++i) {
      stage::PersonSlot& p = now.persons(i);
      const int s = plan.beats[static_cast<std::size_t>(i)];
      int& n = taken[static_cast<std::size_t>(i)];
      const SlantStride& w = stride[static_cast<std::size_t>(i)];
      if (s > 0 && n < w.exact_on) {
        p.pose = static_cast<std::int16_t>(plan.walk_pose);
        if (t % 3 != 1) continue;
        if (w.step(p, ++n)) p.pose = static_cast<std::int16_t>(plan.end_pose);
        continue;
      }
      p.pose = static_cast<std::int16_t>(i == plan.guide ? plan.guide_pose : plan.end_pose);
      // The guide comes level with a member's place on his S-th beat (record
      // 5S - 4); the member steps off with him from the next beat on, so the
      // new line stays dressed.
      if (beat && t > 5 * s - 4) {
        const Offset v = facing_vector(p.pose);
        p.x = static_cast<std::int16_t>(p.x + kQuickStep * v.dx);
        p.y = static_cast<std::int16_t>(p.y + kQuickStep * v.dy);
      }
    }
    ++k;
  }
}

// A deployment at the halt: member 1 stands; member i walks beats[i] steps to
// its place in the new line less 35, one step every `step_every` records from
// record `walk_from`, faces the guide and closes the last 35 by the dressing's
// 5-unit moves (one every `close_every` records); the ranks then turn back to
// the front one member per 300 ms record.
struct HaltDeployment {
  int front;
  int duration;
  int walk_from;
  int step_every;
  int close_every;
  int walk_pose;
  PerMember beats;
  const char* routine;
};

constexpr int kShortOfPlace = 35;

void deploy_at_the_halt(stage::FrameTable& table, int& k, const HaltDeployment& plan) {
  const DressAxes axes = DressAxes::facing(plan.front);
  const stage::PersonSlot guide = table[k - 1].persons(kFirstMember);
  std::array<SlantStride, kLastMember + 1> stride{};
  PerMember taken{};
  PerMember arrived{};
  for (int i = 2; i <= kLastMember; ++i) {
    stage::PersonSlot target{};
    axes.place(target, axes.u(guide) + kFileSpacing * (i / 2),
               axes.v(guide) + kRankSpacing * (i % 2) + kShortOfPlace);
    const int steps = plan.beats[static_cast<std::size_t>(i)];
    stride[static_cast<std::size_t>(i)] =
        SlantStride(table[k - 1].persons(i), target.x, target.y, steps, steps);
  }

  int settled = 0;
  bool rear_guide_turned = false;
  for (int t = 1;; ++t) {
    const stage::FrameRecord& before = table[k - 1];
    stage::FrameRecord& now = begin_record(table, k, plan.duration);
    if (t == 1) now.persons(kFirstMember).pose = static_cast<std::int16_t>(plan.front);
    // The guide turns to watch the members come up as they start.
    if (t == plan.walk_from)
      now.persons(kFirstMember).pose = static_cast<std::int16_t>(turn(plan.front, kLeftTurn));
    const bool close_time = (t - 1) % plan.close_every == 0;
    bool all_closing = close_time;
    bool moved = false;
    for (int i = 2; i <= kLastMember; ++i) {
      stage::PersonSlot& p = now.persons(i);
      const SlantStride& w = stride[static_cast<std::size_t>(i)];
      int& n = taken[static_cast<std::size_t>(i)];
      int& at = arrived[static_cast<std::size_t>(i)];
      if (at == 0) {
        all_closing = false;
        if (t < plan.walk_from || (t - plan.walk_from) % plan.step_every != 0) continue;
        const bool there = w.step(p, ++n);
        p.pose = static_cast<std::int16_t>(there ? plan.front : plan.walk_pose);
        if (there) at = t;
        moved = true;
      } else if (t == at + 1) {
        all_closing = false;
        if (i != 3) p.pose = static_cast<std::int16_t>(turn(plan.front, kRightTurn));
      } else if (close_time) {
        moved |= close_up_move(axes, before, now, i);
      }
    }
    if (arrived[3] != 0) settle_rear_guide(now, axes, plan.front, settled, rear_guide_turned);
    ++k;
    bool dressed = true;
    for (int i = 2; i <= kLastMember; ++i) dressed &= in_dressed_place(axes, now, i);
    if (dressed) break;
    if (all_closing && !moved)
      throw std::logic_error(std::string(plan.routine) +
                             ": a member stands short of its place at "
                             "record " +
                             std::to_string(k - 1) + " and can never close up");
  }
  if (!rear_guide_turned) turn_rear_guide_late(table, k, plan.front);
  turn_back(table, k, plan.front, kTurnBackFromGuide, 300, plan.routine);
}

// Beats to the new line when the guide at one end of a line stays put or
// marches on: the nearer files arrive first.
constexpr PerMember kPivotBeats = {0, 0, 3,  5, 5,  7,  5,  7,  7,  9, 7,
                                   9, 9, 11, 9, 11, 11, 13, 11, 13, 13};

// "右へならび進め": the column marching -x with member 20 at its head deploys
// to the right into two ranks running +y from member 20.
constexpr PerMember kRightDeployBeats = {0, 13, 11, 13, 11, 13, 9, 11, 9, 11, 7,
                                         9, 7,  9,  5,  7,  5,  7, 3,  5, 0};

constexpr Formation line_from_left_guide() {
  Formation f{};
  for (int i = kFirstMember; i < kLastMember; ++i)
    f[static_cast<std::size_t>(i)] = {i >= 3 && i % 2 == 1 ? kRankSpacing : 0,
                                      kFileSpacing * (10 - i / 2)};
  return f;
}

constexpr Formation line_facing_plus_y() {
  Formation f{};
  for (int i = 2; i <= kLastMember; ++i)
    f[static_cast<std::size_t>(i)] = {-kFileSpacing * (i / 2), -kRankSpacing * (i % 2)};
  return f;
}

constexpr MarchingDeployment kDeployRight = {
    kLastMember, pose::kW, 14, pose::kW, kRightDeployBeats, line_from_left_guide()};
constexpr MarchingDeployment kWheelLineRight = {kFirstMember, pose::kN,    14,
                                                pose::kN,     kPivotBeats, line_facing_plus_y()};

}  // namespace

void kiritu_miginarabi(stage::FrameTable& table, int& k) {
  deploy_on_the_march(table, k, kDeployRight);
}

void kiritu_migimuki(stage::FrameTable& table, int& k) {
  deploy_on_the_march(table, k, kWheelLineRight);
}

void kiritu_migimuki2(stage::FrameTable& table, int& k) {
  deploy_at_the_halt(table, k, {pose::kS, 100, 6, 5, 3, 6, kPivotBeats, "kiritu_migimuki2"});
}

void kiritu_hidarinarabi(stage::FrameTable& table, int& k) {
  deploy_at_the_halt(table, k, {pose::kE, 300, 2, 1, 1, 2, kPivotBeats, "kiritu_hidarinarabi"});
}

namespace {

// One record of the march past: everybody, the commander at the head
// included, steps 70 toward +x.
stage::FrameRecord& march_past_step(stage::FrameTable& table, int k) {
  stage::FrameRecord& now = begin_record(table, k, kQuickTime);
  for (int i = kCommander; i <= kLastMember; ++i)
    now.persons(i).x = static_cast<std::int16_t>(now.persons(i).x + kQuickStep);
  return now;
}

// Eyes right: everyone but the right-hand guide, who keeps the direction.
void eyes(stage::FrameRecord& now, int pose, bool commander) {
  for (int i = commander ? kCommander : 2; i <= kLastMember; ++i)
    if (i != kFirstMember) now.persons(i).pose = static_cast<std::int16_t>(pose);
}

constexpr stage::PersonSlot kHeadOfColumn = {520, 868, 0};
constexpr int kStepsBeforeEyesRight = 18;
constexpr int kStepsEyesRight = 19;

}  // namespace

void kiritu_bunretu(stage::FrameTable& table, int& k) {
  kiritu_sikiido(table, k, kHeadOfColumn.x, kHeadOfColumn.y, pose::kW, pose::kW, 1);
  hold(table, k, 1000, "分列に前へ");
  kiritu_sikiido(table, k, kHeadOfColumn.x, kHeadOfColumn.y, pose::kW, pose::kE, 1);
  hold(table, k, 1000, "進め");
  for (int n = 0; n < kStepsBeforeEyesRight; ++n) march_past_step(table, k++);
  announce(table, k, "かしら右");
  eyes(march_past_step(table, k++), 6, true);
  for (int n = 0; n < kStepsEyesRight; ++n) march_past_step(table, k++);
  march_past_step(table, k++).persons(kCommander).pose = pose::kE;
  march_past_step(table, k++);
  march_past_step(table, k++).caption = "なおれ";
  stage::FrameRecord& front = march_past_step(table, k++);
  front.caption = "なおれ";
  eyes(front, pose::kE, false);
  kiritu_sikiido2(table, k, 3670, 1370, pose::kNNE, pose::kS);
}

}  // namespace drills::platoon
