// Every command that draws captions says once, on stderr, which font is
// missing and which package brings it, and still makes its picture; with the
// Japanese font it says nothing. FONTCONFIG_FILE points fontconfig at a
// configuration of the test's own.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tool_process.hpp"

namespace fs = std::filesystem;

namespace {

using namespace tool_test;

// A fontconfig configuration with these font folders (none: no font at all)
// for the tools this test runs; the system's again afterwards.
struct Fonts {
  Fonts(const fs::path& dir, const std::string& folders) {
    std::ofstream(dir / "fonts.conf") << "<fontconfig>" << folders << "</fontconfig>\n";
    setenv("FONTCONFIG_FILE", (dir / "fonts.conf").c_str(), 1);
  }
  ~Fonts() { unsetenv("FONTCONFIG_FILE"); }
};

// Debian's Latin fonts, which fontconfig's own package brings in: not one
// Japanese glyph.
constexpr const char* kLatinFonts = "/usr/share/fonts/truetype/dejavu";

struct Case {
  const char* args;
  const char* file;
};
// Small and short: the message, not the picture, is under test.
constexpr Case kCaptionCommands[] = {
    {"frame ponpu --at 8 --size 320x180 -o out.png", "out.png"},
    {"gif kiritu --speed 3 --fps 1 --size 160x90 -o out.gif", "out.gif"},
    {"video kahan --view saver --burn-captions --speed 3 --fps 1 --size 160x90 -o out.mp4",
     "out.mp4"},
    {"frame ponpu --at 8 --view teach --size 640x360 -o out.png", "out.png"},
    {"sheet ponpu -o out.pdf", "out.pdf"},
};

TEST(MissingFont, EachCaptionCommandWarnsOnceAndStillWritesItsFile) {
  for (const bool latin : {false, true}) {
    if (latin && !fs::is_directory(kLatinFonts)) continue;
    for (const Case& c : kCaptionCommands) {
      const fs::path dir = work_dir();
      const Fonts fonts(dir, latin ? std::string("<dir>") + kLatinFonts + "</dir>" : "");
      const Result r = run(c.args, dir);
      const std::string what = c.args + std::string(latin ? " (Latin fonts)" : " (no fonts)");
      // Without any font the sheet has nothing to set its text in: it fails
      // as before, its error the same line.
      const bool fails = !latin && std::string(c.args).rfind("sheet", 0) == 0;
      EXPECT_EQ(r.status, fails ? 2 : 0) << what << ": " << r.err;
      EXPECT_EQ(fs::exists(dir / c.file), !fails) << what;
      EXPECT_EQ(lines_of(r.err), 1) << what << ": " << r.err;
      EXPECT_NE(r.err.find("IPAPGothic"), std::string::npos) << what << ": " << r.err;
      EXPECT_NE(r.err.find("fonts-ipafont-gothic"), std::string::npos) << what << ": " << r.err;
    }
  }
}

// No word where no caption text is lost: with the system's fonts, or in a
// video whose captions travel only as subtitles.
TEST(MissingFont, NothingIsSaidWhenNoCaptionTextIsLost) {
  for (const Case& c : kCaptionCommands) {
    const fs::path dir = work_dir();
    const Result r = run(c.args, dir);
    EXPECT_EQ(r.status, 0) << c.args << ": " << r.err;
    EXPECT_EQ(r.err, "") << c.args;
  }
  const fs::path dir = work_dir();
  const Fonts fonts(dir, "");
  const Result r = run("video kahan --view saver --speed 3 --fps 1 --size 160x90 -o out.mp4", dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

}  // namespace
