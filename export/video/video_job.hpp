#pragma once
// One video export set up: the run planned (its length and its cues), the
// window and the stage on virtual time, the frame schedule and the sink. The
// caller renders it with raster::export_frames (its own hooks: progress, a
// stop signal), running the drill through advance_to.

#include <optional>
#include <string>

#include "export/frame_export.hpp"
#include "export/teaching/teaching_picture.hpp"
#include "export/video/captionless_window.hpp"
#include "export/video/subtitles.hpp"
#include "export/video/video_sink.hpp"
#include "raster/raster_window.hpp"
#include "stage/stage.hpp"
#include "stage/virtual_clock.hpp"

namespace video {

struct VideoOptions {
  int conf = 0;  // the drill mask: one drill's bit, or several played in order
  int speed = 1;
  long fps = 30;
  int width = 1280;
  int height = 720;
  bool burn_captions = false;  // the captions in the picture, not only in the track
  std::string path;
  std::string subtitles_path;
  raster::Replace replace = raster::Replace::IfWritable;  // see VideoSettings
  raster::Replace subtitles_replace = raster::Replace::IfWritable;
  // The teaching picture (its command box shows the command that stays, so
  // burn_captions has nothing to add there) rather than the saver's.
  bool teaching = false;
  stage::Theme theme = stage::Theme::Dark;
  // With the teaching picture: the position it follows (see TeachingPicture::choose).
  std::optional<int> role = std::nullopt;
};

class VideoJob {
 public:
  // poll runs now and then while the run is planned and may throw to stop.
  explicit VideoJob(const VideoOptions& options, void (*poll)() = nullptr);
  VideoJob(const VideoJob&) = delete;
  VideoJob& operator=(const VideoJob&) = delete;

  // Runs the drill up to t (ms since activation) and, with burned captions,
  // puts the cue on screen at t in the caption's place: a cue outlasts the
  // keyframes that show it, so the picture follows the cue plan, not the
  // stage's caption.
  void advance_to(std::int64_t t);

  // The saver's picture draws on window(); the frames to encode come from
  // frames(), which is that window's or the teaching picture over it.
  raster::RasterWindow& window() { return window_; }
  raster::FrameSource& frames() { return *frames_; }
  stage::VirtualClock& clock() { return clock_; }
  const RunPlan& plan() const { return plan_; }
  const raster::FrameSchedule& schedule() const { return schedule_; }
  VideoSink& sink() { return sink_; }

 private:
  RunPlan plan_;
  bool burn_captions_;
  raster::RasterWindow window_;
  std::optional<CaptionlessWindow> captionless_;
  std::optional<raster::TeachingPicture> teaching_;
  std::optional<raster::WindowFrames> window_frames_;
  raster::FrameSource* frames_ = nullptr;
  stage::Stage stage_;
  stage::VirtualClock clock_;
  raster::FrameSchedule schedule_;
  VideoSink sink_;
};

}  // namespace video
