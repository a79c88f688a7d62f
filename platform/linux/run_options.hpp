#pragma once
// The options a desktop's screen-saver settings pass for one run: which drills
// play and how fast. They replace the settings file's values for that run only;
// the file is never written with them.

#include <optional>
#include <string>
#include <vector>

#include "host/settings.hpp"
#include "stage/drill.hpp"

namespace linux_host {

struct RunOptions {
  std::optional<int> conf;        // Conf mask from --drills
  std::optional<int> speed;       // --speed
  std::vector<std::string> rest;  // every other argument, in order
  std::string error;              // one line; set when an option is malformed

  // The settings a run plays: the file's, with the options over them.
  host::Settings apply(host::Settings from_file) const;
};

// Takes `--drills NAMES` (comma-separated drill names; given several times the
// drills add up) and `--speed 1|2|3`, with one or two leading dashes and with
// the value after a blank or an '='.
RunOptions parse_run_options(const std::vector<std::string>& args, stage::DrillList drills);

}  // namespace linux_host
