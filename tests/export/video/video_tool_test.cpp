// mirukado-render video as a user runs it: defaults, refusals with one line
// and status 2, the destination rules, and stops by signals, none of which
// leaves a file behind.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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
        "video ponpu ponpu", "video ponpu --burn-captions", "video ponpu --theme grey"}) {
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

// Stopped once it is writing: the signals a user or a session sends leave
// nothing behind and say so, and SIGKILL, which cannot be caught, finds
// nothing with a name to leave.
TEST(VideoTool, StopOrKillLeavesNothing) {
  const fs::path base = work_dir();
  const fs::path dir = base / "out";
  const fs::path err = base / "err";
  for (const int sig : {SIGINT, SIGHUP, SIGQUIT, SIGKILL}) {
    fs::create_directories(dir);
    const pid_t pid = tool_test::spawn(
        "video all -o " + (dir / "a.webm").string() + " --subtitles " + (dir / "a.srt").string(),
        err);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(tool_test::wait_until([&] { return tool_test::writes_into(pid, dir); }));
    kill(pid, sig);
    int raw = 0;
    waitpid(pid, &raw, 0);
    if (sig != SIGKILL) {
      EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 128 + sig) << sig << ": " << raw;
      EXPECT_TRUE(one_line(tool_test::slurp(err))) << tool_test::slurp(err);
    }
    EXPECT_TRUE(fs::is_empty(dir)) << sig;
    fs::remove_all(dir);
  }
}

// A file that turns up at the default name while the video is made (another
// run, the user) is kept; --force replaces it.
TEST(VideoTool, AFileThatAppearsMeanwhileIsKeptUnlessForced) {
  const fs::path base = work_dir();
  const fs::path dir = base / "out";
  const fs::path err_file = base / "err";  // not in dir, where it would count as writing
  fs::create_directories(dir);
  const std::string kPrecious = "precious";
  for (const bool force : {false, true}) {
    const pid_t pid = tool_test::spawn(std::string("video ponpu --size 320x180 -o ") +
                                           (dir / "ponpu.mp4").string() + (force ? " --force" : ""),
                                       err_file);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(tool_test::wait_until([&] { return tool_test::writes_into(pid, dir); }));
    std::ofstream(dir / "ponpu.mp4") << kPrecious;
    int raw = 0;
    waitpid(pid, &raw, 0);
    const std::string err = tool_test::slurp(err_file);
    if (force) {
      EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << err;
      EXPECT_GT(fs::file_size(dir / "ponpu.mp4"), kPrecious.size());
    } else {
      EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << raw;
      EXPECT_TRUE(one_line(err) && err.find("--force") != std::string::npos) << err;
      EXPECT_TRUE(tool_test::slurp(dir / "ponpu.mp4") == kPrecious) << "replaced";
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
  }
}

// Every destination is checked before the encode: the video (here a FIFO, so
// that any byte of it would be seen) never gets a frame when the subtitle
// file cannot be written.
TEST(VideoTool, UnwritableSubtitlesFailBeforeAnyFrame) {
  const fs::path dir = work_dir();
  const fs::path fifo = dir / "v.webm";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(dir / "file") << "x";
  for (const std::string subtitles : {"/nonexistent-dir/x.srt", "file/x.srt"}) {
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const pid_t pid = tool_test::spawn("video kahan --speed 3 --fps 1 --size 64x36 -o " +
                                           fifo.string() + " --subtitles " + subtitles,
                                       dir / "err");
    ASSERT_GT(pid, 0);
    long bytes = 0;
    int raw = 0;
    std::array<char, 4096> buf{};
    for (bool done = false; !done;) {
      done = waitpid(pid, &raw, WNOHANG) == pid;
      for (ssize_t n; (n = read(reader, buf.data(), buf.size())) > 0;) bytes += n;
      if (!done) usleep(10000);
    }
    close(reader);
    const std::string err = tool_test::slurp(dir / "err");
    EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 2) << subtitles << ": " << err;
    EXPECT_TRUE(one_line(err) && err.find(subtitles) != std::string::npos) << err;
    EXPECT_EQ(bytes, 0) << subtitles << ": the video was encoded first";
  }
}

// A file the user may not write, video or subtitles, is refused by name
// unless --force, which replaces it with its mode kept (and no complaint
// about the tool's own temporary).
TEST(VideoTool, WriteProtectedFilesAreReplacedOnlyWithForce) {
  const fs::path dir = work_dir();
  const std::string as_user = tool_test::unprivileged(dir);
  const auto read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  const std::string quick = "video kahan --speed 3 --fps 1 --size 64x36 ";
  struct Case {
    std::string args;
    const char* file;
  };
  for (const Case& c :
       {Case{quick + "-o p.mp4", "p.mp4"}, Case{quick + "-o q.mp4 --subtitles p.srt", "p.srt"}}) {
    std::ofstream(dir / c.file) << "precious";
    fs::permissions(dir / c.file, read_only);
    const Result refused = run(c.args, dir, as_user);
    EXPECT_EQ(refused.status, 2) << c.file;
    EXPECT_TRUE(one_line(refused.err) && refused.err.find(c.file) != std::string::npos)
        << refused.err;
    EXPECT_EQ(tool_test::slurp(dir / c.file), "precious");
    const Result forced = run(c.args + " --force", dir, as_user);
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_NE(tool_test::slurp(dir / c.file), "precious");
    EXPECT_EQ(fs::status(dir / c.file).permissions(), read_only);
  }
}

// FFmpeg takes no frame past a bound on width and height together; the
// tool's own size limit allows more, so the video says so before any work.
TEST(VideoTool, SizeOverFfmpegsBoundIsRefusedWithTheLimit) {
  const fs::path dir = work_dir();
  const Result r = run("video ponpu --size 16384x16384", dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(one_line(r.err)) << r.err;
  EXPECT_NE(r.err.find("16384 wide, at most"), std::string::npos) << r.err;
  EXPECT_TRUE(fs::is_empty(dir));
}

// The video's picture is the teaching one unless --view saver asks for the
// saver's; either way the commands travel as a subtitle track and file.
TEST(VideoTool, TeachingIsTheDefaultPictureAndKeepsTheCues) {
  const fs::path dir = work_dir();
  const std::string quick = " --speed 3 --fps 2 --size 320x180";
  ASSERT_EQ(run("video kahan -o teach.mp4 --subtitles teach.srt" + quick, dir).status, 0);
  ASSERT_EQ(run("video kahan --view saver -o saver.mp4" + quick, dir).status, 0);
  const auto frame_at = [&](const char* video, const char* png) {
    const std::string command = "ffmpeg -v error -y -ss 20 -i " + (dir / video).string() +
                                " -frames:v 1 " + (dir / png).string();
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(dir / png, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string teach = frame_at("teach.mp4", "teach.png");
  ASSERT_FALSE(teach.empty());
  EXPECT_NE(teach, frame_at("saver.mp4", "saver.png"));
  std::ifstream srt(dir / "teach.srt");
  const std::string cues((std::istreambuf_iterator<char>(srt)), {});
  EXPECT_NE(cues.find(" --> "), std::string::npos) << cues;
  EXPECT_NE(cues.find("「"), std::string::npos) << cues;
  const std::string track = "ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " +
                            (dir / "teach.mp4").string() + " | grep -qx mov_text";
  EXPECT_EQ(std::system(track.c_str()), 0) << "no subtitle track";
}

}  // namespace
