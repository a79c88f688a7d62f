#pragma once
// Where exported frames go: a PNG sequence, a GIF, and whatever format comes
// next. The export loop (frame_export.hpp) renders on virtual time and hands
// each composed frame over with the time it is on screen; a new format is one
// new sink.

#include <cstdint>
#include <string>

#include "raster/surface.hpp"

namespace raster {

// When a frame is on screen, in milliseconds of the run's virtual time: from
// shown_ms until (not including) until_ms.
struct FrameTime {
  std::int64_t shown_ms = 0;
  std::int64_t until_ms = 0;
  friend bool operator==(const FrameTime&, const FrameTime&) = default;
};

// One export, in this order: begin() once, add_frame() for each frame in
// display order, finish() once. Each returns false with one line in *error
// when it fails, and the caller then gives the sink up. A sink destroyed
// without a successful finish() (a write failed, the run was stopped, an
// exception unwound) removes everything it wrote, so a failed or interrupted
// run leaves nothing of its own behind.
class FrameSink {
 public:
  virtual ~FrameSink() = default;

  // Frames will be width x height pixels.
  virtual bool begin(int width, int height, std::string* error) = 0;
  // The frame is only read during the call.
  virtual bool add_frame(const Surface& frame, FrameTime time, std::string* error) = 0;
  // Instead of add_frame() when nothing changed since the last frame added:
  // a sink that converts frames can reuse its last conversion.
  virtual bool repeat_frame(const Surface& frame, FrameTime time, std::string* error) {
    return add_frame(frame, time, error);
  }
  // Puts the result in place for good.
  virtual bool finish(std::string* error) = 0;

  // What the last begin() or add_frame() has to tell the user (replacing a
  // hard-linked file, say), or empty.
  virtual const std::string& warning() const = 0;
};

}  // namespace raster
