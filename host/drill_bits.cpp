#include "drills/registry.hpp"
#include "host/settings_dialog.hpp"

namespace host {

// The check boxes stand for the registry's drills, in its order; their bits
// come from there, so the dialog and playback can never disagree on a drill.
DrillBits registry_drill_bits() {
  DrillBits bits{};
  const stage::DrillList drills = drills::registry();
  for (std::size_t i = 0; i < bits.size() && i < drills.size(); ++i) bits[i] = drills[i].conf_bit;
  return bits;
}

}  // namespace host
