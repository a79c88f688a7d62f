#pragma once
// The learning viewer's session, as both desktop viewers hold it: the
// playback over the host's window (through a teaching window in the teaching
// picture), the open cards and theme, the learner and what is remembered of
// them, the command number being typed and the command list's scroll. It runs
// the viewer's commands and everything that follows each one (the followed
// drill, the choice and score remembered, the number asked for), builds
// window and playback anew at a new size, theme or card, and writes the
// title. The host keeps the window itself, its painting, the translation of
// its keys and clicks into commands, its timer and full screen, and the file
// the progress is kept in.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/kept_store.hpp"
#include "host/view_options.hpp"
#include "stage/drill.hpp"
#include "stage/figure_display.hpp"
#include "stage/playback.hpp"
#include "stage/teaching.hpp"
#include "viewer/command_table.hpp"
#include "viewer/overlay.hpp"
#include "viewer/overlay_display.hpp"
#include "viewer/progress.hpp"

namespace viewer {

using host::KeptStore;
using stage::DisplayList;
using stage::DrillList;
using stage::Figure;
using stage::followed_marks;
using stage::FollowedMarks;
using stage::PixelRect;
using stage::Playback;
using stage::PlaybackPlace;
using stage::PlaySpeed;
using stage::SharedExtents;
using stage::TeachingWindow;
using stage::TextMeasure;
using stage::Theme;
using stage::Window;

// What a host gives a session: its window at a size, the overlay's font (its
// line height, and text_width() to lay the overlay out with) and its clock.
class ViewerHost : public TextMeasure {
 public:
  virtual ~ViewerHost() = default;
  // A window `width` x `height` for the stage to draw on, with the overlay's
  // font fitted to it. The session has let go of the playback and teaching
  // window that drew on the previous one, so the host may free it first.
  virtual Window& make_window(int width, int height) = 0;
  // The overlay font's line height, pixels, for the window made last.
  virtual int line_height() const = 0;
  // Milliseconds of a clock that never goes back.
  virtual std::int64_t now_ms() const = 0;
};

// How a viewer starts.
struct ViewerStart {
  int drill = 0;
  bool teaching = true;  // the teaching picture, or the saver's
  Theme theme = Theme::Dark;
  // A position to follow from the start (one the drill lacks: no one, and
  // the one remembered stays as it was).
  std::optional<int> role;
  bool practice = false;  // and to practise at once
  // Where the drill starts: a keyframe (none, or one past the drill's end:
  // its start), the speed, and whether it plays.
  std::optional<int> keyframe;
  PlaySpeed speed = PlaySpeed::One;
  bool playing = true;
  // The host shows the overlay as elements of its own around the picture
  // (the web page): the drill fills the whole window, the cards open and
  // close with the host's controls (show_panels()), and the host asks for
  // a command's number itself.
  bool host_overlay = false;
};

// How a desktop viewer's session starts, from its command line.
ViewerStart start_of(const host::ViewerOptions& options);

// What a viewer's overlay and title depend on besides the picture: a host
// that presents only changes draws them again when this changed.
struct ShownState {
  int drill = -1;
  int keyframe = -1;
  int elapsed_ms = 0;
  bool playing = false;
  PlaySpeed speed = PlaySpeed::One;
  std::optional<stage::LoopRange> loop;
  bool help = false;
  bool commands = false;
  int list_scroll = 0;
  std::optional<int> position{};
  bool mine_only = false;
  bool whole_path = false;
  int practice_state = -1;  // a PracticeState's value; -1 without a session
  int practice_asked = 0;
  friend bool operator==(const ShownState&, const ShownState&) = default;
};

// A key taken by the session: whether the title has to be written again and
// the command it ran, if any.
struct KeyOutcome {
  bool retitle = false;
  std::optional<CommandEffect> effect;
};

// A click taken by the session: what the host carries out, and whether a
// drag along the timeline began (the host then sends the pointer's moves to
// drag() until the button is let go).
struct ClickOutcome {
  CommandEffect effect = CommandEffect::Nothing;
  bool dragging = false;
};

class ViewerSession {
 public:
  // Command-list rows one notch of the mouse wheel scrolls.
  static constexpr int kRowsPerWheelNotch = 3;

  // `host`, `drills` and `store` (none: nothing is kept) must outlive the
  // session. Nothing is built until start().
  ViewerSession(ViewerHost& host, DrillList drills, const ViewerStart& start, KeptStore* store);
  ~ViewerSession();
  ViewerSession(const ViewerSession&) = delete;
  ViewerSession& operator=(const ViewerSession&) = delete;

  // Builds the first window and playback, follows the drill's remembered
  // position (or the start's role, then remembered) and starts practice.
  void start(int width, int height);

  // Shows what is due now; the practice session drives the playback while it
  // runs. A drill newly shown follows its remembered position; a finished
  // session's score is noted. Returns the delay until the next
  // call is due, or Playback::kIdle.
  int advance();
  // Runs a command at the present moment and what follows it: a newly shown
  // drill follows its remembered position, the position chosen and a
  // finished score are remembered, a command's number is asked for. The host
  // carries out the effect (full screen, quit, a new layout: layout_due()).
  CommandEffect run(ViewerCommand command, int arg = 0);
  // A key by its command-table name: the command-number entry takes it while
  // open, else its command runs (a held key only if the command repeats).
  KeyOutcome key(std::string_view name, bool repeated);
  // A click on a legend entry: follows its position, or clears the one
  // followed; a practice session ends, the drill playing on from there.
  void choose_from_legend(int position);
  // The learner's choice of a position (none: no one), remembered; a
  // practice session ends, the drill playing on from there.
  void follow(std::optional<int> position);
  // The host's own cards, opened or closed by its own controls.
  void show_panels(bool help, bool commands);
  // The teaching picture's theme, chosen by the host's own control; the
  // layout is due (layout_due()) when it changed.
  void set_theme(Theme theme);
  // A click at (x, y): the timeline seeks to the time under it (and starts a
  // drag), a command list's row goes to its command, a legend entry follows
  // its position (choose_from_legend()).
  ClickOutcome click(int x, int y);
  // The pointer at `x` while dragging along the timeline, wherever it
  // wanders up or down: seeks to the time there.
  CommandEffect drag(int x);
  // The mouse wheel, `notches` turned away from the user, at (x, y): scrolls
  // the command list when it is over it. True when it did.
  bool scroll_list(int x, int y, int notches);

  // Whether window and playback are to be built anew for a window
  // `width` x `height`: the teaching picture's area for the cards now open
  // moved, or its theme changed.
  bool layout_due(int width, int height) const;
  // A new window and playback at `width` x `height`, at the same place; a
  // practice session goes on over the new playback at the same step.
  void rebuild(int width, int height);

  // The overlay's request for a window `width` x `height` as the viewer
  // stands now; without a size, the window's.
  OverlayRequest request(int width, int height) const;
  OverlayRequest request() const { return request(width_, height_); }
  // The overlay as shown now; a new current command brings a scrolled list
  // back to it.
  OverlayView overlay();
  // The figures shown, the followed one marked (none in the saver's picture).
  std::vector<Figure> figures();
  // The marks of the position followed among `figures`, a revealed move's end among them.
  FollowedMarks followed_marks(const std::vector<Figure>& figures) const;
  // What the host paints above the composed stage, in this order: `figures`
  // with the followed one's marks (none in the saver's picture), the
  // teaching layout's command box and legend, then the band and the cards.
  DisplayList figure_layer(const std::vector<Figure>& figures) const;
  DisplayList teaching_boxes(const OverlayView& view) const;
  DisplayList panels(const OverlayView& view) const;
  // All three, for a host that paints everything each time.
  DisplayList display(const std::vector<Figure>& figures, const OverlayView& view) const;
  // What the title says after the viewer's own name.
  std::string title() const;
  // What the overlay and title depend on now, besides the picture.
  ShownState shown() const;
  // The followed position's last practice score ("前回"), or while a
  // finished session's card is up the score that session replaced.
  std::optional<Score> previous_score() const;

  Playback& playback() { return *playback_; }
  const Playback& playback() const { return *playback_; }
  TeachingWindow* teaching_window() { return teaching_window_.get(); }
  const TeachingWindow* teaching_window() const { return teaching_window_.get(); }
  const ViewerPanels& panels() const { return panels_; }
  const Learner& learner() const { return learner_; }
  const CommandNumberEntry& entry() const { return entry_; }
  const ProgressKeeper& keeper() const { return keeper_; }
  bool teaching() const { return start_.teaching; }
  // The command list's scroll as the next overlay() takes it.
  int list_scroll() const;

 private:
  const char* drill_name() const;
  void follow_drill();
  // What the drill is fitted into: what the overlay leaves of the window,
  // or all of it when the host shows the overlay itself.
  PixelRect stage_area(int width, int height) const;
  void remember_choice();
  void note_score();

  ViewerHost& host_;
  DrillList drills_;
  ViewerStart start_;
  PlaybackPlace place_;
  int width_ = 0;
  int height_ = 0;
  std::int64_t origin_ = 0;  // the host's time at the playback's t = 0
  SharedExtents extents_;    // the drills', computed once for every layout
  PixelRect laid_out_area_;  // where the teaching picture's drill was fitted last
  Theme laid_out_theme_ = Theme::Dark;
  std::unique_ptr<TeachingWindow> teaching_window_;  // over the host's window, when teaching
  std::unique_ptr<Playback> playback_;
  ViewerPanels panels_;       // the open cards and the teaching picture's theme
  int list_scroll_ = 0;       // the command list's rows scrolled by the wheel
  int listed_command_ = -1;   // the current command the scroll was made at
  CommandNumberEntry entry_;  // "g" then a command's number
  Learner learner_;           // the position followed, and its practice
  ProgressKeeper keeper_;     // what the store holds, and when it is written
  int followed_drill_ = -1;   // the drill whose remembered position is followed
  // The position the session itself set (remembered, or none for a position
  // the drill lacks): only a change the learner makes is written.
  std::optional<int> set_position_;
};

}  // namespace viewer
