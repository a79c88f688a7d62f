// The start-up rules on arbitrary command lines and settings files: the
// switch and handle parsers, then the whole load handler against a platform
// that records nothing but keeps its settings text with the core's rules.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/command_line.hpp"
#include "host/platform.hpp"
#include "host/profile_file.hpp"
#include "host/saver.hpp"
#include "host/settings_dialog.hpp"

namespace {

class NullPlatform final : public host::SaverWindow,
                           public host::SettingsStore,
                           public host::InstanceGuard,
                           public host::PasswordGate,
                           public host::DialogRunner {
 public:
  std::string ini;
  bool toggle = false;

  host::PlatformParts parts() { return {this, this, this, this}; }

  bool find_window(const std::string&) override { return toggle; }
  bool another_instance() override { return !toggle; }
  int profile_int(const std::string& s, const std::string& k, int d) override {
    return host::profile::read_int(ini, s, k, d);
  }
  void write_profile_string(const std::string& s, const std::string& k,
                            const std::string& v) override {
    if (auto out = host::profile::write_string(ini, s, k, v)) ini = *out;
  }
  std::uint32_t desktop_use_password() override { return toggle ? 1 : 0; }
  host::WindowHandle foreground_window() override { return 1; }
  bool embed_preview(host::WindowHandle parent) override { return parent > 0; }
  void enter_full_screen() override {}
  void run_settings_dialog(host::SettingsDialog& dialog, host::SettingsStore& store) override {
    dialog.toggle_check(1 /* pump truck */);
    dialog.ok(store);
  }
  int verify_password() override { return 0; }
  void end_program() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // First line: the command line; the rest: the settings file.
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t cut = input.find('\n');
  NullPlatform p;
  const std::string line(input.substr(0, cut));
  p.ini = cut == std::string_view::npos ? std::string() : std::string(input.substr(cut + 1));
  p.toggle = size % 2 == 1;

  const host::RunMode mode = host::parse_run_mode(line);
  const bool has_a = line.find("/a") != std::string::npos || line.find("/A") != std::string::npos;
  if (has_a != (mode == host::RunMode::PasswordChange)) __builtin_trap();
  (void)host::parse_window_handle(line);

  host::Saver saver(p, p.parts());
  const host::StartResult r = saver.load(line);
  if (r != host::StartResult::Ended) {
    if (saver.settings().conf == 0 || saver.settings().speed == 0) __builtin_trap();
    saver.on_mouse_move(1, 2);
    saver.on_mouse_move(1, 3);
    saver.on_key_down();
  }
  return 0;
}
