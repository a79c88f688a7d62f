#include "drills/platoon/primitives.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "stage/rounding.hpp"

namespace drills::platoon {
namespace {

// The commander's step count: at most 80 units on the larger axis, so a step is
// 80 to 160 units long and a target closer than 80 takes no walking step.
int walk_steps(int dx, int dy) { return std::max(std::abs(dx), std::abs(dy)) / 80; }

// Steps slot i of record k by `s` in the direction of its pose in record k,
// from its position in record k - 1. Slanted poses never step in the drill; the
// previous position is carried over for them.
void step_slot(stage::FrameTable& table, int k, int i, int s) {
  const stage::PersonSlot& before = table[k - 1].persons(i);
  stage::PersonSlot& now = table[k].persons(i);
  const Offset v = facing_vector(now.pose);
  now.x = stage::to_int16(before.x + v.dx * s, "kiritu_one");
  now.y = stage::to_int16(before.y + v.dy * s, "kiritu_one");
}

}  // namespace

void kiritu_stop(stage::FrameTable& table, int& k, int j) {
  const stage::FrameRecord& before = table[k - 1];
  stage::FrameRecord& now = table[k];
  for (int i = j; i <= kLastMember; ++i) now.persons(i) = before.persons(i);
  ++k;
}

void kiritu_one(stage::FrameTable& table, int& k, int i, int s) { step_slot(table, k, i, s); }

void kiritu_zensin(stage::FrameTable& table, int& k, int ho, int sp) {
  const int step = sp == kDoubleTime ? kDoubleStep : kQuickStep;
  for (int n = 0; n < ho; ++n) {
    stage::FrameRecord& now = table[k];
    const stage::FrameRecord& before = table[k - 1];
    now.duration = static_cast<std::int16_t>(sp);
    now.persons(kCommander) = before.persons(kCommander);
    for (int i = kFirstMember; i <= kLastMember; ++i) {
      now.persons(i).pose = before.persons(i).pose;
      kiritu_one(table, k, i, step);
    }
    ++k;
  }
}

void kiritu_sikiido(stage::FrameTable& table, int& k, int X, int Y, int d1, int d2, int m) {
  const stage::PersonSlot start = table[k - 1].persons(kCommander);
  const int dx = X - start.x;
  const int dy = Y - start.y;
  const int n = walk_steps(dx, dy);
  const auto finish_record = [&] {
    table[k].duration = 300;
    if (m == 1)
      kiritu_stop(table, k, kFirstMember);
    else
      ++k;
  };
  for (int step = 0; step < n; ++step) {
    const stage::PersonSlot& before = table[k - 1].persons(kCommander);
    stage::PersonSlot& now = table[k].persons(kCommander);
    now.pose = static_cast<std::int16_t>(d1);
    now.x = stage::to_int16(before.x + static_cast<double>(dx) / n, "kiritu_sikiido");
    now.y = stage::to_int16(before.y + static_cast<double>(dy) / n, "kiritu_sikiido");
    finish_record();
  }
  table[k].persons(kCommander) = {static_cast<std::int16_t>(X), static_cast<std::int16_t>(Y),
                                  static_cast<std::int16_t>(d2)};
  finish_record();
}

void kiritu_sikiido2(stage::FrameTable& table, int& k, int X, int Y, int d1, int d2) {
  const stage::PersonSlot start = table[k - 1].persons(kCommander);
  const int dx = X - start.x;
  const int dy = Y - start.y;
  const int n = walk_steps(dx, dy);
  const int last = n == 0 ? 1 : 3 * n;
  for (int t = 1; t <= last; ++t) {
    const stage::FrameRecord& before = table[k - 1];
    stage::FrameRecord& now = table[k];
    stage::PersonSlot& commander = now.persons(kCommander);
    if (t == last) {
      // Filling the beat keeps the members on the 500 ms step of the march
      // that goes on after the walk.
      now.duration = static_cast<std::int16_t>((5 - (t - 1) % 5) * 100);
      commander = {static_cast<std::int16_t>(X), static_cast<std::int16_t>(Y),
                   static_cast<std::int16_t>(d2)};
    } else {
      now.duration = 100;
      commander = before.persons(kCommander);
      if (t % 3 == 1) {
        commander.pose = static_cast<std::int16_t>(d1);
        commander.x = stage::to_int16(commander.x + static_cast<double>(dx) / n, "kiritu_sikiido2");
        commander.y = stage::to_int16(commander.y + static_cast<double>(dy) / n, "kiritu_sikiido2");
      }
    }
    for (int i = kFirstMember; i <= kLastMember; ++i) {
      now.persons(i) = before.persons(i);
      if (t % 5 == 1) step_slot(table, k, i, kQuickStep);
    }
    ++k;
  }
}

void kiritu_maware(stage::FrameTable& table, int& k, int sp) {
  const stage::FrameRecord& before = table[k - 1];
  stage::FrameRecord& now = table[k];
  now.duration = static_cast<std::int16_t>(sp);
  now.persons(kCommander) = before.persons(kCommander);
  for (int i = kFirstMember; i <= kLastMember; ++i) {
    now.persons(i) = before.persons(i);
    now.persons(i).pose = static_cast<std::int16_t>(turn(before.persons(i).pose, kAboutTurn));
  }
  ++k;
}

namespace {
// No call for ten: the tenth man calls "満" (full), which closes the numbering.
constexpr std::array<std::string_view, 11> kNumberingCalls = {"番号", "１", "２", "３", "４", "５",
                                                              "６",   "７", "８", "９", "満"};
}  // namespace

void kiritu_bango(stage::FrameTable& table, int& k) {
  for (std::string_view call : kNumberingCalls) hold(table, k, 500, call);
}

stage::FrameRecord& begin_record(stage::FrameTable& table, int k, int duration) {
  const stage::FrameRecord& before = table[k - 1];
  stage::FrameRecord& now = table[k];
  for (int i = kCommander; i <= kLastMember; ++i) now.persons(i) = before.persons(i);
  now.duration = static_cast<std::int16_t>(duration);
  return now;
}

void hold(stage::FrameTable& table, int& k, int duration, std::string_view caption) {
  table[k].duration = static_cast<std::int16_t>(duration);
  if (!caption.empty()) table[k].caption = std::string(caption);
  kiritu_stop(table, k, kCommander);
}

void announce(stage::FrameTable& table, int k, std::string_view caption) {
  for (int r = k - 3; r < k; ++r) table[r].caption = std::string(caption);
}

}  // namespace drills::platoon
