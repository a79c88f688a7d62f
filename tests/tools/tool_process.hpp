#pragma once
// Runs the built mirukado-render as a user would, in a fresh folder per test.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

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
// launcher goes before the tool (see unprivileged()).
inline Result run(const std::string& args, const fs::path& dir, const std::string& launcher = "") {
  const fs::path err = dir.parent_path() / (dir.filename().string() + ".stderr");
  const std::string cmd = "cd " + dir.string() + " && " + launcher + MIRUKADO_RENDER + " 2>" +
                          err.string() + " " + args;
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

// A launcher that runs the tool as an ordinary user when the tests run as
// root (as in CI), for whom no permission bit counts; dir is opened to it.
inline std::string unprivileged(const fs::path& dir) {
  if (geteuid() != 0) return "";
  fs::permissions(dir, fs::perms::all);
  return "setpriv --reuid=65534 --regid=65534 --clear-groups ";
}

// The tool started directly as a child (no shell in between whose handlers
// could be seen), its standard output to out_fd (or /dev/null when -1) and
// its standard error to the file err.
inline pid_t spawn(const std::string& args, const fs::path& err, int out_fd = -1) {
  std::vector<std::string> words{MIRUKADO_RENDER};
  std::istringstream split(args);
  for (std::string w; split >> w;) words.push_back(w);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t redirect;
  posix_spawn_file_actions_init(&redirect);
  if (out_fd < 0)
    posix_spawn_file_actions_addopen(&redirect, 1, "/dev/null", O_WRONLY, 0);
  else
    posix_spawn_file_actions_adddup2(&redirect, out_fd, 1);
  posix_spawn_file_actions_addopen(&redirect, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, MIRUKADO_RENDER, &redirect, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&redirect);
  return rc == 0 ? pid : -1;
}

// Whether the child holds a file in dir open, named or not: it is writing there.
inline bool writes_into(pid_t pid, const fs::path& dir) {
  const std::string prefix = fs::weakly_canonical(dir).string() + "/";
  std::error_code ec;
  for (fs::directory_iterator it("/proc/" + std::to_string(pid) + "/fd", ec), end; !ec && it != end;
       it.increment(ec)) {
    const fs::path target = fs::read_symlink(it->path(), ec);
    if (!ec && target.string().rfind(prefix, 0) == 0) return true;
  }
  return false;
}

// Polls until ready() or a bound for a stuck child (not a measure) has passed.
template <class Ready>
bool wait_until(Ready ready) {
  constexpr int kPolls = 3000;  // 10 ms apart
  for (int polls = 0; polls < kPolls; ++polls) {
    if (ready()) return true;
    usleep(10000);
  }
  return false;
}

}  // namespace tool_test
