#include "drills/platoon/platoon.hpp"

namespace drills {

// The drill's programme lands with its choreography; until then its table
// stays empty and ends at record 0.
void kiritu_set(stage::FrameTable&) {}

}  // namespace drills
