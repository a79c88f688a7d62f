#pragma once
// The four frame-building primitives of the pump-truck drill, under the names
// its scenes use: the shared primitives of drills/common/tracks.hpp with the
// drill's rules (stride 80, beat 300 ms, a track that ended before a wait is
// carried over the wait's records only). A frame counter k names the next
// record to write, a primitive reads record k - 1, writes record k (and perhaps
// more) and leaves k one past the last record it wrote. A primitive writes only
// the fields it names, so codes are non-zero only where a builder put them.

#include "stage/frame_table.hpp"

namespace drills::pump_truck {

// Person p walks from its position in record k - 1 to (X, Y): floor(L / 80)
// step records with pose d1 (L the longer axis), then one record exactly on
// (X, Y) with pose d2. Every record gets code entry p = h.
void ponpu_ido(stage::FrameTable& table, int& k, int p, int X, int Y, int d1, int d2, int h);

// Hold: slots j..4 of record k copy position and pose from record k - 1.
void ponpu_stop(stage::FrameTable& table, int& k, int j);

// Person p holds for one record while its equipment shows state h.
void ponpu_stop2(stage::FrameTable& table, int& k, int p, int h);

// The persons with a non-zero counter wait for the one furthest ahead: records
// k..m-1 (m the largest counter) get 300 ms, and each waiting person is carried
// forward from the record before. Every non-zero counter that had not ended
// before k ends at m; one that had is carried over records k..m-1 only.
void ponpu_wait(stage::FrameTable& table, int k, int& k0, int& k1, int& k2, int& k3, int& k4);

}  // namespace drills::pump_truck
