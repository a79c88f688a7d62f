#include "host/command_line.hpp"

#include <cmath>
#include <cstdlib>
#include <string>

#include "stage/rounding.hpp"

namespace host {

namespace {

bool contains(std::string_view line, std::string_view needle) {
  return line.find(needle) != std::string_view::npos;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view trim_blanks(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

RunMode parse_run_mode(std::string_view line) {
  if (contains(line, "/a") || contains(line, "/A")) return RunMode::PasswordChange;
  if (contains(line, "/p") || contains(line, "/P")) return RunMode::Preview;
  if (contains(line, "/s") || contains(line, "/S")) return RunMode::FullScreen;
  return RunMode::Settings;
}

double leading_number(std::string_view text) {
  // Scan the longest prefix of the form [+-]digits[.digits][(e|E|d|D)[+-]digits]
  // ourselves: strtod would also accept hexadecimal, "inf" and "nan".
  std::size_t i = 0;
  std::string number;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number += text[i++];
  std::size_t digits = 0;
  while (i < text.size() && is_digit(text[i])) number += text[i++], ++digits;
  if (i < text.size() && text[i] == '.') {
    number += text[i++];
    while (i < text.size() && is_digit(text[i])) number += text[i++], ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent += text[j++];
    std::size_t exp_digits = 0;
    while (j < text.size() && is_digit(text[j]) && exp_digits < 6)
      exponent += text[j++], ++exp_digits;
    if (exp_digits > 0) number += exponent;
  }
  const double v = std::strtod(number.c_str(), nullptr);
  return std::isfinite(v) ? v : 0.0;
}

WindowHandle parse_window_handle(std::string_view line) {
  const std::string_view rest = line.size() > 2 ? line.substr(2) : std::string_view{};
  const double v = stage::round_half_even(leading_number(trim_blanks(rest)));
  // Handles are at most 64 bits wide; anything beyond names no window.
  if (!(v >= -9.2e18 && v <= 9.2e18)) return 0;
  return static_cast<WindowHandle>(v);
}

}  // namespace host
