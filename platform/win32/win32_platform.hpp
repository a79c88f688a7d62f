#pragma once
// The Win32 platform parts, one class each, assembled in main: the settings
// file beside the program, the single-instance test, the desktop's password
// dialogs, the settings dialog and the animation window form_saver. They use
// the UTF-16 calls, so that the Japanese captions and the settings file name
// work whatever the system's ANSI code page.

#include <windows.h>

#include <string>

#include "host/platform.hpp"

namespace win32 {

// The private-profile settings file (ミルカド.ini) in the program's folder.
class ProfileStore final : public host::SettingsStore {
 public:
  ProfileStore();
  int profile_int(const std::string& section, const std::string& key, int default_value) override;
  void write_profile_string(const std::string& section, const std::string& key,
                            const std::string& value) override;
  host::WriteResult write_profile_strings(const std::string& section,
                                          std::span<const ProfileEntry> entries) override;
  const std::wstring& path() const { return path_; }

 private:
  std::wstring path_;
};

// The runtime's previous-instance test (a session-wide mutex, decided once at
// start) and the search for a window by its caption.
class InstanceMutex final : public host::InstanceGuard {
 public:
  InstanceMutex();
  ~InstanceMutex() override;
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;
  bool find_window(const std::string& caption) override;
  bool another_instance() override { return another_instance_; }

 private:
  HANDLE mutex_ = nullptr;
  bool another_instance_ = false;
};

// The desktop's screen-saver password: its registry switch and the system's
// change and verify dialogs, the latter over form_saver.
class PasswordDialogs final : public host::PasswordGate {
 public:
  explicit PasswordDialogs(HWND saver) : saver_(saver) {}
  ~PasswordDialogs() override;
  PasswordDialogs(const PasswordDialogs&) = delete;
  PasswordDialogs& operator=(const PasswordDialogs&) = delete;
  std::uint32_t desktop_use_password() override;
  host::WindowHandle foreground_window() override;
  void change_password(host::WindowHandle owner) override;
  void screen_saver_running(bool running) override;
  int verify_password() override;
  // Whether the password dialog is up (verify_password() has not returned).
  bool verifying() const { return verifying_; }

 private:
  HWND saver_;
  HMODULE password_cpl_ = nullptr;
  bool password_cpl_tried_ = false;
  bool verifying_ = false;
};

// The settings dialog (the frmConfig resource). A choice that could not be
// saved is the program's failure: its exit status says so.
class ConfDialogRunner final : public host::DialogRunner {
 public:
  explicit ConfDialogRunner(HINSTANCE instance) : instance_(instance) {}
  void run_settings_dialog(host::SettingsDialog& dialog, host::SettingsStore& store) override;
  bool not_saved() const { return not_saved_; }

 private:
  HINSTANCE instance_;
  bool not_saved_ = false;
};

// form_saver: created hidden before the load handler runs, then a preview
// child, a full-screen window or nothing.
class FormSaver final : public host::SaverWindow {
 public:
  FormSaver(HINSTANCE instance, HWND saver) : instance_(instance), saver_(saver) {}
  void set_caption(const std::string& caption) override;
  bool embed_preview(host::WindowHandle parent) override;
  void enter_full_screen() override;
  void focus_input_sink() override;
  void show_cursor(bool show) override;
  void set_topmost(bool topmost) override;
  void end_program() override;
  bool full_screen() const { return full_screen_; }

 private:
  HINSTANCE instance_;
  HWND saver_;
  bool full_screen_ = false;
};

// The registry value ScreenSaveUsePassword as stored: a REG_DWORD is its
// number, a REG_SZ its decimal text ("1" is 1, "0" is 0), anything else 0.
std::uint32_t use_password_from_registry_value(DWORD type, const BYTE* data, DWORD size);

}  // namespace win32
