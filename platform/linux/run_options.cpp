#include "platform/linux/run_options.hpp"

#include <algorithm>
#include <string_view>

#include "drills/registry.hpp"

namespace linux_host {

namespace {

constexpr int kMinSpeed = 1;
constexpr int kMaxSpeed = 3;

// The option's name without its dashes when `arg` is one of ours ("drills",
// "speed"), with the value given after '=' if any.
bool match_option(const std::string& arg, std::string_view name,
                  std::optional<std::string>* inline_value) {
  std::string_view a = arg;
  if (a.starts_with("--"))
    a.remove_prefix(2);
  else if (a.starts_with("-"))
    a.remove_prefix(1);
  else
    return false;
  if (!a.starts_with(name)) return false;
  a.remove_prefix(name.size());
  if (a.empty()) return true;
  if (a.front() != '=') return false;
  *inline_value = std::string(a.substr(1));
  return true;
}

int drill_bits(const std::string& list, stage::DrillList drills, std::string* error) {
  int mask = 0;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string name = list.substr(start, comma - start);
    start = comma + 1;
    if (name.empty()) continue;
    const int known = drills::find(drills, name);
    if (known < 0) {
      *error = "--drills: unknown drill '" + name + "' (the drills are " +
               drills::names(drills, ", ") + ")";
      return 0;
    }
    mask |= stage::conf_bit(static_cast<std::size_t>(known));
  }
  if (mask == 0) *error = "--drills: no drill named in '" + list + "'";
  return mask;
}

}  // namespace

host::Settings RunOptions::apply(host::Settings from_file) const {
  if (conf) from_file.conf = *conf;
  if (speed) from_file.speed = *speed;
  return from_file;
}

RunOptions parse_run_options(const std::vector<std::string>& args, stage::DrillList drills) {
  RunOptions out;
  for (std::size_t i = 0; i < args.size() && out.error.empty(); ++i) {
    std::optional<std::string> value;
    const bool is_drills = match_option(args[i], "drills", &value);
    const bool is_speed = !is_drills && match_option(args[i], "speed", &value);
    if (!is_drills && !is_speed) {
      out.rest.push_back(args[i]);
      continue;
    }
    if (!value) {
      if (i + 1 >= args.size()) {
        out.error = args[i] + " needs a value";
        break;
      }
      value = args[++i];
    }
    if (is_drills) {
      const int bits = drill_bits(*value, drills, &out.error);
      out.conf = out.conf.value_or(0) | bits;
    } else if (value->size() == 1 && (*value)[0] >= '0' + kMinSpeed &&
               (*value)[0] <= '0' + kMaxSpeed) {
      out.speed = (*value)[0] - '0';
    } else {
      out.error = "--speed '" + *value + "' is not 1, 2 or 3";
    }
  }
  return out;
}

}  // namespace linux_host
