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

int find(stage::DrillList list, std::string_view name) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (name == list[i].name) return static_cast<int>(i);
  return -1;
}

std::string names(stage::DrillList list, std::string_view separator) {
  std::string out;
  // Appended piece by piece: GCC 12 at -O3 sees a false overlap in `sep + name`.
  for (const stage::DrillDescriptor& d : list) {
    if (!out.empty()) out.append(separator);
    out.append(d.name);
  }
  return out;
}

}  // namespace drills
