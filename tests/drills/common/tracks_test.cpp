// The shared track primitives under the two pump drills' rules: where the rules
// differ, each gives its own records.

#include "drills/common/tracks.hpp"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using drills::common::EarlyTrack;
using drills::common::TrackRules;
using stage::FrameTable;
using stage::PersonSlot;

constexpr TrackRules kCarried{"test_tracks", 80, 300, EarlyTrack::CarriedFromWaitStart};
constexpr TrackRules kStands{"test_tracks", 80, 250, EarlyTrack::StandsFromTrackEnd};

TEST(CommonWait, ATrackThatEndedBeforeTheWaitFollowsTheRules) {
  const PersonSlot standing{10, 20, 3};
  struct Case {
    TrackRules rules;
    PersonSlot on_records_2_to_7;  // person 0 where the wait has run
    int counter_after;
  };
  // Carried from the wait's start: records 2..4 stay unwritten and 5..7 copy
  // the empty record 4; standing from the track's end: 2..7 hold the person.
  for (const Case c : {Case{kCarried, PersonSlot{}, 5}, Case{kStands, standing, 8}}) {
    FrameTable t("test_frames", 12, 2, 2);
    t[1].persons(0) = standing;  // person 0's track ends at record 2
    std::array<int, 2> counters{2, 8};
    drills::common::wait(c.rules, t, 5, counters);
    EXPECT_EQ(counters[0], c.counter_after);
    EXPECT_EQ(counters[1], 8);
    for (int j = 2; j < 8; ++j) {
      EXPECT_EQ(t[j].persons(0), c.on_records_2_to_7) << "record " << j;
      EXPECT_EQ(t[j].duration, j >= 5 ? c.rules.beat_ms : 0) << "record " << j;
    }
    EXPECT_EQ(t[8].duration, 0);
  }
}

TEST(CommonMove, TheStrideSetsTheStepsAndCapsTheShare) {
  struct Case {
    int stride;
    std::vector<int> xs;  // x of each record written, the target last
  };
  for (const Case& c : {Case{80, {80, 160, 170}}, Case{50, {50, 100, 150, 170}}}) {
    FrameTable t("test_frames", 8, 1, 1);
    const TrackRules rules{"test_tracks", c.stride, 300, EarlyTrack::StandsFromTrackEnd};
    int k = 1;
    drills::common::move(rules, t, k, 0, 170, 0, 4, 6, 9);
    ASSERT_EQ(k, 1 + static_cast<int>(c.xs.size())) << c.stride;
    for (std::size_t i = 0; i < c.xs.size(); ++i) {
      const stage::FrameRecord& r = t[1 + static_cast<int>(i)];
      EXPECT_EQ(r.persons(0).x, c.xs[i]) << c.stride << " record " << i;
      EXPECT_EQ(r.persons(0).pose, i + 1 < c.xs.size() ? 4 : 6);
      EXPECT_EQ(r.code(0), 9);
    }
  }
}

}  // namespace
