#pragma once
// mirukado-view.exe's window: the playback model over a GDI window, the keys
// and clicks that drive it, its timer and its overlay. The model asks for one
// timer delay at a time and none while paused, so a paused viewer sleeps in
// GetMessage until the learner does something.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/view_options.hpp"
#include "platform/win32/gdi_window.hpp"
#include "platform/win32/viewer_progress.hpp"
#include "stage/drill.hpp"
#include "stage/overlay.hpp"
#include "stage/playback.hpp"
#include "stage/progress.hpp"
#include "stage/viewer_commands.hpp"

namespace win32 {

class Viewer {
 public:
  static constexpr UINT_PTR kTickTimer = 1;
  static constexpr UINT_PTR kLayoutTimer = 2;

  // Plays `drill` on hwnd's client area from its start.
  Viewer(HWND hwnd, stage::DrillList drills, const host::ViewerOptions& start);
  ~Viewer();
  Viewer(const Viewer&) = delete;
  Viewer& operator=(const Viewer&) = delete;

  // Keys and characters (repeated: held down); false: the learner asked to quit.
  bool on_key(WPARAM virtual_key, bool repeated);
  bool on_char(wchar_t c, bool repeated);
  void on_button_down(int x, int y);
  void on_mouse_move(int x, int y);
  void on_button_up();
  // The mouse wheel over the command list scrolls it (client coordinates,
  // `delta` in WHEEL_DELTA units, positive turned away from the user).
  void on_wheel(int x, int y, int delta);
  void on_timer(UINT_PTR id);
  // The client area changed: the stage is laid out anew a moment later, once
  // a drag of the window's edge has come to rest.
  void on_size(int width, int height);
  void paint(HDC dc);

 private:
  std::int64_t now() const;
  // The practice session drives the playback while it runs.
  int advance();
  const char* drill_name() const;
  // A drill newly shown follows the position remembered for it.
  void follow_drill();
  void remember_choice();
  void note_score();
  // A legend entry chooses its position; the one followed clears it.
  void choose_from_legend(int position);
  // The followed figure's marks: below the figures its whole path (w) and
  // its trail, above them a revealed move's destination.
  void paint_following(HDC dc, const std::vector<stage::Figure>& figures,
                       const stage::OverlayView& view, bool above);
  // Runs one viewer command at the current time, then asks for the next
  // delay and shows the result; false: the learner asked to quit.
  bool run(stage::ViewerCommand command, int arg = 0);
  // A key the command-number entry takes while it is open; false: not its.
  bool typed(std::string_view key);
  void schedule(int delay);
  void show();
  void update_title();
  stage::OverlayView overlay();
  // A new window, teaching window and playback at `place`; a practice
  // session goes on over the new playback.
  void build(int width, int height, const stage::PlaybackPlace& place);
  void relayout();
  // The teaching picture's area for the panels now open; a change rebuilds
  // the stage at the same place, fitted anew.
  stage::OverlayRequest request() const;
  void refit();
  void toggle_full_screen();

  HWND hwnd_;
  stage::DrillList drills_;
  std::unique_ptr<GdiWindow> window_;
  std::unique_ptr<stage::TeachingWindow> teaching_;  // over window_, in the teaching picture
  std::unique_ptr<stage::Playback> model_;
  bool teach_ = true;
  stage::Theme theme_ = stage::Theme::Dark;
  HFONT font_ = nullptr;  // the overlay's, sized for the window's height
  stage::PixelRect area_;
  std::unique_ptr<MemoryBuffer> view_;  // the composed picture with the overlay above it
  std::uint64_t started_ = 0;           // GetTickCount64() at the model's t = 0
  bool help_ = false;
  bool commands_ = false;
  stage::CommandNumberEntry entry_;  // "g" then a command's number
  bool dragging_ = false;            // the button went down on the timeline
  int list_scroll_ = 0;              // the command list's rows scrolled by the wheel
  int listed_command_ = -1;          // the current command the scroll was made at
  bool full_screen_ = false;
  WINDOWPLACEMENT windowed_{};
  std::wstring title_;
  stage::Learner learner_;  // the position followed, and its practice
  std::unique_ptr<ProgressFile> progress_store_;
  stage::ProgressKeeper keeper_;  // what the viewer's own file holds, and when it is written
  int followed_drill_ = -1;       // the drill whose remembered position is followed
};

}  // namespace win32
