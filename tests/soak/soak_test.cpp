// A day of virtual time with every drill enabled at the highest speed: no
// error, the drills in their cyclic order, and no growth in memory once the
// first cycle has settled.

#include <gtest/gtest.h>
#include <malloc.h>
#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime's allocator interface (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

#include <vector>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/stage.hpp"
#include "stage/virtual_clock.hpp"

namespace {

// Bytes the program holds on the heap. Under AddressSanitizer malloc is its
// own allocator, which keeps the count itself.
std::size_t heap_in_use() {
#if defined(__SANITIZE_ADDRESS__)
  return __sanitizer_get_current_allocated_bytes();
#else
  return mallinfo2().uordblks;
#endif
}

TEST(Soak, ADayAtSpeed3PlaysTheDrillsInOrderWithoutGrowing) {
  raster::RasterWindow window(96, 54);
  stage::Stage stage(window, stage::all_drills_conf(drills::registry()), 3, drills::registry());
  stage::VirtualClock clock(stage);

  constexpr std::int64_t kHour = 3600 * 1000;
  std::vector<int> intros;
  int last_state = -1;
  std::size_t settled = 0;
  for (std::int64_t hour = 1; hour <= 24; ++hour) {
    while (clock.next_due() <= hour * kHour) {
      clock.step();
      const int state = stage.raw_state();
      if (state != last_state && state % 3 == 0) intros.push_back(state);
      last_state = state;
      // What the host presents after every tick.
      window.compose();
    }
    if (hour == 1) settled = heap_in_use();
  }
  ASSERT_GT(settled, 0u) << "the heap count is not available";
  ASSERT_FALSE(stage.ended());
  ASSERT_GT(intros.size(), 30u);
  for (std::size_t i = 0; i < intros.size(); ++i)
    ASSERT_EQ(intros[i], static_cast<int>(i % 3) * 3) << "intro " << i;
  // Captions and composition buffers may shift a little; a leak per tick or
  // per drill would add megabytes over a day.
  EXPECT_LT(heap_in_use(), settled + 64 * 1024);
}

}  // namespace
