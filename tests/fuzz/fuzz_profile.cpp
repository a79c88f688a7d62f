// Settings-file rules on arbitrary bytes: reading never fails; a write reads
// back as written, changes one line and nothing else, keeps its length when
// rewritten with a value of the same length, and never makes a text the
// reader would ignore as too large; the dialog's two keys in one change obey
// the same bound.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/profile_file.hpp"
#include "profile_checks.hpp"

namespace profile = host::profile;

namespace {

// The values that a write of Conf must leave alone.
bool others_kept(std::string_view before, std::string_view after) {
  return profile::read_string(after, "Saver", "Speed") ==
             profile::read_string(before, "Saver", "Speed") &&
         profile::read_string(after, "Other", "Conf") ==
             profile::read_string(before, "Other", "Conf");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text = fuzz::settings_text(data, size);
  (void)profile::read_int(text, "Saver", "Conf", 0);
  (void)profile::read_int(text, "saver", "SPEED", 7);
  (void)profile::read_string(text, "", "");

  const auto written = profile::write_string(text, "Saver", "Conf", " 5");
  if (text.size() > profile::kMaxSize) {
    if (written) __builtin_trap();  // oversized files are never rewritten
    return 0;
  }
  if (!written) {
    // Refused only where the result could pass the limit.
    if (text.size() + fuzz::kMaxGrowth <= profile::kMaxSize) __builtin_trap();
    return 0;
  }
  if (written->size() > profile::kMaxSize || profile::read_int(*written, "Saver", "Conf", 0) != 5 ||
      !fuzz::changed_in_one_line(text, *written, fuzz::kMaxGrowth) || !others_kept(text, *written))
    __builtin_trap();
  const auto rewritten = profile::write_string(*written, "Saver", "Conf", " 6");
  if (!rewritten || rewritten->size() != written->size() ||
      profile::read_int(*rewritten, "Saver", "Conf", 0) != 6)
    __builtin_trap();

  // The dialog's OK: both keys in one change.
  const profile::Entry ok[] = {{"Conf", " 5"}, {"Speed", " 3"}};
  const auto both = profile::write_strings(text, "Saver", ok);
  if (!both) {
    if (text.size() + 2 * fuzz::kMaxGrowth <= profile::kMaxSize) __builtin_trap();
    return 0;
  }
  if (both->size() > profile::kMaxSize || profile::read_int(*both, "Saver", "Conf", 0) != 5 ||
      profile::read_int(*both, "Saver", "Speed", 0) != 3 ||
      profile::read_string(*both, "Other", "Conf") != profile::read_string(text, "Other", "Conf"))
    __builtin_trap();
  return 0;
}
