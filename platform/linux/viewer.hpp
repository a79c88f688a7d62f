#pragma once
// `mirukado view [DRILL]`: the drills in a normal window for learning them,
// paused, stepped, sought and looped at will (the core's playback model),
// with the timeline, help card and command list painted above the stage.
// It neither reads nor writes the settings file and takes no instance lock:
// any number of viewers may run beside the saver.

#include <string>
#include <vector>

namespace linux_host {

// Exit status for a command line the viewer cannot take.
inline constexpr int kViewerUsageError = 2;

// Runs the viewer with the arguments after `view` until its window is closed
// or destroyed by another client, or Esc / q is pressed (server_has_randr:
// what the X server offers, asked at start). Returns the process exit status.
int run_viewer(const std::vector<std::string>& args, bool server_has_randr);

}  // namespace linux_host
