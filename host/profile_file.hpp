#pragma once
// Private-profile (INI) files as pure text transformations, with the reading
// rules of the Windows private-profile calls: section and key names compared
// without regard to ASCII case, blanks around names and values ignored, the
// first matching section and key win, lines starting with ';' are comments.
// Hosts do the file input/output; everything that decides content lives here.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace host::profile {

// A settings file holds two short lines. Anything larger than this is not ours
// to interpret: it reads as empty (so every key takes its default) and is never
// rewritten (so a stray huge file is not truncated or parsed at length).
inline constexpr std::size_t kMaxSize = 1024 * 1024;

// The value text of section/key, trimmed of blanks and of one pair of
// enclosing quotes; nullopt when the key is missing.
std::optional<std::string> read_string(std::string_view text, std::string_view section,
                                       std::string_view key);

// The key's value as an integer: default_value when the key is missing or its
// value empty; otherwise the leading decimal number, with a non-numeric value
// and a negative number reading as 0 and numbers beyond the int range
// saturating at its maximum.
int read_int(std::string_view text, std::string_view section, std::string_view key,
             int default_value);

// The text with key=value written under section: an existing key line (the
// first in the first matching section) is replaced, keeping its indentation and
// the key's spelling; a missing key is added after the section's last entry; a
// missing section is added at the end. Every other byte stays as it was. New
// lines take the file's line ending ("\r\n" when it has any, else "\n").
// nullopt when the text or the result is larger than kMaxSize (the next read
// would ignore the whole file) or a name or the value holds a line break (the
// result would not read back as written).
std::optional<std::string> write_string(std::string_view text, std::string_view section,
                                        std::string_view key, std::string_view value);

struct Entry {
  std::string_view key;
  std::string_view value;
};

// Several keys of one section written in the given order as one change, each
// as write_string writes it; nullopt when the text or the final result is
// larger than kMaxSize or any entry is refused.
std::optional<std::string> write_strings(std::string_view text, std::string_view section,
                                         std::span<const Entry> entries);

}  // namespace host::profile
