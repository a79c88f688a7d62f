#pragma once
// What the screen-saver host rules need of the operating system, in parts that
// a host may or may not have. Every part but the saver window has a default
// that is right for a host without it, so a host overrides only what it has:
// the Windows host all of them, the Linux host no password dialog, a browser
// hardly anything. Tests use a recording fake. Nothing here names a platform
// type: window handles travel as plain integers, texts as UTF-8.

#include <cstdint>
#include <span>
#include <string>

namespace host {

class SettingsDialog;

// A native window handle (HWND, X window id) as an integer; 0 names no window.
using WindowHandle = std::int64_t;

// What a settings write did. The settings dialog tells the user when its OK
// could not be saved, so a failure carries its reason in one line: the file
// and the system's word on it.
struct WriteResult {
  bool written = true;
  std::string reason;  // when not written
};

// The settings file, with private-profile semantics. Without one every read
// gives its default and every write is dropped, so a run plays the defaults.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The key's leading decimal number; missing key: default_value; non-numeric,
  // negative: 0.
  virtual int profile_int(const std::string& /*section*/, const std::string& /*key*/,
                          int default_value) {
    return default_value;
  }
  // Writes key=value under section; a failure is ignored by every caller.
  virtual void write_profile_string(const std::string& /*section*/, const std::string& /*key*/,
                                    const std::string& /*value*/) {}
  struct ProfileEntry {
    std::string key;
    std::string value;
  };
  // Writes several keys of one section in this order, as one change where the
  // store can make one (so that a kill in between never applies half of it),
  // and says whether they were written; by default one write_profile_string
  // after the other, reported written (a host without a store has nothing
  // the user could fix).
  virtual WriteResult write_profile_strings(const std::string& section,
                                            std::span<const ProfileEntry> entries) {
    for (const ProfileEntry& e : entries) write_profile_string(section, e.key, e.value);
    return {};
  }
};

// The test that keeps a second full-screen run from starting over a running
// one. A start ends only when both answers are yes, so without a guard every
// start is alone.
class InstanceGuard {
 public:
  virtual ~InstanceGuard() = default;
  // Whether a top-level window with exactly this caption exists.
  virtual bool find_window(const std::string& /*caption*/) { return false; }
  // Whether another instance of this program is running (the runtime's
  // previous-instance test on Windows, the full-screen lock on Linux).
  virtual bool another_instance() { return false; }
};

// The desktop's screen-saver password. Without one nothing asks for it: a run
// ends on the first input and a password change has nothing to change.
class PasswordGate {
 public:
  virtual ~PasswordGate() = default;
  // The desktop's "ScreenSaveUsePassword" value as read (0 when unreadable or
  // absent); non-zero asks for password verification before a run ends.
  virtual std::uint32_t desktop_use_password() { return 0; }
  // The owner of a password change given no window of its own.
  virtual WindowHandle foreground_window() { return 0; }
  // The platform's password-change dialog for the given owner; result ignored.
  virtual void change_password(WindowHandle /*owner*/) {}
  // Tells the platform that a screen saver is (not) running (SPI 97), so that
  // the password dialog is not itself interrupted.
  virtual void screen_saver_running(bool /*running*/) {}
  // The platform's password dialog for the saver window. Returns its result:
  // low 16 bits 0 means refused or cancelled; without a dialog, accepted.
  virtual int verify_password() { return 1; }
};

// Shows the settings dialog. Without one the dialog closes at once as if
// cancelled, and nothing is written.
class DialogRunner {
 public:
  virtual ~DialogRunner() = default;
  // Shows the dialog modally and returns when it has closed; its OK writes
  // through `store`.
  virtual void run_settings_dialog(SettingsDialog& /*dialog*/, SettingsStore& /*store*/) {}
};

// The animation window form_saver. Every host that plays has one; what a
// window system may lack (a caption, a cursor, a stacking order) does nothing
// by default.
class SaverWindow {
 public:
  virtual ~SaverWindow() = default;

  // The caption of the saver window (the window may not exist yet).
  virtual void set_caption(const std::string& /*caption*/) {}
  // Preview: size the saver window to the parent's client area and embed it
  // there. Returns false when the handle names no window.
  virtual bool embed_preview(WindowHandle parent) = 0;
  // Full-screen: the saver window covers the primary screen, maximised.
  virtual void enter_full_screen() = 0;
  // Gives the keyboard focus to a 1 x 1 input sink at the window's corner, so
  // that no input method opens over the animation.
  virtual void focus_input_sink() {}
  // One step of the platform's cursor display counter (ShowCursor semantics:
  // the pointer shows while the counter is >= 0).
  virtual void show_cursor(bool /*show*/) {}
  // Top-most on/off; also shows the window (HWND_TOPMOST / HWND_NOTOPMOST with
  // SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW).
  virtual void set_topmost(bool /*topmost*/) {}
  // Unloads the saver window, which ends the program. The rules touch the
  // platform no more after this call.
  virtual void end_program() = 0;
};

// The optional parts one host has, beside its saver window. A null part gets
// the default behaviour above.
struct PlatformParts {
  SettingsStore* settings = nullptr;
  InstanceGuard* instance_guard = nullptr;
  PasswordGate* password = nullptr;
  DialogRunner* dialog = nullptr;
};

}  // namespace host
