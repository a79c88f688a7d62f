#pragma once
// The keyframe tables that the choreography fills and the players read.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace stage {

struct PersonSlot {
  std::int16_t x = 0;
  std::int16_t y = 0;
  std::int16_t pose = 0;  // 0..15, p x 22.5 degrees clockwise from screen-up
  friend bool operator==(const PersonSlot&, const PersonSlot&) = default;
};

// One equipment state of a drill keyframe; entry f is read by the drill's layer f.
using EquipmentCode = std::int16_t;

// A table or slot index outside the table's shape. Always a programming error
// in the choreography or the engine, so building stops there.
class IndexError : public std::out_of_range {
 public:
  using std::out_of_range::out_of_range;
};

inline constexpr int kMaxPersons = 21;
inline constexpr int kMaxCodes = 5;

class FrameTable;

class FrameRecord {
 public:
  PersonSlot& persons(int i) { return persons_[check_person(i)]; }
  const PersonSlot& persons(int i) const { return persons_[check_person(i)]; }
  EquipmentCode& code(int i) { return code_[check_code(i)]; }
  EquipmentCode code(int i) const { return code_[check_code(i)]; }

  int person_count() const { return person_count_; }
  int code_count() const { return code_count_; }

  std::int16_t duration = 0;  // ms at speed 1; 0 ends the table
  std::string caption;        // UTF-8; empty for a silent keyframe

 private:
  friend class FrameTable;
  int check_person(int i) const;
  int check_code(int i) const;

  std::array<PersonSlot, kMaxPersons> persons_{};
  std::array<EquipmentCode, kMaxCodes> code_{};
  const char* table_name_ = "";
  std::int16_t index_ = 0;
  std::int8_t person_count_ = 0;
  std::int8_t code_count_ = 0;
};

class FrameTable {
 public:
  FrameTable(const char* name, int records, int persons, int codes);

  FrameRecord& operator[](int i) { return records_[check(i)]; }
  const FrameRecord& operator[](int i) const { return records_[check(i)]; }

  const char* name() const { return name_; }
  int size() const { return static_cast<int>(records_.size()); }
  int person_count() const { return person_count_; }
  int code_count() const { return code_count_; }

  // Index of the first record whose duration is 0: the end marker.
  int end_index() const;
  // Zero every record again, as at start-up.
  void clear();

 private:
  int check(int i) const;

  const char* name_;
  int person_count_;
  int code_count_;
  std::vector<FrameRecord> records_;
};

}  // namespace stage
