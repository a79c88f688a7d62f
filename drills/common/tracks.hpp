#pragma once
// The frame-building primitives the pump drills share. A frame counter `k`
// names the next record to write; a primitive reads record k - 1, writes record
// k (and perhaps more) and leaves k one past the last record it wrote. It
// writes only the fields it names, so several persons' tracks can be written
// side by side into the same records, one counter per person, and codes are
// non-zero only where a builder put them.
//
// The drills differ only in the rules below: the walking stride, the beat a
// wait gives its records, and how a wait treats a person whose track ended
// before the wait's first record.

#include <span>

#include "stage/frame_table.hpp"

namespace drills::common {

// A wait over a person whose track ended before the wait's first record k.
enum class EarlyTrack {
  // The person is carried forward on records k.. only, one record per record
  // of the wait: the records between the track's end and k stay unwritten and
  // the counter ends short of the meeting point by as many records.
  CarriedFromWaitStart,
  // The person stands from the end of the track up to the meeting point, so no
  // record is left unwritten and the counter ends at the meeting point.
  StandsFromTrackEnd,
};

struct TrackRules {
  const char* name;  // names the drill's primitive in range errors
  int stride;        // a walking record's longest step, in stage units
  int beat_ms;       // the duration a wait gives every record it aligns
  EarlyTrack early_track;
};

// Walks slot p from its place in record k - 1 to (X, Y): floor(L / stride)
// walking records with pose d1 (L the longer axis distance), then one record
// exactly on (X, Y) with pose d2. Each walking record adds the axis's share to
// the rounded value before, never more than a stride. Every record gets code
// entry p = h; a person already on the target gets one record.
void move(const TrackRules& rules, stage::FrameTable& t, int& k, int p, int X, int Y, int d1,
          int d2, int h);

// Holds slots j.. (to the table's last person slot) in record k where record
// k - 1 had them.
void hold_from(stage::FrameTable& t, int& k, int j);

// Holds slot p for one record and sets its code entry to h.
void hold(const TrackRules& rules, stage::FrameTable& t, int& k, int p, int h);

// Aligns the per-person counters (0 = not taking part; counter i is person
// slot i) at the largest of them, m: records k..m-1 get the beat, and every
// taking-part person whose track ended before m is carried forward there, as
// the rules' EarlyTrack says for a track that ended before k. `k` itself is
// not changed.
void wait(const TrackRules& rules, stage::FrameTable& t, int k, std::span<int> counters);

}  // namespace drills::common
