#include "export/video/video_job.hpp"

#include "drills/registry.hpp"

namespace video {
namespace {

// The drills a run plays, by their display names in playing order.
std::string run_title(int conf) {
  std::string title;
  const stage::DrillList all = drills::registry();
  for (std::size_t i = 0; i < all.size(); ++i) {
    if ((conf & stage::conf_bit(i)) == 0) continue;
    if (!title.empty()) title += "・";
    title += all[i].display_name;
  }
  return title;
}

// The window the stage draws on: the teaching picture's own, or the saver's
// picture through a window that keeps the stage's caption out (a burned-in
// caption comes from the cue plan, see advance_to).
stage::Window& picture_window(const VideoOptions& options,
                              std::optional<CaptionlessWindow>& captionless,
                              raster::RasterWindow& window,
                              std::optional<raster::TeachingPicture>& teaching) {
  if (options.teaching)
    return teaching.emplace(options.width, options.height, drills::registry(), options.theme)
        .window();
  return captionless.emplace(window);
}

}  // namespace

VideoJob::VideoJob(const VideoOptions& options, void (*poll)())
    : plan_(plan_run(options.conf, options.speed, poll)),
      burn_captions_(options.burn_captions && !options.teaching),
      // The teaching picture has a window of its own: this one stays unused
      // at its smallest.
      window_(options.teaching ? 1 : options.width, options.teaching ? 1 : options.height),
      stage_(picture_window(options, captionless_, window_, teaching_), options.conf, options.speed,
             drills::registry()),
      clock_(stage_),
      // Frame i is due at i / fps; the last one shows the run's final moment.
      schedule_{0, options.fps, static_cast<long>(plan_.end_ms * options.fps / 1000) + 1},
      sink_(options.path,
            VideoSettings{options.fps, plan_.cues, options.subtitles_path, options.replace,
                          options.subtitles_replace, run_title(options.conf)}) {
  if (teaching_) {
    teaching_->follow(stage_);
    teaching_->choose(options.role);
    frames_ = &*teaching_;
  } else {
    frames_ = &window_frames_.emplace(window_);
  }
}

void VideoJob::advance_to(std::int64_t t) {
  clock_.advance_to(t);
  if (!burn_captions_) return;
  const Cue* cue = cue_at(plan_.cues, t);
  window_.set_caption_text(cue ? cue->text : std::string());
}

}  // namespace video
