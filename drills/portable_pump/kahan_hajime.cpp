#include <array>

#include "drills/portable_pump/kahan_primitives.hpp"
#include "drills/portable_pump/kahan_tracks.hpp"
#include "drills/portable_pump/portable_pump.hpp"

namespace drills::portable_pump {
namespace {

using kahan_tracks::align;
using kahan_tracks::at;
using kahan_tracks::count;
using kahan_tracks::hold;
using kahan_tracks::say;
using kahan_tracks::Step;
using kahan_tracks::walk;

using kahan_tracks::kCommander;
using kahan_tracks::kMember1;
using kahan_tracks::kMember2;
using kahan_tracks::kMember3;

constexpr int kOpeningCommandDuration = 1000;

// The operation. 2番員 and 3番員 put the suction hose into the water source,
// 1番員 lays the first two hose lengths (couplings at 2575 and 4500) while the
// commander lays the last one and takes the nozzle to the far end; the water
// order is relayed along the crew to 3番員 at the pump and reported back, and
// finally 1番員 takes over the nozzle. A code tells the renderer of that
// person's equipment what to draw on that record; runs of counting codes step
// through a drawing.
// clang-format off
constexpr auto kHajimeScript = std::to_array<Step>({
    // 2番員 and 3番員 go to the pump.
    at(kMember2, 740, 900, 9),
    walk(kMember2, 640, 870, 9, 9),
    walk(kMember2, 620, 780, 9, 8),
    walk(kMember3, 860, 780, 0, 0),
    align({kMember2, kMember3}),  // 55
    hold(kMember2, 3),
    hold(kMember3, 3),
    walk(kMember2, 200, 555, 10, 12, Member2Code::SuctionHoseToMember3),
    walk(kMember3, 650, 800, 12, 12),
    walk(kMember3, 600, 555, 12, 12),
    align({kMember2, kMember3}),  // 65
    hold(kMember2, 1, Member2Code::SuctionHoseLaidOut),
    walk(kMember2, 500, 555, 4, 4),
    at(kMember3, 600, 555, 4),
    align({kMember2, kMember3}),  // 70
    at(kMember2, 500, 510, 4),
    at(kMember3, 600, 510, 4),
    align({kMember2, kMember3}),  // 71
    hold(kMember2, 15),
    hold(kMember3, 15),
    say(kMember3, "３番員「よし」"),
    hold(kMember2, 3),
    hold(kMember3, 3),
    at(kMember2, 500, 555, 12, Member2Code::SuctionHoseLaidOut),
    walk(kMember2, 200, 555, 12, 12, Member2Code::SuctionHoseLaidOut),
    at(kMember3, 600, 555, 12),
    walk(kMember3, 400, 555, 12, 12),
    align({kMember2, kMember3}),  // 94
    say(kMember3, "３番員「よし」"),
    hold(kMember2, 3),
    hold(kMember3, 3),
    at(kMember2, 200, 480, 12, Member2Code::SuctionHoseCarried),
    at(kMember2, 200, 450, 12, Member2Code::SuctionHoseCarried),
    at(kMember2, 200, 435, 12, Member2Code::SuctionHoseCarried),
    hold(kMember2, 6),
    at(kMember2, 200, 435, 8, Member2Code::SuctionHoseCarried),
    at(kMember3, 400, 480, 12, Member3Code::SuctionHosePumpEnd),
    at(kMember3, 400, 450, 12, Member3Code::SuctionHosePumpEnd),
    at(kMember3, 400, 435, 12, Member3Code::SuctionHosePumpEnd),
    align({kMember2, kMember3}),  // 107
    say(kMember2, "２番員「よし」"),
    hold(kMember2, 3),
    hold(kMember3, 3),

    // 3番員 goes to the pump and stays there.
    walk(kMember3, 650, 350, 4, 4, Member3Code::SuctionHoseJoined),
    hold(kMember3, 6),
    hold(kMember3, 1, Member3Code::RepaintLineStart),

    // 2番員 finishes the suction side, then walks out along the line to the
    // nozzle end.
    hold(kMember2, 6, Member2Code::SuctionHoseBentIntoTank),
    hold(kMember2, 6),
    hold(kMember2, 6, Member2Code::RepaintWaterSource),
    at(kMember2, 200, 435, 3),
    walk(kMember2, 600, 600, 3, 4, Member2Code::SuctionHoseDragged),
    at(kMember2, 600, 600, 11),
    hold(kMember2, 1),
    hold(kMember2, 1, Member2Code::SuctionHoseLaid),
    hold(kMember2, 1),
    at(kMember2, 600, 600, 4),
    hold(kMember2, 16),
    walk(kMember2, 700, 650, 4, 4),
    hold(kMember2, 6, Member2Code::YellowPieceTaken),
    at(kMember2, 670, 600, 12),
    walk(kMember2, 200, 435, 12, 8, Member2Code::StrainerRope),
    hold(kMember2, 16),
    walk(kMember2, 750, 650, 4, 4),
    hold(kMember2, 16),
    walk(kMember2, 850, 650, 4, 6, Member2Code::CarryLevel),
    walk(kMember2, 2575, 270, 6, 4, Member2Code::CarryTiltedDown),
    walk(kMember2, 5500, 270, 4, 3, Member2Code::CarryLevel),
    walk(kMember2, 6145, 510, 3, 4, Member2Code::CarryTiltedUp),
    count(kMember2, Member2Code::CarryLevelled, Member2Code::NozzleStandMark),

    // The commander takes up the last length at the pump and lays it beyond
    // the coupling at 4500.
    walk(kCommander, 850, 170, 10, 12),
    walk(kCommander, 700, 170, 12, 12),
    at(kCommander, 700, 170, 0, CommanderCode::RedBarTaken),
    hold(kCommander, 1, CommanderCode::LowDiscTaken),
    walk(kCommander, 4200, 180, 4, 4),
    walk(kCommander, 4575, 270, 4, 4),
    count(kCommander, CommanderCode::HoseTo4945, CommanderCode::HoseTo5645),
    at(kCommander, 4575, 270, 12),
    hold(kCommander, 3),
    at(kCommander, 4575, 270, 4, CommanderCode::NozzleInHand),

    // 1番員 lays the line in two lengths, coupling at 2575 and 4500.
    hold(kMember1, 5, Member1Code::MiddleDiscTaken),
    at(kMember1, 565, 270, 12),
    at(kMember1, 530, 270, 4),
    hold(kMember1, 15),
    count(kMember1, Member1Code::HoseTo900, Member1Code::OutletCleared),
    hold(kMember1, 1, Member1Code::HighDiscTaken),
    walk(kMember1, 2575, 270, 4, 4, Member1Code::HoseToRunner),
    count(kMember1, Member1Code::MiddleHoseTo2945, Member1Code::MiddleHoseTo3645),
    at(kMember1, 2575, 270, 8),
    count(kMember1, Member1Code::MiddleCouplingRight, Member1Code::MiddleCouplingJoined),
    walk(kMember1, 4500, 270, 4, 4, Member1Code::HoseFromMiddleToRunner),
    at(kMember1, 4500, 270, 8),
    count(kMember1, Member1Code::NozzleCouplingRight, Member1Code::NozzleCouplingJoined),
    at(kMember1, 4500, 270, 4),
    align({kCommander, kMember1}),  // 141
    say(kCommander, "指揮者「放水はじめ」"),
    hold(kCommander, 3),
    hold(kMember1, 3),
    say(kMember1, "１番員「放水はじめ」"),
    hold(kCommander, 3),
    hold(kMember1, 3),

    // The commander takes the nozzle to the line's end and lays the coil there.
    walk(kCommander, 6075, 270, 4, 4, CommanderCode::HoseToRunnerWithNozzle),
    at(kCommander, 6075, 270, 12),
    hold(kCommander, 5),
    at(kCommander, 6075, 270, 4),
    count(kCommander, CommanderCode::CoilAtRunner355, CommanderCode::CoilAtRunner195),
    at(kCommander, 6145, 270, 4, CommanderCode::HoseFollowsRunner),

    // 1番員 runs the order back to 3番員 at the pump.
    walk(kMember1, 2575, 270, 12, 13),
    walk(kMember1, 1000, 350, 13, 12),
    align({kMember1, kMember3}),  // 192
    say(kMember1, "１番員「放水はじめ」"),
    hold(kMember1, 3),
    hold(kMember3, 3),
    say(kMember3, "３番員「放水はじめ」"),
    hold(kMember1, 3),
    hold(kMember3, 3),
    at(kMember3, 650, 350, 2),
    hold(kMember3, 51),
    at(kMember3, 650, 350, 4),

    // 1番員 runs out along the charged line (the jet grows as he passes) and
    // reports to the commander.
    at(kMember1, 1000, 350, 5),
    walk(kMember1, 2575, 270, 5, 4),
    walk(kMember1, 6065, 270, 4, 4, Member1Code::JetFollowsRunner),
    align({kCommander, kMember1}),  // 263
    say(kMember1, "１番員「伝達終わり」"),
    hold(kCommander, 3),
    hold(kMember1, 3),
    say(kCommander, "指揮者「筒先員交代」"),
    hold(kCommander, 3),
    hold(kMember1, 3),

    // The change at the nozzle: 1番員 steps round the commander and both
    // shuffle along the line until 1番員 holds the nozzle.
    at(kMember1, 6065, 270, 2),
    at(kMember1, 6140, 340, 6),
    at(kMember1, 6215, 270, 4),
    align({kCommander, kMember1}),  // 272
    at(kCommander, 6110, 270, 4),
    at(kMember1, 6180, 270, 4),
    align({kCommander, kMember1}),  // 273
    at(kCommander, 6075, 270, 4),
    at(kMember1, 6145, 270, 4),
    say(kMember1, "１番員「よし」"),
    hold(kMember1, 3),
    align({kCommander, kMember1}),  // 277
    at(kCommander, 6075, 270, 8),
    walk(kCommander, 6075, 170, 8, 6),
    walk(kCommander, 6375, 0, 6, 4, CommanderCode::NozzleLaid),
    at(kMember1, 6145, 270, 4),

    align({kCommander, kMember1, kMember2, kMember3}),  // 285
});
// clang-format on

}  // namespace

void kahan_hajime(stage::FrameTable& t, int& k) {
  for (const char* caption : {"指揮者「操作はじめ」", "３番員「よし」"}) {
    t[k].duration = kOpeningCommandDuration;
    t[k].caption = caption;
    kahan_stop(t, k, 0);
  }
  kahan_tracks::run(t, k, kHajimeScript);
}

}  // namespace drills::portable_pump
