#include "host/runner.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "fake_platform.hpp"
#include "support/recording_window.hpp"

namespace {

using host::Runner;
using testing_support::RecordingWindow;

// Records each present: true for the whole picture, false for what changed.
struct FakeScreen : host::Screen {
  std::vector<bool> presents;
  void present(bool everything) override { presents.push_back(everything); }
};

// The platoon intro is 37 ticks; its first keyframes last 3000 and 1000 ms at
// speed 1.
constexpr int kIntroTicks = 37;

struct DelayCase {
  int speed;
  int intro_delay;
  int keyframe0_delay;
  int keyframe1_delay;
};

class RunnerDelayTest : public testing::TestWithParam<DelayCase> {};

TEST_P(RunnerDelayTest, EachCallReturnsTheDelayTheTickAskedForAndPresentsOnce) {
  RecordingWindow window;
  FakeScreen screen;
  Runner runner(window, {1, GetParam().speed}, screen, nullptr);
  EXPECT_EQ(runner.start(), 1);
  EXPECT_EQ(screen.presents, std::vector<bool>{true});
  for (int k = 0; k < kIntroTicks; ++k) ASSERT_EQ(runner.on_timer(), GetParam().intro_delay) << k;
  EXPECT_EQ(runner.on_timer(), GetParam().keyframe0_delay);
  EXPECT_EQ(runner.on_timer(), GetParam().keyframe1_delay);
  EXPECT_EQ(runner.stage().frame_index(), 2);
  std::vector<bool> expected(kIntroTicks + 3, false);
  expected[0] = true;
  EXPECT_EQ(screen.presents, expected);
}

INSTANTIATE_TEST_SUITE_P(Speeds, RunnerDelayTest,
                         testing::Values(DelayCase{1, 100, 3000, 1000}, DelayCase{2, 50, 1500, 500},
                                         DelayCase{3, 10, 300, 100}));

// Runs the portable-pump intro so that the next tick lets events through.
void reach_portable_pump_keyframes(Runner& runner) {
  runner.start();
  for (int k = 0; k < kIntroTicks; ++k) runner.on_timer();
}

TEST(RunnerRedraw, ExposeBetweenTicksShowsAllAtOnceAndDuringATickAfterIt) {
  RecordingWindow window;
  FakeScreen screen;
  Runner runner(window, {4, 1}, screen, nullptr);
  reach_portable_pump_keyframes(runner);
  screen.presents.clear();
  runner.request_full_redraw();
  EXPECT_EQ(screen.presents, std::vector<bool>{true});

  int reentered = -2;
  window.on_process_events = [&] {
    runner.request_full_redraw();
    reentered = runner.on_timer();  // its own timer met inside the tick
    return true;
  };
  screen.presents.clear();
  EXPECT_GT(runner.on_timer(), 0);
  EXPECT_EQ(reentered, Runner::kUnchanged);
  EXPECT_EQ(runner.stage().frame_index(), 1);  // one tick, not two
  window.on_process_events = [] { return true; };
  runner.on_timer();
  EXPECT_EQ(screen.presents, (std::vector<bool>{true, false}));
}

struct InputCase {
  const char* line;  // nullptr: no end-of-run rules at all
  bool ends;
};

class RunnerInputTest : public testing::TestWithParam<InputCase> {};

TEST_P(RunnerInputTest, InputEndsOnlyAFullScreenRunAndNothingTicksAfter) {
  host_test::FakePlatform p;
  host::Saver saver(p, p.parts());
  if (GetParam().line) saver.load(GetParam().line);
  RecordingWindow window;
  FakeScreen screen;
  Runner runner(window, {1, 1}, screen, GetParam().line ? &saver : nullptr);
  runner.start();
  runner.on_timer();
  runner.on_mouse_move(0, 0);  // only where the pointer was
  EXPECT_TRUE(runner.running());
  runner.on_mouse_move(15, 0);
  EXPECT_EQ(runner.running(), !GetParam().ends);
  const std::size_t calls = window.calls.size();
  const std::size_t presents = screen.presents.size();
  EXPECT_EQ(runner.on_timer() == Runner::kStopped, GetParam().ends);
  EXPECT_EQ(window.calls.size() == calls, GetParam().ends);
  EXPECT_EQ(screen.presents.size() == presents, GetParam().ends);
}

INSTANTIATE_TEST_SUITE_P(Modes, RunnerInputTest,
                         testing::Values(InputCase{"/s", true}, InputCase{"/p 5", false},
                                         InputCase{nullptr, false}));

TEST(RunnerEnd, InputLetThroughInATickEndsItWithoutPresenting) {
  host_test::FakePlatform p;
  host::Saver saver(p, p.parts());
  saver.load("/s");
  RecordingWindow window;
  FakeScreen screen;
  Runner runner(window, {4, 1}, screen, &saver);
  reach_portable_pump_keyframes(runner);
  window.on_process_events = [&] {
    runner.on_key_down();
    return !saver.ended();  // the window is gone with the program
  };
  const std::size_t presents = screen.presents.size();
  EXPECT_EQ(runner.on_timer(), Runner::kStopped);
  EXPECT_EQ(screen.presents.size(), presents);
  EXPECT_FALSE(runner.running());
}

TEST(RunnerEnd, StopEndsTheTicksAndRedraws) {
  RecordingWindow window;
  FakeScreen screen;
  Runner runner(window, {7, 1}, screen, nullptr);
  runner.start();
  runner.stop();
  const std::size_t calls = window.calls.size();
  EXPECT_EQ(runner.on_timer(), Runner::kStopped);
  runner.request_full_redraw();
  EXPECT_EQ(window.calls.size(), calls);
  EXPECT_EQ(screen.presents.size(), 1u);
  EXPECT_EQ(runner.start(), Runner::kStopped);
}

}  // namespace
