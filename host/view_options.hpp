#pragma once
// The options the viewers (`mirukado view`, mirukado-view.exe) and the tool
// (mirukado-render) share, read in one place with one set of messages: which
// picture (--view teaching|saver), its colours (--theme dark|light), the
// position followed (--role N), a practice session of it (--practice) and the
// drill by its name. A learner who moves between the programs types the same
// words in each; a word one of them refuses, all refuse alike.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stage/drill.hpp"
#include "stage/teaching.hpp"

namespace host {

// A command line a program cannot take: one line on stderr, this status.
inline constexpr int kUsageErrorStatus = 2;

// The picture: the teaching one (the drill fitted to the area, each person in
// their position's colour, the command kept on top) or the saver's own.
enum class View { Teaching, Saver };

// The meaning of one option's value; nothing for a word the option does not
// know. "teach" is the teaching picture too: the tool and the Windows viewer
// took that word first, and scripts written for them keep working.
std::optional<View> read_view(std::string_view word);
std::optional<stage::Theme> read_theme(std::string_view word);
// A position's number: 0 the commander, n member n (at most kMostPositions).
inline constexpr int kMostPositions = 99;
std::optional<int> read_position(std::string_view word);

// The messages, without the program's name (each program puts its own in
// front, as its other errors have it).
std::string bad_view_message(std::string_view value);
std::string bad_theme_message(std::string_view value);
std::string bad_role_message(std::string_view value);
std::string needs_value_message(std::string_view option);
std::string unknown_drill_message(std::string_view name, stage::DrillList drills);
// `position` when `drill` has fewer positions, else empty.
std::string missing_position_message(const stage::DrillDescriptor& drill, int position);
inline constexpr const char* kPracticeNeedsRole = "--practice needs --role N";

// What a viewer's command line chose.
struct ViewerOptions {
  int drill = 0;  // its place in the drill list
  View view = View::Teaching;
  stage::Theme theme = stage::Theme::Dark;
  // The position to follow from the start (else the one remembered for the
  // drill), and a practice session of it at once.
  std::optional<int> role;
  bool practice = false;
  bool help = false;  // --help: print viewer_usage() and start nothing
};

struct ViewerCommandLine {
  ViewerOptions options;
  std::string error;  // one line when the command line is refused
};

// Reads a viewer's arguments (after the program, or after `view`): the
// options above in any order, --help, and at most one drill name of `drills`.
ViewerCommandLine read_viewer_command_line(const std::vector<std::string>& args,
                                           stage::DrillList drills);

// The viewer's usage for --help, naming it `program` ("mirukado view").
std::string viewer_usage(std::string_view program, stage::DrillList drills);

}  // namespace host
