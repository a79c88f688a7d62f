#pragma once
// Runs the built mirukado-render as a user would, in a fresh folder per test.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "support/test_output.hpp"

namespace tool_test {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string out;
  std::string err;
};

using testing_support::work_dir;

// Runs the tool in dir with args (which may end in redirections of their own)
// and collects its standard output and standard error. The error text is
// kept beside the folder, so that a test sees in it only what the tool left.
inline Result run(const std::string& args, const fs::path& dir) {
  const fs::path err = dir.parent_path() / (dir.filename().string() + ".stderr");
  const std::string cmd =
      "cd " + dir.string() + " && " + MIRUKADO_RENDER + " 2>" + err.string() + " " + args;
  Result r{};
  FILE* p = popen(cmd.c_str(), "r");
  std::array<char, 4096> buf{};
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  const int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::ifstream e(err);
  std::stringstream ss;
  ss << e.rdbuf();
  r.err = ss.str();
  fs::remove(err);
  return r;
}

inline int lines_of(const std::string& s) {
  return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

inline std::string slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace tool_test
