// play over an earlier sequence: the frames go into place together once the
// last one is written, so a stopped or failed re-render leaves the earlier
// sequence whole, and a shorter one never leaves the longer one's tail behind.

#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>

#include <map>
#include <string>

#include "tool_process.hpp"

namespace {

using namespace tool_test;

// Every entry under dir, hidden ones and those in subfolders too, with the
// bytes of each file; a file that goes while it is read reads as empty.
std::map<std::string, std::string> contents(const fs::path& dir) {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    out[fs::relative(it->path(), dir).string()] =
        it->is_regular_file(ec) ? slurp(it->path()) : std::string();
  return out;
}

// An earlier sequence of 20 frames of 16x9 in dir/seq, with a file of the
// user's beside them.
std::map<std::string, std::string> earlier_sequence(const fs::path& dir) {
  const Result r = run("play --conf 4 --seconds 2 --fps 10 --size 16x9 -o seq", dir);
  EXPECT_EQ(r.status, 0) << r.err;
  std::ofstream(dir / "seq" / "notes.txt") << "the user's own";
  return contents(dir / "seq");
}

bool png_of_size(const fs::path& path, png_uint_32 width, png_uint_32 height) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
  const bool ok = img.width == width && img.height == height;
  png_image_free(&img);
  return ok;
}

TEST(PlayRerender, ShorterSequenceIsRefusedWithoutForceAndStandsAloneWithIt) {
  const fs::path dir = work_dir();
  const auto before = earlier_sequence(dir);
  ASSERT_EQ(before.size(), 21u);
  const std::string shorter = "play --conf 4 --seconds 0.5 --fps 10 --size 32x18 -o seq";

  const Result refused = run(shorter, dir);
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(lines_of(refused.err), 1) << refused.err;
  for (const char* says : {"seq holds 15 ", "--force"})
    EXPECT_NE(refused.err.find(says), std::string::npos) << refused.err;
  EXPECT_EQ(contents(dir / "seq"), before);

  const Result forced = run(shorter + " --force", dir);
  EXPECT_EQ(forced.status, 0) << forced.err;
  const auto after = contents(dir / "seq");
  std::vector<std::string> names;
  for (const auto& entry : after) names.push_back(entry.first);
  EXPECT_EQ(names,
            (std::vector<std::string>{"frame_00000.png", "frame_00001.png", "frame_00002.png",
                                      "frame_00003.png", "frame_00004.png", "notes.txt"}));
  for (const std::string& name : names) {
    if (name != "notes.txt") {
      EXPECT_TRUE(png_of_size(dir / "seq" / name, 32, 18)) << name;
    }
  }
  EXPECT_EQ(after.at("notes.txt"), before.at("notes.txt"));
}

TEST(PlayRerender, StoppedRerenderLeavesTheEarlierSequenceWhole) {
  constexpr int kOwnFrames = 3;  // written by the re-render before it is stopped
  const fs::path dir = work_dir();
  const auto before = earlier_sequence(dir);
  for (const int sig : {SIGINT, SIGHUP}) {
    const pid_t pid =
        spawn("play --conf 7 --seconds 9000 --fps 10 --size 32x18 -o " + (dir / "seq").string(),
              dir / "err");
    ASSERT_GT(pid, 0);
    // Frames of its own, wherever the run keeps them until the end.
    const auto own_frames = [&] {
      int n = 0;
      for (const auto& [name, bytes] : contents(dir / "seq")) {
        const auto old = before.find(name);
        n += name.ends_with(".png") && (old == before.end() || old->second != bytes);
      }
      return n;
    };
    EXPECT_TRUE(wait_until([&] { return own_frames() >= kOwnFrames; }));
    kill(pid, sig);
    int raw = 0;
    waitpid(pid, &raw, 0);
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 128 + sig);
    EXPECT_EQ(contents(dir / "seq"), before) << "every earlier frame, byte for byte, and no more";
  }
}

// A frame past this run's last that appears while it renders (another run's)
// is refused at the swap as it is at the start: the run fails and leaves
// nothing of its own, its private folder included.
TEST(PlayRerender, FramePastTheEndAppearingMeanwhileFailsTheRunCleanly) {
  const fs::path dir = work_dir();
  const fs::path seq = dir / "seq";
  fs::create_directories(seq);
  const pid_t pid =
      spawn("play --conf 4 --seconds 30 --fps 10 --size 160x90 -o " + seq.string(), dir / "err");
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(wait_until([&] { return writes_into(pid, seq); }));
  const std::string theirs = "another run's frame";
  std::ofstream(seq / "frame_00300.png") << theirs;
  int raw = 0;
  waitpid(pid, &raw, 0);
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 2);
  const std::string err = slurp(dir / "err");
  EXPECT_EQ(lines_of(err), 1) << err;
  EXPECT_NE(err.find("frame_00300.png"), std::string::npos) << err;
  EXPECT_EQ(contents(seq), (std::map<std::string, std::string>{{"frame_00300.png", theirs}}));
}

}  // namespace
