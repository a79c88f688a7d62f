#include <array>

#include "drills/portable_pump/kahan_beats.hpp"
#include "drills/portable_pump/kahan_primitives.hpp"
#include "drills/portable_pump/portable_pump.hpp"

namespace drills::portable_pump {
namespace {

// The crew stands in a file at x 300 facing right, 70 apart; the commander a
// little in front of them.
constexpr int kOpeningX = 300;
constexpr int kOpeningPose = 4;
constexpr int kCommanderOpeningY = 210;
constexpr int kFirstMemberY = 360;
constexpr int kMemberSpacing = 70;
constexpr int kOpeningDuration = 3000;
constexpr int kClosingHoldDuration = 5000;

}  // namespace

void kahan_set(stage::FrameTable& table) {
  stage::FrameRecord& opening = table[0];
  opening.duration = kOpeningDuration;
  for (int i = 0; i < table.person_count(); ++i) {
    const int y = i == 0 ? kCommanderOpeningY : kFirstMemberY + kMemberSpacing * i;
    opening.persons(i) = {kOpeningX, static_cast<std::int16_t>(y), kOpeningPose};
  }

  int k = 1;
  kahan_start(table, k);
  kahan_tei(table, k);
  kahan_hajime(table, k);
  kahan_break(table, k);
  kahan_osamu(table, k);
  kahan_last(table, k);

  table[k].duration = kClosingHoldDuration;
  kahan_stop(table, k, 0);
  // The end record repeats the formation; its zero duration ends playback.
  table[k].duration = 0;
  kahan_stop(table, k, 0);
}

namespace {

using kahan_beats::Beat;
using kahan_beats::move;
using kahan_beats::move_x;
using kahan_beats::turn;

// Assembly: the commander walks round to face the crew, the crew steps out,
// dresses on 2番員 and numbers off, and the commander announces the drill.
constexpr std::array<Beat, 38> kStartBeats{{
    {500, "", {turn(0, 6)}},
    {300, "", {move(0, 380, 202)}},
    {300, "", {move(0, 460, 194)}},
    {300, "", {move(0, 540, 186)}},
    {300, "", {move(0, 620, 178)}},
    {300, "", {move(0, 700, 170)}},
    {300, "", {move(0, 850, 170, 4)}},
    {300, "", {move(0, 933, 227, 2)}},
    {300, "", {move(0, 1016, 284)}},
    {300, "", {move(0, 1099, 341)}},
    {300, "", {move(0, 1182, 398)}},
    {300, "", {move(0, 1265, 455)}},
    {300, "", {move(0, 1348, 512)}},
    {300, "", {move(0, 1350, 510, 12)}},
    {1000, "指揮者「集まれ」"},
    {1000, ""},
    {300, "", {move_x(1, 380, 4), move_x(2, 380, 4), move_x(3, 380, 4)}},
    {300, "", {move_x(1, 460), move_x(2, 460), move_x(3, 460)}},
    {500, "", {move_x(1, 480), move_x(2, 500), move_x(3, 480)}},
    // 1番員 and 3番員 face 2番員 to dress on him.
    {500, "", {turn(1, 0), turn(3, 8)}},
    {300, "", {move_x(1, 485), move_x(3, 485)}},
    {300, "", {move_x(1, 490), move_x(3, 490)}},
    {300, "", {move_x(1, 495), move_x(3, 495)}},
    {300, "", {move_x(1, 500), move_x(3, 500)}},
    {1000, "１番員「よし」"},
    {500, "", {turn(1, 4), turn(3, 4)}},
    {1000, "指揮者「番号」"},
    {1000, "１番員「１」"},
    {1000, "２番員「２」"},
    {1000, "３番員「３」"},
    {1000, ""},
    {500, "", {turn(0, 4)}},
    {3000, "指揮者「ソラミ町消防隊、ただ今から可搬ポンプ操法を開始します」"},
    {1000, ""},
    {500, "", {turn(0, 12)}},
    {3000, "指揮者「火点は前方の標的、水利はポンプ右側後方防火水槽」"},
    {3000, "指揮者「手びろめによる二重巻ホース、一線延長、ていに着け」"},
    {1000, ""},
}};

// Taking places: each member walks to his post at the pump; the commander
// stays facing the crew.
constexpr std::array<Beat, 9> kTeiBeats{{
    {300, "", {turn(1, 6), turn(2, 14), turn(3, 3)}},
    {300, "", {move(1, 600, 300), move(2, 460, 580), move(3, 580, 610)}},
    {300, "", {turn(1, 4), move(2, 460, 660, 0), move(3, 660, 610, 4)}},
    {300, "", {move(2, 540, 740, 2), move(3, 740, 610)}},
    {300, "", {move(2, 620, 820), move(3, 820, 610)}},
    {300, "", {move(2, 700, 900), move(3, 860, 610)}},
    {300, "", {move(2, 740, 900, 4), turn(3, 8)}},
    {300, "", {move(3, 860, 510)}},
    {300, "", {turn(3, 4)}},
}};

}  // namespace

void kahan_start(stage::FrameTable& t, int& k) { kahan_beats::play(t, k, kStartBeats); }

void kahan_tei(stage::FrameTable& t, int& k) { kahan_beats::play(t, k, kTeiBeats); }

}  // namespace drills::portable_pump
