// mirukado: the Linux screen saver. Takes the Windows screen-saver switches
// (/s full screen, /p ID preview inside X window ID, /a password, anything else
// the settings dialog) and the xscreensaver hack conventions (-root,
// -window-id ID, $XSCREENSAVER_WINDOW), which run with the preview's rules.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "host/command_line.hpp"
#include "host/saver.hpp"
#include "platform/linux/linux_platform.hpp"
#include "platform/linux/settings_file.hpp"
#include "platform/linux/viewer.hpp"
#include "platform/linux/x11.hpp"

namespace {

// An X window id as xscreensaver writes it: decimal or 0x-hexadecimal, within
// the 32 bits that X ids travel in. Nothing when it is neither.
std::optional<unsigned long> parse_window_id(const char* text) {
  if (!text || !*text) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const unsigned long id = std::strtoul(text, &end, 0);
  if (errno != 0 || !end || *end != '\0' || text[0] == '-' || id > UINT32_MAX) return std::nullopt;
  return id;
}

struct Invocation {
  std::string command_line;
  std::string error;  // a hack argument that names no window
};

Invocation read_arguments(int argc, char** argv, linux_host::XWindowId root_window) {
  std::vector<std::string> args(argv + 1, argv + argc);
  Invocation inv;
  bool hack = false;
  bool root = false;
  std::optional<unsigned long> id;
  bool windows_switch = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-window-id" || args[i] == "--window-id") {
      hack = true;
      const std::string value = i + 1 < args.size() ? args[++i] : "";
      id = parse_window_id(value.c_str());
      if (!id) inv.error = "-window-id '" + value + "' is not an X window id";
    } else if (args[i] == "-root" || args[i] == "--root") {
      hack = true;
      root = true;
    } else if (!args[i].empty() && args[i][0] == '/') {
      windows_switch = true;
    }
  }
  const char* xs_window = std::getenv("XSCREENSAVER_WINDOW");
  const bool xs_set = xs_window && *xs_window;
  if ((root || (!hack && !windows_switch)) && xs_set) {
    hack = true;
    id = parse_window_id(xs_window);
    if (!id)
      inv.error = std::string("XSCREENSAVER_WINDOW '") + xs_window + "' is not an X window id";
  } else if (root) {
    id = root_window;
  }
  if (hack) {
    // An xscreensaver window is a preview in all but size: input never ends it.
    inv.command_line = "/p " + std::to_string(id.value_or(0));
    return inv;
  }
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (i) inv.command_line += ' ';
    inv.command_line += args[i];
  }
  return inv;
}

int refuse(const std::string& why) {
  std::fprintf(stderr, "mirukado: %s\n", why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  linux_host::install_x_error_handlers();
  // Every mode shows a window on an X display, the settings dialog and the
  // password notice's desktop included. Without one, end before the lock or
  // the settings file is touched, so that headless scripts fail at once.
  linux_host::XWindowId root_window = 0;
  {
    const linux_host::X11Connection display;
    if (!display.ok()) {
      const char* name = std::getenv("DISPLAY");
      return refuse(name && *name ? "cannot open the X display '" + std::string(name) + "'"
                                  : std::string("no X display: DISPLAY is not set"));
    }
    root_window = display.root();
  }
  // The viewer is a program of its own beside the saver: no settings, no lock.
  if (argc >= 2 && std::string(argv[1]) == "view")
    return linux_host::run_viewer(std::vector<std::string>(argv + 2, argv + argc));
  const Invocation inv = read_arguments(argc, argv, root_window);
  if (!inv.error.empty()) return refuse(inv.error);
  linux_host::LinuxPlatform platform(inv.command_line,
                                     linux_host::SettingsFile(linux_host::settings_file_path()));
  // Full-screen runs take the single-instance lock in one atomic step before
  // anything else, so that of two runs started together exactly one plays.
  if (host::parse_run_mode(inv.command_line) == host::RunMode::FullScreen &&
      !platform.claim_instance())
    return 0;
  host::Saver saver(platform, platform.parts());
  platform.attach(&saver);
  if (saver.load(inv.command_line) == host::StartResult::Ended) return platform.exit_status();
  return platform.run_stage(saver.settings());
}
