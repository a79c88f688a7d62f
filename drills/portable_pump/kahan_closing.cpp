#include <array>

#include "drills/portable_pump/kahan_beats.hpp"
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

// Water off: the commander orders it, 1番員 shuts the nozzle and stops the
// jet, 2番員 carries the order back to 3番員 at the pump and returns with the
// report, and 1番員 acknowledges it.
// clang-format off
constexpr auto kBreakScript = std::to_array<Step>({
    at(kCommander, 6375, 0, 14),
    hold(kCommander, 3),
    say(kCommander, "指揮者「放水止め」"),
    hold(kCommander, 3),
    align({kCommander, kMember1}),  // 292
    count(kMember1, Member1Code::JetFallsTo700, Member1Code::JetDry),
    say(kMember1, "１番員「放水止め」"),
    hold(kMember1, 3),
    align({kMember1, kMember2}),  // 299
    say(kMember2, "２番員「よし」"),
    hold(kMember2, 3),
    at(kMember2, 6145, 510, 11),
    walk(kMember2, 5500, 270, 11, 12, Member2Code::NozzleStandMark),
    walk(kMember2, 2575, 270, 12, 13),
    walk(kMember2, 1000, 350, 13, 12),
    align({kMember2, kMember3}),  // 369
    say(kMember2, "２番員「放水止め」"),
    hold(kMember2, 3),
    hold(kMember3, 3),
    say(kMember3, "３番員「放水止め」"),
    hold(kMember2, 3),
    hold(kMember3, 3),
    at(kMember3, 650, 350, 2),
    hold(kMember3, 6),
    at(kMember3, 650, 350, 4),
    at(kMember2, 1000, 350, 5),
    walk(kMember2, 2575, 270, 5, 4),
    walk(kMember2, 6000, 270, 4, 4),
    say(kMember2, "２番員「伝達終わり」"),
    hold(kMember2, 3),
    align({kMember1, kMember2}),  // 442
    count(kMember1, Member1Code::JetSpurts400, Member1Code::NozzleAway),
    walk(kMember2, 6145, 510, 1, 4),
    hold(kMember2, 2),
    count(kMember2, Member2Code::NozzleStandMarkHalfAway, Member2Code::NozzleStandMarkAway),
    align({kCommander, kMember2}),  // 450
    at(kCommander, 6375, 0, 4),
    hold(kMember1, 3),
    say(kMember1, "１番員「よし」"),
    hold(kMember1, 3),
    at(kMember1, 6145, 270, 4, Member1Code::RepaintLaidLine),
    align({kCommander, kMember1, kMember2, kMember3}),  // 454
});
// clang-format on

// Stowing: on the commander's order the crew takes the line and the suction
// hose in and walks back to the pump, the commander returns to his place, and
// the crew falls in at the pump.
// clang-format off
constexpr auto kOsamuScript = std::to_array<Step>({
    at(kCommander, 6375, 0, 14),
    hold(kCommander, 3),
    say(kCommander, "指揮者「おさむ」"),
    hold(kCommander, 3),
    say(kCommander, "１，２，３番員「よし」"),
    hold(kCommander, 3),
    align({kCommander, kMember1, kMember2, kMember3}),  // 464
    at(kMember1, 6165, 200, 14),
    hold(kMember1, 19),
    align({kCommander, kMember1}),  // 484
    walk(kCommander, 1350, 510, 12, 12),
    walk(kMember1, 600, 300, 12, 4, Member1Code::RepaintLaidLine),
    hold(kMember1, 6),
    hold(kMember1, 1, Member1Code::RedBarBack),
    walk(kMember1, 480, 430, 14, 4, Member1Code::RepaintSuctionPipe),
    at(kMember2, 6145, 510, 13),
    walk(kMember2, 850, 650, 13, 12, Member2Code::PieceLowTilted),
    walk(kMember2, 750, 650, 12, 0, Member2Code::PieceLowLevel),
    hold(kMember2, 1, Member2Code::PieceUpright),
    at(kMember2, 750, 650, 4, Member2Code::PieceHeldAcross),
    hold(kMember2, 6),
    walk(kMember2, 500, 500, 14, 4, Member2Code::RepaintSuctionHoseBend),
    at(kMember3, 650, 350, 2, Member3Code::SuctionHoseIntoWater),
    hold(kMember3, 6),
    walk(kMember3, 740, 0, 0, 0, Member3Code::OutletToRunner),
    hold(kMember3, 6),
    walk(kMember3, 480, 570, 14, 4, Member3Code::RepaintPumpSide),
    align({kCommander, kMember1, kMember2, kMember3}),  // 563
});
// clang-format on

using kahan_beats::Beat;
using kahan_beats::move_x;
using kahan_beats::turn;

// Back in line: 1番員 and 3番員 dress on 2番員 as at the assembly.
constexpr std::array<Beat, 8> kOsamuLineBeats{{
    {500, "", {turn(kMember1, 0), turn(kMember3, 8)}},
    {300, "", {move_x(kMember1, 485), move_x(kMember3, 485)}},
    {300, "", {move_x(kMember1, 490), move_x(kMember3, 490)}},
    {300, "", {move_x(kMember1, 495), move_x(kMember3, 495)}},
    {300, "", {move_x(kMember1, 500), move_x(kMember3, 500)}},
    {300, ""},
    {1000, "１番員「よし」"},
    {500, "", {turn(kMember1, 4), turn(kMember3, 4)}},
}};

constexpr int kInspectionOrderDuration = 1000;

// The inspection: each member in turn faces the commander, reports and gets
// his answer, and faces front again.
// clang-format off
constexpr auto kLastScript = std::to_array<Step>({
    at(kMember1, 500, 430, 2),
    hold(kMember1, 2),
    say(kMember1, "１番員「１番員、異常無し」"),
    hold(kMember1, 3),
    say(kMember1, "指揮者「よし」"),
    hold(kMember1, 3),
    at(kMember1, 500, 430, 4),
    align({kMember1, kMember2}),  // 582
    hold(kMember2, 2),
    say(kMember2, "２番員「２番員、異常無し」"),
    hold(kMember2, 3),
    say(kMember2, "指揮者「よし」"),
    hold(kMember2, 3),
    align({kMember2, kMember3}),  // 590
    at(kMember3, 500, 570, 6),
    hold(kMember3, 2),
    say(kMember3, "３番員「３番員、異常無し」"),
    hold(kMember3, 3),
    say(kMember3, "指揮者「よし」"),
    hold(kMember3, 3),
    at(kMember3, 500, 570, 4),
    align({kCommander, kMember1, kMember2, kMember3}),  // 600
});
// clang-format on

// The closing announcement and the dismissal.
constexpr std::array<Beat, 9> kDismissalBeats{{
    {1000, ""},
    {500, "", {turn(kCommander, 4)}},
    {3000, "指揮者「ソラミ町消防隊、可搬ポンプ操法を終了しました。」"},
    {1000, ""},
    {500, "", {turn(kCommander, 12)}},
    {3000, "指揮者「わかれ」"},
    {3000, "", {turn(kMember1, 2), turn(kMember3, 6)}},
    {3000, "", {turn(kMember1, 4), turn(kMember3, 4)}},
    {3000, ""},
}};

}  // namespace

void kahan_break(stage::FrameTable& t, int& k) { kahan_tracks::run(t, k, kBreakScript); }

void kahan_osamu(stage::FrameTable& t, int& k) {
  kahan_tracks::run(t, k, kOsamuScript);
  kahan_beats::play(t, k, kOsamuLineBeats);
}

void kahan_last(stage::FrameTable& t, int& k) {
  // The order is given with the whole formation still; the reports' tracks
  // start after it so that their alignments leave its longer duration alone.
  t[k].duration = kInspectionOrderDuration;
  t[k].caption = "指揮者「点検、報告」";
  kahan_stop(t, k, 0);
  kahan_tracks::run(t, k, kLastScript);
  kahan_beats::play(t, k, kDismissalBeats);
}

}  // namespace drills::portable_pump
