#pragma once
// The viewer's own file of what a learner has done:
// ${XDG_CONFIG_HOME:-$HOME/.config}/mirukado/viewer-progress, the position
// chosen and the last practice scores per drill (stage/progress.hpp's text).
// Never the saver's settings file: the viewer leaves those alone.

#include <string>

#include "stage/progress.hpp"

namespace linux_host {

std::string viewer_progress_path();

struct LoadedProgress {
  stage::LearnerProgress progress;
  // The file was there but did not read as progress: it is started afresh
  // and the viewer replaces it at once rather than keep the damage.
  bool damaged = false;
};
// A missing or unreadable file is no progress; a damaged one is ignored.
LoadedProgress load_viewer_progress(const std::string& path);

// Replaces the file through a temporary beside it and a rename, so that a
// crash leaves the old file or the new one, never half of either. The
// folders are made when missing. False when it could not be written (the
// viewer then runs on without remembering).
bool save_viewer_progress(const std::string& path, const stage::LearnerProgress& progress);

}  // namespace linux_host
