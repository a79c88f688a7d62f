#pragma once
// The Linux saver's window part: SDL2 presents the saver windows (full
// screen, one window on each monitor; or a child window inside a given X
// window for previews and xscreensaver, with one stage per monitor that
// window spans), and X11 lists the monitors. The run itself is the core's
// runners, one per stage, timed by one host::Scheduler from one SDL wait loop.

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "host/platform.hpp"
#include "host/runner.hpp"
#include "host/saver.hpp"
#include "platform/linux/monitor_layout.hpp"
#include "platform/linux/x11.hpp"

struct SDL_Window;
union SDL_Event;

namespace linux_host {

class SdlSaverWindow final : public host::SaverWindow {
 public:
  // `x11` is the connection the program opened at start; it stays open for
  // the whole run (see main) and outlives the window.
  explicit SdlSaverWindow(X11Connection& x11);
  ~SdlSaverWindow() override;
  SdlSaverWindow(const SdlSaverWindow&) = delete;
  SdlSaverWindow& operator=(const SdlSaverWindow&) = delete;

  // The rules that receive this window's input.
  void attach(host::Saver* saver) { saver_ = saver; }
  // Whether a window given to draw in (xscreensaver's) gets one stage per
  // monitor it spans; a preview in a settings dialog stays one stage.
  void set_split_monitors(bool split) { split_monitors_ = split; }

  // Plays the stage in the window that load() set up until the run ends.
  // Returns the process exit status.
  int run_stage(const host::Settings& settings);
  // Exit status after load() ended the program by itself.
  int exit_status() const { return exit_status_; }

  void set_caption(const std::string& caption) override;
  bool embed_preview(host::WindowHandle parent) override;
  void enter_full_screen() override;
  void focus_input_sink() override;
  void show_cursor(bool show) override;
  void set_topmost(bool topmost) override;
  void end_program() override { ended_ = true; }

 private:
  bool init_video();
  // Prints why the run cannot start and makes the exit status 1.
  void refuse(const std::string& why);
  // The raster window and the X image paths are bounded: refuses larger windows.
  bool refuse_oversize(int width, int height);
  bool pump_events();
  void handle(const SDL_Event& e);
  // Full screen: one borderless window on each monitor, each one stage.
  bool open_monitor_windows();
  void redraw_window(std::uint32_t sdl_window_id);

  // One stage's place: an SDL window, and the area of it the stage fills.
  struct Head {
    SDL_Window* window = nullptr;
    Area area;
  };
  struct Playing;

  X11Connection& x11_;
  host::Saver* saver_ = nullptr;
  std::deque<Playing>* playing_ = nullptr;  // while run_stage plays
  std::string caption_;
  std::vector<SDL_Window*> windows_;  // ours to destroy
  std::vector<Head> heads_;
  bool preview_ = false;
  bool split_monitors_ = false;
  bool draws_on_root_ = false;
  XWindowId watched_ = 0;  // the preview's own X window
  std::chrono::steady_clock::time_point last_exists_check_{};
  int cursor_counter_ = 0;
  bool video_ = false;
  bool ended_ = false;
  bool expose_ = false;
  int exit_status_ = 0;
};

}  // namespace linux_host
