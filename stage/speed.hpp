#pragma once
// How fast keyframes pass: the saver's three speeds and the viewer's slower
// ones, each a fraction of a keyframe's duration spent on screen.

namespace stage {

// The saver's speeds 1, 2 and 3 (durations divided by 1, 2 and 10) and two
// slower ones for study (durations times 2 and 4), slowest first.
enum class PlaySpeed { Quarter = 0, Half, One, Two, Three };
inline constexpr int kPlaySpeeds = 5;

// Speed as the fraction num / den of a keyframe's duration spent on screen.
struct SpeedScale {
  int num;
  int den;
};
SpeedScale speed_scale(PlaySpeed speed);

// ms on screen for `ms` of a keyframe at speed 1, rounded half to even.
int scaled_delay(int ms, PlaySpeed speed);

}  // namespace stage
