// The viewers' command line: the words both viewers and the tool take, and
// one line saying what is wrong with any other.

#include "host/view_options.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "drills/registry.hpp"

namespace {

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> out;
  for (std::string w; in >> w;) out.push_back(w);
  return out;
}

host::ViewerCommandLine read(const std::string& line) {
  return host::read_viewer_command_line(words(line), drills::registry());
}

struct Taken {
  const char* line;
  int drill;
  host::View view;
  stage::Theme theme;
  std::optional<int> role;
  bool practice;
};

TEST(ViewerCommandLine, TakesEveryProgramsWordsInAnyOrder) {
  using host::View;
  using stage::Theme;
  const Taken cases[] = {
      {"", 0, View::Teaching, Theme::Dark, std::nullopt, false},
      {"--view teaching kahan", 2, View::Teaching, Theme::Dark, std::nullopt, false},
      {"--view teach", 0, View::Teaching, Theme::Dark, std::nullopt, false},
      {"ponpu --view saver", 1, View::Saver, Theme::Dark, std::nullopt, false},
      {"--view=saver --theme=light", 0, View::Saver, Theme::Light, std::nullopt, false},
      {"--practice --role 3 kahan", 2, View::Teaching, Theme::Dark, 3, true},
      {"--role=0 kiritu --theme dark", 0, View::Teaching, Theme::Dark, 0, false},
  };
  for (const Taken& c : cases) {
    const host::ViewerCommandLine r = read(c.line);
    EXPECT_EQ(r.error, "") << c.line;
    EXPECT_FALSE(r.options.help) << c.line;
    EXPECT_EQ(r.options.drill, c.drill) << c.line;
    EXPECT_EQ(r.options.view, c.view) << c.line;
    EXPECT_EQ(r.options.theme, c.theme) << c.line;
    EXPECT_EQ(r.options.role, c.role) << c.line;
    EXPECT_EQ(r.options.practice, c.practice) << c.line;
  }
}

// Each refusal says what it refuses, on one line.
TEST(ViewerCommandLine, RefusesWithOneLineNamingTheFault) {
  const std::pair<const char*, const char*> cases[] = {
      {"nosuch", "unknown drill 'nosuch' (the drills are kiritu, ponpu, kahan)"},
      {"kiritu extra", "too many arguments"},
      {"--bogus", "unknown option '--bogus'"},
      {"--view map", "--view takes teaching or saver, not 'map'"},
      {"--view teachings", "not 'teachings'"},
      {"kiritu --view", "--view needs a value"},
      {"--theme pink", "--theme takes dark or light, not 'pink'"},
      {"--role x ponpu", "--role takes a position number"},
      {"--role -1 ponpu", "not '-1'"},
      {"--role 99999999999", "not '99999999999'"},
      {"--role 7 kahan", "--role 7 is no position of kahan (0 the commander to 3)"},
      {"--practice ponpu", "--practice needs --role N"},
  };
  for (const auto& [line, says] : cases) {
    const host::ViewerCommandLine r = read(line);
    EXPECT_NE(r.error.find(says), std::string::npos) << line << ": " << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << line;
  }
}

TEST(ViewerCommandLine, HelpWinsOverAnythingElseOnTheLine) {
  for (const char* line : {"--help", "kahan --help", "--theme pink --help", "--role --help"}) {
    const host::ViewerCommandLine r = read(line);
    EXPECT_TRUE(r.options.help) << line;
    EXPECT_EQ(r.error, "") << line;
  }
}

TEST(ViewerUsage, ListsTheViewersOptionsAndEveryRegisteredDrill) {
  const std::string usage = host::viewer_usage("mirukado view", drills::registry());
  EXPECT_EQ(usage.rfind("usage: mirukado view [", 0), 0u) << usage;
  for (const char* word :
       {"--view teaching|saver", "--theme dark|light", "--role N", "--practice", "--help", "teach"})
    EXPECT_NE(usage.find(word), std::string::npos) << word;
  for (const stage::DrillDescriptor& d : drills::registry()) {
    EXPECT_NE(usage.find(d.name), std::string::npos) << d.name;
    EXPECT_NE(usage.find(d.display_name), std::string::npos) << d.name;
  }
}

}  // namespace
