#include "export/video/video_job.hpp"

#include "drills/registry.hpp"

namespace video {
namespace {

stage::Window& picture_window(raster::RasterWindow& window,
                              std::optional<CaptionlessWindow>& captionless, bool burn) {
  if (burn) return window;
  return captionless.emplace(window);
}

// The drills a run plays, by their display names in playing order.
std::string run_title(int conf) {
  std::string title;
  for (const stage::DrillDescriptor& d : drills::registry()) {
    if ((conf & d.conf_bit) == 0) continue;
    if (!title.empty()) title += "・";
    title += d.display_name;
  }
  return title;
}

}  // namespace

VideoJob::VideoJob(const VideoOptions& options, void (*poll)())
    : plan_(plan_run(options.conf, options.speed, poll)),
      window_(options.width, options.height),
      stage_(picture_window(window_, captionless_, options.burn_captions), options.conf,
             options.speed, drills::registry()),
      clock_(stage_),
      // Frame i is due at i / fps; the last one shows the run's final moment.
      schedule_{0, options.fps, static_cast<long>(plan_.end_ms * options.fps / 1000) + 1},
      sink_(options.path,
            VideoSettings{options.fps, plan_.cues, options.subtitles_path, options.replace,
                          options.subtitles_replace, run_title(options.conf)}) {}

}  // namespace video
