// mirukado-render video as a user runs it: defaults, refusals with one line
// and status 2, and a stop by SIGINT, none of which leaves a file behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tools/tool_process.hpp"

namespace fs = std::filesystem;

namespace {

using tool_test::Result;
using tool_test::run;
using tool_test::work_dir;

bool one_line(const std::string& text) {
  return text.rfind("mirukado-render: ", 0) == 0 && text.find('\n') == text.size() - 1;
}

TEST(VideoTool, BadValuesGiveOneLineAndStatus2) {
  const fs::path dir = work_dir();
  for (const char* args :
       {"video", "video nope", "video ponpu --speed 4", "video ponpu --fps 0",
        "video ponpu --fps x", "video ponpu --size 640", "video ponpu --size 641x360",
        "video ponpu -o a.gif", "video ponpu --subtitles a.txt", "video ponpu --conf 2",
        "video all --conf 256", "video ponpu --bogus 1", "video ponpu -o missing/a.mp4",
        "video ponpu ponpu"}) {
    const Result r = run(args, dir);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_TRUE(one_line(r.err)) << args << ": " << r.err;
  }
  EXPECT_TRUE(fs::is_empty(dir));
}

TEST(VideoTool, NamedAfterTheDrillAndNeverReplacedWithoutForce) {
  const fs::path dir = work_dir();
  const std::string quick = " --speed 3 --size 64x36";
  ASSERT_EQ(run("video kahan --fps 2" + quick, dir).status, 0);
  ASSERT_TRUE(fs::exists(dir / "kahan.mp4"));
  const auto size = fs::file_size(dir / "kahan.mp4");
  const Result again = run("video kahan --fps 1" + quick, dir);
  EXPECT_EQ(again.status, 2);
  EXPECT_NE(again.err.find("--force"), std::string::npos) << again.err;
  EXPECT_TRUE(one_line(again.err)) << again.err;
  EXPECT_EQ(fs::file_size(dir / "kahan.mp4"), size);
  EXPECT_EQ(run("video kahan --fps 1 --force --subtitles k.vtt" + quick, dir).status, 0);
  EXPECT_NE(fs::file_size(dir / "kahan.mp4"), size);
  EXPECT_TRUE(fs::exists(dir / "k.vtt"));
}

TEST(VideoTool, SigintLeavesNothing) {
  const fs::path dir = work_dir();
  const std::string out = (dir / "a.webm").string();
  const std::string subtitles = (dir / "a.srt").string();
  const char* argv[] = {MIRUKADO_RENDER, "video",           "all",  "-o", out.c_str(),
                        "--subtitles",   subtitles.c_str(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, MIRUKADO_RENDER, nullptr, nullptr, const_cast<char**>(argv), environ),
            0);
  // Stop it once it is writing (its temporary is in the folder).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (fs::is_empty(dir) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  ASSERT_FALSE(fs::is_empty(dir));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(pid, SIGINT);
  int raw = 0;
  waitpid(pid, &raw, 0);
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 128 + SIGINT) << raw;
  EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
