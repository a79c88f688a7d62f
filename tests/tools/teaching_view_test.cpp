// The teaching picture in mirukado-render's picture files and the command
// sheet, seen as a learner gets them: PNGs read back, the PDF through
// poppler's pdfinfo, pdftoppm and pdftotext.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tool_process.hpp"

namespace fs = std::filesystem;

namespace {

using namespace tool_test;

struct Rgb {
  int r, g, b;
  auto operator<=>(const Rgb&) const = default;
};

std::vector<Rgb> read_rgb(const fs::path& path, int& width, int& height) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return {};
  img.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> bytes(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, bytes.data(), 0, nullptr)) return {};
  width = static_cast<int>(img.width);
  height = static_cast<int>(img.height);
  std::vector<Rgb> out;
  for (std::size_t i = 0; i + 2 < bytes.size(); i += 3)
    out.push_back({bytes[i], bytes[i + 1], bytes[i + 2]});
  return out;
}

std::string output_of(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  std::array<char, 4096> buf{};
  for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
  pclose(p);
  return out;
}

std::string without_spaces(std::string text) {
  std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\f'; });
  return text;
}

// Okabe and Ito's colour-blind-safe palette, as published.
const std::set<Rgb> kOkabeIto = {{230, 159, 0}, {86, 180, 233}, {0, 158, 115},  {240, 228, 66},
                                 {0, 114, 178}, {213, 94, 0},   {204, 121, 167}};

TEST(RenderToolTeachView, LightFrameIsOnWhiteWithEachPumpCrewPositionInItsOwnColour) {
  const fs::path dir = work_dir();
  const Result light = run("frame ponpu --at 40 --view teach --theme light -o light.png", dir);
  ASSERT_EQ(light.status, 0) << light.err;
  int w = 0, h = 0;
  const std::vector<Rgb> px = read_rgb(dir / "light.png", w, h);
  ASSERT_EQ(px.size(), static_cast<std::size_t>(w) * h);
  long white = 0;
  std::set<Rgb> colours;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb& p = px[static_cast<std::size_t>(y) * w + x];
      white += p == Rgb{255, 255, 255};
      // Below the legend's swatches: only the figures wear these colours.
      if (y > h / 5 && kOkabeIto.count(p)) colours.insert(p);
    }
  EXPECT_GT(white, static_cast<long>(w) * h * 3 / 4);
  EXPECT_EQ(colours.size(), 5u) << "the commander and four members, each their own colour";

  // The ground is the theme's from the first picture on, before the stage
  // has drawn anything.
  ASSERT_EQ(run("still --view teach --theme light --size 320x180 -o still.png", dir).status, 0);
  int sw = 0, sh = 0;
  const std::vector<Rgb> still = read_rgb(dir / "still.png", sw, sh);
  ASSERT_FALSE(still.empty());
  EXPECT_EQ(still.back(), (Rgb{255, 255, 255}));
  EXPECT_EQ(still[still.size() / 2], (Rgb{255, 255, 255}));

  // The dark teaching picture is neither the light one nor the saver's.
  ASSERT_EQ(run("frame ponpu --at 40 --view teach -o dark.png", dir).status, 0);
  ASSERT_EQ(run("frame ponpu --at 40 -o saver.png", dir).status, 0);
  EXPECT_NE(slurp(dir / "dark.png"), slurp(dir / "light.png"));
  EXPECT_NE(slurp(dir / "dark.png"), slurp(dir / "saver.png"));
}

// Upright pictures the size of phones keep the command that stays and the
// legend along their top: the command box's card (light grey over white)
// runs across the picture's first rows.
TEST(RenderToolTeachView, UprightPicturesKeepTheCommandAndTheLegend) {
  const fs::path dir = work_dir();
  constexpr Rgb kCardOnWhite{246, 246, 246};  // #F4F4F4 at 210/255 over white
  for (const char* size : {"390x844", "480x854", "540x960", "1280x720"}) {
    const std::string file = std::string("up-") + size + ".png";
    const Result r = run(std::string("frame ponpu --at 40 --view teach --theme light --size ") +
                             size + " -o " + file,
                         dir);
    ASSERT_EQ(r.status, 0) << r.err;
    int w = 0, h = 0;
    const std::vector<Rgb> px = read_rgb(dir / file, w, h);
    ASSERT_EQ(px.size(), static_cast<std::size_t>(w) * h);
    long card = 0;
    for (int y = 0; y < h / 10; ++y)
      for (int x = 0; x < w; ++x) card += px[static_cast<std::size_t>(y) * w + x] == kCardOnWhite;
    EXPECT_GT(card, static_cast<long>(w) * 2) << size << ": no command box along the top";
  }
}

// The PDF's pages: their count, a white ground, the drill's name on each, and
// every command's number, speaker and words as text in the order of the list.
TEST(RenderToolSheet, PrintsEveryCommandOnLightPagesWithADozenOrMoreAPage) {
  const fs::path dir = work_dir();
  ASSERT_EQ(run("sheet ponpu", dir).status, 0);
  ASSERT_EQ(run("sheet kahan --paper letter -o letter.pdf", dir).status, 0);
  const std::string pdf = (dir / "ponpu.pdf").string();
  const std::string info = output_of("pdfinfo " + pdf);
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  EXPECT_NE(output_of("pdfinfo " + (dir / "letter.pdf").string()).find("(letter)"),
            std::string::npos);
  const auto pages_at = info.find("Pages:");
  ASSERT_NE(pages_at, std::string::npos) << info;
  const int pages = std::stoi(info.substr(pages_at + 6));
  std::istringstream list(run("commands ponpu", dir).out);
  std::vector<std::array<std::string, 3>> commands;  // time_ms, speaker, words
  std::string line;
  std::getline(list, line);  // the heading
  while (std::getline(list, line)) {
    // number, first keyframe, time_ms, caption
    const std::size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1),
                      tab3 = line.find('\t', tab2 + 1);
    const std::string caption = line.substr(tab3 + 1);
    // The speaker is what comes before the words' opening bracket.
    const std::size_t open = std::min(caption.find("「"), caption.size());
    commands.push_back(
        {line.substr(tab2 + 1, tab3 - tab2 - 1), caption.substr(0, open), caption.substr(open)});
  }
  ASSERT_FALSE(commands.empty());
  EXPECT_GE(pages, 1);
  EXPECT_LE(pages, (static_cast<int>(commands.size()) + 11) / 12);

  // Page 1 at a small size: white paper.
  const std::string grey = output_of("pdftoppm -r 20 -gray -f 1 -l 1 " + pdf);
  ASSERT_EQ(grey.rfind("P5", 0), 0u);
  std::istringstream header(grey);
  std::string magic;
  int w = 0, h = 0, max = 0;
  header >> magic >> w >> h >> max;
  const std::string pixels = grey.substr(grey.size() - static_cast<std::size_t>(w) * h);
  // Black stage pictures would darken a fifth of the page; text alone stays
  // far below that.
  const long dark = std::count_if(pixels.begin(), pixels.end(),
                                  [](char c) { return static_cast<unsigned char>(c) < 64; });
  EXPECT_LT(dark, static_cast<long>(w) * h * 3 / 100);

  const std::string text = without_spaces(output_of("pdftotext " + pdf + " -"));
  const std::string title = info.substr(
      info.find("Title:") + 6, info.find('\n', info.find("Title:")) - info.find("Title:") - 6);
  EXPECT_EQ(without_spaces(title).find("ponpu"), std::string::npos);
  EXPECT_NE(text.find(without_spaces(title)), std::string::npos) << title;
  std::size_t from = 0;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const int ms = std::stoi(commands[i][0]);
    char time[32];
    std::snprintf(time, sizeof time, "%d:%02d.%d", ms / 60000, ms / 1000 % 60, ms / 100 % 10);
    const std::string row =
        std::to_string(i + 1) + time + commands[i][1] + without_spaces(commands[i][2]);
    const std::size_t at = text.find(row, from);
    ASSERT_NE(at, std::string::npos) << "command " << i + 1 << ": " << row;
    from = at + row.size();
  }
}

}  // namespace
