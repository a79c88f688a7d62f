#pragma once
// The viewer's own file of what a learner has done:
// ${XDG_CONFIG_HOME:-$HOME/.config}/mirukado/viewer-progress, the position
// chosen and the last practice scores per drill (stage/progress.hpp's text,
// kept by stage::ProgressKeeper).
// Never the saver's settings file: the viewer leaves those alone.

#include <optional>
#include <string>
#include <string_view>

namespace linux_host {

std::string viewer_progress_path();

// The file's text for stage::ProgressKeeper: none when there is no file (or
// it cannot be read); a folder, a device or a file too big for progress
// where it should be reads as a damaged (empty) text, which is replaced.
std::optional<std::string> read_viewer_progress(const std::string& path);

// Replaces the file through a temporary beside it and a rename, so that a
// crash leaves the old file or the new one, never half of either. The
// folders are made when missing. False when it could not be written (the
// viewer then runs on without remembering).
bool write_viewer_progress(const std::string& path, std::string_view text);

}  // namespace linux_host
