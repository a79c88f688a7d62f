#pragma once
// The screen saver's host rules: start-up and run modes, the input that ends a
// full-screen run, and the password check before it ends. Hosts forward the
// window's events here (through host::Runner while a stage plays) and perform
// what the rules ask through the platform parts they have.

#include <cstdint>
#include <string>

#include "host/command_line.hpp"
#include "host/platform.hpp"
#include "host/settings.hpp"

namespace host {

enum class SaverMode { None = 0, Preview = 1, FullScreen = 2 };

// What load() decided. Ended: the program has ended (second instance, password
// change done, settings dialog closed, a preview parent that does not exist);
// the host must not start a stage. Preview / FullScreen: the window is set up
// and the stage should be started with settings().
enum class StartResult { Ended, Preview, FullScreen };

class Saver {
 public:
  // A part left null in `parts` behaves as a host without it (see platform.hpp).
  explicit Saver(SaverWindow& window, PlatformParts parts = {});
  Saver(const Saver&) = delete;
  Saver& operator=(const Saver&) = delete;

  // The window's load handler: single-instance test, settings with defaults
  // written back, then the run mode chosen by the command line (the text
  // after the program path).
  StartResult load(const std::string& command_line);

  // Input handlers of the saver window.
  void on_key_down() { saver_end(); }
  void on_key_press() { saver_end(); }
  void on_mouse_down() { saver_end(); }
  void on_mouse_up() { saver_end(); }
  // Pointer position in twips. The first event only records where the pointer
  // was (windows get one when they appear under it); any later event at
  // another position, however close, ends the run.
  void on_mouse_move(float x, float y);

  // Ends a full-screen run, through the password dialog when the desktop asks
  // for one. A preview ignores it. Safe to call again while a refused password
  // keeps the run going, and a no-op once the program has ended.
  void saver_end();

  const Settings& settings() const { return settings_; }
  SaverMode saver_mode() const { return saver_mode_; }
  std::uint32_t use_password() const { return use_password_; }
  int move_count() const { return move_count_; }
  float first_x() const { return first_x_; }
  float first_y() const { return first_y_; }
  bool ended() const { return ended_; }

 private:
  void load_settings();
  int load_setting(const char* key, int default_value);
  void end_program();

  // The defaults stand in for the parts the host does not have.
  SettingsStore no_settings_;
  InstanceGuard no_guard_;
  PasswordGate no_password_;
  DialogRunner no_dialog_;

  SaverWindow& window_;
  SettingsStore& store_;
  InstanceGuard& guard_;
  PasswordGate& password_;
  DialogRunner& dialog_;
  Settings settings_;
  SaverMode saver_mode_ = SaverMode::None;
  std::uint32_t use_password_ = 0;
  int move_count_ = 0;
  float first_x_ = 0;
  float first_y_ = 0;
  bool ended_ = false;
};

}  // namespace host
