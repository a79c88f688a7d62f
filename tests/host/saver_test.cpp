#include "host/saver.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.hpp"
#include "host/captions.hpp"
#include "host/profile_file.hpp"
#include "host/settings_dialog.hpp"

namespace {

using host::Saver;
using host::SaverMode;
using host::StartResult;
using host_test::FakePlatform;
using Calls = std::vector<std::string>;

const std::string kMain = std::string("set_caption ") + host::kCaptionMain;
const std::string kPreview = std::string("set_caption ") + host::kCaptionPreview;

bool has(const Calls& calls, const std::string& call) {
  for (const auto& c : calls)
    if (c == call) return true;
  return false;
}

// --- single instance ---

struct InstanceCase {
  bool window;
  bool instance;
  bool ends;
};

class SingleInstanceTest : public testing::TestWithParam<InstanceCase> {};

TEST_P(SingleInstanceTest, EndsOnlyWhenWindowAndInstanceBothFound) {
  FakePlatform p;
  p.line = "/s";
  p.window_exists = GetParam().window;
  p.other_instance = GetParam().instance;
  Saver saver(p, p.parts());
  const StartResult r = saver.load(p.line);
  EXPECT_EQ(r == StartResult::Ended, GetParam().ends);
  EXPECT_EQ(saver.ended(), GetParam().ends);
  if (GetParam().ends) {
    EXPECT_EQ(p.calls, (Calls{std::string("find_window ") + host::kCaptionMain, "another_instance",
                              "end_program"}));
  }
}

INSTANTIATE_TEST_SUITE_P(Both, SingleInstanceTest,
                         testing::Values(InstanceCase{false, false, false},
                                         InstanceCase{true, false, false},
                                         InstanceCase{false, true, false},
                                         InstanceCase{true, true, true}));

TEST(SingleInstance, TestRunsBeforeTheCaptionIsSet) {
  FakePlatform p;
  p.line = "/s";
  Saver saver(p, p.parts());
  saver.load(p.line);
  ASSERT_GE(p.calls.size(), 3u);
  EXPECT_EQ(p.calls[0], std::string("find_window ") + host::kCaptionMain);
  EXPECT_EQ(p.calls[1], "another_instance");
  EXPECT_EQ(p.calls[2], kMain);
}

// --- settings at start-up ---

struct SettingsCase {
  const char* ini_before;
  int conf;
  int speed;
  const char* ini_after;
};

class StartupSettingsTest : public testing::TestWithParam<SettingsCase> {};

TEST_P(StartupSettingsTest, ReadsAndWritesDefaultsBack) {
  FakePlatform p;
  p.line = "/s";
  p.ini = GetParam().ini_before;
  Saver saver(p, p.parts());
  saver.load(p.line);
  EXPECT_EQ(saver.settings().conf, GetParam().conf);
  EXPECT_EQ(saver.settings().speed, GetParam().speed);
  EXPECT_EQ(p.ini, GetParam().ini_after);
}

INSTANTIATE_TEST_SUITE_P(
    Files, StartupSettingsTest,
    testing::Values(
        SettingsCase{"", 7, 1, "[Saver]\nConf= 7\nSpeed= 1\n"},
        SettingsCase{"[Saver]\nConf=0\nSpeed=3\n", 7, 3, "[Saver]\nConf= 7\nSpeed=3\n"},
        // A mask without any drill bit and a speed out of range stay in force.
        SettingsCase{"[Saver]\nConf=8\nSpeed=5\n", 8, 5, "[Saver]\nConf=8\nSpeed=5\n"},
        SettingsCase{"[saver]\nconf = abc\nSPEED=-2\n", 7, 1, "[saver]\nconf= 7\nSPEED= 1\n"},
        SettingsCase{"[Saver]\r\nConf= 5\r\n", 5, 1, "[Saver]\r\nConf= 5\r\nSpeed= 1\r\n"}));

TEST(StartupSettings, DefaultsWrittenAsConfThenSpeed) {
  FakePlatform p;
  p.line = "/s";
  Saver saver(p, p.parts());
  saver.load(p.line);
  const Calls expected{"profile_int Saver Conf", "write Saver Conf= 7", "profile_int Saver Speed",
                       "write Saver Speed= 1"};
  EXPECT_EQ(Calls(p.calls.begin() + 3, p.calls.begin() + 7), expected);
}

// --- run modes ---

TEST(RunModes, FullScreenSetsUpWindowCursorAndPassword) {
  FakePlatform p;
  p.line = "/S";
  p.use_password = 48;  // the text "0" stored as bytes 0x30 0x00 reads as 48: verify
  Saver saver(p, p.parts());
  EXPECT_EQ(saver.load(p.line), StartResult::FullScreen);
  EXPECT_EQ(saver.saver_mode(), SaverMode::FullScreen);
  EXPECT_EQ(saver.use_password(), 48u);
  EXPECT_EQ(saver.move_count(), 0);
  EXPECT_EQ(p.cursor_counter, -1);
  EXPECT_TRUE(p.topmost);
  EXPECT_TRUE(has(p.calls, "enter_full_screen"));
  EXPECT_TRUE(has(p.calls, "focus_input_sink"));
  EXPECT_FALSE(has(p.calls, "end_program"));
}

TEST(RunModes, PreviewEmbedsIntoParsedHandle) {
  FakePlatform p;
  p.line = "/p 1234";
  Saver saver(p, p.parts());
  EXPECT_EQ(saver.load(p.line), StartResult::Preview);
  EXPECT_EQ(saver.saver_mode(), SaverMode::Preview);
  const Calls tail(p.calls.end() - 2, p.calls.end());
  EXPECT_EQ(tail, (Calls{kPreview, "embed_preview 1234"}));
  EXPECT_EQ(p.cursor_counter, 0);
  EXPECT_FALSE(p.topmost);
}

TEST(RunModes, PreviewWinsOverFullScreenInEitherOrder) {
  for (const char* line : {"/p 5 /s", "/s /p 5"}) {
    FakePlatform p;
    p.line = line;
    Saver saver(p, p.parts());
    EXPECT_EQ(saver.load(p.line), StartResult::Preview) << line;
    EXPECT_FALSE(has(p.calls, "enter_full_screen")) << line;
  }
}

TEST(RunModes, PreviewIntoNoWindowEndsAtOnce) {
  FakePlatform p;
  p.line = "/p:1234";
  p.preview_parent_exists = false;
  Saver saver(p, p.parts());
  EXPECT_EQ(saver.load(p.line), StartResult::Ended);
  EXPECT_TRUE(has(p.calls, "embed_preview 0"));
  EXPECT_EQ(p.calls.back(), "end_program");
}

struct PasswordChangeCase {
  const char* line;
  bool asks_foreground;
  host::WindowHandle owner;
};

class PasswordChangeTest : public testing::TestWithParam<PasswordChangeCase> {};

TEST_P(PasswordChangeTest, ChangesForOwnerThenEnds) {
  FakePlatform p;
  p.line = GetParam().line;
  p.foreground = 777;
  Saver saver(p, p.parts());
  EXPECT_EQ(saver.load(p.line), StartResult::Ended);
  EXPECT_EQ(has(p.calls, "foreground_window"), GetParam().asks_foreground);
  const Calls tail(p.calls.end() - 2, p.calls.end());
  EXPECT_EQ(tail, (Calls{"change_password " + std::to_string(GetParam().owner), "end_program"}));
}

INSTANTIATE_TEST_SUITE_P(Owners, PasswordChangeTest,
                         testing::Values(PasswordChangeCase{"/a 0", true, 777},
                                         PasswordChangeCase{"/a", true, 777},
                                         PasswordChangeCase{"/a 4321", false, 4321},
                                         PasswordChangeCase{"/p 9 /a", false, 9}));

TEST(RunModes, SettingsDialogOkWritesConfThenSpeedAndEnds) {
  FakePlatform p;
  p.line = "/c:1234";
  p.ini = "[Saver]\nConf=3\nSpeed=2\n";
  p.dialog_driver = [&](host::SettingsDialog& d) {
    d.click_check(0 /* platoon */, false);
    d.select_speed(host::SpeedOption::Fast);
    p.calls.push_back(d.ok(p) == host::OkResult::Saved ? "ok" : "ok refused");
  };
  Saver saver(p, p.parts());
  EXPECT_EQ(saver.load(p.line), StartResult::Ended);
  const Calls tail(p.calls.end() - 4, p.calls.end());
  EXPECT_EQ(tail, (Calls{"run_settings_dialog", "write_all Saver Conf= 2 Speed= 3", "ok",
                         "end_program"}));
  EXPECT_EQ(p.ini, "[Saver]\nConf= 2\nSpeed= 3\n");
}

TEST(RunModes, SettingsDialogCancelWritesNothing) {
  FakePlatform p;
  p.line = "";
  p.ini = "[Saver]\nConf=3\nSpeed=2\n";
  p.dialog_driver = [](host::SettingsDialog& d) { d.toggle_check(2 /* portable pump */); };
  Saver saver(p, p.parts());
  saver.load(p.line);
  EXPECT_EQ(p.ini, "[Saver]\nConf=3\nSpeed=2\n");
  const Calls tail(p.calls.end() - 2, p.calls.end());
  EXPECT_EQ(tail, (Calls{"run_settings_dialog", "end_program"}));
}

// --- end of a run ---

void start(Saver& saver, FakePlatform& p, const char* line, std::uint32_t use_password = 0) {
  p.line = line;
  p.use_password = use_password;
  saver.load(p.line);
  p.take();
}

TEST(MovementRule, FirstEventRecordsSecondElsewhereEnds) {
  FakePlatform p;
  Saver saver(p, p.parts());
  start(saver, p, "/s");
  saver.on_mouse_move(1500.0f, 3000.0f);
  EXPECT_FALSE(saver.ended());
  EXPECT_EQ(saver.first_x(), 1500.0f);
  EXPECT_EQ(saver.first_y(), 3000.0f);
  for (int i = 0; i < 40000; ++i) saver.on_mouse_move(1500.0f, 3000.0f);  // no overflow
  EXPECT_FALSE(saver.ended());
  EXPECT_TRUE(p.calls.empty());
  saver.on_mouse_move(1500.0f, 3001.0f);  // one twip away
  EXPECT_TRUE(saver.ended());
  EXPECT_EQ(p.calls.back(), "end_program");
}

TEST(MovementRule, OneTwipInXEndsToo) {
  FakePlatform p;
  Saver saver(p, p.parts());
  start(saver, p, "/s");
  saver.on_mouse_move(0.0f, 0.0f);
  saver.on_mouse_move(1.0f, 0.0f);
  EXPECT_TRUE(saver.ended());
}

TEST(SaverEnd, EveryInputEndsAFullScreenRunWithoutPassword) {
  const std::vector<void (Saver::*)()> inputs{&Saver::on_key_down, &Saver::on_key_press,
                                              &Saver::on_mouse_down, &Saver::on_mouse_up};
  for (auto input : inputs) {
    FakePlatform p;
    Saver saver(p, p.parts());
    start(saver, p, "/s");
    (saver.*input)();
    EXPECT_EQ(p.calls,
              (Calls{"show_cursor true", "set_topmost false", "set_topmost false", "end_program"}));
    EXPECT_EQ(p.cursor_counter, 0);  // the pointer is back
    EXPECT_FALSE(p.topmost);
    // Events still queued after the end do nothing.
    (saver.*input)();
    saver.on_mouse_move(1, 1);
    saver.on_mouse_move(2, 2);
    EXPECT_EQ(p.calls.size(), 4u);
  }
}

TEST(SaverEnd, PreviewIgnoresAllInput) {
  FakePlatform p;
  Saver saver(p, p.parts());
  start(saver, p, "/p 55");
  saver.on_key_down();
  saver.on_key_press();
  saver.on_mouse_down();
  saver.on_mouse_up();
  saver.on_mouse_move(0, 0);
  saver.on_mouse_move(100, 100);
  EXPECT_TRUE(p.calls.empty());
  EXPECT_FALSE(saver.ended());
}

TEST(SaverEnd, RefusedPasswordHidesPointerAgainAndRunGoesOn) {
  FakePlatform p;
  Saver saver(p, p.parts());
  start(saver, p, "/s", 1);
  // Low 16 bits zero means refused, whatever the high bits hold.
  p.password_results = {0, 0x10000, 1};
  saver.on_key_down();
  EXPECT_EQ(p.take(), (Calls{"show_cursor true", "set_topmost false", "screen_saver_running true",
                             "verify_password", "show_cursor false"}));
  EXPECT_FALSE(saver.ended());
  EXPECT_EQ(p.cursor_counter, -1);
  EXPECT_FALSE(p.topmost);  // no longer top-most while the run goes on
  saver.on_mouse_down();
  EXPECT_FALSE(saver.ended());
  EXPECT_EQ(p.cursor_counter, -1);
  p.take();
  saver.on_key_press();
  EXPECT_EQ(p.take(), (Calls{"show_cursor true", "set_topmost false", "screen_saver_running true",
                             "verify_password", "screen_saver_running false", "set_topmost false",
                             "end_program"}));
  EXPECT_TRUE(saver.ended());
  EXPECT_EQ(p.cursor_counter, 0);
}

// --- a host that has nothing but its window ---

TEST(DefaultParts, OnlyAWindowPlaysTheDefaultsAndEndsOnTheFirstInput) {
  FakePlatform p;  // given to the saver as its window only
  p.ini = "[Saver]\nConf=2\nSpeed=3\n";
  p.window_exists = true;  // no guard asks, so the start is alone
  p.other_instance = true;
  p.use_password = 1;  // no gate reads it, so no password is asked
  Saver saver(p);
  EXPECT_EQ(saver.load("/s"), StartResult::FullScreen);
  EXPECT_EQ(saver.settings().conf, 7);
  EXPECT_EQ(saver.settings().speed, 1);
  EXPECT_EQ(p.ini, "[Saver]\nConf=2\nSpeed=3\n");
  saver.on_key_down();
  EXPECT_TRUE(saver.ended());
  EXPECT_EQ(p.calls, (Calls{kMain, "enter_full_screen", "set_topmost true", "show_cursor false",
                            "focus_input_sink", "show_cursor true", "set_topmost false",
                            "set_topmost false", "end_program"}));
}

TEST(DefaultParts, PasswordChangeAndSettingsDialogEndWithoutAsking) {
  for (const char* line : {"/a", "/a 55", "", "/c"}) {
    FakePlatform p;
    p.dialog_driver = [&](host::SettingsDialog& d) { d.ok(p); };
    Saver saver(p);
    EXPECT_EQ(saver.load(line), StartResult::Ended) << line;
    EXPECT_EQ(p.calls, (Calls{kMain, "end_program"})) << line;
  }
}

}  // namespace
