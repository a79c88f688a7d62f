#pragma once
// What the settings-file fuzzers share: how an input becomes a settings text
// (sometimes one brought close to the size limit) and what a write may change.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/profile_file.hpp"

namespace fuzz {

// The most a write of "Conf= 5" or "Speed= 3" may add: a line break ending
// an unterminated last line, a new "[Saver]" line and the entry line, each
// ended by "\r\n".
inline constexpr std::size_t kMaxGrowth = 2 + 7 + 2 + 8 + 2;

// Inputs whose first byte has its high bit set are placed after a comment
// line that brings the text within 64 bytes of the size limit, so that writes
// meet the limit; others are taken as they are.
inline std::string settings_text(const std::uint8_t* data, std::size_t size) {
  constexpr std::uint8_t kNearLimit = 0x80;
  constexpr std::uint8_t kSlackMask = 0x3f;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  if (size == 0 || (data[0] & kNearLimit) == 0) return std::string(input);
  const std::string_view rest = input.substr(1);
  const std::size_t target = host::profile::kMaxSize - (data[0] & kSlackMask);
  const std::size_t frame = rest.size() + 3;  // "; " and "\n"
  if (target <= frame) return std::string(rest);
  return "; " + std::string(target - frame, 'x') + "\n" + std::string(rest);
}

// Whether after differs from before in one place only, where at most part of
// one line was removed and at most max_added bytes were put in: everything
// else of the text is kept.
inline bool changed_in_one_line(std::string_view before, std::string_view after,
                                std::size_t max_added) {
  std::size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  std::size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  const std::string_view removed = before.substr(head, before.size() - head - tail);
  const std::size_t added = after.size() - head - tail;
  return removed.find('\n') == std::string_view::npos && added <= max_added;
}

}  // namespace fuzz
