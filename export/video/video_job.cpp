#include "export/video/video_job.hpp"

#include "drills/registry.hpp"

namespace video {
namespace {

stage::Window& picture_window(const VideoOptions& options, raster::RasterWindow& window,
                              std::optional<CaptionlessWindow>& captionless,
                              std::optional<raster::TeachingPicture>& teaching) {
  if (options.teaching)
    return teaching.emplace(options.width, options.height, drills::registry(), options.theme)
        .window();
  if (options.burn_captions) return window;
  return captionless.emplace(window);
}

}  // namespace

VideoJob::VideoJob(const VideoOptions& options, void (*poll)())
    : plan_(plan_run(options.conf, options.speed, poll)),
      // The teaching picture has a window of its own: this one stays unused
      // at its smallest.
      window_(options.teaching ? 1 : options.width, options.teaching ? 1 : options.height),
      stage_(picture_window(options, window_, captionless_, teaching_), options.conf, options.speed,
             drills::registry()),
      clock_(stage_),
      // Frame i is due at i / fps; the last one shows the run's final moment.
      schedule_{0, options.fps, static_cast<long>(plan_.end_ms * options.fps / 1000) + 1},
      sink_(options.path, VideoSettings{options.fps, plan_.cues, options.subtitles_path,
                                        options.replace, options.subtitles_replace}) {
  if (teaching_) {
    teaching_->follow(stage_);
    frames_ = &*teaching_;
  } else {
    frames_ = &window_frames_.emplace(window_);
  }
}

}  // namespace video
