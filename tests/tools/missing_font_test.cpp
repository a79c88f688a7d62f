// Every command that draws captions says once, on stderr, which font is
// missing and which package brings it, and still makes its picture; a run
// with the Japanese font says nothing. Fontconfig is pointed at a
// configuration of the test's own through FONTCONFIG_FILE.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tool_process.hpp"

namespace fs = std::filesystem;

namespace {

using namespace tool_test;

constexpr const char* kPackage = "fonts-ipafont-gothic";

// Folders of Debian's Latin fonts, one of which fontconfig's own package
// brings in: fonts without a single Japanese glyph.
constexpr const char* kLatinFontFolders[] = {"/usr/share/fonts/truetype/dejavu",
                                             "/usr/share/fonts/truetype/liberation"};

enum class Fonts { System, NoneAtAll, LatinOnly };

// FONTCONFIG_FILE for the tool this test runs, restored afterwards.
class FontConfiguration {
 public:
  FontConfiguration(Fonts fonts, const fs::path& dir) {
    if (const char* old = std::getenv("FONTCONFIG_FILE")) saved_ = old;
    had_ = std::getenv("FONTCONFIG_FILE") != nullptr;
    if (fonts == Fonts::System) {
      unsetenv("FONTCONFIG_FILE");
      return;
    }
    std::string body;
    if (fonts == Fonts::LatinOnly)
      for (const char* folder : kLatinFontFolders)
        if (fs::is_directory(folder)) body += std::string("<dir>") + folder + "</dir>";
    const fs::path file = dir / "fonts.conf";
    std::ofstream(file) << "<?xml version=\"1.0\"?>\n<fontconfig>" << body << "</fontconfig>\n";
    setenv("FONTCONFIG_FILE", file.c_str(), 1);
  }
  ~FontConfiguration() {
    if (had_)
      setenv("FONTCONFIG_FILE", saved_.c_str(), 1);
    else
      unsetenv("FONTCONFIG_FILE");
  }
  FontConfiguration(const FontConfiguration&) = delete;
  FontConfiguration& operator=(const FontConfiguration&) = delete;

 private:
  std::string saved_;
  bool had_ = false;
};

struct Case {
  const char* args;
  const char* file;  // what the command writes
};

// Small and short: the message, not the picture, is under test.
constexpr Case kCaptionCommands[] = {
    {"frame ponpu --at 8 --size 320x180 -o out.png", "out.png"},
    {"gif kiritu --speed 3 --fps 1 --size 160x90 -o out.gif", "out.gif"},
    {"video kahan --burn-captions --speed 3 --fps 1 --size 160x90 -o out.mp4", "out.mp4"},
    {"sheet ponpu -o out.pdf", "out.pdf"},
};

int count(const std::string& text, const std::string& word) {
  int n = 0;
  for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

TEST(MissingFont, EachCaptionCommandWarnsOnceAndStillWritesItsFile) {
  for (const Fonts fonts : {Fonts::NoneAtAll, Fonts::LatinOnly}) {
    if (fonts == Fonts::LatinOnly && !fs::is_directory(kLatinFontFolders[0]) &&
        !fs::is_directory(kLatinFontFolders[1]))
      continue;
    for (const Case& c : kCaptionCommands) {
      const fs::path dir = work_dir();
      const FontConfiguration configuration(fonts, dir);
      const Result r = run(c.args, dir);
      const std::string what = std::string(c.args) + (fonts == Fonts::LatinOnly ? " (Latin)" : "");
      const bool sheet_without_any_font =
          fonts == Fonts::NoneAtAll && std::string(c.args).rfind("sheet", 0) == 0;
      // The sheet has no face at all to set its text in: it fails as before,
      // its error the same one line.
      EXPECT_EQ(r.status, sheet_without_any_font ? 2 : 0) << what << ": " << r.err;
      EXPECT_EQ(fs::exists(dir / c.file), !sheet_without_any_font) << what;
      EXPECT_EQ(lines_of(r.err), 1) << what << ": " << r.err;
      EXPECT_EQ(count(r.err, kPackage), 1) << what << ": " << r.err;
      EXPECT_NE(r.err.find("IPAPGothic"), std::string::npos) << what << ": " << r.err;
    }
  }
}

// No word where nothing is lost: with the font installed, or in a video
// whose captions travel only as subtitles.
TEST(MissingFont, NothingIsSaidWhenNoCaptionTextIsLost) {
  for (const Case& c : kCaptionCommands) {
    const fs::path dir = work_dir();
    const FontConfiguration configuration(Fonts::System, dir);
    const Result r = run(c.args, dir);
    EXPECT_EQ(r.status, 0) << c.args << ": " << r.err;
    EXPECT_EQ(r.err, "") << c.args;
  }
  const fs::path dir = work_dir();
  const FontConfiguration configuration(Fonts::NoneAtAll, dir);
  const Result r = run("video kahan --speed 3 --fps 1 --size 160x90 -o out.mp4", dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

}  // namespace
