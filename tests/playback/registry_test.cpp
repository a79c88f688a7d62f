// The registry as the saver, the settings and the tool rely on it: the state
// numbers (3 x drill + phase) and the Conf bits keep their meaning only while
// the drills stay in this order with these bits.

#include "drills/registry.hpp"

#include <gtest/gtest.h>

#include <string>

#include "stage/stage.hpp"
#include "support/recording_window.hpp"

namespace {

TEST(Registry, ListsThePlatoonPumpTruckAndPortablePumpInPlaybackOrder) {
  const stage::DrillList drills = drills::registry();
  ASSERT_EQ(drills.size(), 3u);
  struct Want {
    const char* name;
    int bit;
    const char* table;
    int persons;
  };
  const Want want[] = {{"kiritu", 1, "kiritu_frames", 21},
                       {"ponpu", 2, "ponpu_frames", 5},
                       {"kahan", 4, "kahan_frames", 4}};
  for (std::size_t i = 0; i < drills.size(); ++i) {
    EXPECT_EQ(std::string(drills[i].name), want[i].name);
    EXPECT_EQ(stage::conf_bit(i), want[i].bit) << want[i].name;
    const stage::FrameTable table = drills[i].make_table();
    EXPECT_EQ(std::string(table.name()), want[i].table);
    EXPECT_EQ(table.person_count(), want[i].persons) << want[i].name;
  }
}

TEST(Registry, EachDrillsIntroIsTheStateItsNameSays) {
  using drills::PlaybackState;
  for (const auto& [conf, intro] : {std::pair{1, PlaybackState::KirituStart},
                                    {2, PlaybackState::PonpuStart},
                                    {4, PlaybackState::KahanStart}}) {
    testing_support::RecordingWindow window;
    stage::Stage stage(window, conf, 3, drills::registry());
    stage.activate();
    EXPECT_EQ(drills::playback_state(stage), intro) << conf;
  }
}

}  // namespace
