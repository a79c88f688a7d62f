#pragma once
// The one frame loop of every export: run the drill on virtual time to each
// frame's moment, compose the window, hand the frame to a sink.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/frame_sink.hpp"
#include "raster/raster_window.hpp"

namespace raster {

// Frame i shows every tick due by from + i / fps seconds of the run.
struct FrameSchedule {
  double from_seconds = 0;
  long fps = 1;
  long frames = 0;

  // Milliseconds since activation, rounded down; the small allowance keeps a
  // moment that falls on a whole millisecond from landing one below it through
  // the rounding of i / fps.
  std::int64_t due_ms(long i) const;
};

// What the caller does around the loop. Any of them may throw to stop the
// run; the sink then removes what it wrote when it is destroyed.
struct ExportHooks {
  // Runs the drill up to t (ms since activation). Required.
  std::function<void(std::int64_t t)> advance_to;
  // Runs the drill up to the first frame's moment, which may be far off
  // (progress, a chance to stop); advance_to when unset.
  std::function<void(std::int64_t t)> seek;
  // Before each frame goes to the sink and before finishing: where a run
  // stops for a signal.
  std::function<void()> poll;
  std::function<void(long done)> progress;
  std::function<void(const std::string& text)> warn;
};

// Where the loop's frames come from: a window's own composed frame, or a
// picture composed over it (the teaching picture, with its figures and
// command above the stage's drawing).
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual int width() const = 0;
  virtual int height() const = 0;
  // Brings frame() up to date and returns the regions that changed since the
  // last call; none means the frame is the one handed out last.
  virtual std::vector<Rect> compose() = 0;
  virtual const Surface& frame() const = 0;
};

// The raster window's own frame.
class WindowFrames final : public FrameSource {
 public:
  explicit WindowFrames(RasterWindow& window) : window_(window) {}
  int width() const override { return window_.width_px(); }
  int height() const override { return window_.height_px(); }
  std::vector<Rect> compose() override { return window_.compose(); }
  const Surface& frame() const override { return window_.frame(); }

 private:
  RasterWindow& window_;
};

// Begins the sink, adds schedule.frames frames with their display times and
// finishes it. False with one line in *error when the sink fails.
bool export_frames(FrameSource& source, const FrameSchedule& schedule, FrameSink& sink,
                   const ExportHooks& hooks, std::string* error);
bool export_frames(RasterWindow& window, const FrameSchedule& schedule, FrameSink& sink,
                   const ExportHooks& hooks, std::string* error);

}  // namespace raster
