#pragma once
// The viewer's commands as one table: what each does, the keys that give it,
// the name the web page calls it by and its line on the help card. Every
// viewer (Linux, Windows, the web page) only turns its native keys, clicks
// and taps into these commands and runs them through apply(); a new command
// is one row here and one case in apply().
//
// Keys are named as the DOM's KeyboardEvent.key names them ("ArrowLeft",
// "PageUp", " ", "a", "?", "F11"): the page passes its event's name as it
// is and the desktop hosts translate their key codes into the same names.

#include <array>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "stage/playback.hpp"
#include "stage/teaching.hpp"
#include "viewer/practice.hpp"

namespace viewer {

using stage::Playback;
using stage::Theme;

enum class ViewerCommand {
  TogglePlay,
  Play,
  Pause,
  StepBack,
  StepForward,
  PreviousCommand,
  NextCommand,
  GoToStart,
  GoToEnd,
  NextDrill,
  SpeedOne,
  SpeedTwo,
  SpeedThree,
  Slower,
  Faster,
  LoopStart,
  LoopEnd,
  ClearLoop,
  CommandList,
  AskCommandNumber,  // then the host takes the number and goes to that command
  Help,
  ToggleTheme,
  FullScreen,
  Quit,
  // Learning a position (they act on a Learner; see apply()).
  CyclePosition,  // none, the commander, member 1, 2, ... and none again
  PreviousCall,   // the followed position's previous / next call
  NextCall,
  WholePath,  // its whole path through the scene, on or off
  MineOnly,   // the command list: its calls and answers only, or all
  Practice,   // a practice session of the position, on or off
  Known,      // practice: the item asked was known / not known
  NotKnown,
  // Given by pointing rather than by a key: each takes an argument.
  SeekTime,     // ms from the drill's first keyframe at speed 1
  GoToCommand,  // index into the drill's command list
  SelectDrill,  // index among the chosen drills
  SetSpeed,     // a PlaySpeed's value, slowest 0
};

// Who carries a command out once apply() has run it.
enum class CommandEffect {
  Nothing,     // nothing happened (an unknown key, a jump with nowhere to go)
  Playback,    // the playback model changed
  Panels,      // a panel of the overlay opened or closed
  Theme,       // the theme changed: the host draws the picture anew in it
  FullScreen,  // the host toggles full screen
  Quit,        // the host closes the viewer
  AskNumber,   // the host asks for a command's number (CommandNumberEntry), then GoToCommand
};

inline constexpr int kMaxKeysPerCommand = 3;

struct ViewerCommandRow {
  ViewerCommand command;
  std::string_view id;  // the web page's name for it
  std::array<std::string_view, kMaxKeysPerCommand> keys;
  // Its help-card line; a row with no card keys is shown on the line before
  // (steps back and forward share "← →").
  std::string_view card_keys;
  std::string_view card_text;
  bool repeats;           // acts again while its key is held
  bool changes_settings;  // a viewer that keeps settings keeps the new value
};

std::span<const ViewerCommandRow> viewer_commands();
const ViewerCommandRow& viewer_command_row(ViewerCommand command);

// The command a key gives, if any. Letters count in either case.
std::optional<ViewerCommand> command_for_key(std::string_view key);
std::optional<ViewerCommand> command_named(std::string_view id);

// The panels a viewer may open above the drill.
struct ViewerPanels {
  bool help = false;
  bool commands = false;
  Theme theme = Theme::Dark;  // the teaching picture's
};

// What a viewer knows of the learner: the position followed, how the list
// and the path show it, and a practice session while one runs (over the
// viewer's playback, handed to a new one with rebind()).
struct Learner {
  std::optional<int> position;
  bool mine_only = false;
  bool whole_path = false;
  std::unique_ptr<PracticeSession> practice;
};

// Ends a practice session, if one runs, and lifts the stop it set on the
// playback (a playback left with it would halt there for no reason).
void end_practice(Learner& learner, Playback& playback);
// The learner follows `position`, or no one (so too for a position the drill
// lacks). A practice session of the one followed until now ends, the drill
// playing on from there; the command list stays narrowed or not, as the
// learner left it (m).
void follow_position(Learner& learner, Playback& playback, std::optional<int> position);

// Runs `command` on the model (or toggles a panel or the theme); `arg` is read by the
// pointing commands only. Host-side commands only return their effect.
// The learner's commands change `learner` and return Playback (the host
// redraws figures and overlay); a practice prompt takes Space as its reveal,
// and an item revealed waits for y or n.
CommandEffect apply(ViewerCommand command, int arg, Playback& playback, ViewerPanels& panels,
                    Learner& learner);
// For a host that follows no one: the learner's commands do nothing.
CommandEffect apply(ViewerCommand command, int arg, Playback& playback, ViewerPanels& panels);

// How the desktop viewers take a command's number once it is asked for:
// digits type it, Backspace takes one back, Enter goes to that command (as
// numbered from 1 in the command list and by `mirukado-render commands`) and
// Escape gives up. Any other key gives up too and then does what it always
// does, so a stray "g" never swallows the next command.
class CommandNumberEntry {
 public:
  struct Outcome {
    bool taken = false;        // the key was the entry's: no command of its own
    std::optional<int> go_to;  // Enter: the command's index into the drill's list
  };
  static constexpr std::size_t kMaxDigits = 4;  // more than any drill has commands

  void open() { digits_.emplace(); }
  bool is_open() const { return digits_.has_value(); }
  // What has been typed so far; empty when nothing is (or no entry is open).
  std::string_view digits() const {
    return digits_ ? std::string_view(*digits_) : std::string_view();
  }
  Outcome key(std::string_view key);

 private:
  std::optional<std::string> digits_;
};

struct HelpLine {
  std::string_view keys;
  std::string_view action;
};
// The help card's lines, in the order shown, drawn from the table. A page,
// which cannot close itself, leaves out the quit line; a host that runs the
// learner's commands (apply() with a Learner) lists their keys too.
std::span<const HelpLine> help_lines(bool can_quit = true, bool learner = false);

}  // namespace viewer
