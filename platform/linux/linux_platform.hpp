#pragma once
// The platform parts on Linux: SDL2 presents the saver windows (full screen,
// one window on each monitor; or a child window inside a given X window for
// previews and xscreensaver, with one stage per monitor that window spans),
// X11 answers the single-instance caption search and lists the monitors, a
// per-user lock file stands in for the previous-instance test, and the GTK3
// settings dialog is loaded only when it is shown. The desktop's screen locker
// owns the password, so the password gate only explains that there is none to
// change; the run itself is the core's runners, one per stage, driven from one
// SDL wait loop.

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "host/platform.hpp"
#include "host/runner.hpp"
#include "host/saver.hpp"
#include "platform/linux/instance_lock.hpp"
#include "platform/linux/settings_file.hpp"
#include "platform/linux/x11.hpp"

struct SDL_Window;
union SDL_Event;

namespace raster {
class RasterWindow;
}

namespace linux_host {

class LinuxPlatform final : public host::SaverWindow,
                            public host::SettingsStore,
                            public host::InstanceGuard,
                            public host::PasswordGate,
                            public host::DialogRunner {
 public:
  // `x11` is the connection the program opened at start; it stays open for
  // the whole run (see main) and outlives the platform.
  LinuxPlatform(std::string command_line, SettingsFile settings, X11Connection& x11);
  ~LinuxPlatform() override;
  LinuxPlatform(const LinuxPlatform&) = delete;
  LinuxPlatform& operator=(const LinuxPlatform&) = delete;

  host::PlatformParts parts() { return {this, this, this, this}; }
  // The rules that receive this window's input.
  void attach(host::Saver* saver) { saver_ = saver; }

  // Takes the single-instance lock for a full-screen run, before anything else
  // of the run starts, and holds it until the program ends. False when
  // another full-screen run holds it.
  bool claim_instance() { return lock_.try_hold(); }
  // Whether a window given to draw in (xscreensaver's) gets one stage per
  // monitor it spans; a preview in a settings dialog stays one stage.
  void set_split_monitors(bool split) { split_monitors_ = split; }

  // Plays the stage in the window that load() set up until the run ends.
  // Returns the process exit status.
  int run_stage(const host::Settings& settings);
  // Exit status after load() ended the program by itself.
  int exit_status() const { return exit_status_; }

  // host::InstanceGuard
  bool find_window(const std::string& caption) override;
  bool another_instance() override;
  // host::SettingsStore
  int profile_int(const std::string& section, const std::string& key, int default_value) override;
  void write_profile_string(const std::string& section, const std::string& key,
                            const std::string& value) override;
  void write_profile_strings(const std::string& section,
                             std::span<const ProfileEntry> entries) override;
  // host::PasswordGate: no password to verify, none to change.
  void change_password(host::WindowHandle owner) override;
  // host::DialogRunner
  void run_settings_dialog(host::SettingsDialog& dialog, host::SettingsStore& store) override;
  // host::SaverWindow
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

  std::string command_line_;
  SettingsFile settings_;
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
  InstanceLock lock_{instance_lock_path()};
  bool video_ = false;
  bool ended_ = false;
  bool expose_ = false;
  int exit_status_ = 0;
};

}  // namespace linux_host
