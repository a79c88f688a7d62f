#pragma once
// What the screen-saver host rules need of the operating system. The Linux
// host (SDL2 + X11 + GTK3) and the Windows host (Win32) implement it; tests use
// a recording fake. Nothing here names a platform type: window handles travel
// as plain integers, texts as UTF-8.

#include <cstdint>
#include <span>
#include <string>

namespace host {

class SettingsDialog;

// A native window handle (HWND, X window id) as an integer; 0 names no window.
using WindowHandle = std::int64_t;

class Platform {
 public:
  virtual ~Platform() = default;

  // --- start-up ---
  // The command line as one string, without the program path.
  virtual std::string command_line() const = 0;
  // Whether a top-level window with exactly this caption exists.
  virtual bool find_window(const std::string& caption) = 0;
  // Whether another instance of this program is running (the runtime's
  // previous-instance test on Windows, the full-screen lock on Linux).
  virtual bool another_instance() = 0;
  // The caption of the saver window (the window may not exist yet).
  virtual void set_caption(const std::string& caption) = 0;

  // --- settings file (private-profile semantics) ---
  // The key's leading decimal number; missing key: default_value; non-numeric,
  // negative: 0.
  virtual int profile_int(const std::string& section, const std::string& key,
                          int default_value) = 0;
  // Writes key=value under section; a failure is ignored by every caller.
  virtual void write_profile_string(const std::string& section, const std::string& key,
                                    const std::string& value) = 0;
  struct ProfileEntry {
    std::string key;
    std::string value;
  };
  // Writes several keys of one section in this order, as one change where the
  // store can make one (so that a kill in between never applies half of it);
  // by default one write_profile_string after the other.
  virtual void write_profile_strings(const std::string& section,
                                     std::span<const ProfileEntry> entries) {
    for (const ProfileEntry& e : entries) write_profile_string(section, e.key, e.value);
  }

  // --- run modes ---
  // The desktop's "ScreenSaveUsePassword" value as read (0 when unreadable or
  // absent); non-zero asks for password verification before a run ends.
  virtual std::uint32_t desktop_use_password() = 0;
  virtual WindowHandle foreground_window() = 0;
  // The platform's password-change dialog for the given owner; result ignored.
  virtual void change_password(WindowHandle owner) = 0;
  // Preview: size the saver window to the parent's client area and embed it
  // there. Returns false when the handle names no window.
  virtual bool embed_preview(WindowHandle parent) = 0;
  // Full-screen: the saver window covers the primary screen, maximised.
  virtual void enter_full_screen() = 0;
  // Gives the keyboard focus to a 1 x 1 input sink at the window's corner, so
  // that no input method opens over the animation.
  virtual void focus_input_sink() = 0;
  // Shows the settings dialog modally; returns when it has closed.
  virtual void run_settings_dialog(SettingsDialog& dialog) = 0;

  // --- end of a run ---
  // One step of the platform's cursor display counter (ShowCursor semantics:
  // the pointer shows while the counter is >= 0).
  virtual void show_cursor(bool show) = 0;
  // Top-most on/off; also shows the window (HWND_TOPMOST / HWND_NOTOPMOST with
  // SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW).
  virtual void set_topmost(bool topmost) = 0;
  // Tells the platform that a screen saver is (not) running (SPI 97), so that
  // the password dialog is not itself interrupted.
  virtual void screen_saver_running(bool running) = 0;
  // The platform's password dialog for the saver window. Returns its result:
  // low 16 bits 0 means refused or cancelled.
  virtual int verify_password() = 0;
  // Unloads the saver window, which ends the program. The rules touch the
  // platform no more after this call.
  virtual void end_program() = 0;
};

}  // namespace host
