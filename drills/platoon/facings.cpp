// Facings on the march, which turn the two-rank line into a column of fours,
// and the halts that face the column back into line.

#include <array>
#include <stdexcept>
#include <string>

#include "drills/platoon/primitives.hpp"
#include "drills/platoon/scenes.hpp"

namespace drills::platoon {
namespace {

// A member's move in each of the two records that follow the facing: how far
// ahead (in the new facing) and how far to the side the column forms on.
struct FormingMove {
  int ahead1;
  int side1;
  int ahead2;
  int side2;
};
using FormingMoves = std::array<FormingMove, kLastMember + 1>;

// Right face: member 1 leads the column; the odd pairs of files (4-5, 8-9, ...)
// move up beside the even ones and across to the right; member 20, last man of
// the line, becomes the tail and stands.
constexpr FormingMove kLead{70, 0, 70, 0};
constexpr FormingMove kHalfPace{35, 0, 35, 0};
constexpr FormingMove kOblique{35, 35, 105, 35};
constexpr FormingMove kFullPace{70, 0, 70, 0};
constexpr FormingMove kDoublePace{105, 0, 105, 0};
constexpr FormingMove kStand{0, 0, 0, 0};

constexpr FormingMoves kRightFaceMoves = {
    kStand,    kLead,     kHalfPace, kHalfPace, kOblique,  kOblique,  kHalfPace,
    kHalfPace, kOblique,  kOblique,  kHalfPace, kHalfPace, kOblique,  kOblique,
    kHalfPace, kHalfPace, kOblique,  kOblique,  kHalfPace, kHalfPace, kStand};

// Left face: member 1 becomes the tail; the even pairs (2-3, 6-7, ...) move
// across to the left, and the head of the column (18-19, then 20) strides out
// so that the rows end 140 apart.
constexpr FormingMoves kLeftFaceMoves = {
    kStand,   kHalfPace, kOblique,  kOblique,  kHalfPace, kHalfPace, kOblique,
    kOblique, kHalfPace, kHalfPace, kOblique,  kOblique,  kHalfPace, kHalfPace,
    kOblique, kOblique,  kHalfPace, kHalfPace, kFullPace, kFullPace, kDoublePace};

// One march step, the quarter turn, then two records forming the column.
void face_on_the_march(stage::FrameTable& table, int& k, int quarter, const FormingMoves& moves,
                       const char* routine) {
  kiritu_zensin(table, k, 1, kQuickTime);
  const int old_front = table[k - 1].persons(kFirstMember).pose;
  const int front = turn(old_front, quarter);
  const Offset ahead = facing_vector(front);
  const Offset side = facing_vector(turn(front, quarter));
  if (ahead.dx == 0 && ahead.dy == 0)
    throw std::logic_error(std::string(routine) + ": the platoon marches in pose " +
                           std::to_string(old_front) + ", which is not a square facing");

  stage::FrameRecord& facing = begin_record(table, k, kQuickTime);
  for (int i = kFirstMember; i <= kLastMember; ++i)
    facing.persons(i).pose = static_cast<std::int16_t>(turn(facing.persons(i).pose, quarter));
  ++k;

  for (int pass = 0; pass < 2; ++pass) {
    stage::FrameRecord& now = begin_record(table, k, kQuickTime);
    for (int i = kFirstMember; i <= kLastMember; ++i) {
      const FormingMove& m = moves[static_cast<std::size_t>(i)];
      const int a = pass == 0 ? m.ahead1 : m.ahead2;
      const int s = pass == 0 ? m.side1 : m.side2;
      stage::PersonSlot& p = now.persons(i);
      p.x = static_cast<std::int16_t>(p.x + a * ahead.dx + s * side.dx);
      p.y = static_cast<std::int16_t>(p.y + a * ahead.dy + s * side.dy);
    }
    ++k;
  }
}

void face_left_at_halt(stage::FrameTable& table, int& k, int duration) {
  stage::FrameRecord& now = begin_record(table, k, duration);
  for (int i = kFirstMember; i <= kLastMember; ++i)
    now.persons(i).pose = static_cast<std::int16_t>(turn(now.persons(i).pose, kLeftTurn));
  ++k;
}

void shift_odd_pairs(stage::FrameTable& table, int& k, int dx, int dy) {
  stage::FrameRecord& now = begin_record(table, k, 1000);
  for (int i : kOddPairs) {
    now.persons(i).x = static_cast<std::int16_t>(now.persons(i).x + dx);
    now.persons(i).y = static_cast<std::int16_t>(now.persons(i).y + dy);
  }
  ++k;
}

}  // namespace

void kiritu_migimuke(stage::FrameTable& table, int& k) {
  face_on_the_march(table, k, kRightTurn, kRightFaceMoves, "kiritu_migimuke");
}

void kiritu_hidarimuke(stage::FrameTable& table, int& k) {
  face_on_the_march(table, k, kLeftTurn, kLeftFaceMoves, "kiritu_hidarimuke");
}

void kiritu_hidarimuke2(stage::FrameTable& table, int& k) {
  hold(table, k, 1000);
  hold(table, k, 1000, "左向け左");
  face_left_at_halt(table, k, 1000);
  shift_odd_pairs(table, k, 70, 70);
  kiritu_seiton3(table, k);
}

void kiritu_hidaristop(stage::FrameTable& table, int& k) {
  begin_record(table, k, 500);
  ++k;
  face_left_at_halt(table, k, 500);
  shift_odd_pairs(table, k, 70, -70);
  kiritu_seiton(table, k, 0);
}

}  // namespace drills::platoon
