#pragma once
// Hand-built platoon formations for driving single routines, written from the
// drill's formations: the two-rank line and the two columns of fours.

#include <array>

#include "stage/frame_table.hpp"

namespace platoon_test {

struct Vec {
  int x;
  int y;
};

// Square facings: the unit vector a pose faces.
inline Vec ahead_of(int pose) {
  switch (pose) {
    case 0:
      return {0, 1};
    case 4:
      return {1, 0};
    case 8:
      return {0, -1};
    default:
      return {-1, 0};
  }
}
inline Vec right_of(int pose) { return ahead_of((pose + 4) % 16); }
inline Vec left_of(int pose) { return ahead_of((pose + 12) % 16); }

inline void put(stage::FrameRecord& r, int i, int x, int y, int pose) {
  r.persons(i) = {static_cast<std::int16_t>(x), static_cast<std::int16_t>(y),
                  static_cast<std::int16_t>(pose)};
}

// Two-rank line facing `pose`: member i >= 2 stands i / 2 files of 70 to the
// left of member 1, the odd members 140 behind the front rank.
inline void two_rank_line(stage::FrameRecord& r, int x1, int y1, int pose) {
  const Vec l = left_of(pose), a = ahead_of(pose);
  put(r, 1, x1, y1, pose);
  for (int i = 2; i <= 20; ++i)
    put(r, i, x1 + 70 * (i / 2) * l.x - 140 * (i % 2) * a.x,
        y1 + 70 * (i / 2) * l.y - 140 * (i % 2) * a.y, pose);
}

// Column of fours: distance along the column from member 1 toward member 20,
// and distance across the column, for a column formed by a right face and by a
// left face.
struct ColumnOffset {
  int along;
  int across_right;
  int across_left;
};
inline constexpr std::array<ColumnOffset, 21> kColumn = {{
    {0, 0, 0},                                                     // commander (unused)
    {0, 0, 0},                                                     // 1
    {140, 0, 70}, {140, 140, 210}, {140, 70, 0}, {140, 210, 140},  // 2..5
    {280, 0, 70}, {280, 140, 210}, {280, 70, 0}, {280, 210, 140},  // 6..9
    {420, 0, 70}, {420, 140, 210}, {420, 70, 0}, {420, 210, 140},  // 10..13
    {560, 0, 70}, {560, 140, 210}, {560, 70, 0}, {560, 210, 140},  // 14..17
    {700, 0, 0},  {700, 140, 140},                                 // 18, 19
    {840, 0, 0},                                                   // 20
}};

// Where member i of a right-face column marching `pose` stands when member 1,
// at the head, is at (x1, y1): behind him and across to the right.
inline Vec right_face_column(int i, int x1, int y1, int pose) {
  const Vec a = ahead_of(pose), r = right_of(pose);
  const ColumnOffset& c = kColumn[static_cast<std::size_t>(i)];
  return {x1 - c.along * a.x + c.across_right * r.x, y1 - c.along * a.y + c.across_right * r.y};
}

// Where member i of a left-face column marching `pose` stands when member 1,
// at the tail, is at (x1, y1): ahead of him and across to the left.
inline Vec left_face_column(int i, int x1, int y1, int pose) {
  const Vec a = ahead_of(pose), l = left_of(pose);
  const ColumnOffset& c = kColumn[static_cast<std::size_t>(i)];
  return {x1 + c.along * a.x + c.across_left * l.x, y1 + c.along * a.y + c.across_left * l.y};
}

inline void column(stage::FrameRecord& r, int x1, int y1, int pose, bool right_face) {
  for (int i = 1; i <= 20; ++i) {
    const Vec p =
        right_face ? right_face_column(i, x1, y1, pose) : left_face_column(i, x1, y1, pose);
    put(r, i, p.x, p.y, pose);
  }
}

}  // namespace platoon_test
