// The registered drills' tables: their shapes, zero-filled start and the index
// errors that name the table.

#include <gtest/gtest.h>

#include <string>

#include "drills/platoon/platoon.hpp"
#include "drills/portable_pump/portable_pump.hpp"
#include "drills/pump_truck/pump_truck.hpp"
#include "stage/frame_table.hpp"

namespace {

using stage::FrameTable;
using stage::IndexError;

struct Shape {
  FrameTable (*make)();
  const char* name;
  int records;
  int persons;
  int codes;
};

class TableShapes : public ::testing::TestWithParam<Shape> {};

TEST_P(TableShapes, HaveTheirSizesAndStartZeroFilled) {
  const Shape shape = GetParam();
  const FrameTable t = shape.make();
  EXPECT_STREQ(t.name(), shape.name);
  EXPECT_EQ(t.size(), shape.records);
  EXPECT_EQ(t.person_count(), shape.persons);
  EXPECT_EQ(t.code_count(), shape.codes);
  for (int i : {0, shape.records / 2, shape.records - 1}) {
    EXPECT_EQ(t[i].duration, 0);
    EXPECT_TRUE(t[i].caption.empty());
    for (int p = 0; p < shape.persons; ++p) EXPECT_EQ(t[i].persons(p), stage::PersonSlot{});
    for (int c = 0; c < shape.codes; ++c) EXPECT_EQ(t[i].code(c), 0);
  }
  // An empty table ends at once: record 0 is its end marker.
  EXPECT_EQ(t.end_index(), 0);
}

TEST_P(TableShapes, IndexErrorsNameTheTableAndTheIndex) {
  const Shape shape = GetParam();
  FrameTable t = shape.make();
  auto message_of = [](auto&& f) {
    try {
      f();
    } catch (const IndexError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  const std::string rec = message_of([&] { (void)t[shape.records]; });
  EXPECT_NE(rec.find(shape.name), std::string::npos) << rec;
  EXPECT_NE(rec.find(std::to_string(shape.records)), std::string::npos) << rec;
  EXPECT_NE(message_of([&] { (void)t[-1]; }).find("-1"), std::string::npos);

  const std::string slot = message_of([&] { (void)t[7].persons(shape.persons); });
  EXPECT_NE(slot.find(shape.name), std::string::npos) << slot;
  EXPECT_NE(slot.find("record 7"), std::string::npos) << slot;
  EXPECT_NE(slot.find("slot " + std::to_string(shape.persons)), std::string::npos) << slot;

  const std::string code = message_of([&] { (void)t[3].code(shape.codes); });
  EXPECT_NE(code.find(shape.name), std::string::npos) << code;
  EXPECT_NE(code.find("code " + std::to_string(shape.codes)), std::string::npos) << code;

  // The last valid indices are accepted.
  EXPECT_NO_THROW((void)t[shape.records - 1].persons(shape.persons - 1));
}

INSTANTIATE_TEST_SUITE_P(
    Drills, TableShapes,
    ::testing::Values(Shape{drills::platoon::make_kiritu_frames, "kiritu_frames", 2001, 21, 0},
                      Shape{drills::pump_truck::make_ponpu_frames, "ponpu_frames", 1101, 5, 5},
                      Shape{drills::portable_pump::make_kahan_frames, "kahan_frames", 1001, 4, 4}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
