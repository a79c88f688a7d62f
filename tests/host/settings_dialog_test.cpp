#include "host/settings_dialog.hpp"

#include <gtest/gtest.h>

#include <iterator>
#include <set>
#include <vector>

#include "drills/registry.hpp"
#include "fake_platform.hpp"

namespace {

// The registry's drills in their boxes' order.
constexpr int kPlatoonBox = 0;
constexpr int kPumpTruckBox = 1;
constexpr int kPortablePumpBox = 2;

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
  EXPECT_EQ(d.checked(kPlatoonBox), c.kiritu);
  EXPECT_EQ(d.checked(kPumpTruckBox), c.ponpu);
  EXPECT_EQ(d.checked(kPortablePumpBox), c.kahan);
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
  d.click_check(kPlatoonBox, false);
  EXPECT_FALSE(d.ok_enabled());
  host_test::FakePlatform p;
  EXPECT_EQ(d.ok(p), host::OkResult::Disabled);
  EXPECT_TRUE(p.calls.empty());
  for (int drill : {kPlatoonBox, kPumpTruckBox, kPortablePumpBox}) {
    d.click_check(drill, true);
    EXPECT_TRUE(d.ok_enabled());
    d.click_check(drill, false);
    EXPECT_FALSE(d.ok_enabled());
  }
  d.toggle_check(kPumpTruckBox);
  d.toggle_check(kPortablePumpBox);
  d.toggle_check(kPumpTruckBox);
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

// The registry's drills and a fourth one behind them, as a fourth drill's
// registry line would make it.
std::vector<stage::DrillDescriptor> with_a_fourth_drill() {
  std::vector<stage::DrillDescriptor> all(drills::registry().begin(), drills::registry().end());
  stage::DrillDescriptor fourth = all.back();
  fourth.name = "shiken";
  fourth.checkbox_label = "試験操法";
  all.push_back(fourth);
  return all;
}

TEST(DialogControls, EveryLayoutHasEachFocusableControlOnceInsideTheForm) {
  const auto four = with_a_fourth_drill();
  for (const stage::DrillList drills : {drills::registry(), stage::DrillList(four)}) {
    const host::DialogLayout l = host::settings_dialog_layout(drills);
    std::set<int> tabs;
    int focusable = 0;
    for (const auto& c : l.controls) {
      EXPECT_LE(c.left + c.width, l.width) << c.name;
      EXPECT_LE(c.top + c.height, l.height) << c.name;
      if (c.kind == host::ControlKind::Label) {
        EXPECT_EQ(c.tab_index, -1) << c.name;
        continue;
      }
      ++focusable;
      tabs.insert(c.tab_index);
    }
    const int expected = static_cast<int>(drills.size()) + 5;
    EXPECT_EQ(focusable, expected);
    EXPECT_EQ(static_cast<int>(tabs.size()), expected);
    EXPECT_EQ(*tabs.rbegin(), expected - 1);
    EXPECT_EQ(l.box_count(), static_cast<int>(drills.size()));
  }
}

// The registry's three boxes stand where the designed form has them, so the
// dialog looks as it always has.
TEST(DialogControls, TheThreeDrillsFillTheDesignedForm) {
  const host::DialogLayout l = host::settings_dialog_layout(drills::registry());
  EXPECT_EQ(l.width, 3525);
  EXPECT_EQ(l.height, 1710);
  const int designed[3][4] = {{270, 210, 1245, 285}, {240, 540, 1755, 285}, {240, 870, 1905, 285}};
  int box = 0;
  for (const auto& c : l.controls) {
    if (c.id != host::ControlId::DrillBox) continue;
    EXPECT_EQ(c.box, box);
    EXPECT_EQ((std::vector<int>{c.left, c.top, c.width, c.height}),
              (std::vector<int>(std::begin(designed[box]), std::end(designed[box]))));
    ++box;
  }
  EXPECT_EQ(l.control(host::ControlId::Label1).top, 1200);
  EXPECT_EQ(l.control(host::ControlId::OptNormal).top, 1410);
  EXPECT_EQ(l.control(host::ControlId::OptNormal).caption, "中速");
  EXPECT_EQ(l.control(host::ControlId::CmdCancel).caption, "キャンセル");
}

// The boxes stand for the drills by position: a box whose caption names
// another drill would store that drill's bit under the wrong label.
TEST(DialogControls, AFourthDrillGetsABoxBelowTheThirdAndItsBit) {
  const auto four = with_a_fourth_drill();
  const host::DialogLayout l = host::settings_dialog_layout(four);
  std::vector<const host::ControlSpec*> boxes;
  for (const auto& c : l.controls)
    if (c.id == host::ControlId::DrillBox) boxes.push_back(&c);
  ASSERT_EQ(boxes.size(), 4u);
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i]->caption, four[i].checkbox_label);
    EXPECT_EQ(boxes[i]->name, std::string("chk_") + four[i].name);
  }
  EXPECT_GE(boxes[3]->top, boxes[2]->top + boxes[2]->height);
  EXPECT_GE(l.control(host::ControlId::Label1).top, boxes[3]->top + boxes[3]->height);
  EXPECT_GT(l.height, 1710);

  SettingsDialog d({8 | 1, 1}, four);
  ASSERT_EQ(d.box_count(), 4);
  EXPECT_TRUE(d.checked(0) && d.checked(3));
  d.click_check(0, false);
  EXPECT_TRUE(d.ok_enabled());  // the fourth box alone keeps OK
  EXPECT_EQ(d.chosen().conf, 8);
  d.click_check(3, false);
  EXPECT_FALSE(d.ok_enabled());
}

}  // namespace
