#include "drills/registry.hpp"

namespace drills {

stage::DrillList registry() {
  // Built on first use, so that no descriptor is read before its own file's
  // statics are initialised.
  static const stage::DrillDescriptor all[] = {platoon_drill(), pump_truck_drill(),
                                               portable_pump_drill()};
  return all;
}

}  // namespace drills
