// mirukado-render run as a process: outputs and where they go, the one-line
// errors with status 2 that leave no file behind, and interrupted renders.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tool_process.hpp"

namespace fs = std::filesystem;

namespace {

using namespace tool_test;

struct Png {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

Png read_png(const fs::path& path) {
  Png out;
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return out;
  img.format = PNG_FORMAT_RGB;
  out.rgb.resize(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, out.rgb.data(), 0, nullptr)) return {};
  out.width = static_cast<int>(img.width);
  out.height = static_cast<int>(img.height);
  return out;
}

TEST(RenderTool, StillWritesAPngOfTheAskedSize) {
  const fs::path dir = work_dir();
  const Result r = run("still --size 320x180 -o " + (dir / "x.png").string(), dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const Png png = read_png(dir / "x.png");
  EXPECT_EQ(png.width, 320);
  EXPECT_EQ(png.height, 180);
}

TEST(RenderTool, DumpPrintsAHeaderAndRecordsUpToTheEndMarker) {
  const fs::path dir = work_dir();
  const Result r = run("dump ponpu", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  std::istringstream in(r.out);
  std::string header;
  std::getline(in, header);
  // index, duration, caption, 5 x (x, y, pose), 5 codes
  EXPECT_EQ(std::count(header.begin(), header.end(), '\t') + 1, 3 + 15 + 5);
  EXPECT_EQ(header.rfind("index\tduration\tcaption\tp0_x", 0), 0u);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first.rfind("0\t", 0), 0u);
  EXPECT_GE(lines_of(r.out), 2);
}

TEST(RenderTool, DumpPrintsEveryRecordOfEachDrillThroughItsEndMarker) {
  const fs::path dir = work_dir();
  struct Case {
    const char* drill;
    int records;  // 0 .. end marker
  };
  for (const Case c : {Case{"kiritu", 1384}, {"ponpu", 1047}, {"kahan", 611}}) {
    const Result r = run(std::string("dump ") + c.drill, dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(lines_of(r.out), c.records + 1) << c.drill;
    // The last line is the end marker: its duration is 0.
    const auto last = r.out.rfind('\n', r.out.size() - 2);
    EXPECT_EQ(r.out.substr(last + 1, std::to_string(c.records - 1).size() + 3),
              std::to_string(c.records - 1) + "\t0\t")
        << c.drill;
  }
}

struct BadCase {
  const char* name;
  const char* args;  // %s is the output path
  const char* mentions;
};

class BadArguments : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadArguments, FailWithOneLineStatus2AndNoFile) {
  const fs::path dir = work_dir();
  const fs::path out = dir / "out.png";
  char args[512];
  std::snprintf(args, sizeof args, GetParam().args, out.c_str());
  const Result r = run(args, dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(lines_of(r.err), 1) << r.err;
  EXPECT_NE(r.err.find(GetParam().mentions), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(out));
  EXPECT_TRUE(fs::is_empty(dir)) << "something was left behind";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadArguments,
    ::testing::Values(
        BadCase{"UnknownDrill", "dump bogus", "bogus"},
        BadCase{"UnknownCommand", "explode", "explode"},
        BadCase{"OptionBeforeTheCommand", "--size 10x10 still", "--size"},
        BadCase{"ZeroWidth", "still --size 0x100 -o %s", "width"},
        BadCase{"TooHigh", "still --size 100x16385 -o %s", "height"},
        BadCase{"NotASize", "still --size big -o %s", "WxH"},
        BadCase{"PlayNeedsAFolder", "play --size 10x10", "-o"},
        BadCase{"OutputWithoutValue", "still -o", "-o"},
        BadCase{"Unwritable", "still --size 10x10 -o /nonexistent/dir/x.png", "x.png"},
        BadCase{"FrameUnknownDrill", "frame nope 0 --size 10x10 -o %s", "nope"},
        BadCase{"FrameIndexNotNumber", "frame kiritu abc --size 10x10 -o %s", "abc"},
        BadCase{"FramePastTheEnd", "frame kahan 611 --size 10x10 -o %s", "(keyframes 1..610)"},
        BadCase{"FrameZero", "frame kahan 0 --size 10x10 -o %s", "1..32767"},
        BadCase{"GifBadSpeed", "gif kiritu --speed 9 --fps 10 --size 10x10 -o %s", "speed"},
        // 16384 x 16384 x 100 frames is over the bound; refused before any folder is made.
        BadCase{"PlayOverTheBound",
                "play --conf 1 --speed 1 --from 0 --seconds 1 --fps 100 --size 16384x16384 -o %s",
                "--force"},
        BadCase{"NoForceForDump", "dump kiritu --force", "force"},
        BadCase{"UnknownOption", "gif kahan --colour red -o %s", "colour"},
        BadCase{"ExtraArgument", "commands ponpu extra", "extra"},
        BadCase{"CommandsUnknownDrill", "commands bogus", "bogus"},
        BadCase{"SheetUnknownDrill", "sheet bogus -o %s", "bogus"},
        BadCase{"PlayBadConf", "play --conf 256 --size 10x10 -o %s", "conf"},
        BadCase{"PlayBadSpeed", "play --speed 0 --size 10x10 -o %s", "speed"},
        BadCase{"PlayBadFrom", "play --from soon --size 10x10 -o %s", "from"},
        BadCase{"PlayFromPastTheRun", "play --conf 4 --from 99999 --size 10x10 -o %s",
                "past the end"},
        BadCase{"PlayBadSeconds", "play --seconds -1 --size 10x10 -o %s", "seconds"},
        BadCase{"PlayBadFps", "play --fps 101 --seconds 1 --size 10x10 -o %s", "fps"},
        BadCase{"GifBadFps", "gif kahan --fps 51 --size 10x10 -o %s", "fps"},
        BadCase{"FrameBadSize", "frame kahan 1 --size 10 -o %s", "WxH"},
        BadCase{"FrameAtZero", "frame ponpu --at 0 --size 10x10 -o %s", "command number"},
        BadCase{"FrameAtPastTheEnd", "frame ponpu --at 54 --size 10x10 -o %s", "1..53"},
        BadCase{"FrameAtAndIndex", "frame ponpu 3 --at 2 --size 10x10 -o %s", "one of the two"},
        BadCase{"FrameNeitherAtNorIndex", "frame ponpu --size 10x10 -o %s", "one of the two"},
        BadCase{"UnknownView", "frame ponpu 3 --view map --size 10x10 -o %s", "map"},
        BadCase{"UnknownTheme", "still --view teach --theme pink --size 10x10 -o %s", "pink"},
        BadCase{"LightSaver", "gif kahan --theme light --size 10x10 -o %s", "--view teach"},
        BadCase{"SheetBadPaper", "sheet ponpu --paper a3 -o %s", "a3"}),
    [](const auto& info) { return std::string(info.param.name); });

// The viewers' words are the tool's: teaching and teach draw one picture, and
// a value may follow an '='.
TEST(RenderTool, TakesTheViewersWordsForTheTeachingPicture) {
  const fs::path dir = work_dir();
  const auto picture = [&](const std::string& view, const char* name) {
    const Result r =
        run("frame ponpu 3 --size 64x36 " + view + " -o " + (dir / name).string(), dir);
    EXPECT_EQ(r.status, 0) << view << ": " << r.err;
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string teaching = picture("--view teaching", "a.png");
  EXPECT_FALSE(teaching.empty());
  EXPECT_EQ(picture("--view=teach", "b.png"), teaching);
  EXPECT_NE(picture("--view saver", "c.png"), teaching);
}

TEST(RenderTool, PlayWritesOneFramePerStepBelowTheEnd) {
  const fs::path dir = work_dir();
  const Result r = run("play --conf 1 --speed 3 --from 0 --seconds 0.5 --fps 10 --size 64x36 -o " +
                           (dir / "seq").string(),
                       dir);
  ASSERT_EQ(r.status, 0) << r.err;
  int count = 0;
  for (const auto& e : fs::directory_iterator(dir / "seq")) count += e.path().extension() == ".png";
  EXPECT_EQ(count, 5);  // t = 0, 0.1, 0.2, 0.3, 0.4
  // t = 0 is the activation itself: the first intro tick is not due yet.
  const Png first = read_png(dir / "seq" / "frame_00000.png");
  ASSERT_EQ(first.width, 64);
  EXPECT_TRUE(
      std::all_of(first.rgb.begin(), first.rgb.end(), [](unsigned char c) { return c == 0; }));
}

TEST(RenderTool, GifOfAWholeRunIsAnAnimatedGif) {
  const fs::path dir = work_dir();
  const Result r =
      run("gif kahan --speed 3 --fps 5 --size 64x36 -o " + (dir / "a.gif").string(), dir);
  ASSERT_EQ(r.status, 0) << r.err;
  std::ifstream f(dir / "a.gif", std::ios::binary);
  char magic[6];
  f.read(magic, 6);
  EXPECT_EQ(std::string(magic, 6), "GIF89a");
}

bool is_png_of(const std::string& bytes, int width, int height) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&img, bytes.data(), bytes.size())) return false;
  const bool ok = static_cast<int>(img.width) == width && static_cast<int>(img.height) == height;
  png_image_free(&img);
  return ok;
}

// Hidden temporaries or anything else the tool may have left in a folder.
std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  return names;
}

// Each destination is prepared in its folder, written with `still`, then checked.
struct Destination {
  const char* name;
  std::function<fs::path(const fs::path& dir)> prepare;  // returns what -o gets
  std::function<void(const fs::path& dir, const Result&)> check;
};

const std::string kOld = "old contents";

class Destinations : public ::testing::TestWithParam<Destination> {};

TEST_P(Destinations, StillWritesWhereTheDestinationLeads) {
  const fs::path dir = work_dir();
  const fs::path out = GetParam().prepare(dir);
  const Result r = run("still --size 64x36 -o " + out.string(), dir);
  GetParam().check(dir, r);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Destinations,
    ::testing::Values(Destination{"DeviceIsWrittenInPlace",
                                  [](const fs::path&) { return fs::path("/dev/null"); },
                                  [](const fs::path&, const Result& r) {
                                    EXPECT_EQ(r.status, 0) << r.err;
                                    EXPECT_TRUE(fs::is_character_file("/dev/null"));
                                  }},
                      Destination{"SymlinkTargetIsReplaced",
                                  [](const fs::path& dir) {
                                    fs::create_directory(dir / "real");
                                    std::ofstream(dir / "real" / "t.png") << kOld;
                                    fs::create_symlink("real/t.png", dir / "link.png");
                                    return dir / "link.png";
                                  },
                                  [](const fs::path& dir, const Result& r) {
                                    EXPECT_EQ(r.status, 0) << r.err;
                                    EXPECT_TRUE(r.err.empty()) << r.err;
                                    EXPECT_TRUE(fs::is_symlink(dir / "link.png"));
                                    EXPECT_TRUE(is_png_of(slurp(dir / "real" / "t.png"), 64, 36));
                                    EXPECT_EQ(names_in(dir / "real"),
                                              std::vector<std::string>{"t.png"});
                                  }},
                      Destination{"DanglingSymlinkTargetIsCreated",
                                  [](const fs::path& dir) {
                                    fs::create_directory(dir / "real");
                                    fs::create_symlink("real/new.png", dir / "link.png");
                                    return dir / "link.png";
                                  },
                                  [](const fs::path& dir, const Result& r) {
                                    EXPECT_EQ(r.status, 0) << r.err;
                                    EXPECT_TRUE(fs::is_symlink(dir / "link.png"));
                                    EXPECT_TRUE(is_png_of(slurp(dir / "real" / "new.png"), 64, 36));
                                  }},
                      Destination{"PrivateFileKeepsItsMode",
                                  [](const fs::path& dir) {
                                    std::ofstream(dir / "p.png") << kOld;
                                    fs::permissions(dir / "p.png",
                                                    fs::perms::owner_read | fs::perms::owner_write);
                                    return dir / "p.png";
                                  },
                                  [](const fs::path& dir, const Result& r) {
                                    EXPECT_EQ(r.status, 0) << r.err;
                                    EXPECT_TRUE(is_png_of(slurp(dir / "p.png"), 64, 36));
                                    EXPECT_EQ(fs::status(dir / "p.png").permissions(),
                                              fs::perms::owner_read | fs::perms::owner_write);
                                  }},
                      // Replacing a hard-linked file cuts the link: the run says so in one line.
                      Destination{"HardLinkIsReported",
                                  [](const fs::path& dir) {
                                    std::ofstream(dir / "a.png") << kOld;
                                    fs::create_hard_link(dir / "a.png", dir / "b.png");
                                    return dir / "a.png";
                                  },
                                  [](const fs::path& dir, const Result& r) {
                                    EXPECT_EQ(r.status, 0) << r.err;
                                    EXPECT_EQ(lines_of(r.err), 1) << r.err;
                                    EXPECT_NE(r.err.find("link"), std::string::npos) << r.err;
                                    EXPECT_TRUE(is_png_of(slurp(dir / "a.png"), 64, 36));
                                    EXPECT_EQ(slurp(dir / "b.png"), kOld);
                                  }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RenderTool, FifoIsStreamedInPlace) {
  const fs::path dir = work_dir();
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = slurp(fifo); });
  const Result r = run("still --size 64x36 -o " + fifo.string(), dir);
  reader.join();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(is_png_of(got, 64, 36));
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_EQ(names_in(dir), std::vector<std::string>{"pipe"});
}

TEST(RenderTool, StdoutCarriesThePngOrGifAlone) {
  const fs::path dir = work_dir();
  const Result png = run("still --size 64x36 -o /dev/stdout", dir);
  EXPECT_EQ(png.status, 0) << png.err;
  EXPECT_TRUE(is_png_of(png.out, 64, 36)) << "no path line after the image either";
  const Result gif = run("gif kahan --speed 3 --fps 2 --size 32x18 -o /dev/stdout", dir);
  EXPECT_EQ(gif.status, 0) << gif.err;
  EXPECT_EQ(gif.out.substr(0, 6), "GIF89a");
  EXPECT_EQ(gif.out.back(), ';') << "the GIF trailer ends the stream";
}

TEST(RenderTool, PlayFramesFollowSymlinks) {
  const fs::path dir = work_dir();
  fs::create_directories(dir / "seq");
  fs::create_symlink("../kept.png", dir / "seq" / "frame_00001.png");
  const Result r = run("play --conf 1 --speed 3 --from 0 --seconds 0.2 --fps 10 --size 64x36 -o " +
                           (dir / "seq").string(),
                       dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_symlink(dir / "seq" / "frame_00001.png"));
  EXPECT_TRUE(is_png_of(slurp(dir / "kept.png"), 64, 36));
}

// Standard output on a full device: one line and status 2, whatever is written there.
TEST(RenderTool, FullStdoutFailsWithOneLine) {
  const fs::path dir = work_dir();
  for (const std::string& args : std::vector<std::string>{
           "dump kiritu", "commands kahan", "still --size 64x36 -o /dev/stdout",
           "still --size 64x36 -o " + (dir / "x.png").string(), "--help"}) {
    const Result r = run(args + " >/dev/full", dir);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(lines_of(r.err), 1) << args << ": " << r.err;
  }
}

// Progress shows only on a terminal and only for a run that lasts, so this
// one lasts seconds on any machine: the pump-truck drill's whole run (six
// minutes) as a video.
TEST(RenderTool, ProgressOnATerminalOnly) {
  const fs::path dir = work_dir();
  const std::string kLongRender = "video ponpu --size 640x360 --fps 15 --force -o long.mp4";
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string slave_name = ptsname(master);
  const int slave = open(slave_name.c_str(), O_RDWR | O_NOCTTY);  // no hang-up in between
  ASSERT_GE(slave, 0);
  const std::string kEnd = "END-OF-TEST";
  std::string tty;
  std::thread reader([&] {
    std::array<char, 4096> buf{};
    for (ssize_t n;
         tty.find(kEnd) == std::string::npos && (n = read(master, buf.data(), buf.size())) > 0;)
      tty.append(buf.data(), static_cast<std::size_t>(n));
  });
  const Result r = run(kLongRender + " 2>" + slave_name, dir);
  ASSERT_EQ(write(slave, kEnd.data(), kEnd.size()), static_cast<ssize_t>(kEnd.size()));
  reader.join();
  close(slave);
  close(master);
  EXPECT_EQ(r.status, 0);
  // One line redrawn in place, ending at 100 % with a newline (which the
  // terminal turns into "\r\n").
  const std::string shown = tty.substr(0, tty.find(kEnd));
  const std::size_t last = shown.rfind("\rvideo long.mp4: ");
  ASSERT_NE(last, std::string::npos) << tty;
  EXPECT_EQ(shown.find("\rvideo long.mp4: 100 % (", last), last) << tty;
  EXPECT_LT(shown.find("\rvideo long.mp4: "), last) << tty;
  EXPECT_EQ(shown.find('\n'), shown.size() - 1) << tty;

  const Result piped = run(kLongRender, dir);
  EXPECT_EQ(piped.status, 0);
  EXPECT_EQ(piped.err, "");
}

// A long render started as a child; the signal goes once the handler is in
// place (and, where given, once the child writes into the folder).
struct Interrupt {
  const char* name;
  const char* args;      // %s is the output folder
  const char* wait_for;  // a file name prefix in the folder, "" for any file the
                         // child holds open there, or nullptr for none
};

class Interrupted : public ::testing::TestWithParam<Interrupt> {};

bool catches(pid_t pid, int sig) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("SigCgt:", 0) == 0)
      return (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1;
  return false;
}

bool has_entry_starting(const fs::path& dir, const std::string& prefix) {
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().filename().string().rfind(prefix, 0) == 0) return true;
  return false;
}

bool writing(pid_t pid, const fs::path& dir, const char* wait_for) {
  if (!wait_for) return true;
  return *wait_for ? has_entry_starting(dir, wait_for) : writes_into(pid, dir);
}

TEST_P(Interrupted, StopsRemovesWhatItWroteAndSaysSo) {
  constexpr int kRounds = 2;
  const fs::path base = work_dir();
  const fs::path dir = base / "out";
  const fs::path err = base / "stderr.txt";
  for (int round = 0; round < kRounds; ++round) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
      fs::create_directories(dir);
      char args[512];
      std::snprintf(args, sizeof args, GetParam().args, dir.c_str());
      const pid_t pid = spawn(args, err);
      ASSERT_GT(pid, 0);
      wait_until([&] { return catches(pid, sig) && writing(pid, dir, GetParam().wait_for); });
      kill(pid, sig);
      int raw = 0;
      waitpid(pid, &raw, 0);
      ASSERT_TRUE(WIFEXITED(raw)) << "killed by signal " << WTERMSIG(raw);
      EXPECT_EQ(WEXITSTATUS(raw), 128 + sig);
      const std::string text = slurp(err);
      EXPECT_EQ(lines_of(text), 1) << text;
      EXPECT_TRUE(fs::is_empty(dir)) << "left behind: " << names_in(dir).front();
      fs::remove_all(dir);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Interrupted,
    ::testing::Values(
        Interrupt{"Gif", "gif kiritu --speed 1 --fps 50 --size 1280x720 -o %s/a.gif", ""},
        Interrupt{"Sheet", "sheet kiritu -o %s/k.pdf", ""},
        // Over the pixels x frames bound, so --force is needed to start at all.
        Interrupt{"Play",
                  "play --conf 7 --speed 1 --from 0 --seconds 2000 --fps 1 --size 4096x4096 "
                  "--force -o %s/seq",
                  "seq"},
        Interrupt{"PlayFrames",
                  "play --conf 7 --speed 1 --from 0 --seconds 9000 --fps 10 --size 320x180 -o %s",
                  ""},
        Interrupt{"SeekToFrom",
                  "play --conf 7 --speed 1 --from 10000000 --seconds 1 --fps 1 --size 64x36 -o %s",
                  nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// SIGKILL cannot be caught: what is being written must have no name to leave.
TEST(RenderTool, KilledRunLeavesNoFile) {
  const fs::path base = work_dir();
  const fs::path dir = base / "out";
  for (const std::string args :
       {"gif kiritu --speed 1 --fps 50 --size 1280x720 -o %s/a.gif", "sheet kiritu -o %s/k.pdf"}) {
    fs::create_directories(dir);
    char line[512];
    std::snprintf(line, sizeof line, args.c_str(), dir.c_str());
    const pid_t pid = spawn(line, base / "stderr.txt");
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(wait_until([&] { return writes_into(pid, dir); })) << args;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    EXPECT_TRUE(fs::is_empty(dir)) << args << " left " << names_in(dir).front();
    fs::remove_all(dir);
  }
}

// The reader of the stream leaves: the run stops as it does for the other
// signals, with one line and 128 + SIGPIPE, instead of dying without a word.
TEST(RenderTool, ClosedPipeStopsTheRunWithOneLine) {
  const fs::path dir = work_dir();
  int pipe_fds[2];
  ASSERT_EQ(pipe2(pipe_fds, O_CLOEXEC), 0);  // the child holds no read end of its own
  const pid_t pid = spawn("gif kiritu --speed 1 --fps 50 --size 320x180 -o /dev/stdout",
                          dir / "err", pipe_fds[1]);
  close(pipe_fds[1]);
  ASSERT_GT(pid, 0);
  std::array<char, 64> start{};
  EXPECT_GT(read(pipe_fds[0], start.data(), start.size()), 0);
  close(pipe_fds[0]);
  int raw = 0;
  waitpid(pid, &raw, 0);
  ASSERT_TRUE(WIFEXITED(raw)) << "killed by signal " << WTERMSIG(raw);
  EXPECT_EQ(WEXITSTATUS(raw), 128 + SIGPIPE);
  const std::string text = slurp(dir / "err");
  EXPECT_EQ(lines_of(text), 1) << text;
}

// One rule for every command: a file the user may not write is refused with
// its name unless --force, which replaces it and keeps its mode.
TEST(RenderTool, WriteProtectedFileIsReplacedOnlyWithForce) {
  const fs::path dir = work_dir();
  const std::string as_user = unprivileged(dir);
  struct Case {
    const char* args;
    const char* file;
  };
  for (const Case c :
       {Case{"still --size 16x16 -o p.png", "p.png"},
        {"frame kahan 3 --size 16x16 -o p.png", "p.png"},
        {"gif kahan --speed 3 --fps 2 --size 16x16 -o p.gif", "p.gif"},
        {"sheet kahan -o p.pdf", "p.pdf"},
        {"play --conf 4 --seconds 0.2 --fps 10 --size 16x9 -o seq", "seq/frame_00001.png"}}) {
    fs::create_directories((dir / c.file).parent_path());
    fs::permissions((dir / c.file).parent_path(), fs::perms::all);
    std::ofstream(dir / c.file) << kOld;
    fs::permissions(dir / c.file,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const Result refused = run(c.args, dir, as_user);
    EXPECT_EQ(refused.status, 2) << c.args;
    EXPECT_EQ(lines_of(refused.err), 1) << refused.err;
    EXPECT_NE(refused.err.find(c.file), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(slurp(dir / c.file), kOld) << c.args;
    const Result forced = run(std::string(c.args) + " --force", dir, as_user);
    EXPECT_EQ(forced.status, 0) << c.args << ": " << forced.err;
    EXPECT_NE(slurp(dir / c.file), kOld) << c.args;
    EXPECT_EQ(fs::status(dir / c.file).permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::remove_all(dir / c.file);
  }
}

// Any name the folder takes: the temporary's name is never longer.
TEST(RenderTool, LongestFileNameIsWrittenAndReplaced) {
  const fs::path dir = work_dir();
  const std::string name = std::string(251, 'p') + ".png";  // 255 bytes
  for (int pass = 0; pass < 2; ++pass) {
    const Result r = run("still --size 16x16 -o " + name, dir);
    EXPECT_EQ(r.status, 0) << r.err;
  }
  EXPECT_TRUE(is_png_of(slurp(dir / name), 16, 16));
  EXPECT_EQ(names_in(dir), std::vector<std::string>{name});
}

// A --conf with no drill's bit plays all drills, as the saver does, and says so.
TEST(RenderTool, ConfWithoutADrillWarns) {
  const fs::path dir = work_dir();
  const Result r = run("play --conf 8 --seconds 0.1 --fps 10 --size 16x9 -o seq", dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(lines_of(r.err), 1) << r.err;
  EXPECT_NE(r.err.find("conf 8"), std::string::npos) << r.err;
}

}  // namespace
