#include "stage/speed.hpp"

#include <array>
#include <cstddef>

#include "stage/rounding.hpp"

namespace stage {
namespace {

constexpr std::array<SpeedScale, kPlaySpeeds> kScales{{{4, 1}, {2, 1}, {1, 1}, {1, 2}, {1, 10}}};

}  // namespace

SpeedScale speed_scale(PlaySpeed speed) { return kScales.at(static_cast<std::size_t>(speed)); }

int scaled_delay(int ms, PlaySpeed speed) {
  const SpeedScale s = speed_scale(speed);
  return static_cast<int>(round_half_even(static_cast<double>(ms) * s.num / s.den));
}

}  // namespace stage
