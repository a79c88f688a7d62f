#pragma once
// Conversions that the drills define from fractional values to integers.

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace stage {

// Every fractional position or interval in the drills becomes an integer by
// rounding to nearest with ties to even (2.5 -> 2, 3.5 -> 4), the rounding of
// the original runtime. Implemented explicitly rather than through the FPU
// rounding mode so that nothing global can change it.
inline double round_half_even(double v) {
  double r = std::round(v);  // ties away from zero
  if (std::fabs(v - std::trunc(v)) == 0.5) r = 2.0 * std::round(v / 2.0);
  return r;
}

inline long round_to_long(double v) { return static_cast<long>(round_half_even(v)); }

// Thrown when a computed value leaves the signed 16-bit range of a table field.
class OverflowError : public std::overflow_error {
 public:
  using std::overflow_error::overflow_error;
};

// Rounds half to even and checks that the result fits the int16 fields of the tables.
inline std::int16_t to_int16(double v, const char* what) {
  const double r = round_half_even(v);
  if (!(r >= -32768.0 && r <= 32767.0))
    throw OverflowError(std::string(what) + ": value " + std::to_string(v) +
                        " leaves the 16-bit range");
  return static_cast<std::int16_t>(r);
}

// Degrees to radians with the constant the transitions and door leaves were tuned with.
constexpr double deg2rad(double degrees) { return degrees * 3.14159265358979 / 180.0; }

}  // namespace stage
