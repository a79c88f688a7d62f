// The Linux host's pure rules: the run options a desktop passes, and where the
// stages go in a window that spans several monitors.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "drills/registry.hpp"
#include "platform/linux/monitor_layout.hpp"
#include "platform/linux/run_options.hpp"

namespace linux_host {
namespace {

struct OptionCase {
  std::vector<std::string> args;
  int conf;   // -1: no override
  int speed;  // -1: no override
  std::vector<std::string> rest;
  bool error;
};

TEST(RunOptions, ParsesDrillsAndSpeed) {
  const OptionCase cases[] = {
      {{"-root"}, -1, -1, {"-root"}, false},
      {{"--drills", "kiritu,ponpu,kahan", "-root"}, 7, -1, {"-root"}, false},
      {{"-root", "--drills=kahan", "--speed", "3"}, 4, 3, {"-root"}, false},
      // xscreensaver's check boxes each add one drill.
      {{"-drills", "ponpu", "-drills", "kahan", "/s"}, 6, -1, {"/s"}, false},
      {{"--drills", "kiritu,,"}, 1, -1, {}, false},
      {{"--speed=2", "/p", "5"}, -1, 2, {"/p", "5"}, false},
      {{"--drills", "kiritsu"}, -1, -1, {}, true},
      {{"--drills", ","}, -1, -1, {}, true},
      {{"--drills"}, -1, -1, {}, true},
      {{"--speed", "4"}, -1, -1, {}, true},
      {{"--speed", "0"}, -1, -1, {}, true},
      {{"--speed", "1x"}, -1, -1, {}, true},
      // Other words that merely start like an option pass through.
      {{"--speedy", "--drillsx"}, -1, -1, {"--speedy", "--drillsx"}, false},
  };
  for (const OptionCase& c : cases) {
    const RunOptions o = parse_run_options(c.args, drills::registry());
    const std::string where = c.args.empty() ? "" : c.args.front() + " ...";
    EXPECT_EQ(!o.error.empty(), c.error) << where << ": " << o.error;
    if (c.error) {
      EXPECT_EQ(o.error.find('\n'), std::string::npos);
      continue;
    }
    EXPECT_EQ(o.conf.value_or(-1), c.conf) << where;
    EXPECT_EQ(o.speed.value_or(-1), c.speed) << where;
    EXPECT_EQ(o.rest, c.rest) << where;
  }
}

TEST(RunOptions, OverrideOnlyWhatWasGiven) {
  const host::Settings file{5, 2};
  const RunOptions speed_only = parse_run_options({"--speed", "3"}, drills::registry());
  EXPECT_EQ(speed_only.apply(file).conf, 5);
  EXPECT_EQ(speed_only.apply(file).speed, 3);
  const RunOptions drills_only = parse_run_options({"--drills", "kiritu"}, drills::registry());
  EXPECT_EQ(drills_only.apply(file).conf, 1);
  EXPECT_EQ(drills_only.apply(file).speed, 2);
}

// The two-monitor layout of the end-to-end tests: 1280x720 with 1024x768 at its right.
const std::vector<Area> kTwoMonitors{{0, 0, 1280, 720}, {1280, 0, 1024, 768}};

TEST(StageAreas, OneStagePerMonitorTheWindowCovers) {
  struct Case {
    Area window;
    std::vector<Area> monitors;
    std::vector<Area> want;
  };
  const Case cases[] = {
      // The root window: each monitor's own area.
      {{0, 0, 2304, 768}, kTwoMonitors, {{0, 0, 1280, 720}, {1280, 0, 1024, 768}}},
      // A window over the seam: the part on each side, relative to the window.
      {{1000, 100, 600, 400}, kTwoMonitors, {{0, 0, 280, 400}, {280, 0, 320, 400}}},
      // On one monitor only, or on none, or without a monitor list: whole.
      {{1400, 50, 300, 200}, kTwoMonitors, {{0, 0, 300, 200}}},
      {{3000, 0, 100, 100}, kTwoMonitors, {{0, 0, 100, 100}}},
      {{0, 0, 2304, 768}, {}, {{0, 0, 2304, 768}}},
      // Cloned outputs show the same picture: one stage.
      {{0, 0, 1280, 720}, {{0, 0, 1280, 720}, {0, 0, 1280, 720}}, {{0, 0, 1280, 720}}},
      // Monitors touching at an edge only do not share the window's corner.
      {{1280, 720, 10, 10}, kTwoMonitors, {{0, 0, 10, 10}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(stage_areas(c.window, c.monitors), c.want)
        << c.window.x << "," << c.window.y << " " << c.window.w << "x" << c.window.h;
  }
}

}  // namespace
}  // namespace linux_host
