#include "stage/commands.hpp"

#include <algorithm>
#include <stdexcept>

namespace stage {

DrillTimeline::DrillTimeline(const FrameTable& table) {
  const int end = table.end_index();
  starts_.reserve(static_cast<std::size_t>(end));
  std::string_view previous;
  for (int k = 0; k < end; ++k) {
    const FrameRecord& r = table[k];
    starts_.push_back(total_);
    const std::string_view caption = r.caption;
    if (!caption.empty() && caption != previous) commands_.push_back({k, total_, caption});
    previous = caption;
    total_ += r.duration;
  }
}

int DrillTimeline::check(int keyframe) const {
  if (keyframe < 0 || keyframe >= keyframes()) throw std::out_of_range("keyframe index");
  return keyframe;
}

int DrillTimeline::start_ms(int keyframe) const {
  return starts_[static_cast<std::size_t>(check(keyframe))];
}

int DrillTimeline::duration_ms(int keyframe) const {
  const int next = check(keyframe) + 1;
  const int end = next < keyframes() ? starts_[static_cast<std::size_t>(next)] : total_;
  return end - starts_[static_cast<std::size_t>(keyframe)];
}

int DrillTimeline::keyframe_at(int ms) const {
  if (starts_.empty()) return 0;
  const auto after = std::upper_bound(starts_.begin(), starts_.end(), ms);
  return std::max(0, static_cast<int>(after - starts_.begin()) - 1);
}

int DrillTimeline::command_at(int keyframe) const {
  const auto after = std::upper_bound(commands_.begin(), commands_.end(), keyframe,
                                      [](int k, const Command& c) { return k < c.first_keyframe; });
  return static_cast<int>(after - commands_.begin()) - 1;
}

}  // namespace stage
