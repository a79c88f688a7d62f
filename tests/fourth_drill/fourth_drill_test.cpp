// Built only with MIRUKADO_TEST_DRILL=ON, where the registry's one extra line
// adds the drill of tests/fourth_drill/drill: it is then a drill like the
// others to everything that takes drills from the registry.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "drills/registry.hpp"
#include "host/settings_dialog.hpp"
#include "platform/linux/run_options.hpp"

namespace {

TEST(FourthDrill, IsRegisteredAfterTheThreeWithItsBit) {
  const stage::DrillList all = drills::registry();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(drills::find(all, "shiken"), 3);
  EXPECT_EQ(all[3].conf_bit, 8);
  EXPECT_EQ(drills::names(all, ","), "kiritu,ponpu,kahan,shiken");
}

// Both settings dialogs (GTK and Win32) show the model's layout.
TEST(FourthDrill, HasABoxInTheSettingsDialogThatStoresItsBit) {
  host::SettingsDialog d({8, 1}, drills::registry());
  ASSERT_EQ(d.box_count(), 4);
  EXPECT_TRUE(d.checked(3));
  EXPECT_FALSE(d.checked(0));
  int boxes = 0;
  for (const host::ControlSpec& c : d.layout().controls) {
    if (c.id != host::ControlId::DrillBox) continue;
    if (++boxes == 4) {
      EXPECT_EQ(c.name, "chk_shiken");
      EXPECT_EQ(c.caption, "試験操法");
    }
  }
  EXPECT_EQ(boxes, 4);
}

TEST(FourthDrill, IsNamedByTheSaversDrillsOption) {
  const auto o = linux_host::parse_run_options({"--drills", "kahan,shiken"}, drills::registry());
  EXPECT_EQ(o.error, "");
  EXPECT_EQ(o.conf, 4 | 8);
}

std::string read_file(const char* path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(FourthDrill, HasACheckBoxOnXscreensaversSettingsPage) {
  const std::string box = R"x(<boolean id="shiken" _label="Test drill (試験操法)")x";
  EXPECT_NE(read_file(MIRUKADO_XSCREENSAVER_XML).find(box), std::string::npos);
}

TEST(FourthDrill, IsNamedInTheSoftwareCentresDescription) {
  const std::string text = read_file(MIRUKADO_METAINFO_XML);
  EXPECT_NE(text.find("the portable-pump drill (可搬ポンプ操法) and the test drill (試験操法)."),
            std::string::npos)
      << text;
}

}  // namespace
