// The viewer's command table: every key gives one command, names and rows
// round-trip, the help card covers every key, and apply() runs commands on
// the real model without letting a bad argument through.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "viewer/command_table.hpp"

namespace {

using viewer::CommandEffect;
using viewer::ViewerCommand;

TEST(ViewerCommandTable, EachKeyAndNameBelongsToOneCommand) {
  std::map<std::string_view, ViewerCommand> keys;
  std::set<std::string_view> ids;
  for (const viewer::ViewerCommandRow& row : viewer::viewer_commands()) {
    EXPECT_TRUE(ids.insert(row.id).second) << row.id;
    EXPECT_EQ(viewer::command_named(row.id), row.command) << row.id;
    EXPECT_EQ(viewer::viewer_command_row(row.command).id, row.id);
    for (std::string_view k : row.keys) {
      if (k.empty()) continue;
      EXPECT_TRUE(keys.emplace(k, row.command).second) << "key " << k << " given twice";
      EXPECT_EQ(viewer::command_for_key(k), row.command) << k;
    }
  }
  // Every command has its row: the last enumerator's is there, and so is
  // each one's before it.
  for (int c = 0; c <= static_cast<int>(ViewerCommand::SetSpeed); ++c)
    EXPECT_EQ(viewer::viewer_command_row(static_cast<ViewerCommand>(c)).command,
              static_cast<ViewerCommand>(c));
}

TEST(ViewerCommandTable, KeysAsTheHostsNameThem) {
  const struct {
    std::string_view key;
    std::optional<ViewerCommand> command;
  } cases[] = {
      {" ", ViewerCommand::TogglePlay},
      {"ArrowLeft", ViewerCommand::StepBack},
      {"PageDown", ViewerCommand::NextCommand},
      {"A", ViewerCommand::LoopStart},
      {"?", ViewerCommand::Help},
      {"F1", ViewerCommand::Help},
      {"T", ViewerCommand::ToggleTheme},
      {"Q", ViewerCommand::Quit},
      {"Escape", ViewerCommand::Quit},
      {"3", ViewerCommand::SpeedThree},
      {"x", std::nullopt},
      {"", std::nullopt},
      {"f1", std::nullopt},
      {"Arrowleft", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(viewer::command_for_key(c.key), c.command) << c.key;
  EXPECT_EQ(viewer::command_named("no-such-command"), std::nullopt);
}

TEST(ViewerCommandTable, TheHelpCardShowsEveryKeyedCommandAndAPageLeavesOutQuit) {
  // A keyed row without card keys is shown on the line of the row before it,
  // which must itself be on the card.
  const auto rows = viewer::viewer_commands();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].keys[0].empty() || !rows[i].card_keys.empty()) continue;
    ASSERT_GT(i, 0u);
    EXPECT_FALSE(rows[i - 1].keys[0].empty()) << rows[i].id << " has no card line";
  }
  const auto all = viewer::help_lines();
  const auto page = viewer::help_lines(false);
  EXPECT_EQ(page.size() + 1, all.size());
  for (const viewer::HelpLine& l : page) EXPECT_NE(l.action, all.back().action);
}

class ViewerCommandApply : public ::testing::Test {
 protected:
  raster::RasterWindow window{320, 180};
  stage::DrillList drills = drills::registry();
  stage::Playback playback{window, drills, paused()};
  viewer::ViewerPanels panels;

  static stage::PlaybackPlace paused() {
    stage::PlaybackPlace p;
    p.playing = false;
    return p;
  }
  CommandEffect run(ViewerCommand c, int arg = 0) {
    return viewer::apply(c, arg, playback, panels);
  }
};

TEST_F(ViewerCommandApply, PlaybackCommandsReachTheModel) {
  EXPECT_EQ(run(ViewerCommand::StepForward), CommandEffect::Playback);
  EXPECT_EQ(playback.keyframe(), 1);
  EXPECT_EQ(run(ViewerCommand::SpeedThree), CommandEffect::Playback);
  EXPECT_EQ(playback.speed(), stage::PlaySpeed::Three);
  EXPECT_EQ(run(ViewerCommand::SetSpeed, 99), CommandEffect::Playback);  // clamped
  EXPECT_EQ(playback.speed(), stage::PlaySpeed::Three);
  EXPECT_EQ(run(ViewerCommand::SetSpeed, 0), CommandEffect::Playback);
  EXPECT_EQ(playback.speed(), stage::PlaySpeed::Quarter);
  EXPECT_EQ(run(ViewerCommand::NextDrill), CommandEffect::Playback);
  EXPECT_EQ(playback.drill(), 1);
  EXPECT_EQ(run(ViewerCommand::TogglePlay), CommandEffect::Playback);
  EXPECT_TRUE(playback.playing());
}

TEST_F(ViewerCommandApply, ACommandOutsideTheListOrAJumpPastTheLastDoesNothing) {
  const int last = static_cast<int>(playback.timeline().commands().size()) - 1;
  EXPECT_EQ(run(ViewerCommand::GoToCommand, last + 1), CommandEffect::Nothing);
  EXPECT_EQ(run(ViewerCommand::GoToCommand, -1), CommandEffect::Nothing);
  EXPECT_EQ(playback.keyframe(), 0);
  EXPECT_EQ(run(ViewerCommand::GoToCommand, last), CommandEffect::Playback);
  EXPECT_EQ(playback.current_command(), last);
  EXPECT_EQ(run(ViewerCommand::NextCommand), CommandEffect::Nothing);
}

// "g" asks for a number; the keys after it type it, and any key that is not
// the entry's closes it and is left to act as itself.
TEST(CommandNumberEntry, TakesDigitsUntilEnterAndGivesUpOnAnyOtherKey) {
  EXPECT_EQ(viewer::command_for_key("g"), ViewerCommand::AskCommandNumber);
  struct Case {
    std::vector<std::string_view> keys;
    std::optional<int> go_to;  // after the last key
    bool last_taken;
  };
  const std::vector<Case> cases = {
      {{"1", "2", "Enter"}, 11, true},
      {{"1", "2", "Backspace", "3", "Enter"}, 12, true},
      {{"Backspace", "7", "Enter"}, 6, true},
      {{"1", "2", "3", "4", "5", "Enter"}, 1233, true},  // four digits at most
      {{"0", "Enter"}, -1, true},                        // no command: GoToCommand refuses it
      {{"Enter"}, std::nullopt, true},
      {{"4", "Escape"}, std::nullopt, true},
      {{"4", "ArrowDown"}, std::nullopt, false},
      {{"4", "g"}, std::nullopt, false},
  };
  for (const Case& c : cases) {
    viewer::CommandNumberEntry entry;
    entry.open();
    viewer::CommandNumberEntry::Outcome out;
    for (std::string_view k : c.keys) out = entry.key(k);
    const std::string keys = testing::PrintToString(c.keys);
    EXPECT_EQ(out.go_to, c.go_to) << keys;
    EXPECT_EQ(out.taken, c.last_taken) << keys;
    EXPECT_FALSE(entry.is_open()) << keys;
  }
  viewer::CommandNumberEntry closed;
  EXPECT_FALSE(closed.key("1").taken);  // without "g" first, 1 is a speed
  closed.open();
  closed.key("3");
  EXPECT_EQ(closed.digits(), "3");
}

TEST_F(ViewerCommandApply, PanelsToggleAndHostCommandsAreLeftToTheHost) {
  EXPECT_EQ(run(ViewerCommand::Help), CommandEffect::Panels);
  EXPECT_EQ(run(ViewerCommand::CommandList), CommandEffect::Panels);
  EXPECT_TRUE(panels.help && panels.commands);
  run(ViewerCommand::Help);
  EXPECT_FALSE(panels.help);
  // The theme goes round, and the host draws the picture anew.
  EXPECT_EQ(panels.theme, stage::Theme::Dark);
  EXPECT_EQ(run(ViewerCommand::ToggleTheme), CommandEffect::Theme);
  EXPECT_EQ(panels.theme, stage::Theme::Light);
  EXPECT_EQ(run(ViewerCommand::ToggleTheme), CommandEffect::Theme);
  EXPECT_EQ(panels.theme, stage::Theme::Dark);
  EXPECT_EQ(run(ViewerCommand::FullScreen), CommandEffect::FullScreen);
  EXPECT_EQ(run(ViewerCommand::Quit), CommandEffect::Quit);
  EXPECT_EQ(run(ViewerCommand::AskCommandNumber), CommandEffect::AskNumber);
  EXPECT_EQ(playback.keyframe(), 0);
}

}  // namespace
