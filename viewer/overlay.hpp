#pragma once
// What a viewer shows above the stage, as data: a host paints it in the
// caption's font on top of the composed picture (never on the painted
// surface) and sends clicks back through the hit tests. Nothing here draws.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stage/pixel_rect.hpp"
#include "stage/playback.hpp"
#include "stage/teaching.hpp"
#include "viewer/command_table.hpp"
#include "viewer/practice.hpp"

namespace viewer {

using stage::DrillDescriptor;
using stage::legend;
using stage::LegendEntry;
using stage::PersonSlot;
using stage::PixelRect;
using stage::Playback;
using stage::position_name;
using stage::Theme;

struct OverlayRequest {
  int width = 0;  // window, pixels
  int height = 0;
  int line = 0;  // the caption font's line height, pixels
  bool help = false;
  bool commands = false;
  // Rows the command list is scrolled by from where it keeps the current
  // command in the middle (the mouse wheel); cut to the list's ends.
  int list_scroll = 0;
  // Lay out for the teaching picture: the command that stays at the top, the
  // legend under it, and the cards beside the drill (or below it on an
  // upright window) rather than over it.
  bool teaching = false;
  Theme theme = Theme::Dark;
  // The position the learner follows, if any, and whether the command list
  // then shows only its calls and the commands it answers.
  std::optional<int> position{};
  bool mine_only = false;
  // The host runs the learner's commands: its help card lists their keys
  // (help_lines(can_quit, true)), and the card's height counts them.
  bool learner = false;
  // A practice session running (teaching layout): what it asks and scores.
  // The model must outlive the call only.
  const PracticeSession* practice = nullptr;
  std::optional<Score> previous_score{};  // the position's last practice, if remembered
};

struct CommandRow {
  PixelRect rect;
  int command = 0;  // index into the drill's command list
  // Its number (from 1, as `mirukado-render commands` and the sheet number
  // it, and as "go to command" takes it) and its text: "2. 1番員「よし」",
  // the point keeping the number apart from a caption that starts with one.
  std::string text;
  std::string time;  // "m:ss" at speed 1
  bool current = false;
  bool mine = false;      // the followed position says it
  bool answered = false;  // the followed position answers it
};

// What the host shows of a practice session, in the teaching layout.
struct PracticeOverlay {
  PracticeState state = PracticeState::Playing;
  std::string who;        // "２番員の練習"
  std::string progress;   // "3 / 12": the item asked or headed for, of all
  std::string prompt;     // "あなたの号令は？" / "どこへ？" while an item is asked
  std::string answer;     // the call's caption, once revealed (empty before)
  bool revealed = false;  // the host draws the answer, or a move's destination
  std::optional<PersonSlot> destination;  // a revealed move's, stage units
  std::string previous;                   // "前回 7/9" when a score is remembered
  PixelRect box;                          // the prompt and answer: where the command stays
  std::optional<PixelRect> score_box;     // Finished: the score card over the drill
  std::vector<std::string> score_lines;
};

struct OverlayView {
  bool shown = false;  // false: the window is too small, only the stage shows

  // The timeline band along the bottom: a bar for the drill's whole time.
  PixelRect band;
  PixelRect bar;
  int position_x = 0;              // where the current time lies on the bar
  std::vector<int> command_marks;  // x of every command's start
  std::optional<PixelRect> loop;   // the A-B passage on the bar
  std::string drill;               // the drill's display name
  std::string time;                // "elapsed / total", m:ss
  std::string speed;               // "×1", "×½", ...
  bool paused = false;

  std::optional<PixelRect> help;  // the card; lines from help_lines()

  std::optional<PixelRect> panel;  // the command list, as many rows as fit
  std::vector<CommandRow> rows;    // around the current command
  int list_scroll = 0;             // the request's scroll as far as the list allowed it

  // The teaching picture's parts (with OverlayRequest::teaching).
  bool teaching = false;
  Theme theme = Theme::Dark;
  std::string command;    // the command that stays: the last one shown, with its speaker
  PixelRect command_box;  // where it is written, wrapped to two lines at most
  PixelRect legend_box;   // one row: a swatch and a name per position
  std::vector<LegendEntry> legend;
  // Following a position: its name ("２番員") and whether the list shows only
  // its calls and answers (a toggle shows all again).
  std::optional<int> position{};
  std::string position_name;
  bool mine_only = false;
  // "前回 7/9": the followed position's last practice score, when remembered.
  std::string previous;
  // The help card lists the learner's keys (the request's learner).
  bool learner = false;
  // With a practice session: the command box shows its prompt instead of
  // the command, which would give the coming call away.
  std::optional<PracticeOverlay> practice;
  // What the band, the cards and the boxes above leave for the drill: the
  // teaching picture is fitted into it. The whole window without the teaching layout.
  PixelRect stage_area;
};

OverlayView overlay_view(const Playback& playback, const OverlayRequest& request);
// The window extent a viewer sizes its overlay's font by. The teaching
// picture keeps its command, legend and band on an upright window too: its
// font follows the short side, so that they fit across it (sized by the
// height they would not, and the overlay would be left out). The saver's
// picture keeps its font by the height.
inline int overlay_font_extent(bool teaching, int width, int height) {
  return teaching && width < height ? width : height;
}
// The area overlay_view() leaves for the drill in the teaching layout, known
// before there is a playback (the teaching window is fitted into it).
PixelRect teaching_stage_area(const OverlayRequest& request);
// The teaching layout of a picture without a viewer around it (a picture
// file, a video frame): `command` and `drill`'s legend along the top and the
// drill in the rest, with no band and no cards. `shown` stays false, so a
// painter draws only the teaching parts; a picture too small for the boxes
// leaves the whole of it to the drill.
OverlayView teaching_picture_view(const OverlayRequest& request, const DrillDescriptor& drill,
                                  std::string_view command);

// What the viewers' titles say after their own name: the drill's display
// name, the keyframe on screen out of the drill's and the command heard
// ("<display name>  コマ 12/1046  号令 1 指揮者「集まれ」"), then the command number
// being typed, if one is asked for. Window lists show it, and scripts that
// drive a viewer read it.
std::string viewer_title(const Playback& playback, const CommandNumberEntry& entry);
// The same for a viewer that follows a learner: in practice it also says what
// is asked, the answer once revealed and the score at the end; a `notice` of
// the progress kept (nothing being saved) comes last, in brackets.
std::string viewer_title(const Playback& playback, const CommandNumberEntry& entry,
                         const PracticeOverlay* practice, std::string_view notice);

// A click on the timeline band: the drill time (speed 1) under it.
std::optional<int> timeline_hit(const OverlayView& view, const Playback& playback, int x, int y);

}  // namespace viewer
