// Built only with MIRUKADO_TEST_DRILL=ON, where the registry's one extra line
// adds the drill of tests/fourth_drill/drill: it is then a drill like the
// others to everything that takes drills from the registry.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "drills/registry.hpp"
#include "host/saver.hpp"
#include "host/settings_dialog.hpp"
#include "platform/linux/run_options.hpp"
#include "stage/stage.hpp"
#include "tests/host/fake_platform.hpp"
#include "tests/support/recording_window.hpp"

namespace {

TEST(FourthDrill, IsRegisteredAfterTheThree) {
  const stage::DrillList all = drills::registry();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(drills::find(all, "shiken"), 3);
  EXPECT_EQ(drills::names(all, ","), "kiritu,ponpu,kahan,shiken");
}

// A first start writes the default Conf, every registered drill's bit, and
// the run it starts comes to the fourth drill after the three.
TEST(FourthDrill, PlaysByDefaultInTheSaver) {
  host_test::FakePlatform platform;
  host::Saver saver(platform, platform.parts());
  ASSERT_NE(saver.load("/s"), host::StartResult::Ended);
  EXPECT_NE(platform.ini.find("Conf= 15"), std::string::npos) << platform.ini;
  testing_support::RecordingWindow window;
  stage::Stage stage(window, saver.settings().conf, 3, drills::registry());
  stage.activate();
  constexpr int kFourth = 3;
  constexpr int kMostTicks = 1'000'000;  // far more than the three drills take
  for (int tick = 0; tick < kMostTicks && stage.drill() != kFourth; ++tick) stage.tick();
  EXPECT_EQ(stage.drill(), kFourth);
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

// The desktop entries, the man pages and the package description are
// written from the registry at build time; none names a drill by hand.
TEST(FourthDrill, IsNamedInTheDesktopEntriesManPagesAndPackageDescription) {
  const std::string roff_name = "\\[u8A66]\\[u9A13]\\[u64CD]\\[u6CD5]";  // 試験操法
  const struct {
    const char* path;
    std::vector<std::string> mentions;
  } pages[] = {
      {MIRUKADO_SAVER_DESKTOP,
       {"Keywords=fire brigade;drill;kiritu;", "shiken;試験操法;Test drill;\n",
        "可搬ポンプ操法、試験操法\n"}},
      {MIRUKADO_VIEWER_DESKTOP, {"shiken;試験操法;Test drill;\n", "、試験操法を号令ごとに"}},
      {MIRUKADO_MAN_SAVER,
       {"plays four drills", ".B shiken\nthe test drill (" + roff_name + "); Conf bit 8",
        "15, all of them, by default"}},
      {MIRUKADO_MAN_TOOL, {".B shiken\n", "Default: 15, all of them."}},
      {MIRUKADO_PACKAGE_DESCRIPTION, {"plays four drills", "(試験操法), with each"}},
  };
  for (const auto& page : pages) {
    const std::string text = read_file(page.path);
    for (const std::string& m : page.mentions)
      EXPECT_NE(text.find(m), std::string::npos) << page.path << " lacks " << m << ":\n" << text;
    for (const char* token : {"%DRILL", "%ALL_CONF%", "%FIRST_DRILL%", "%MAN_DRILL_TABLE%"})
      EXPECT_EQ(text.find(token), std::string::npos) << page.path << " keeps " << token;
  }
}

}  // namespace
