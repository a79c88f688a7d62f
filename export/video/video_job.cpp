#include "export/video/video_job.hpp"

#include "drills/registry.hpp"

namespace video {
namespace {

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

// The stage never draws its caption into the picture: burned in, the caption
// comes from the cue plan (see advance_to).
VideoJob::VideoJob(const VideoOptions& options, void (*poll)())
    : plan_(plan_run(options.conf, options.speed, poll)),
      burn_captions_(options.burn_captions),
      window_(options.width, options.height),
      captionless_(window_),
      stage_(captionless_, options.conf, options.speed, drills::registry()),
      clock_(stage_),
      // Frame i is due at i / fps; the last one shows the run's final moment.
      schedule_{0, options.fps, static_cast<long>(plan_.end_ms * options.fps / 1000) + 1},
      sink_(options.path,
            VideoSettings{options.fps, plan_.cues, options.subtitles_path, options.replace,
                          options.subtitles_replace, run_title(options.conf)}) {}

void VideoJob::advance_to(std::int64_t t) {
  clock_.advance_to(t);
  if (!burn_captions_) return;
  const Cue* cue = cue_at(plan_.cues, t);
  window_.set_caption_text(cue ? cue->text : std::string());
}

}  // namespace video
