#pragma once
// A PNG sequence: frame_00000.png, frame_00001.png, ... in one folder.

#include <string>

#include "export/frame_sink.hpp"
#include "export/output_file.hpp"

namespace raster {

class PngSequenceSink final : public FrameSink {
 public:
  // The names have five digits.
  static constexpr long kMaxFrames = 100000;

  // folder is created (with its parents) by begin(); an unfinished export
  // removes the files it wrote and the folders it made. A frame's file
  // already there is replaced by the rule `replace` (see OutputFile).
  explicit PngSequenceSink(std::string folder, Replace replace = Replace::IfWritable);

  // Where frame `index` goes: folder/frame_00042.png.
  static std::string frame_path(const std::string& folder, long index);

  bool begin(int width, int height, std::string* error) override;
  // Display times do not enter a still image.
  bool add_frame(const Surface& frame, FrameTime time, std::string* error) override;
  bool finish(std::string* error) override;
  const std::string& warning() const override { return warning_; }

 private:
  std::string folder_;
  Replace replace_;
  RunOutputs outputs_;
  long frames_ = 0;
  std::string warning_;
};

}  // namespace raster
