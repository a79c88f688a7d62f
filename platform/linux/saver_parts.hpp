#pragma once
// The Linux saver's platform parts beside its window, one class each,
// assembled in main: the settings file, the full-screen lock of the display,
// the password gate (the desktop's locker owns the password) and the GTK
// settings dialog, loaded only when it is shown.

#include <string>

#include "host/platform.hpp"
#include "platform/linux/icon.hpp"
#include "platform/linux/instance_lock.hpp"
#include "platform/linux/settings_file.hpp"
#include "platform/linux/x11.hpp"

namespace linux_host {

// Prints why the program cannot do what it was asked, as one line on stderr.
void print_refusal(const std::string& why);

// The program icon, decoded once from the icon compiled into the core (empty
// if that ever fails: windows and the dialog then go without an icon).
const IconImage& program_icon();

class SettingsFileStore final : public host::SettingsStore {
 public:
  explicit SettingsFileStore(SettingsFile file) : file_(std::move(file)) {}
  int profile_int(const std::string& section, const std::string& key, int default_value) override;
  void write_profile_string(const std::string& section, const std::string& key,
                            const std::string& value) override;
  host::WriteResult write_profile_strings(const std::string& section,
                                          std::span<const ProfileEntry> entries) override;

 private:
  SettingsFile file_;
};

// One full-screen run per X display: a lock file named after the display,
// taken before anything else of the run starts and held until the program
// ends, and X's search for a window by its caption.
class DisplayLockGuard final : public host::InstanceGuard {
 public:
  // preview: the run draws in a given window (a /p preview, an xscreensaver
  // hack), which a full-screen run must not hold off.
  DisplayLockGuard(X11Connection& x11, bool preview) : x11_(x11), preview_(preview) {}
  // False when another full-screen run holds the display's lock. Either way
  // a run that does not hold it says why in one line.
  bool claim();
  bool find_window(const std::string& caption) override;
  bool another_instance() override;

 private:
  X11Connection& x11_;
  bool preview_;
  InstanceLock lock_{instance_lock_path()};
};

// No password to verify and none to change: says so when asked to change it.
class NoPasswordGate final : public host::PasswordGate {
 public:
  void change_password(host::WindowHandle owner) override;
};

// The GTK settings dialog, from its module. A dialog that cannot open or a
// choice it could not save makes the exit status 1.
class GtkDialogRunner final : public host::DialogRunner {
 public:
  void run_settings_dialog(host::SettingsDialog& dialog, host::SettingsStore& store) override;
  int exit_status() const { return exit_status_; }

 private:
  void refuse(const std::string& why);
  int exit_status_ = 0;
};

}  // namespace linux_host
