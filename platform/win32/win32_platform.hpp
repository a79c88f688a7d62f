#pragma once
// Every platform part on Win32: the real profile, registry, window and
// password calls, in their UTF-16 forms so that the Japanese captions and the
// settings file name work whatever the system's ANSI code page.

#include <windows.h>

#include <string>

#include "host/platform.hpp"

namespace win32 {

class Win32Platform final : public host::SaverWindow,
                            public host::SettingsStore,
                            public host::InstanceGuard,
                            public host::PasswordGate,
                            public host::DialogRunner {
 public:
  // saver: the animation window form_saver, created hidden before the load
  // handler runs.
  Win32Platform(HINSTANCE instance, HWND saver);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  // Windows has every part.
  host::PlatformParts parts() { return {this, this, this, this}; }

  bool find_window(const std::string& caption) override;
  bool another_instance() override { return another_instance_; }
  void set_caption(const std::string& caption) override;
  int profile_int(const std::string& section, const std::string& key, int default_value) override;
  void write_profile_string(const std::string& section, const std::string& key,
                            const std::string& value) override;
  // Key by key (the profile calls have no batch), stopping at the first that
  // fails, whose reason the settings dialog then shows.
  host::WriteResult write_profile_strings(const std::string& section,
                                          std::span<const ProfileEntry> entries) override;
  std::uint32_t desktop_use_password() override;
  host::WindowHandle foreground_window() override;
  void change_password(host::WindowHandle owner) override;
  bool embed_preview(host::WindowHandle parent) override;
  void enter_full_screen() override;
  void focus_input_sink() override;
  void run_settings_dialog(host::SettingsDialog& dialog, host::SettingsStore& store) override;
  void show_cursor(bool show) override;
  void set_topmost(bool topmost) override;
  void screen_saver_running(bool running) override;
  int verify_password() override;
  void end_program() override;

  const std::wstring& settings_path() const { return settings_path_; }
  bool full_screen() const { return full_screen_; }
  // Whether the password dialog is up (verify_password() has not returned).
  bool verifying() const { return verifying_; }

 private:
  HINSTANCE instance_;
  HWND saver_;
  std::wstring settings_path_;
  HANDLE instance_mutex_ = nullptr;
  bool another_instance_ = false;
  bool full_screen_ = false;
  HMODULE password_cpl_ = nullptr;
  bool password_cpl_tried_ = false;
  bool verifying_ = false;
};

// The registry value ScreenSaveUsePassword as stored: a REG_DWORD is its
// number, a REG_SZ its decimal text ("1" is 1, "0" is 0), anything else 0.
std::uint32_t use_password_from_registry_value(DWORD type, const BYTE* data, DWORD size);

}  // namespace win32
