// Settings-file rules on arbitrary bytes: reading never fails, and a write
// always reads back as written and keeps its length when rewritten with a
// value of the same length.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/profile_file.hpp"

namespace profile = host::profile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)profile::read_int(text, "Saver", "Conf", 0);
  (void)profile::read_int(text, "saver", "SPEED", 7);
  (void)profile::read_string(text, "", "");

  const auto written = profile::write_string(text, "Saver", "Conf", " 5");
  if (size > profile::kMaxSize) {
    if (written) __builtin_trap();  // oversized files are never rewritten
    return 0;
  }
  if (!written || profile::read_int(*written, "Saver", "Conf", 0) != 5) __builtin_trap();
  const auto rewritten = profile::write_string(*written, "Saver", "Conf", " 6");
  if (!rewritten || rewritten->size() != written->size() ||
      profile::read_int(*rewritten, "Saver", "Conf", 0) != 6)
    __builtin_trap();
  // The other key of the section is untouched by a write of this one.
  if (profile::read_int(*rewritten, "Saver", "Speed", -1) !=
      profile::read_int(text, "Saver", "Speed", -1))
    __builtin_trap();
  return 0;
}
