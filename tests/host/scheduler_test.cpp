#include "host/scheduler.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "fake_platform.hpp"
#include "support/recording_window.hpp"

namespace {

using host::Runner;
using host::Scheduler;
using testing_support::RecordingWindow;

// When each present happened on the fake clock.
struct TimedScreen : host::Screen {
  explicit TimedScreen(const std::int64_t& clock) : clock(clock) {}
  void present(bool) override { at.push_back(clock); }
  const std::int64_t& clock;
  std::vector<std::int64_t> at;
};

// Two heads over the fake clock t, with their windows, screens and runners.
struct TwoHeads {
  std::int64_t t = 0;
  RecordingWindow window_a, window_b;
  TimedScreen screen_a{t}, screen_b{t};
  Runner a, b;
  Runner* heads[2] = {&a, &b};
  Scheduler scheduler{heads, [this] { return t; }};

  TwoHeads(host::Settings sa, host::Settings sb, host::Saver* saver = nullptr)
      : a(window_a, sa, screen_a, saver), b(window_b, sb, screen_b, saver) {}

  // Sleeps as the scheduler says, up to `until`; the last wait's answer.
  int run_until(std::int64_t until) {
    int wait = 0;
    for (int guard = 0; guard < 100000 && t <= until; ++guard) {
      wait = scheduler.run_due();
      if (wait == Scheduler::kAllStopped) break;
      t += wait;
    }
    return wait;
  }
};

// The platoon intro's ticks come every 100 ms at speed 1 and every 10 ms at
// speed 3; the first is due 1 ms after the start.
TEST(Scheduler, EachHeadTicksOnItsOwnDelays) {
  TwoHeads h({1, 1}, {1, 3});
  h.scheduler.start();
  h.run_until(301);
  EXPECT_EQ(h.screen_a.at, (std::vector<std::int64_t>{0, 1, 101, 201, 301}));
  std::vector<std::int64_t> b{0};
  for (std::int64_t tick = 1; tick <= 301; tick += 10) b.push_back(tick);
  EXPECT_EQ(h.screen_b.at, b);
}

TEST(Scheduler, InputOnOneHeadEndsThemAll) {
  host_test::FakePlatform p;
  host::Saver saver(p, p.parts());
  saver.load("/s");
  TwoHeads h({1, 1}, {1, 3}, &saver);
  h.scheduler.start();
  h.run_until(50);
  h.a.on_key_down();
  const auto presents_b = h.screen_b.at.size();
  EXPECT_EQ(h.scheduler.run_due(), Scheduler::kAllStopped);
  EXPECT_FALSE(h.scheduler.active());
  EXPECT_EQ(h.screen_b.at.size(), presents_b);
}

// The portable-pump player lets events through on each keyframe: there head
// B finds its window gone, and head A plays on.
TEST(Scheduler, AHeadWhoseWindowFailsStopsAloneAndTheOthersPlayOn) {
  TwoHeads h({1, 3}, {4, 3});
  h.window_b.on_process_events = [] { return false; };
  h.scheduler.start();
  h.run_until(2000);
  EXPECT_TRUE(h.b.stage().ended());
  EXPECT_TRUE(h.scheduler.active());
  const auto presents_b = h.screen_b.at.size();
  const auto presents_a = h.screen_a.at.size();
  EXPECT_NE(h.run_until(4000), Scheduler::kAllStopped);
  EXPECT_EQ(h.screen_b.at.size(), presents_b);
  EXPECT_GT(h.screen_a.at.size(), presents_a);
}

}  // namespace
