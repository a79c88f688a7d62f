#pragma once
// A video of the exported frames through FFmpeg's libraries: H.264 in MP4
// (yuv420p, index at the front so that it plays while it downloads) or VP9 in
// WebM, at a constant frame rate, with the commands as a subtitle track
// (mov_text in MP4, WebVTT in WebM) and, on request, a subtitle file beside.
//
// Frames are converted to YUV as they come and handed to an encoder thread
// through a short queue, so that rendering and encoding overlap; a frame that
// did not change reuses the last conversion.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/frame_sink.hpp"
#include "export/output_file.hpp"
#include "export/video/subtitles.hpp"

namespace video {

enum class Container { Mp4, Webm };
enum class SubtitleFormat { Srt, Vtt };

// By the file name's extension (case-insensitive); nullopt for any other.
std::optional<Container> container_for(const std::string& path);
std::optional<SubtitleFormat> subtitle_format_for(const std::string& path);

// Whether FFmpeg takes frames of this size at all: it refuses a frame whose
// size with its margins passes a bound, whatever the encoder.
bool frame_size_supported(int width, int height);
// The greatest even height FFmpeg takes at this width (0 if none).
int tallest_supported_height(int width);

struct VideoSettings {
  long fps = 30;
  // Burned-in captions or not, the cues go in as a subtitle track; none when empty.
  std::vector<Cue> cues;
  // Also written as SubRip or WebVTT there, by its extension; none when empty.
  std::string subtitles_path;
  // What may happen to a file already at the video's and the subtitles' path.
  raster::Replace replace = raster::Replace::IfWritable;
  raster::Replace subtitles_replace = raster::Replace::IfWritable;
  // The container's title tag, what players show in their title bar; none when empty.
  std::string title{};
};

class VideoSink final : public raster::FrameSink {
 public:
  VideoSink(std::string path, VideoSettings settings);
  ~VideoSink() override;  // unfinished: stops the encoder and removes what it wrote
  VideoSink(const VideoSink&) = delete;
  VideoSink& operator=(const VideoSink&) = delete;

  // Width and height have to be even (4:2:0 chroma).
  bool begin(int width, int height, std::string* error) override;
  bool add_frame(const raster::Surface& frame, raster::FrameTime time, std::string* error) override;
  bool repeat_frame(const raster::Surface& frame, raster::FrameTime time,
                    std::string* error) override;
  bool finish(std::string* error) override;
  const std::string& warning() const override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace video
