#include "drills/registry.hpp"

// The drills in playback order, one line each: the namespace of its folder,
// which defines descriptor(). Adding a drill is its folder and its line here.
// The test build adds the test-only fourth drill (tests/fourth_drill) by its
// line, which expands to nothing in every other build.
#define MIRUKADO_DRILLS(DRILL, TEST_DRILL) \
  DRILL(platoon)                           \
  DRILL(pump_truck)                        \
  DRILL(portable_pump)                     \
  TEST_DRILL(shiken)

#define MIRUKADO_DECLARE_DRILL(folder)        \
  namespace folder {                          \
  const stage::DrillDescriptor& descriptor(); \
  }
#define MIRUKADO_DRILL_ENTRY(folder) folder::descriptor(),
#ifdef MIRUKADO_TEST_DRILL
#define MIRUKADO_TEST_DRILL_DECLARATION(folder) MIRUKADO_DECLARE_DRILL(folder)
#define MIRUKADO_TEST_DRILL_ENTRY(folder) MIRUKADO_DRILL_ENTRY(folder)
#else
#define MIRUKADO_TEST_DRILL_DECLARATION(folder)
#define MIRUKADO_TEST_DRILL_ENTRY(folder)
#endif

namespace drills {

MIRUKADO_DRILLS(MIRUKADO_DECLARE_DRILL, MIRUKADO_TEST_DRILL_DECLARATION)

stage::DrillList registry() {
  // Built on first use, so that no descriptor is read before its own file's
  // statics are initialised.
  static const stage::DrillDescriptor all[] = {
      MIRUKADO_DRILLS(MIRUKADO_DRILL_ENTRY, MIRUKADO_TEST_DRILL_ENTRY)};
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
