#include "stage/frame_table.hpp"

namespace stage {
namespace {

[[noreturn]] void out_of_range(const char* table, const char* what, int index, int limit) {
  throw IndexError(std::string(table) + ": " + what + " " + std::to_string(index) + " outside 0.." +
                   std::to_string(limit - 1));
}

}  // namespace

int FrameRecord::check_person(int i) const {
  if (i < 0 || i >= person_count_)
    out_of_range(table_name_, ("record " + std::to_string(index_) + " person slot").c_str(), i,
                 person_count_);
  return i;
}

int FrameRecord::check_code(int i) const {
  if (i < 0 || i >= code_count_)
    out_of_range(table_name_, ("record " + std::to_string(index_) + " code").c_str(), i,
                 code_count_);
  return i;
}

FrameTable::FrameTable(const char* name, int records, int persons, int codes)
    : name_(name), person_count_(persons), code_count_(codes) {
  if (records <= 0 || records > 32767 || persons < 0 || persons > kMaxPersons || codes < 0 ||
      codes > kMaxCodes)
    throw std::invalid_argument(std::string(name) + ": unsupported table shape");
  records_.resize(static_cast<std::size_t>(records));
  for (int i = 0; i < records; ++i) {
    FrameRecord& r = records_[static_cast<std::size_t>(i)];
    r.table_name_ = name_;
    r.index_ = static_cast<std::int16_t>(i);
    r.person_count_ = static_cast<std::int8_t>(persons);
    r.code_count_ = static_cast<std::int8_t>(codes);
  }
}

int FrameTable::check(int i) const {
  if (i < 0 || i >= size()) out_of_range(name_, "record", i, size());
  return i;
}

int FrameTable::end_index() const {
  for (int i = 0; i < size(); ++i)
    if (records_[static_cast<std::size_t>(i)].duration == 0) return i;
  return size();
}

void FrameTable::clear() {
  for (FrameRecord& r : records_) {
    r.persons_.fill(PersonSlot{});
    r.code_.fill(0);
    r.duration = 0;
    r.caption.clear();
  }
}

}  // namespace stage
