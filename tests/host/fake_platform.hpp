#pragma once
// A recording host with every platform part: every call is logged as one line,
// settings live in an in-memory INI text handled by the core's profile rules.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/platform.hpp"
#include "host/profile_file.hpp"

namespace host_test {

class FakePlatform : public host::SaverWindow,
                     public host::SettingsStore,
                     public host::InstanceGuard,
                     public host::PasswordGate,
                     public host::DialogRunner {
 public:
  std::string line;
  std::string ini;
  bool window_exists = false;
  bool other_instance = false;
  bool preview_parent_exists = true;
  std::uint32_t use_password = 0;
  host::WindowHandle foreground = 777;
  std::vector<int> password_results;  // consumed in order; 1 when empty
  std::function<void(host::SettingsDialog&)> dialog_driver;
  int cursor_counter = 0;
  bool topmost = false;
  std::vector<std::string> calls;

  host::PlatformParts parts() { return {this, this, this, this}; }

  bool find_window(const std::string& caption) override {
    calls.push_back("find_window " + caption);
    return window_exists;
  }
  bool another_instance() override {
    calls.push_back("another_instance");
    return other_instance;
  }
  void set_caption(const std::string& caption) override {
    calls.push_back("set_caption " + caption);
  }
  int profile_int(const std::string& section, const std::string& key, int def) override {
    calls.push_back("profile_int " + section + " " + key);
    return host::profile::read_int(ini, section, key, def);
  }
  void write_profile_string(const std::string& section, const std::string& key,
                            const std::string& value) override {
    calls.push_back("write " + section + " " + key + "=" + value);
    if (auto updated = host::profile::write_string(ini, section, key, value)) ini = *updated;
  }
  // One call, one change of the text: the record shows what went together.
  host::WriteResult write_profile_strings(const std::string& section,
                                          std::span<const ProfileEntry> entries) override {
    std::string call = "write_all " + section;
    std::vector<host::profile::Entry> views;
    for (const ProfileEntry& e : entries) {
      call += " " + e.key + "=" + e.value;
      views.push_back({e.key, e.value});
    }
    calls.push_back(call);
    auto updated = host::profile::write_strings(ini, section, views);
    if (!updated) return {false, "the settings would not fit"};
    ini = *updated;
    return {};
  }
  std::uint32_t desktop_use_password() override {
    calls.push_back("desktop_use_password");
    return use_password;
  }
  host::WindowHandle foreground_window() override {
    calls.push_back("foreground_window");
    return foreground;
  }
  void change_password(host::WindowHandle owner) override {
    calls.push_back("change_password " + std::to_string(owner));
  }
  bool embed_preview(host::WindowHandle parent) override {
    calls.push_back("embed_preview " + std::to_string(parent));
    return preview_parent_exists;
  }
  void enter_full_screen() override { calls.push_back("enter_full_screen"); }
  void focus_input_sink() override { calls.push_back("focus_input_sink"); }
  void run_settings_dialog(host::SettingsDialog& dialog, host::SettingsStore&) override {
    calls.push_back("run_settings_dialog");
    if (dialog_driver) dialog_driver(dialog);
  }
  void show_cursor(bool show) override {
    cursor_counter += show ? 1 : -1;
    calls.push_back(show ? "show_cursor true" : "show_cursor false");
  }
  void set_topmost(bool on) override {
    topmost = on;
    calls.push_back(on ? "set_topmost true" : "set_topmost false");
  }
  void screen_saver_running(bool on) override {
    calls.push_back(on ? "screen_saver_running true" : "screen_saver_running false");
  }
  int verify_password() override {
    calls.push_back("verify_password");
    if (password_results.empty()) return 1;
    const int r = password_results.front();
    password_results.erase(password_results.begin());
    return r;
  }
  void end_program() override { calls.push_back("end_program"); }

  // The calls logged since the last take().
  std::vector<std::string> take() {
    std::vector<std::string> out;
    out.swap(calls);
    return out;
  }
};

}  // namespace host_test
