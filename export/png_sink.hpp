#pragma once
// A PNG sequence: frame_00000.png, frame_00001.png, ... in one folder.
//
// The frames are rendered into a private folder inside that one and go into
// place together after the last one is written, so that the sequence there
// is never part old and part new: a run that fails or is stopped leaves the
// earlier sequence whole. Frames of an earlier, longer sequence past this
// one's last would stay beside it; they are refused under any rule but
// Replace::Forced, and taken away with the swap under it.

#include <string>
#include <vector>

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
  // The frames in folder numbered from `count` on, sorted: what an earlier
  // sequence leaves that one of `count` frames does not replace. Only files
  // and links named as frames count; nothing else in the folder is ours.
  static std::vector<std::string> stale_frames(const std::string& folder, long count);
  // The one line that refuses them.
  static std::string stale_refusal(const std::string& folder, const std::vector<std::string>& stale,
                                   long count);

  bool begin(int width, int height, std::string* error) override;
  // Display times do not enter a still image.
  bool add_frame(const Surface& frame, FrameTime time, std::string* error) override;
  bool finish(std::string* error) override;
  const std::string& warning() const override { return warning_; }

 private:
  std::string folder_;
  Replace replace_;
  RunOutputs outputs_;  // the folders made, removed after the staged files
  StagingFolder staging_;
  long frames_ = 0;
  std::string warning_;
};

}  // namespace raster
