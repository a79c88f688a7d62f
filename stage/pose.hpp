#pragma once
// The sixteen poses of a figure. Pose p faces p x 22.5 degrees clockwise from
// screen-up (stage +y), so the names are compass points with screen-up as
// north: 0 up, 4 right, 8 down, 12 left. A pose is also the index of the
// figure's sprite.

namespace stage::pose {

inline constexpr int kN = 0;
inline constexpr int kNNE = 1;
inline constexpr int kNE = 2;
inline constexpr int kENE = 3;
inline constexpr int kE = 4;
inline constexpr int kESE = 5;
inline constexpr int kSE = 6;
inline constexpr int kSSE = 7;
inline constexpr int kS = 8;
inline constexpr int kSSW = 9;
inline constexpr int kSW = 10;
inline constexpr int kWSW = 11;
inline constexpr int kW = 12;
inline constexpr int kWNW = 13;
inline constexpr int kNW = 14;
inline constexpr int kNNW = 15;

inline constexpr int kCount = 16;

}  // namespace stage::pose
