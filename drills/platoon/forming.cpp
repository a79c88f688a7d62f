// Forming up and dressing: the platoon's formation, numbering and facings at
// the halt, and the three ways the ranks dress on a guide.

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

#include "drills/platoon/dressing.hpp"
#include "drills/platoon/primitives.hpp"
#include "drills/platoon/scenes.hpp"

namespace drills::platoon {
namespace {

// The ranks face the guide to dress: the guide looks along them (left), member
// 3 keeps facing the front, everyone else turns right toward the guide.
void face_the_guide(stage::FrameTable& table, int& k, int front) {
  stage::FrameRecord& now = begin_record(table, k, 300);
  now.persons(kFirstMember).pose = static_cast<std::int16_t>(turn(front, kLeftTurn));
  for (int i = 2; i <= kLastMember; ++i)
    if (i != 3) now.persons(i).pose = static_cast<std::int16_t>(turn(front, kRightTurn));
  ++k;
}

// From the left-hand guide (member 20) back along the front rank; member 19,
// behind member 18, goes after member 14, and member 1 after member 2, the man
// beside him in his own rank.
constexpr TurnBackOrder kTurnBackFromLeftGuide = {-1, 2,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                                  13, 14, 15, 16, 17, 18, 19, 20, 14, 0};

// Where the guide takes post when the platoon dresses facing +x after the halt
// that precedes the march past.
constexpr stage::PersonSlot kRightFacingGuidePoint = {300, 518, 0};

}  // namespace

void kiritu_seiton(stage::FrameTable& table, int& k, int m) {
  const int front = table[k - 1].persons(kFirstMember).pose;
  const DressAxes axes = DressAxes::facing(front);
  face_the_guide(table, k, front);

  int settled = 0;
  bool rear_guide_turned = false;
  for (;;) {
    const stage::FrameRecord& before = table[k - 1];
    bool out_of_place = false;
    for (int i = 2; i <= kLastMember; ++i) out_of_place |= !in_dressed_place(axes, before, i);
    stage::FrameRecord& now = begin_record(table, k, 300);
    bool moved = false;
    for (int i = 2; i <= kLastMember; ++i) moved |= close_up_move(axes, before, now, i);
    settle_rear_guide(now, axes, front, settled, rear_guide_turned);
    ++k;
    if (!out_of_place) break;
    // Members only close toward the guide and the front; one standing short of
    // its place would wait for ever.
    if (!moved)
      throw std::logic_error("kiritu_seiton: a member stands short of its place at record " +
                             std::to_string(k - 1) + " and can never close up");
  }
  if (!rear_guide_turned) turn_rear_guide_late(table, k, front);
  if (m == 0) turn_back(table, k, front, kTurnBackFromGuide, 300, "kiritu_seiton");
}

void kiritu_seiton2(stage::FrameTable& table, int& k) {
  const int front = table[k - 1].persons(kLastMember).pose;
  stage::FrameRecord& now = begin_record(table, k, 300);
  now.persons(kLastMember).pose = static_cast<std::int16_t>(turn(front, kRightTurn));
  for (int i = kFirstMember; i <= 18; ++i)
    now.persons(i).pose = static_cast<std::int16_t>(turn(front, kLeftTurn));
  ++k;
  hold(table, k, 1000);
  begin_record(table, k, 1000).persons(19).pose =
      static_cast<std::int16_t>(turn(front, kRightTurn));
  ++k;
  turn_back(table, k, front, kTurnBackFromLeftGuide, 300, "kiritu_seiton2");
}

void kiritu_seiton3(stage::FrameTable& table, int& k) {
  const int front = table[k - 1].persons(kFirstMember).pose;
  const DressAxes axes = DressAxes::facing(front);
  face_the_guide(table, k, front);

  const auto guide_in_place = [](const stage::PersonSlot& g) {
    return g.x == kRightFacingGuidePoint.x && g.y == kRightFacingGuidePoint.y;
  };
  int settled = 0;
  bool rear_guide_turned = false;
  for (;;) {
    const stage::FrameRecord& before = table[k - 1];
    stage::FrameRecord& now = begin_record(table, k, 300);
    stage::PersonSlot& guide = now.persons(kFirstMember);
    const stage::PersonSlot guide_before = guide;
    guide.x = static_cast<std::int16_t>(
        guide.x < kRightFacingGuidePoint.x - 5 ? guide.x + 5 : kRightFacingGuidePoint.x);
    guide.y = static_cast<std::int16_t>(
        guide.y > kRightFacingGuidePoint.y + 5 ? guide.y - 5 : kRightFacingGuidePoint.y);
    bool moved = !(guide == guide_before);
    for (int i = 2; i <= kLastMember; ++i) moved |= close_up_move(axes, before, now, i);
    settle_rear_guide(now, axes, front, settled, rear_guide_turned);
    ++k;
    // This dressing stops on the record that brings the last member into
    // place; it writes no still record after it.
    bool dressed = guide_in_place(now.persons(kFirstMember));
    for (int i = 2; i <= kLastMember; ++i) dressed &= in_dressed_place(axes, now, i);
    if (dressed) break;
    if (!moved)
      throw std::logic_error("kiritu_seiton3: a member stands short of its place at record " +
                             std::to_string(k - 1) + " and can never close up");
  }
  if (!rear_guide_turned) turn_rear_guide_late(table, k, front);
  turn_back(table, k, front, kTurnBackFromGuide, 300, "kiritu_seiton3");
}

namespace {

// Moves the listed members by (dx, dy) in one record of `duration`.
template <std::size_t N>
void shift_members(stage::FrameTable& table, int& k, int duration,
                   const std::array<int, N>& members, int dx, int dy) {
  stage::FrameRecord& now = begin_record(table, k, duration);
  for (int i : members) {
    now.persons(i).x = static_cast<std::int16_t>(now.persons(i).x + dx);
    now.persons(i).y = static_cast<std::int16_t>(now.persons(i).y + dy);
  }
  ++k;
}

// Every member takes pose `pose` in one record of `duration`; the commander keeps his.
void face_all(stage::FrameTable& table, int& k, int duration, int pose) {
  stage::FrameRecord& now = begin_record(table, k, duration);
  for (int i = kFirstMember; i <= kLastMember; ++i)
    now.persons(i).pose = static_cast<std::int16_t>(pose);
  ++k;
}

// Facing left into a column of fours, the other pairs of files step into the
// file ahead instead.
constexpr std::array<int, 8> kEvenPairs = {2, 3, 6, 7, 10, 11, 14, 15};

constexpr std::array<int, 2> kFlankGuides = {1, 20};

constexpr std::array<std::string_view, 7> kNamingTheSquads = {
    "右翼分隊長、○○班長", "はい",           "左翼分隊長、○○班長", "はい",
    "５番まで、第１分隊", "左翼、第２分隊", "教導３歩前へ進め"};

}  // namespace

void kiritu_seisi(stage::FrameTable& table, int& k) {
  hold(table, k, 2000, "小隊の編成を行う");
  kiritu_bango(table, k);
  hold(table, k, 1000);
  for (std::string_view call : kNamingTheSquads) hold(table, k, 2000, call);

  // The two flank guides take three paces forward.
  for (int pace = 0; pace < 3; ++pace) shift_members(table, k, 500, kFlankGuides, 0, -70);

  // The commander inspects the line from the guide's side and takes his place
  // in front of its middle.
  {
    const stage::PersonSlot guide = table[k - 1].persons(kFirstMember);
    kiritu_sikiido(table, k, guide.x, guide.y - 670, pose::kW, pose::kN, 1);
    hold(table, k, 1000);
    kiritu_sikiido(table, k, guide.x - 370, guide.y, pose::kNNW, pose::kE, 1);
    hold(table, k, 1000);
    const int middle_x = table[k - 1].persons(10).x;
    kiritu_sikiido(table, k, middle_x, guide.y - 870, pose::kSE, pose::kN, 1);
    hold(table, k, 1000);
  }

  hold(table, k, 2000, "右へならえ");
  // The ranks come up to the line of the two flank guides: 70, 70 and 35;
  // member 3 has 35 further to come and takes 70 in the third pace as well.
  constexpr std::array<int, 3> kPaces = {70, 70, 35};
  for (int pace : kPaces) {
    stage::FrameRecord& now = begin_record(table, k, 500);
    for (int i = 2; i <= 19; ++i)
      now.persons(i).y = static_cast<std::int16_t>(now.persons(i).y - (i == 3 ? 70 : pace));
    ++k;
  }
  kiritu_seiton(table, k, 1);

  hold(table, k, 1000);
  hold(table, k, 1000, "なおれ");
  face_all(table, k, 500, pose::kS);
  hold(table, k, 1000);

  kiritu_bango(table, k);
  hold(table, k, 1000);

  hold(table, k, 2000, "整列休め");
  hold(table, k, 2000, "気をつけ");

  hold(table, k, 1000, "右向け右");
  face_all(table, k, 1000, pose::kW);
  shift_members(table, k, 1000, kOddPairs, -70, 70);
  hold(table, k, 1000);

  hold(table, k, 1000, "左向け左");
  face_all(table, k, 1000, pose::kS);
  shift_members(table, k, 1000, kOddPairs, 70, -70);
  kiritu_seiton(table, k, 0);
  hold(table, k, 1000);

  hold(table, k, 1000, "左向け左");
  face_all(table, k, 1000, pose::kE);
  shift_members(table, k, 1000, kEvenPairs, 70, 70);
  hold(table, k, 1000);

  hold(table, k, 1000, "右向け右");
  face_all(table, k, 1000, pose::kS);
  shift_members(table, k, 1000, kEvenPairs, -70, -70);
  kiritu_seiton2(table, k);
  hold(table, k, 1000);

  hold(table, k, 1000, "まわれ右");
  face_all(table, k, 1000, pose::kN);
  for (int pace = 0; pace < 2; ++pace) shift_members(table, k, 1000, kFlankGuides, 0, 70);

  hold(table, k, 1000);
  hold(table, k, 1000, "まわれ右");
  face_all(table, k, 1000, pose::kS);
  for (int pace = 0; pace < 2; ++pace) shift_members(table, k, 1000, kFlankGuides, 0, -70);
  kiritu_seiton(table, k, 0);
  hold(table, k, 1000);
}

}  // namespace drills::platoon
