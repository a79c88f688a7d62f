#include "drills/pump_truck/primitives.hpp"

#include <array>

#include "drills/common/tracks.hpp"

namespace drills::pump_truck {
namespace {

// The drill's stride and beat; a wait carries a person whose track ended
// before the wait's first record over the wait's own records only.
constexpr common::TrackRules kTracks{.name = "ponpu_ido",
                                     .stride = 80,
                                     .beat_ms = 300,
                                     .early_track = common::EarlyTrack::CarriedFromWaitStart};

}  // namespace

void ponpu_ido(stage::FrameTable& table, int& k, int p, int X, int Y, int d1, int d2, int h) {
  common::move(kTracks, table, k, p, X, Y, d1, d2, h);
}

void ponpu_stop(stage::FrameTable& table, int& k, int j) { common::hold_from(table, k, j); }

void ponpu_stop2(stage::FrameTable& table, int& k, int p, int h) {
  common::hold(kTracks, table, k, p, h);
}

void ponpu_wait(stage::FrameTable& table, int k, int& k0, int& k1, int& k2, int& k3, int& k4) {
  std::array<int, 5> counters{k0, k1, k2, k3, k4};
  common::wait(kTracks, table, k, counters);
  k0 = counters[0], k1 = counters[1], k2 = counters[2], k3 = counters[3], k4 = counters[4];
}

}  // namespace drills::pump_truck
