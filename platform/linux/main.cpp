// mirukado: the Linux screen saver. Takes the Windows screen-saver switches
// (/s full screen, /p ID preview inside X window ID, /a password, anything else
// the settings dialog) and the xscreensaver hack conventions (-root,
// -window-id ID, $XSCREENSAVER_WINDOW), which run with the preview's rules.

#include <cstdlib>
#include <string>
#include <vector>

#include "host/saver.hpp"
#include "platform/linux/linux_platform.hpp"
#include "platform/linux/settings_file.hpp"
#include "platform/linux/x11.hpp"

namespace {

// An X window id as xscreensaver writes it: decimal or 0x-hexadecimal. 0 when
// it is neither.
unsigned long parse_window_id(const char* text) {
  if (!text || !*text) return 0;
  char* end = nullptr;
  const unsigned long id = std::strtoul(text, &end, 0);
  return (end && *end == '\0') ? id : 0;
}

struct Invocation {
  std::string command_line;
};

Invocation read_arguments(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool hack = false;
  bool root = false;
  unsigned long id = 0;
  bool windows_switch = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-window-id" || args[i] == "--window-id") {
      hack = true;
      id = i + 1 < args.size() ? parse_window_id(args[++i].c_str()) : 0;
    } else if (args[i] == "-root" || args[i] == "--root") {
      hack = true;
      root = true;
    } else if (!args[i].empty() && args[i][0] == '/') {
      windows_switch = true;
    }
  }
  const char* xs_window = std::getenv("XSCREENSAVER_WINDOW");
  if (!hack && !windows_switch && xs_window && *xs_window) {
    hack = true;
    id = parse_window_id(xs_window);
  }
  if (root) {
    id = parse_window_id(xs_window);
    if (id == 0) {
      linux_host::X11Connection x;
      id = x.root();
    }
  }
  Invocation inv;
  if (hack) {
    // An xscreensaver window is a preview in all but size: input never ends it.
    inv.command_line = "/p " + std::to_string(id);
    return inv;
  }
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) inv.command_line += ' ';
    inv.command_line += args[i];
  }
  return inv;
}

}  // namespace

int main(int argc, char** argv) {
  linux_host::install_x_error_handlers();
  const Invocation inv = read_arguments(argc, argv);
  linux_host::LinuxPlatform platform(inv.command_line,
                                     linux_host::SettingsFile(linux_host::settings_file_path()));
  host::Saver saver(platform);
  platform.attach(&saver);
  if (saver.load() == host::StartResult::Ended) return platform.exit_status();
  return platform.run_stage(saver.settings());
}
