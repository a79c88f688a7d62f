// The progress line's text and when it is drawn, without a terminal or a clock.

#include "tools/render/progress.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

using render_tool::progress_due;
using render_tool::progress_text;

TEST(ProgressLine, Text) {
  struct Case {
    const char* label;
    long done;
    long total;
    long per_second;
    double left_seconds;
    const char* expected;
  };
  const Case cases[] = {
      // 1860 of 4320 frames at 30 a second: 62 s of 144 s, 43.06 %.
      {"video ponpu.mp4", 1860, 4320, 30, -1, "video ponpu.mp4: 43 % (1:02 / 2:24)"},
      {"video ponpu.mp4", 1860, 4320, 30, 70.4, "video ponpu.mp4: 43 % (1:02 / 2:24), 1:10 left"},
      // Rounded down: 100 % only at the end.
      {"gif kahan.gif", 199, 200, 10, -1, "gif kahan.gif: 99 % (0:19 / 0:20)"},
      {"gif kahan.gif", 200, 200, 10, 0, "gif kahan.gif: 100 % (0:20 / 0:20), 0:00 left"},
      // Steps of a second past an hour.
      {"play seq (seeking)", 0, 3723, 1, -1, "play seq (seeking): 0 % (0:00 / 1:02:03)"},
      // Counted, not timed: 23 of 53 commands, 43.4 %.
      {"sheet ponpu.pdf", 23, 53, 0, -1, "sheet ponpu.pdf: 43 % (23 / 53)"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(progress_text(c.label, c.done, c.total, c.per_second, c.left_seconds), c.expected);
}

TEST(ProgressLine, DrawnAfterASecondThenAFewTimesASecond) {
  constexpr std::int64_t kMs = 1'000'000;
  struct Case {
    std::int64_t elapsed_ms;
    std::int64_t since_drawn_ms;
    bool drawn;
    bool finished;
    bool due;
  };
  const Case cases[] = {
      {0, 0, false, false, false},     {999, 0, false, false, false},
      {999, 0, false, true, false},  // a run done within a second prints nothing
      {1000, 0, false, false, true},   {1500, 100, true, false, false},
      {1500, 199, true, false, false}, {1500, 200, true, false, true},
      {1500, 100, true, true, true},  // the last line always, once one was drawn
  };
  for (const Case& c : cases)
    EXPECT_EQ(progress_due(c.elapsed_ms * kMs, c.since_drawn_ms * kMs, c.drawn, c.finished), c.due)
        << c.elapsed_ms << " " << c.since_drawn_ms << " " << c.drawn << " " << c.finished;
}

}  // namespace
