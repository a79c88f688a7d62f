#pragma once
// The platoon drill's programme as a sequence of numbered steps, so that each
// step's records can be checked against the drill's record list.

#include <functional>

#include "stage/frame_table.hpp"

namespace drills::platoon {

inline constexpr int kProgrammeSteps = 59;

// Called after each step with its number (1..59), the first record it wrote
// and one past its last record.
using StepObserver = std::function<void(int step, int first, int end)>;

// Writes the whole drill from record 0 on, as kiritu_set does, reporting each step.
void run_kiritu_programme(stage::FrameTable& table, const StepObserver& observer);

}  // namespace drills::platoon
