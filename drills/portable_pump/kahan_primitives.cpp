#include "drills/portable_pump/kahan_primitives.hpp"

#include <array>

#include "drills/common/tracks.hpp"

namespace drills::portable_pump {
namespace {

constexpr common::TrackRules kTracks{.name = "kahan_ido",
                                     .stride = kKahanStep,
                                     .beat_ms = kKahanBeat,
                                     .early_track = common::EarlyTrack::StandsFromTrackEnd};

}  // namespace

void kahan_ido(stage::FrameTable& t, int& k, int p, int X, int Y, int d1, int d2, int h) {
  common::move(kTracks, t, k, p, X, Y, d1, d2, h);
}

void kahan_stop(stage::FrameTable& t, int& k, int j) { common::hold_from(t, k, j); }

void kahan_stop2(stage::FrameTable& t, int& k, int p, int h) { common::hold(kTracks, t, k, p, h); }

void kahan_wait(stage::FrameTable& t, int k, int& k0, int& k1, int& k2, int& k3) {
  std::array<int, 4> counters{k0, k1, k2, k3};
  common::wait(kTracks, t, k, counters);
  k0 = counters[0], k1 = counters[1], k2 = counters[2], k3 = counters[3];
}

}  // namespace drills::portable_pump
