#include "export/frame_export.hpp"

#include <cmath>

namespace raster {

std::int64_t FrameSchedule::due_ms(long i) const {
  return static_cast<std::int64_t>(
      std::floor((from_seconds + static_cast<double>(i) / static_cast<double>(fps)) * 1000 + 1e-6));
}

bool export_frames(RasterWindow& window, const FrameSchedule& schedule, FrameSink& sink,
                   const ExportHooks& hooks, std::string* error) {
  WindowFrames frames(window);
  return export_frames(frames, schedule, sink, hooks, error);
}

bool export_frames(FrameSource& window, const FrameSchedule& schedule, FrameSink& sink,
                   const ExportHooks& hooks, std::string* error) {
  const auto poll = [&] {
    if (hooks.poll) hooks.poll();
  };
  const auto warn = [&] {
    if (hooks.warn && !sink.warning().empty()) hooks.warn(sink.warning());
  };
  if (!sink.begin(window.width(), window.height(), error)) return false;
  warn();
  (hooks.seek ? hooks.seek : hooks.advance_to)(schedule.due_ms(0));
  for (long i = 0; i < schedule.frames; ++i) {
    const std::int64_t due = schedule.due_ms(i);
    hooks.advance_to(due);
    poll();
    // compose() reports the regions that changed since the last frame; none
    // means the frame is the one the sink was handed last.
    const bool unchanged = window.compose().empty() && i > 0;
    const FrameTime time{due, schedule.due_ms(i + 1)};
    if (!(unchanged ? sink.repeat_frame(window.frame(), time, error)
                    : sink.add_frame(window.frame(), time, error)))
      return false;
    warn();
    if (hooks.progress) hooks.progress(i + 1);
  }
  poll();
  return sink.finish(error);
}

}  // namespace raster
