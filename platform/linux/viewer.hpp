#pragma once
// `mirukado view [DRILL]`: the drills in a normal window for learning them,
// paused, stepped, sought and looped at will (the core's playback model),
// with the timeline, help card and command list painted above the stage.
// It neither reads nor writes the settings file and takes no instance lock:
// any number of viewers may run beside the saver.

#include "host/view_options.hpp"

namespace linux_host {

// Runs the viewer with the options read from the arguments after `view`
// (host::read_viewer_command_line) until its window is closed or destroyed by
// another client, or Esc / q is pressed (server_has_randr: what the X server
// offers, asked at start). Returns the process exit status.
int run_viewer(const host::ViewerOptions& options, bool server_has_randr);

}  // namespace linux_host
