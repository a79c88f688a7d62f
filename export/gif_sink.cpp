#include "export/gif_sink.hpp"

#include <utility>

namespace raster {
namespace {

constexpr std::int64_t kMsPerCentisecond = 10;

}  // namespace

GifSink::GifSink(std::string path, Replace replace) : path_(std::move(path)), replace_(replace) {}

bool GifSink::begin(int width, int height, std::string* error) {
  const bool ok = gif_.open(path_, width, height, error, replace_);
  warning_ = ok ? gif_.warning() : std::string();
  return ok;
}

bool GifSink::add_frame(const Surface& frame, FrameTime time, std::string* error) {
  warning_.clear();
  // Both ends rounded down to hundredths, so that the delays add up to the
  // real duration instead of drifting by a rounding per frame.
  const auto delay =
      static_cast<int>(time.until_ms / kMsPerCentisecond - time.shown_ms / kMsPerCentisecond);
  return gif_.add_frame(frame, delay, error);
}

bool GifSink::finish(std::string* error) { return gif_.finish(error); }

}  // namespace raster
