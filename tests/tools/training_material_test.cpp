// mirukado-render for handouts: the help and defaults of every command, the
// command list, frames picked by command number, and the command sheet.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tool_process.hpp"

namespace {

using namespace tool_test;

using Row = std::vector<std::string>;

std::vector<Row> tsv(const std::string& text) {
  std::vector<Row> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    Row row;
    std::size_t from = 0;
    for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
      row.push_back(line.substr(from, tab - from));
    row.push_back(line.substr(from));
    rows.push_back(row);
  }
  return rows;
}

std::string without_spaces(std::string text) {
  std::erase_if(text, [](char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\f'; });
  return text;
}

TEST(RenderToolHelp, EveryCommandDescribesItsOptionsAndDefaults) {
  const fs::path dir = work_dir();
  struct Case {
    const char* args;
    std::vector<const char*> mentions;
  };
  const std::vector<Case> cases = {
      {"--help", {"dump", "commands", "still", "frame", "play", "gif", "sheet", "--version"}},
      {"dump --help", {"DRILL", "kiritu, ponpu, kahan"}},
      {"commands --help", {"DRILL", "time at speed 1"}},
      {"still --help",
       {"--size WxH=1280x720", "--view teaching|saver=saver", "--theme dark|light=dark",
        "-o FILE=still.png", "--force"}},
      {"frame --help", {"INDEX", "--at N", "--size WxH=1280x720", "-o FILE=DRILL.png"}},
      {"play --help",
       {"--conf C=7", "--speed S=1", "--from SECONDS=0", "whole run", "--fps F=30",
        "--size WxH=1280x720", "-o DIR", "--force"}},
      {"gif --help", {"--speed S=1", "--fps F=10", "--size WxH=1280x720", "-o FILE=DRILL.gif"}},
      {"sheet --help", {"DRILL", "--paper a4|letter=a4", "-o FILE=DRILL.pdf", "--force"}},
  };
  for (const Case& c : cases) {
    const Result r = run(c.args, dir);
    EXPECT_EQ(r.status, 0) << c.args << ": " << r.err;
    for (const char* m : c.mentions) EXPECT_NE(r.out.find(m), std::string::npos) << c.args << m;
  }
  const Result version = run("--version", dir);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("mirukado-render ") + MIRUKADO_VERSION + "\n");
}

// Each case leaves options out and must give the bytes of the same command
// with the defaults written out.
TEST(RenderToolDefaults, LeftOutOptionsAreTheDocumentedDefaults) {
  const fs::path dir = work_dir();
  struct Case {
    const char* short_args;
    const char* default_file;  // what the short form writes in the current folder
    const char* full_args;     // writes full.*
    const char* full_file;
  };
  const std::vector<Case> cases = {
      {"still", "still.png", "still --size 1280x720 -o full.png", "full.png"},
      {"frame kahan 40", "kahan.png", "frame kahan 40 --size 1280x720 --view saver -o full.png",
       "full.png"},
      {"frame kahan 40 --view teach --force", "kahan.png",
       "frame kahan 40 --size 1280x720 --view teach --theme dark -o full.png --force", "full.png"},
      {"gif kahan --size 32x18", "kahan.gif",
       "gif kahan --speed 1 --fps 10 --size 32x18 -o full.gif", "full.gif"},
      {"play --seconds 0.2 --size 32x18 -o short", "short/frame_00005.png",
       "play --conf 7 --speed 1 --from 0 --seconds 0.2 --fps 30 --size 32x18 -o full",
       "full/frame_00005.png"},
  };
  for (const Case& c : cases) {
    const Result short_run = run(c.short_args, dir);
    const Result full_run = run(c.full_args, dir);
    ASSERT_EQ(short_run.status, 0) << c.short_args << ": " << short_run.err;
    ASSERT_EQ(full_run.status, 0) << c.full_args << ": " << full_run.err;
    EXPECT_FALSE(slurp(dir / c.default_file).empty()) << c.short_args;
    EXPECT_EQ(slurp(dir / c.default_file), slurp(dir / c.full_file)) << c.short_args;
  }
  // A default name never replaces a file unless asked to; an explicit -o does.
  const std::string before = slurp(dir / "kahan.png");
  const Result again = run("frame kahan 300", dir);
  EXPECT_EQ(again.status, 2);
  EXPECT_EQ(lines_of(again.err), 1) << again.err;
  EXPECT_NE(again.err.find("--force"), std::string::npos) << again.err;
  EXPECT_EQ(slurp(dir / "kahan.png"), before);
  EXPECT_EQ(run("frame kahan 300 --force", dir).status, 0);
  EXPECT_NE(slurp(dir / "kahan.png"), before);
}

// Without --seconds, play runs to the end of one whole run: starting later
// gives fewer frames by exactly the frames skipped.
TEST(RenderToolDefaults, PlayWithoutSecondsRendersTheRestOfTheRun) {
  const fs::path dir = work_dir();
  const auto frames_in = [&](const char* folder) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir / folder)) n += e.path().extension() == ".png";
    return n;
  };
  ASSERT_EQ(run("play --conf 4 --fps 1 --size 16x9 -o all", dir).status, 0);
  ASSERT_EQ(run("play --conf 4 --fps 1 --from 20 --size 16x9 -o later", dir).status, 0);
  EXPECT_EQ(frames_in("later"), frames_in("all") - 20);
  // The run holds at least the drill's keyframes at speed 1.
  long keyframe_ms = 0;
  for (const Row& row : tsv(run("dump kahan", dir).out))
    if (row[0] != "index") keyframe_ms += std::stol(row[1]);
  EXPECT_GT(frames_in("all"), keyframe_ms / 1000);
}

// Numbered as learners count, from 1: the command's number (what --at and the
// viewers' "go to command" take) and its first keyframe's (what frame INDEX
// takes and the viewers' titles show), one more than dump's record index.
TEST(RenderToolCommands, ListTheDrillsCommandsWithTheirNumberFirstKeyframeAndTime) {
  const fs::path dir = work_dir();
  const Result r = run("commands ponpu", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<Row> rows = tsv(r.out);
  ASSERT_EQ(rows.size(), 1u + 53u);
  EXPECT_EQ(rows[0], (Row{"number", "first_keyframe", "time_ms", "caption"}));
  // The first and last commands as the table has them: where a new caption
  // starts, at the sum of the keyframes before it.
  std::vector<Row> records = tsv(run("dump ponpu", dir).out);
  records.erase(records.begin());
  long start_ms = 0;
  std::vector<Row> starts;  // number, keyframe, time, caption of every caption change
  for (std::size_t i = 0; i < records.size(); ++i) {
    const std::string& caption = records[i][2];
    if (!caption.empty() && (i == 0 || records[i - 1][2] != caption))
      starts.push_back({std::to_string(starts.size() + 1),
                        std::to_string(std::stol(records[i][0]) + 1), std::to_string(start_ms),
                        caption});
    start_ms += std::stol(records[i][1]);
  }
  ASSERT_EQ(starts.size(), 53u);
  EXPECT_EQ(rows[1], starts.front());
  EXPECT_EQ(rows.back(), starts.back());
}

TEST(RenderToolCommands, FrameAtACommandIsTheFrameAtItsFirstKeyframe) {
  const fs::path dir = work_dir();
  const std::vector<Row> rows = tsv(run("commands ponpu", dir).out);
  ASSERT_EQ(rows.size(), 54u);
  for (const int number : {1, 27, 53}) {
    const std::string n = std::to_string(number);
    const Result at = run("frame ponpu --at " + n + " --size 96x54 -o at" + n + ".png", dir);
    const Result index = run("frame ponpu " + rows[static_cast<std::size_t>(number)][1] +
                                 " --size 96x54 -o index" + n + ".png",
                             dir);
    ASSERT_EQ(at.status, 0) << at.err;
    ASSERT_EQ(index.status, 0) << index.err;
    EXPECT_EQ(slurp(dir / ("at" + n + ".png")), slurp(dir / ("index" + n + ".png"))) << n;
  }
  // The last keyframe, which a viewer's title shows at the end as 610/610.
  const Result last = run("frame kahan 610 --size 16x9 -o last.png", dir);
  EXPECT_EQ(last.status, 0) << last.err;
}

// The PDF as a reader sees it through poppler's tools.
std::string command_output(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  std::array<char, 4096> buf{};
  for (std::size_t n; (n = fread(buf.data(), 1, buf.size(), p)) > 0;) out.append(buf.data(), n);
  pclose(p);
  return out;
}

TEST(RenderToolSheet, IsAnA4PdfOfEveryCommandInOrderWithTheTotalTime) {
  const fs::path dir = work_dir();
  const Result r = run("sheet ponpu", dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string pdf = (dir / "ponpu.pdf").string();
  const std::string info = command_output("pdfinfo " + pdf);
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  // Titled by the drill's display name, never by its command-line name.
  const std::size_t title_at = info.find("Title:");
  ASSERT_NE(title_at, std::string::npos) << info;
  const std::string title = info.substr(title_at, info.find('\n', title_at) - title_at);
  EXPECT_NE(title.find("ポンプ車操法"), std::string::npos) << title;
  EXPECT_EQ(title.find("ponpu"), std::string::npos) << title;
  const auto pages_at = info.find("Pages:");
  ASSERT_NE(pages_at, std::string::npos) << info;
  const int pages = std::stoi(info.substr(pages_at + 6));
  EXPECT_GT(pages, 1);

  // Every caption is real text, in the order of the command list.
  const std::string text = without_spaces(command_output("pdftotext " + pdf + " -"));
  std::size_t from = 0;
  const std::vector<Row> rows = tsv(run("commands ponpu", dir).out);
  for (std::size_t i = 1; i < rows.size(); ++i) {
    const std::size_t at = text.find(without_spaces(rows[i].back()), from);
    ASSERT_NE(at, std::string::npos) << "command " << i << " " << rows[i].back();
    from = at + 1;
  }

  // The header's total: every keyframe's duration, as m:ss.s.
  long total_ms = 0;
  for (const Row& row : tsv(run("dump ponpu", dir).out))
    if (row[0] != "index") total_ms += std::stol(row[1]);
  char total[32];
  std::snprintf(total, sizeof total, "%ld:%02ld.%ld", total_ms / 60000, total_ms / 1000 % 60,
                total_ms / 100 % 10);
  // Each page has the header and its number in the footer.
  for (int page = 1; page <= pages; ++page) {
    const std::string p = std::to_string(page);
    const std::string page_text =
        without_spaces(command_output("pdftotext -f " + p + " -l " + p + " " + pdf + " -"));
    EXPECT_NE(page_text.find(total), std::string::npos) << "page " << p << ": " << total;
    EXPECT_NE(page_text.find(p + "/" + std::to_string(pages)), std::string::npos) << p;
  }
}

}  // namespace
