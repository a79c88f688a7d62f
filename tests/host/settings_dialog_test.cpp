#include "host/settings_dialog.hpp"

#include <gtest/gtest.h>

#include <set>

#include "drills/registry.hpp"
#include "fake_platform.hpp"

namespace {

using host::Drill;
using host::SettingsDialog;
using host::SpeedOption;

struct LoadCase {
  int conf;
  int speed;
  bool kiritu, ponpu, kahan;
  SpeedOption option;
};

class DialogLoadTest : public testing::TestWithParam<LoadCase> {};

TEST_P(DialogLoadTest, ShowsSettingsAndStartsWithOkEnabled) {
  const LoadCase& c = GetParam();
  SettingsDialog d({c.conf, c.speed}, drills::registry());
  EXPECT_EQ(d.checked(Drill::Kiritu), c.kiritu);
  EXPECT_EQ(d.checked(Drill::Ponpu), c.ponpu);
  EXPECT_EQ(d.checked(Drill::Kahan), c.kahan);
  EXPECT_EQ(d.speed_option(), c.option);
  EXPECT_TRUE(d.ok_enabled());
}

INSTANTIATE_TEST_SUITE_P(Settings, DialogLoadTest,
                         testing::Values(LoadCase{7, 1, true, true, true, SpeedOption::Slow},
                                         LoadCase{1, 2, true, false, false, SpeedOption::Normal},
                                         LoadCase{6, 3, false, true, true, SpeedOption::Fast},
                                         // No drill bit: nothing ticked, OK still enabled.
                                         LoadCase{8, 1, false, false, false, SpeedOption::Slow},
                                         // A speed out of range keeps the designed choice.
                                         LoadCase{5, 5, true, false, true, SpeedOption::Normal},
                                         LoadCase{12, 0, false, false, true, SpeedOption::Normal}));

TEST(DialogOkRule, OkDisabledExactlyWhileNothingTicked) {
  SettingsDialog d({1, 1}, drills::registry());
  d.click_check(Drill::Kiritu, false);
  EXPECT_FALSE(d.ok_enabled());
  host_test::FakePlatform p;
  EXPECT_EQ(d.ok(p), host::OkResult::Disabled);
  EXPECT_TRUE(p.calls.empty());
  for (Drill drill : {Drill::Kiritu, Drill::Ponpu, Drill::Kahan}) {
    d.click_check(drill, true);
    EXPECT_TRUE(d.ok_enabled());
    d.click_check(drill, false);
    EXPECT_FALSE(d.ok_enabled());
  }
  d.toggle_check(Drill::Ponpu);
  d.toggle_check(Drill::Kahan);
  d.toggle_check(Drill::Ponpu);
  EXPECT_TRUE(d.ok_enabled());
}

struct OkCase {
  int conf;
  int speed;
  const char* conf_written;
  const char* speed_written;
};

class DialogOkTest : public testing::TestWithParam<OkCase> {};

// One change holding both keys, Conf first: a kill can never apply half of
// an OK.
TEST_P(DialogOkTest, OkWritesConfThenSpeedInOneChange) {
  host_test::FakePlatform p;
  SettingsDialog d({GetParam().conf, GetParam().speed}, drills::registry());
  EXPECT_EQ(d.ok(p), host::OkResult::Saved);
  EXPECT_EQ(p.calls, (std::vector<std::string>{std::string("write_all Saver Conf=") +
                                               GetParam().conf_written +
                                               " Speed=" + GetParam().speed_written}));
  EXPECT_EQ(p.ini, std::string("[Saver]\nConf=") + GetParam().conf_written +
                       "\nSpeed=" + GetParam().speed_written + "\n");
}

// A store that cannot write several keys at once (the Windows profile calls)
// gets them one after the other, in order.
TEST(DialogOk, StoreWithoutBatchesWritesKeyByKey) {
  struct KeyByKey : host_test::FakePlatform {
    host::WriteResult write_profile_strings(const std::string& section,
                                            std::span<const ProfileEntry> entries) override {
      return SettingsStore::write_profile_strings(section, entries);
    }
  } p;
  SettingsDialog d({6, 3}, drills::registry());
  EXPECT_EQ(d.ok(p), host::OkResult::Saved);
  EXPECT_EQ(p.calls, (std::vector<std::string>{"write Saver Conf= 6", "write Saver Speed= 3"}));
}

// A write that fails reaches the dialog with its reason, so that the dialog
// can say why the choice was not kept; a later OK that saves clears it.
TEST(DialogOk, AFailedWriteIsReportedWithItsReason) {
  struct FailingStore : host::SettingsStore {
    host::WriteResult result;
    host::WriteResult write_profile_strings(const std::string&,
                                            std::span<const ProfileEntry>) override {
      return result;
    }
  } store;
  SettingsDialog d({1, 1}, drills::registry());
  // A store's reason is shown as it is; a failure without one still gets a
  // reason, since an empty message would tell the user nothing.
  const struct {
    host::WriteResult written;
    host::OkResult ok;
    const char* error;  // nullptr: any text but none
  } cases[] = {
      {{false, "/home/u/.config/mirukado/x.ini: Permission denied"},
       host::OkResult::NotSaved,
       "/home/u/.config/mirukado/x.ini: Permission denied"},
      {{true, ""}, host::OkResult::Saved, ""},
      {{false, ""}, host::OkResult::NotSaved, nullptr},
  };
  for (const auto& c : cases) {
    store.result = c.written;
    EXPECT_EQ(d.ok(store), c.ok) << c.written.reason;
    if (c.error)
      EXPECT_EQ(d.save_error(), c.error) << c.written.reason;
    else
      EXPECT_FALSE(d.save_error().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Writes, DialogOkTest,
                         testing::Values(OkCase{8, 1, " 0", " 1"},  // next start restores 7
                                         OkCase{7, 5, " 7", " 2"},  // 中速 shown, Speed= 2
                                         OkCase{15, 3, " 7", " 3"}, OkCase{2, 1, " 2", " 1"}));

TEST(DialogControls, TabOrderCoversFocusableControlsOnce) {
  std::set<int> tabs;
  int focusable = 0;
  for (const auto& c : host::kSettingsControls) {
    if (c.kind == host::ControlKind::Label) {
      EXPECT_EQ(c.tab_index, -1) << c.name;
      continue;
    }
    ++focusable;
    tabs.insert(c.tab_index);
    EXPECT_LE(c.left + c.width, host::kDialogWidth) << c.name;
    EXPECT_LE(c.top + c.height, host::kDialogHeight) << c.name;
  }
  EXPECT_EQ(focusable, 8);
  EXPECT_EQ(tabs, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}));
  EXPECT_EQ(host::control_spec(host::ControlId::CmdCancel).caption, "キャンセル");
  EXPECT_EQ(host::control_spec(host::ControlId::OptNormal).caption, "中速");
}

// The boxes stand for the registry's drills by position: a box whose caption
// names another drill would store that drill's bit under the wrong label.
TEST(DialogControls, DrillBoxesFollowTheRegistry) {
  const host::ControlId boxes[] = {host::ControlId::ChkKiritu, host::ControlId::ChkPonpu,
                                   host::ControlId::ChkKahan};
  const auto drills = drills::registry();
  ASSERT_EQ(drills.size(), std::size(boxes));
  for (std::size_t i = 0; i < drills.size(); ++i) {
    EXPECT_EQ(host::control_spec(boxes[i]).caption, drills[i].display_name);
    EXPECT_EQ(host::control_spec(boxes[i]).name, std::string("chk_") + drills[i].name);
  }
}

}  // namespace
