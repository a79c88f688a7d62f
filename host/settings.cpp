#include "host/settings.hpp"

namespace host {

std::string format_profile_number(int value) {
  return value >= 0 ? " " + std::to_string(value) : std::to_string(value);
}

}  // namespace host
