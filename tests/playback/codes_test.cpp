// Builders and layers agree on the codes: every code a drill's builder writes
// is one its layer paints (or shows or hides a figure for). A code added to a
// drill's enum and written by a builder but given no case in the layer paints
// nothing, and fails here.

#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "drills/registry.hpp"
#include "support/recording_window.hpp"

namespace {

TEST(DrillCodes, EveryCodeTheBuilderWritesIsPaintedByItsLayer) {
  for (const stage::DrillDescriptor& drill : drills::registry()) {
    if (drill.layers.empty()) continue;
    stage::FrameTable table = drill.make_table();
    drill.build(table);
    // Each entry and value the builder wrote, and whether any record carrying
    // it (past the two a layer may look back on) painted: some codes paint
    // only where their runner stands, so one record may rightly paint nothing.
    std::map<std::pair<int, int>, bool> painted;
    const stage::Origin origin{100, 3600, 1};
    for (int r = 2; r < table.end_index(); ++r)
      for (int e = 0; e < table.code_count(); ++e) {
        if (table[r].code(e) == 0) continue;
        testing_support::RecordingWindow window;
        drill.layers[static_cast<std::size_t>(e)](stage::Layer{window, table, r, origin});
        painted[{e, table[r].code(e)}] |= !window.calls.empty();
      }
    EXPECT_GT(painted.size(), 20u) << drill.name;
    for (const auto& [code, any] : painted)
      EXPECT_TRUE(any) << drill.name << " entry " << code.first << " code " << code.second;
  }
}

}  // namespace
