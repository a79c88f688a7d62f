#include "drills/pump_truck/pump_truck.hpp"

namespace drills {

// The drill's programme lands with its choreography; until then its table
// stays empty and ends at record 0.
void ponpu_set(stage::FrameTable&) {}

}  // namespace drills
