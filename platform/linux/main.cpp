// mirukado: the Linux screen saver. Takes the Windows screen-saver switches
// (/s full screen, /p ID preview inside X window ID, /a password, anything else
// the settings dialog) and the xscreensaver hack conventions (-root,
// -window-id ID, $XSCREENSAVER_WINDOW), which run with the preview's rules.

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "drills/registry.hpp"
#include "host/command_line.hpp"
#include "host/saver.hpp"
#include "platform/linux/run_options.hpp"
#include "platform/linux/saver_parts.hpp"
#include "platform/linux/saver_window.hpp"
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
  // Drawing into a window given by xscreensaver or the like: one stage per
  // monitor the window spans (a /p preview is always one stage).
  bool hack = false;
};

Invocation read_arguments(const std::vector<std::string>& args, linux_host::XWindowId root_window) {
  Invocation inv;
  bool hack = false;
  bool root = false;
  std::optional<unsigned long> id;
  bool windows_switch = false;
  bool window_id_given = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "-window-id" || args[i] == "--window-id") {
      hack = true;
      window_id_given = true;
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
  if (window_id_given) {
    // -window-id names the window to draw in, beside -root or xscreensaver's window.
  } else if ((root || (!hack && !windows_switch)) && xs_set) {
    hack = true;
    id = parse_window_id(xs_window);
    if (!id)
      inv.error = std::string("XSCREENSAVER_WINDOW '") + xs_window + "' is not an X window id";
  } else if (root) {
    id = root_window;
  }
  inv.hack = hack;
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

// Without a session bus, D-Bus clients (SDL's screen-saver and input-method
// bridges, GTK's accessibility) would autolaunch a bus daemon of their own
// that outlives the saver. A run has no use for one.
void no_bus_autolaunch() {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (bus && *bus) return;
  setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
  setenv("NO_AT_BRIDGE", "1", 0);
}

// `mirukado view ...`: the viewer, a program of its own beside the saver.
constexpr char kViewCommand[] = "view";

// --help: what the modes are and what the viewer takes. Desktops start the
// settings dialog with no argument at all, so only this word prints it.
constexpr char kHelpOption[] = "--help";

bool asks_for_help(int argc, char** argv) {
  if (argc >= 2 && std::string(argv[1]) == kViewCommand) return false;  // the viewer's own
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == kHelpOption) return true;
  return false;
}

void print_usage() {
  const stage::DrillList drills = drills::registry();
  std::size_t width = 0;
  for (const stage::DrillDescriptor& d : drills) width = std::max(width, std::strlen(d.name));
  std::string list;
  for (const stage::DrillDescriptor& d : drills) {
    list += "  " + std::string(d.name) + std::string(width - std::strlen(d.name) + 2, ' ');
    list += std::string(d.display_name) + " (" + d.english_name + ")\n";
  }
  std::printf(
      "usage: mirukado                        the settings dialog: which drills play, how fast\n"
      "       mirukado /s                     the screen saver, full screen; input ends it\n"
      "       mirukado /p ID                  a preview inside the X window ID\n"
      "       mirukado /a                     says the desktop's locker keeps the password\n"
      "       mirukado -root | -window-id ID  as an xscreensaver hack, in that window\n"
      "       mirukado view [OPTIONS] [DRILL] the viewer, for learning a drill\n"
      "\n"
      "A run's options (its settings file stays as it is):\n"
      "  --drills NAMES  the drills to play, comma-separated\n"
      "  --speed 1|2|3   speed ×1, ×2 or ×10\n"
      "\n"
      "The drills, as DRILL and NAMES name them:\n"
      "%s"
      "\n"
      "The viewer plays, pauses and steps a drill, jumps to a command from the list\n"
      "or by its number (g, the number, Enter), loops a passage and plays at ×¼,\n"
      "×½, ×1, ×2 and ×10; ? in its window lists the keys. mirukado view --help\n"
      "lists its options. See mirukado(1).\n",
      list.c_str());
}

int refuse(const std::string& why) {
  linux_host::print_refusal(why);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // Before the display is looked for: help is read in any terminal, and a
  // command line the viewer cannot take is refused as such.
  if (asks_for_help(argc, argv)) {
    print_usage();
    return 0;
  }
  const bool view = argc >= 2 && std::string(argv[1]) == kViewCommand;
  host::ViewerCommandLine viewer;
  if (view) {
    viewer = host::read_viewer_command_line({argv + 2, argv + argc}, drills::registry());
    if (viewer.options.help) {
      std::fputs(host::viewer_usage("mirukado view", drills::registry()).c_str(), stdout);
      return 0;
    }
    if (!viewer.error.empty()) {
      std::fprintf(stderr, "mirukado view: %s\n", viewer.error.c_str());
      return host::kUsageErrorStatus;
    }
  }
  linux_host::install_x_error_handlers();
  // Every mode shows a window on an X display, the settings dialog and the
  // password notice's desktop included. Without one, end before the lock or
  // the settings file is touched, so that headless scripts fail at once.
  //
  // This first connection stays open until the program ends, and the platform
  // asks the server everything through it. An X server whose last client
  // leaves resets itself and drops a connection that arrives meanwhile: a
  // probe closed before SDL (or anything else) connected would make a start
  // on a server with no other client fail now and then.
  linux_host::X11Connection display;
  if (!display.ok()) {
    const char* name = std::getenv("DISPLAY");
    return refuse(name && *name ? "cannot open the X display '" + std::string(name) + "'"
                                : std::string("no X display: DISPLAY is not set"));
  }
  const bool server_has_randr = display.has_extension("RANDR");
  no_bus_autolaunch();
  // The viewer is a program of its own beside the saver: no settings, no lock.
  if (view) return linux_host::run_viewer(viewer.options, server_has_randr);
  const linux_host::RunOptions options =
      linux_host::parse_run_options({argv + 1, argv + argc}, drills::registry());
  if (!options.error.empty()) return refuse(options.error);
  const Invocation inv = read_arguments(options.rest, display.root());
  if (!inv.error.empty()) return refuse(inv.error);
  // The saver's parts, each its own class, assembled here.
  const bool full_screen = host::parse_run_mode(inv.command_line) == host::RunMode::FullScreen;
  const bool preview = host::parse_run_mode(inv.command_line) == host::RunMode::Preview;
  linux_host::SdlSaverWindow window(display);
  // Braces: with parentheses clang reads this as a function's declaration.
  linux_host::SettingsFileStore settings{
      linux_host::SettingsFile(linux_host::settings_file_path())};
  linux_host::DisplayLockGuard lock(display, preview);
  linux_host::NoPasswordGate password;
  linux_host::GtkDialogRunner dialog;
  // Full-screen runs take the single-instance lock in one atomic step before
  // anything else, so that of two runs started together exactly one plays.
  if (full_screen && !lock.claim()) return 0;
  window.set_split_monitors(inv.hack);
  host::Saver saver(window, {&settings, &lock, &password, &dialog});
  window.attach(&saver);
  if (saver.load(inv.command_line) == host::StartResult::Ended)
    return std::max(window.exit_status(), dialog.exit_status());
  // The options play for this run only; load() has already written the file.
  return window.run_stage(options.apply(saver.settings()));
}
