#pragma once
// An animated GIF of the exported frames (see GifWriter): each frame stays
// for its display time, in the hundredths of a second a GIF counts.

#include <string>

#include "export/frame_sink.hpp"
#include "export/gif_writer.hpp"

namespace raster {

class GifSink final : public FrameSink {
 public:
  // An existing file at path is replaced by the rule `replace` (see OutputFile).
  explicit GifSink(std::string path, Replace replace = Replace::IfWritable);

  bool begin(int width, int height, std::string* error) override;
  bool add_frame(const Surface& frame, FrameTime time, std::string* error) override;
  bool finish(std::string* error) override;
  const std::string& warning() const override { return warning_; }

 private:
  std::string path_;
  Replace replace_;
  GifWriter gif_;  // abandons (removes) an unfinished file when destroyed
  std::string warning_;
};

}  // namespace raster
