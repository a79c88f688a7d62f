#pragma once
// Whole-image comparisons for the pixel tests: on a mismatch they say how
// many pixels differ and where the first one is, and leave the actual image
// in the test output folder for a look.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "export/png_writer.hpp"
#include "raster/raster_window.hpp"

namespace raster::test {

using Pixels = std::set<std::pair<int, int>>;

inline std::filesystem::path output_dir() {
  const char* env = std::getenv("MIRUKADO_TEST_OUTPUT");
  std::filesystem::path dir = env ? env : std::filesystem::temp_directory_path() / "mirukado-test";
  std::filesystem::create_directories(dir);
  return dir;
}

inline std::string hex(std::uint32_t p) {
  std::ostringstream s;
  s << "#" << std::hex << std::uppercase;
  s.width(6);
  s.fill('0');
  s << p;
  return s.str();
}

// Compares a surface with an image of the same size given as a function of (x, y).
template <class Expected>
::testing::AssertionResult matches(const Surface& actual, Expected expected) {
  long differ = 0;
  std::string first;
  for (int y = 0; y < actual.height; ++y) {
    for (int x = 0; x < actual.width; ++x) {
      const std::uint32_t want = expected(x, y);
      if (actual.at(x, y) == want) continue;
      // Appended piece by piece: a chain of operator+ here trips a false
      // -Wrestrict inside std::string with GCC 12 at -O3.
      if (differ++ == 0) {
        first.append("(").append(std::to_string(x)).append(", ").append(std::to_string(y));
        first.append(") is ").append(hex(actual.at(x, y)));
        first.append(", expected ").append(hex(want));
      }
    }
  }
  if (differ == 0) return ::testing::AssertionSuccess();
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "image";
  if (info) name.assign(info->test_suite_name()).append(".").append(info->name());
  for (char& c : name)
    if (c == '/') c = '_';
  const std::string path = (output_dir() / (name + ".png")).string();
  std::string error;
  write_png_file(actual, path, &error);
  return ::testing::AssertionFailure()
         << differ << " pixel(s) differ; first " << first << " (actual image: " << path << ")";
}

// The surface shows `ink` exactly at `painted` and `background` elsewhere.
inline ::testing::AssertionResult shows(const Surface& actual, const Pixels& painted,
                                        std::uint32_t ink, std::uint32_t background = 0) {
  return matches(actual, [&](int x, int y) { return painted.count({x, y}) ? ink : background; });
}

inline Pixels painted_in(const Surface& s, std::uint32_t colour) {
  Pixels out;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x)
      if (s.at(x, y) == colour) out.insert({x, y});
  return out;
}

}  // namespace raster::test
