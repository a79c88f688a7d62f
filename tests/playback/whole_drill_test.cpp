// Both pump drills played through the stage on the raster window, with their
// real tables: the picture the renderers have accumulated at the ends of
// scenes. 1520 x 1240 pixels at 15 twips per pixel gives s = 3, five stage
// units per pixel, about the size of a full-screen run.

#include <gtest/gtest.h>

#include <optional>

#include "drills/portable_pump/portable_pump.hpp"
#include "drills/pump_truck/pump_truck.hpp"
#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/rounding.hpp"
#include "stage/stage.hpp"
#include "tests/support/canvas.hpp"

namespace {

// The pump drills' Conf bits, as the saver's settings files keep them.
constexpr int kPumpTruckConf = 2;
constexpr int kPortablePumpConf = 4;

using namespace stage::colors;
using drills::PlaybackState;
using render_test::name_of;

class DrillRun {
 public:
  explicit DrillRun(int conf) : stage_(window_, conf, 3, drills::registry()) { stage_.activate(); }

  // Ticks until the player has shown record `record` of the drill.
  void play_through(PlaybackState player, int record) {
    for (int i = 0; i < 20000; ++i) {
      stage_.tick();
      if (drills::playback_state(stage_) == player && stage_.frame_index() == record + 1) return;
    }
    FAIL() << "record " << record << " was never shown";
  }

  bool kahan = false;

  stage::Origin origin() const {
    const auto& g = stage_.geometry();
    return kahan ? drills::portable_pump::kahan_origin(g) : drills::pump_truck::ponpu_origin(g);
  }
  int px(int x) const {
    const stage::Origin o = origin();
    return static_cast<int>(stage::round_half_even((o.x0 + x * o.s) / 15.0f));
  }
  int py(int y) const {
    const stage::Origin o = origin();
    return static_cast<int>(stage::round_half_even((o.y0 - y * o.s) / 15.0f));
  }
  stage::Rgb at(int x, int y) const { return window_.surface_pixel(px(x), py(y)); }

  // Every stage point of [x1..x2] x [y1..y2] has colour `want` (checked on the
  // pixels those points fall on).
  ::testing::AssertionResult all(int x1, int x2, int y1, int y2, stage::Rgb want) const {
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x)
        if (at(x, y) != want)
          return ::testing::AssertionFailure()
                 << "stage (" << x << ", " << y << ") = pixel (" << px(x) << ", " << py(y)
                 << ") is " << name_of(at(x, y)) << ", expected " << name_of(want);
    return ::testing::AssertionSuccess();
  }

  // The first stage point (on a 5-unit grid) right of `x_min` that shows water.
  std::optional<std::pair<int, int>> cyan_right_of(int x_min) const {
    for (int y = -1000; y <= 2500; y += 5)
      for (int x = x_min; x <= 7400; x += 5)
        if (px(x) >= 0 && py(y) >= 0 && px(x) < window_.width_px() && py(y) < window_.height_px() &&
            at(x, y) == cyan)
          return std::pair{x, y};
    return std::nullopt;
  }

 private:
  raster::RasterWindow window_{1520, 1240};
  stage::Stage stage_;
};

TEST(PumpTruckDrill, AfterTheFirstLineLineOneRunsFromTheTruckToTheJet) {
  DrillRun run(kPumpTruckConf);
  run.play_through(PlaybackState::Ponpu, 320);
  // The laid hose, from the truck's outlet to the coil, with its two couplings.
  EXPECT_TRUE(run.all(950, 2745, 186, 194, white));
  EXPECT_TRUE(run.all(2760, 4675, 186, 194, white));
  EXPECT_TRUE(run.all(4690, 5740, 186, 194, white));
  EXPECT_EQ(run.at(2751, 190), grey);
  EXPECT_EQ(run.at(4681, 190), grey);
  EXPECT_TRUE(run.all(950, 960, 200, 395, white)) << "down from the outlet";
  // The coil at (6000, 195): its lower half only, the hose inside it erased.
  EXPECT_EQ(run.at(6000, -50), white);
  EXPECT_EQ(run.at(5900, 190), black);
  EXPECT_EQ(run.at(6000, 440), black);
  EXPECT_TRUE(run.all(6255, 6315, 186, 194, white));
  EXPECT_TRUE(run.all(6325, 6415, 186, 194, red)) << "the nozzle";
  EXPECT_TRUE(run.all(6425, 7420, 185, 194, cyan)) << "the full jet";
  EXPECT_EQ(run.at(7430, 190), black);
  // Line 2 is not laid yet.
  EXPECT_TRUE(run.all(1000, 7400, 805, 815, black));
}

TEST(PumpTruckDrill, AfterTheSecondLineBothJetsRun) {
  DrillRun run(kPumpTruckConf);
  run.play_through(PlaybackState::Ponpu, 645);
  EXPECT_TRUE(run.all(6425, 7420, 185, 194, cyan)) << "line 1";
  EXPECT_TRUE(run.all(6425, 7420, 805, 814, cyan)) << "line 2";
  EXPECT_TRUE(run.all(6325, 6415, 806, 815, red)) << "line 2's nozzle";
  EXPECT_EQ(run.at(6000, 1050), white) << "line 2's coil";
}

TEST(PumpTruckDrill, WaterOffLeavesNoWaterButTheSource) {
  DrillRun run(kPumpTruckConf);
  run.play_through(PlaybackState::Ponpu, 825);
  const auto water = run.cyan_right_of(205);
  EXPECT_FALSE(water) << "cyan at (" << water->first << ", " << water->second << ")";
  EXPECT_TRUE(run.all(6325, 7420, 185, 194, black));
  EXPECT_TRUE(run.all(6325, 7420, 805, 814, black));
  for (int record : {997, 1045}) {  // stowed, and the last keyframe
    run.play_through(PlaybackState::Ponpu, record);
    const auto late = run.cyan_right_of(205);
    EXPECT_FALSE(late) << record << ": cyan at (" << late->first << ", " << late->second << ")";
  }
}

TEST(PortablePumpDrill, WaterRunsAfterTheOperationAndStopsAfterTheBreak) {
  DrillRun run(kPortablePumpConf);
  run.kahan = true;
  run.play_through(PlaybackState::Kahan, 284);
  EXPECT_TRUE(run.all(6250, 7245, 185, 194, cyan)) << "the full jet";
  EXPECT_EQ(run.at(7255, 190), black);
  EXPECT_TRUE(run.all(6150, 6240, 185, 194, red)) << "the nozzle";
  EXPECT_EQ(run.at(2576, 190), grey);
  EXPECT_EQ(run.at(4501, 190), grey);
  run.play_through(PlaybackState::Kahan, 453);
  const auto water = run.cyan_right_of(300);
  EXPECT_FALSE(water) << "cyan at (" << water->first << ", " << water->second << ")";
}

}  // namespace
