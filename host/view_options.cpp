#include "host/view_options.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <initializer_list>

namespace host {
namespace {

constexpr std::string_view kView = "--view";
constexpr std::string_view kTheme = "--theme";
constexpr std::string_view kRole = "--role";
constexpr std::string_view kPractice = "--practice";
constexpr std::string_view kHelp = "--help";

// The pieces one after the other. Appended piece by piece: GCC 12 at -O3 sees
// a false overlap in `"text" + string`.
std::string joined(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view piece : pieces) out.append(piece);
  return out;
}

}  // namespace

std::optional<View> read_view(std::string_view word) {
  if (word == "teaching" || word == "teach") return View::Teaching;
  if (word == "saver") return View::Saver;
  return std::nullopt;
}

std::optional<stage::Theme> read_theme(std::string_view word) {
  if (word == "dark") return stage::Theme::Dark;
  if (word == "light") return stage::Theme::Light;
  return std::nullopt;
}

std::optional<int> read_position(std::string_view word) {
  int n = -1;
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), n);
  if (word.empty() || error != std::errc() || end != word.data() + word.size() || n < 0 ||
      n > kMostPositions)
    return std::nullopt;
  return n;
}

std::string bad_view_message(std::string_view value) {
  return joined({"--view takes teaching or saver, not '", value, "'"});
}

std::string bad_theme_message(std::string_view value) {
  return joined({"--theme takes dark or light, not '", value, "'"});
}

std::string bad_role_message(std::string_view value) {
  return joined(
      {"--role takes a position number (0 the commander, n member n), not '", value, "'"});
}

std::string needs_value_message(std::string_view option) {
  return joined({option, " needs a value"});
}

std::string unknown_drill_message(std::string_view name, stage::DrillList drills) {
  std::string names;
  for (const stage::DrillDescriptor& d : drills)
    names.append(names.empty() ? "" : ", ").append(d.name);
  return joined({"unknown drill '", name, "' (the drills are ", names, ")"});
}

std::string missing_position_message(const stage::DrillDescriptor& drill, int position) {
  const int positions = stage::position_count(drill.make_table());
  if (position < positions) return {};
  return joined({"--role ", std::to_string(position), " is no position of ", drill.name,
                 " (0 the commander to ", std::to_string(positions - 1), ")"});
}

ViewerCommandLine read_viewer_command_line(const std::vector<std::string>& args,
                                           stage::DrillList drills) {
  ViewerCommandLine out;
  ViewerOptions& o = out.options;
  // Help is given whatever else the line says: a learner reaches for it
  // precisely when the rest is wrong.
  if (std::find(args.begin(), args.end(), kHelp) != args.end()) {
    o.help = true;
    return out;
  }
  std::optional<std::string> drill_name;
  for (std::size_t i = 0; i < args.size() && out.error.empty(); ++i) {
    std::string_view a = args[i];
    if (a == kPractice) {
      o.practice = true;
      continue;
    }
    if (!a.starts_with("-")) {
      if (drill_name)
        out.error = "too many arguments (one drill at most)";
      else
        drill_name = std::string(a);
      continue;
    }
    // The options with a value take it after a blank or an '=', as the tool's do.
    std::optional<std::string_view> value;
    if (const std::size_t eq = a.find('='); eq != std::string_view::npos) {
      value = a.substr(eq + 1);
      a = a.substr(0, eq);
    }
    if (a != kView && a != kTheme && a != kRole) {
      out.error = joined({"unknown option '", args[i], "'"});
      break;
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        out.error = needs_value_message(a);
        break;
      }
      value = args[++i];
    }
    if (a == kView) {
      if (const std::optional<View> v = read_view(*value))
        o.view = *v;
      else
        out.error = bad_view_message(*value);
    } else if (a == kTheme) {
      if (const std::optional<stage::Theme> t = read_theme(*value))
        o.theme = *t;
      else
        out.error = bad_theme_message(*value);
    } else if (const std::optional<int> n = read_position(*value)) {
      o.role = n;
    } else {
      out.error = bad_role_message(*value);
    }
  }
  if (!out.error.empty()) return out;
  if (drill_name) {
    const auto found = std::find_if(drills.begin(), drills.end(),
                                    [&](const auto& d) { return *drill_name == d.name; });
    if (found == drills.end()) {
      out.error = unknown_drill_message(*drill_name, drills);
      return out;
    }
    o.drill = static_cast<int>(found - drills.begin());
  }
  if (o.practice && !o.role) {
    out.error = kPracticeNeedsRole;
    return out;
  }
  if (o.role)
    out.error = missing_position_message(drills[static_cast<std::size_t>(o.drill)], *o.role);
  return out;
}

std::string viewer_usage(std::string_view program, stage::DrillList drills) {
  std::size_t width = 0;
  for (const stage::DrillDescriptor& d : drills) width = std::max(width, std::strlen(d.name));
  std::string list;
  for (const stage::DrillDescriptor& d : drills) {
    list.append(joined({"    ", d.name, std::string(width - std::strlen(d.name) + 2, ' '),
                        d.display_name, " (", d.english_name, ")\n"}));
  }
  return joined({"usage: ", program,
                 " [--view teaching|saver] [--theme dark|light] [--role N [--practice]] [DRILL]\n"
                 "\n"
                 "Plays a drill in a window for learning it: pause, step, jump to a command,\n"
                 "loop a passage, play from a quarter to ten times the speed.\n"
                 "\n"
                 "  DRILL                the drill to start with (the first by default):\n",
                 list,
                 "  --view teaching      the teaching picture (the default; teach says the same):\n"
                 "                       the drill fitted to the window, each person in their\n"
                 "                       position's colour, the command kept on top\n"
                 "  --view saver         the screen saver's own picture\n"
                 "  --theme dark|light   the teaching picture's colours (t switches them)\n"
                 "  --role N             follow position N: 0 the commander, n member n\n"
                 "  --practice           with --role: a practice session of its calls and moves\n"
                 "  --help               this text\n"
                 "\n"
                 "In the window, ? lists the keys.\n"});
}

}  // namespace host
