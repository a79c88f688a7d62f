#include "host/command_line.hpp"

#include <gtest/gtest.h>

namespace {

using host::RunMode;

struct ModeCase {
  const char* line;
  RunMode mode;
};

class RunModeTest : public testing::TestWithParam<ModeCase> {};

TEST_P(RunModeTest, SwitchChoosesMode) {
  EXPECT_EQ(host::parse_run_mode(GetParam().line), GetParam().mode) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Switches, RunModeTest,
    testing::Values(
        ModeCase{"/s", RunMode::FullScreen}, ModeCase{"/S", RunMode::FullScreen},
        ModeCase{"/s trailing text", RunMode::FullScreen},
        ModeCase{"x/Sy", RunMode::FullScreen},  // a plain substring test
        ModeCase{"-s", RunMode::Settings}, ModeCase{"", RunMode::Settings},
        ModeCase{"/c", RunMode::Settings}, ModeCase{"/c:1234", RunMode::Settings},
        ModeCase{"/a 0", RunMode::PasswordChange}, ModeCase{"/a", RunMode::PasswordChange},
        ModeCase{"/A 12", RunMode::PasswordChange}, ModeCase{"/s /a", RunMode::PasswordChange},
        ModeCase{"/p /a", RunMode::PasswordChange}, ModeCase{"/p 1234", RunMode::Preview},
        ModeCase{"/P 1234", RunMode::Preview}, ModeCase{"/p 1 /s", RunMode::Preview},
        ModeCase{"/s /p 1", RunMode::Preview}, ModeCase{"/S/P", RunMode::Preview}));

struct HandleCase {
  const char* line;
  host::WindowHandle handle;
};

class HandleTest : public testing::TestWithParam<HandleCase> {};

TEST_P(HandleTest, HandleFromThirdCharacterOn) {
  EXPECT_EQ(host::parse_window_handle(GetParam().line), GetParam().handle) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Handles, HandleTest,
    testing::Values(HandleCase{"/p 1234", 1234}, HandleCase{"/p:1234", 0}, HandleCase{"/a 0", 0},
                    HandleCase{"/a", 0}, HandleCase{"", 0}, HandleCase{"/p   42   ", 42},
                    HandleCase{"/p\t42", 42}, HandleCase{"/p 1234abc", 1234},
                    HandleCase{"/p abc", 0}, HandleCase{"/p 12.5", 12}, HandleCase{"/p 13.5", 14},
                    HandleCase{"/p 2.4e2", 240}, HandleCase{"/p -7", -7},
                    // The switch's position does not matter: the third character on is read.
                    HandleCase{"/s /p 99", 0}, HandleCase{"xx99", 99}, HandleCase{"/p 0x1A", 0},
                    HandleCase{"/p 1e999", 0}, HandleCase{"/p 99999999999999999999999", 0},
                    HandleCase{"/p inf", 0}));

}  // namespace
