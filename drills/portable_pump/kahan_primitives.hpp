#pragma once
// The four frame-building primitives of the portable-pump drill, under the
// names its scenes use: the shared primitives of drills/common/tracks.hpp with
// the drill's rules (the stride and beat below; a track that ended before a
// wait stands from its own end). Every scene is written with them: a frame counter `k` names the
// next record to write, each primitive reads record k - 1 and leaves `k` one past what it wrote.
// They write only the fields they name, so several persons' tracks can be written side by side into
// the same records, one counter per person.

#include "stage/frame_table.hpp"

namespace drills::portable_pump {

// Length of one walking step in stage units.
inline constexpr int kKahanStep = 80;

// Duration that kahan_wait gives every record it aligns, in milliseconds.
inline constexpr int kKahanBeat = 300;

// Walks slot `p` from its place in record k - 1 to (X, Y): floor(|D| / 80)
// walking records with pose d1 (D is the longer axis distance, dy on a tie),
// then one record exactly on the target with pose d2. Every record gets
// code[p] = h. A person already on the target gets one record (a turn on the
// spot or a code change).
void kahan_ido(stage::FrameTable& t, int& k, int p, int X, int Y, int d1, int d2, int h);

// Holds slots j..3 in record k where record k - 1 had them.
void kahan_stop(stage::FrameTable& t, int& k, int j);

// Holds slot p for one record and sets its code to h.
void kahan_stop2(stage::FrameTable& t, int& k, int p, int h);

// Aligns the per-person counters k0..k3 (0 = not taking part) at the largest of
// them: every record from k up to that point gets the standard beat, and every
// taking-part person whose track ended earlier stands still until there. `k`
// itself is not changed.
void kahan_wait(stage::FrameTable& t, int k, int& k0, int& k1, int& k2, int& k3);

}  // namespace drills::portable_pump
