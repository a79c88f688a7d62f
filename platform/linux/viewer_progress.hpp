#pragma once
// The viewer's own file of what a learner has done:
// ${XDG_CONFIG_HOME:-$HOME/.config}/mirukado/viewer-progress, the position
// chosen and the last practice scores per drill (stage/progress.hpp's text,
// kept by viewer::ProgressKeeper through the one writer of kept files).
// Never the saver's settings file: the viewer leaves those alone.

#include <memory>
#include <optional>
#include <string>

#include "platform/linux/kept_file.hpp"

namespace linux_host {

// None when the user has no home folder: the viewer then remembers nothing.
std::optional<std::string> viewer_progress_path();

// The store of the progress file at `path`, none without a path.
std::unique_ptr<KeptFile> viewer_progress_store(const std::optional<std::string>& path);

}  // namespace linux_host
