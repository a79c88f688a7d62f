#include "host/settings.hpp"

namespace host {

std::string format_profile_number(int value) {
  // Built by appending: GCC 12 at -O3 reports a false -Wrestrict overlap for
  // `" " + std::to_string(value)` (GCC bug 105329), which breaks the Release build.
  std::string text = value >= 0 ? " " : "";
  text += std::to_string(value);
  return text;
}

}  // namespace host
