#pragma once
// A fresh, empty folder per test, under $MIRUKADO_TEST_OUTPUT (the build
// folder's output/) or the system's temporary folder.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace testing_support {

inline std::filesystem::path work_dir() {
  namespace fs = std::filesystem;
  const char* base = std::getenv("MIRUKADO_TEST_OUTPUT");
  fs::path dir = fs::path(base ? base : fs::temp_directory_path().string()) /
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

}  // namespace testing_support
