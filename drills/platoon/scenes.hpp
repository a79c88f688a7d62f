#pragma once
// The platoon drill's scene routines. Each appends its records through the
// frame counter `k` like the primitives and writes only what its movement
// changes.

#include "stage/frame_table.hpp"

namespace drills::platoon {

// Opening, dismissal and the closing march of the programme.
void kiritu_start(stage::FrameTable& table, int& k);
void kiritu_wakare(stage::FrameTable& table, int& k);
void kiritu_last(stage::FrameTable& table, int& k);

// Forming up and dressing.
void kiritu_seisi(stage::FrameTable& table, int& k);
void kiritu_seiton(stage::FrameTable& table, int& k, int m);
void kiritu_seiton2(stage::FrameTable& table, int& k);
void kiritu_seiton3(stage::FrameTable& table, int& k);

// Facings on the march and halts.
void kiritu_migimuke(stage::FrameTable& table, int& k);
void kiritu_hidarimuke(stage::FrameTable& table, int& k);
void kiritu_hidarimuke2(stage::FrameTable& table, int& k);
void kiritu_hidaristop(stage::FrameTable& table, int& k);

// Wheels, deployments and the march past.
void kiritu_kumimigi(stage::FrameTable& table, int& k, int sp);
void kiritu_kumihidari(stage::FrameTable& table, int& k, int sp);
void kiritu_miginarabi(stage::FrameTable& table, int& k);
void kiritu_hidarinarabi(stage::FrameTable& table, int& k);
void kiritu_migimuki(stage::FrameTable& table, int& k);
void kiritu_migimuki2(stage::FrameTable& table, int& k);
void kiritu_bunretu(stage::FrameTable& table, int& k);

}  // namespace drills::platoon
