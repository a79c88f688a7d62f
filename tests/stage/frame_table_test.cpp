#include "stage/frame_table.hpp"

#include <gtest/gtest.h>

namespace {

using stage::FrameTable;

TEST(FrameTable, EndIndexIsTheFirstZeroDurationAndClearRestoresZero) {
  FrameTable t("test_frames", 1001, 4, 4);
  t[0].duration = 300;
  t[1].duration = 100;
  t[1].persons(3) = {10, -20, 15};
  t[1].code(2) = 7;
  t[1].caption = "番号";
  t[3].duration = 100;  // after a gap: the table already ended at 2
  EXPECT_EQ(t.end_index(), 2);
  t.clear();
  EXPECT_EQ(t.end_index(), 0);
  EXPECT_EQ(t[1].persons(3), stage::PersonSlot{});
  EXPECT_EQ(t[1].code(2), 0);
  EXPECT_TRUE(t[1].caption.empty());
}

}  // namespace
