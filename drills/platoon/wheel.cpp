#include "drills/platoon/wheel.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "drills/platoon/scenes.hpp"
#include "stage/rounding.hpp"

namespace drills::platoon {
namespace {

int dot(const stage::PersonSlot& s, Offset v) { return s.x * v.dx + s.y * v.dy; }

int hand_quarter(Hand hand) { return hand == Hand::Right ? kRightTurn : kLeftTurn; }
int hand_step(Hand hand) { return hand == Hand::Right ? 1 : 15; }

// Every row behind the lead is 140 further from the wheel line and the column
// covers 70 a record, so each row reaches the line two records later.
constexpr int kRowDepth = 140;
constexpr int kRecordsPerRow = 2;
constexpr int kInnerRadius = 100;

}  // namespace

ColumnPlaces read_column(const stage::FrameRecord& r, Hand hand, const char* routine) {
  const int front = r.persons(kFirstMember).pose;
  const Offset ahead = facing_vector(front);
  const Offset inward = facing_vector(turn(front, hand_quarter(hand)));
  const auto fail = [&](const std::string& why) {
    throw std::logic_error(std::string(routine) + ": " + why);
  };
  if (ahead.dx == 0 && ahead.dy == 0)
    fail("the column faces pose " + std::to_string(front) + ", which is not a square facing");
  int lead = std::numeric_limits<int>::min();
  int inner = std::numeric_limits<int>::min();
  for (int i = kFirstMember; i <= kLastMember; ++i) {
    if (r.persons(i).pose != front) fail("member " + std::to_string(i) + " faces another way");
    lead = std::max(lead, dot(r.persons(i), ahead));
    inner = std::max(inner, dot(r.persons(i), inward));
  }
  ColumnPlaces places{};
  for (int i = kFirstMember; i <= kLastMember; ++i) {
    const int behind = lead - dot(r.persons(i), ahead);
    const int across = inner - dot(r.persons(i), inward);
    if (behind % kRowDepth != 0 || across % 70 != 0 || across > 210)
      fail("member " + std::to_string(i) + " stands off the rows and files of a column of fours");
    places[static_cast<std::size_t>(i)] = {behind / kRowDepth, across};
  }
  return places;
}

void write_wheels(stage::FrameTable& table, int& k, const std::vector<int>& durations,
                  const ColumnPlaces& column, Hand hand, const WheelTiming& timing,
                  const std::vector<int>& wheel_starts) {
  struct Member {
    int x = 0, y = 0, pose = 0;
    // The arc in progress; wheel_record 0 means marching straight.
    int wheel_record = 0, from_pose = 0, radius = 0, cx = 0, cy = 0;
    Offset ahead{}, inward{};
  };
  std::array<Member, kLastMember + 1> members{};
  for (int i = kFirstMember; i <= kLastMember; ++i) {
    const stage::PersonSlot& s = table[k - 1].persons(i);
    members[static_cast<std::size_t>(i)] = {s.x, s.y, s.pose};
  }

  const int records = static_cast<int>(durations.size());
  for (int r = 0; r < records; ++r) {
    stage::FrameRecord& now = begin_record(table, k, durations[static_cast<std::size_t>(r)]);
    for (int i = kFirstMember; i <= kLastMember; ++i) {
      Member& m = members[static_cast<std::size_t>(i)];
      const ColumnPlace& place = column[static_cast<std::size_t>(i)];
      const bool starts = std::any_of(wheel_starts.begin(), wheel_starts.end(), [&](int start) {
        return r == start + kRecordsPerRow * place.rows_behind;
      });
      if (starts) {
        // The member stands on the wheel line; the centre lies on that line
        // on the inner side.
        m.ahead = facing_vector(m.pose);
        m.inward = facing_vector(turn(m.pose, hand_quarter(hand)));
        m.radius = kInnerRadius + place.from_inner_file;
        m.cx = m.x + m.radius * m.inward.dx;
        m.cy = m.y + m.radius * m.inward.dy;
        m.from_pose = m.pose;
        m.wheel_record = 1;
      } else if (m.wheel_record > 0) {
        ++m.wheel_record;
      }

      if (m.wheel_record == 0) {
        const Offset v = facing_vector(m.pose);
        m.x += kQuickStep * v.dx;
        m.y += kQuickStep * v.dy;
      } else {
        const int j = m.wheel_record;
        if (j == timing.records) {
          m.x = m.cx + m.radius * m.ahead.dx;
          m.y = m.cy + m.radius * m.ahead.dy;
          m.wheel_record = 0;
        } else {
          const double a = stage::deg2rad(timing.degrees_per_record * j);
          const double back = m.radius * std::cos(a);
          const double on = m.radius * std::sin(a);
          m.x = stage::to_int16(m.cx - back * m.inward.dx + on * m.ahead.dx, "group wheel");
          m.y = stage::to_int16(m.cy - back * m.inward.dy + on * m.ahead.dy, "group wheel");
        }
        const int steps = static_cast<int>(std::count_if(
            timing.pose_steps.begin(), timing.pose_steps.end(), [&](int s) { return s <= j; }));
        m.pose = turn(m.from_pose, steps * hand_step(hand));
      }
      stage::PersonSlot& slot = now.persons(i);
      slot.x = stage::to_int16(m.x, "group wheel");
      slot.y = stage::to_int16(m.y, "group wheel");
      slot.pose = static_cast<std::int16_t>(m.pose);
    }
    ++k;
  }
}

namespace {

constexpr int kGroupWheelRecords = 20;

void group_wheel(stage::FrameTable& table, int& k, int sp, Hand hand, const WheelTiming& timing,
                 const char* routine) {
  const ColumnPlaces column = read_column(table[k - 1], hand, routine);
  write_wheels(table, k, std::vector<int>(kGroupWheelRecords, sp), column, hand, timing, {0});
}

}  // namespace

void kiritu_kumimigi(stage::FrameTable& table, int& k, int sp) {
  group_wheel(table, k, sp, Hand::Right, kWheelOfEight, "kiritu_kumimigi");
}

void kiritu_kumihidari(stage::FrameTable& table, int& k, int sp) {
  group_wheel(table, k, sp, Hand::Left, kWheelOfSeven, "kiritu_kumihidari");
}

}  // namespace drills::platoon
