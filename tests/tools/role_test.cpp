// Following one position in mirukado-render: the position card (sheet
// --role) read back through poppler, the picture commands' halo and muting
// read back from PNGs, and the positions a drill does not have refused.

#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "tool_process.hpp"

namespace fs = std::filesystem;

namespace {

using namespace tool_test;

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

// The captions that member 2 speaks, as the command list gives them: those
// whose speaker (the names before 「) include ２番員, alone or in a list
// such as ２，３番員.
std::vector<std::string> member_two_calls(const std::string& commands_tsv) {
  std::vector<std::string> calls;
  std::istringstream list(commands_tsv);
  std::string line;
  std::getline(list, line);  // the heading
  while (std::getline(list, line)) {
    const std::string caption = line.substr(line.rfind('\t') + 1);
    const std::string speaker = caption.substr(0, std::min(caption.find("「"), caption.size()));
    if (speaker.find("２番員") != std::string::npos || speaker.find("２，") != std::string::npos)
      calls.push_back(caption);
  }
  return calls;
}

int pages_of(const fs::path& pdf) {
  const std::string info = output_of("pdfinfo " + pdf.string());
  const auto at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::stoi(info.substr(at + 6));
}

TEST(RenderToolRoleCard, HoldsTheMembersCallsInOrderAfterASummaryPage) {
  const fs::path dir = work_dir();
  const std::vector<std::string> calls = member_two_calls(run("commands ponpu", dir).out);
  ASSERT_GE(calls.size(), 3u) << "the pump drill's member 2 speaks several times";
  const Result card = run("sheet ponpu --role 2 -o card.pdf", dir);
  ASSERT_EQ(card.status, 0) << card.err;
  const std::string text =
      without_spaces(output_of("pdftotext " + (dir / "card.pdf").string() + " -"));
  EXPECT_NE(text.find("２番員"), std::string::npos) << "the summary names the position";
  std::size_t from = 0;
  for (const std::string& call : calls) {
    const std::size_t at = text.find(without_spaces(call), from);
    ASSERT_NE(at, std::string::npos) << "missing or out of order: " << call;
    from = at + 1;
  }
  // A summary page, then the part: more than the summary, and not a page per
  // call (a page holds several rows).
  const int pages = pages_of(dir / "card.pdf");
  EXPECT_GE(pages, 2);
  EXPECT_LE(pages, 1 + static_cast<int>(calls.size()));

  // The whole sheet's layout is untouched by the option's existence.
  ASSERT_EQ(run("sheet ponpu -o sheet.pdf", dir).status, 0);
  EXPECT_EQ(
      without_spaces(output_of("pdftotext " + (dir / "sheet.pdf").string() + " -")).find("応じる"),
      std::string::npos);
}

TEST(RenderToolRole, RefusesAPositionTheDrillLacksOrAPictureThatFollowsNoOne) {
  const fs::path dir = work_dir();
  for (const char* args :
       {"sheet kahan --role 7 -o k.pdf", "sheet kahan --role x -o k.pdf",
        "sheet kahan --role -1 -o k.pdf", "frame kahan 5 --view teach --role 7 -o k.png",
        "frame ponpu 5 --role 2 -o k.png", "gif kahan --view teach --role x -o k.gif",
        "video kahan --view saver --role 1 -o k.mp4", "video kahan --role 7 -o k.mp4"}) {
    const Result r = run(args, dir);
    EXPECT_EQ(r.status, 2) << args;
    EXPECT_EQ(lines_of(r.err), 1) << args << ": " << r.err;
    EXPECT_NE(r.err.find("role"), std::string::npos) << args << ": " << r.err;
    EXPECT_TRUE(fs::is_empty(dir)) << args;
  }
}

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

// Pixels of each Okabe-Ito colour below the legend (only the people wear them).
const std::vector<Rgb> kOkabeIto = {{230, 159, 0}, {86, 180, 233}, {0, 158, 115},  {240, 228, 66},
                                    {0, 114, 178}, {213, 94, 0},   {204, 121, 167}};

TEST(RenderToolRole, TheFollowedMemberKeepsAHaloInItsColourAndTheOthersArePaler) {
  const fs::path dir = work_dir();
  const char* frame = "frame ponpu --at 40 --view teach --theme light";
  ASSERT_EQ(run(std::string(frame) + " -o plain.png", dir).status, 0);
  const Result followed = run(std::string(frame) + " --role 2 -o two.png", dir);
  ASSERT_EQ(followed.status, 0) << followed.err;
  int w = 0, h = 0;
  const std::vector<Rgb> plain = read_rgb(dir / "plain.png", w, h);
  const std::vector<Rgb> two = read_rgb(dir / "two.png", w, h);
  ASSERT_EQ(plain.size(), static_cast<std::size_t>(w) * h);
  ASSERT_EQ(two.size(), plain.size());
  ASSERT_NE(plain, two);
  // Each position's body in the plain picture: its pixels' count and centre.
  std::map<Rgb, std::array<double, 3>> plain_bodies;  // count, sum x, sum y
  std::map<Rgb, long> followed_counts;
  for (int y = h / 5; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * w + x;
      if (std::find(kOkabeIto.begin(), kOkabeIto.end(), plain[i]) != kOkabeIto.end()) {
        auto& b = plain_bodies[plain[i]];
        b[0] += 1;
        b[1] += x + 0.5;
        b[2] += y + 0.5;
      }
      if (std::find(kOkabeIto.begin(), kOkabeIto.end(), two[i]) != kOkabeIto.end())
        ++followed_counts[two[i]];
    }
  ASSERT_EQ(plain_bodies.size(), 5u);
  // One colour keeps its pixels and gains a ring; the other four fade.
  int kept = 0;
  for (const auto& [colour, body] : plain_bodies) {
    const long now = followed_counts[colour];
    if (now < body[0] / 4) continue;
    ++kept;
    EXPECT_GT(now, body[0] * 3 / 2) << "the halo adds the member's own colour";
    // Around the body, clear of it, the ring: the member's colour somewhere
    // between a quarter and a whole radius out, all the way round.
    const double r = std::sqrt(body[0] / std::numbers::pi);
    const double cx = body[1] / body[0], cy = body[2] / body[0];
    constexpr int kSamples = 24;
    int on_ring = 0;
    for (int s = 0; s < kSamples; ++s) {
      const double a = 2 * std::numbers::pi * s / kSamples;
      bool hit = false;
      for (double d = 1.25 * r; d <= 2 * r && !hit; d += 0.5) {
        const int x = static_cast<int>(cx + d * std::cos(a));
        const int y = static_cast<int>(cy + d * std::sin(a));
        hit = x >= 0 && y >= 0 && x < w && y < h &&
              two[static_cast<std::size_t>(y) * w + x] == colour;
      }
      on_ring += hit;
    }
    EXPECT_GE(on_ring, kSamples - 2) << "radius " << r << " at " << cx << "," << cy;
  }
  EXPECT_EQ(kept, 1) << "only the followed member keeps its colour";
}

}  // namespace
