// mirukado-render run as a process: outputs, and the one-line errors with
// status 2 that leave no file behind.

#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

fs::path work_dir() {
  const char* base = std::getenv("MIRUKADO_TEST_OUTPUT");
  fs::path dir = fs::path(base ? base : fs::temp_directory_path().string()) /
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

Result run(const std::string& args, const fs::path& dir) {
  const fs::path err = dir / "stderr.txt";
  const std::string cmd = std::string(MIRUKADO_RENDER) + " " + args + " 2>" + err.string();
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

int lines_of(const std::string& s) {
  return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
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
        BadCase{"ZeroWidth", "still --size 0x100 -o %s", "width"},
        BadCase{"TooHigh", "still --size 100x16385 -o %s", "height"},
        BadCase{"NotASize", "still --size big -o %s", "WxH"},
        BadCase{"MissingOutput", "still --size 10x10", "--o"},
        BadCase{"Unwritable", "still --size 10x10 -o /nonexistent/dir/x.png", "x.png"},
        BadCase{"FrameUnknownDrill", "frame nope 0 --size 10x10 -o %s", "nope"},
        BadCase{"FrameIndexNotNumber", "frame kiritu abc --size 10x10 -o %s", "abc"},
        BadCase{"FramePastTheEnd", "frame kahan 610 --size 10x10 -o %s", "0..609"},
        BadCase{"GifBadSpeed", "gif kiritu --speed 9 --fps 10 --size 10x10 -o %s", "speed"}),
    [](const auto& info) { return std::string(info.param.name); });

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

}  // namespace
