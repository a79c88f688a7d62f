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
#include "stage/playback.hpp"
#include "viewer/command_table.hpp"
#include "viewer/overlay.hpp"
#include "viewer/progress.hpp"
#include "viewer/session.hpp"

namespace win32 {

class Viewer final : viewer::ViewerHost {
 public:
  static constexpr UINT_PTR kTickTimer = 1;
  static constexpr UINT_PTR kLayoutTimer = 2;

  // Plays `drill` on hwnd's client area from its start.
  Viewer(HWND hwnd, stage::DrillList drills, const host::ViewerOptions& start);
  ~Viewer() override;
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
  // The session's window at a size: the GDI window, the picture the overlay
  // is painted on and the overlay's font.
  stage::Window& make_window(int width, int height) override;
  int line_height() const override;
  int text_width(std::string_view utf8) override;
  // The overlay's font: the teaching picture's, else the saver's caption font.
  HFONT overlay_font() const;
  std::int64_t now_ms() const override;
  // Runs one viewer command at the current time, then asks for the next
  // delay and shows the result; false: the learner asked to quit.
  bool run(viewer::ViewerCommand command, int arg = 0);
  // A key by its command table's name; false: the learner asked to quit.
  bool take(std::string_view name, bool repeated);
  // What the session leaves to the window after a command; false: quit.
  bool carry_out(viewer::CommandEffect effect);
  void schedule(int delay);
  void show();
  void update_title();
  void relayout();
  void toggle_full_screen();

  HWND hwnd_;
  std::unique_ptr<GdiWindow> window_;
  HFONT font_ = nullptr;                // the overlay's, sized for the window's height
  std::unique_ptr<MemoryBuffer> view_;  // the composed picture with the overlay above it
  bool dragging_ = false;               // the button went down on the timeline
  bool full_screen_ = false;
  WINDOWPLACEMENT windowed_{};
  std::wstring title_;
  std::unique_ptr<ProgressFile> progress_store_;
  // Last: what draws on window_ goes first.
  viewer::ViewerSession session_;
};

}  // namespace win32
