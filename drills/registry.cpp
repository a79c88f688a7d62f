#include "drills/registry.hpp"

#include "drills/platoon/platoon.hpp"
#include "drills/portable_pump/portable_pump.hpp"
#include "drills/pump_truck/pump_truck.hpp"

namespace drills {

stage::DrillList registry() {
  // Built on first use, so that no descriptor is read before its own file's
  // statics are initialised.
  static const stage::DrillDescriptor all[] = {platoon::descriptor(), pump_truck::descriptor(),
                                               portable_pump::descriptor()};
  return all;
}

}  // namespace drills
