#include "host/profile_file.hpp"

#include <climits>
#include <vector>

namespace host::profile {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && (is_blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

char fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(a[i]) != fold(b[i])) return false;
  return true;
}

bool has_line_break(std::string_view s) {
  return s.find_first_of("\r\n") != std::string_view::npos;
}

enum class LineKind { Other, Section, Entry };

// One physical line: `raw` includes its terminator (absent on a last line
// without one); `body` is the line without terminator and without a leading
// byte-order mark.
struct Line {
  std::string_view raw;
  std::string_view body;
  LineKind kind = LineKind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // entry value, trimmed
};

Line classify(std::string_view raw, bool first) {
  Line line;
  line.raw = raw;
  std::string_view body = raw;
  if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
  if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
  if (first && body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
  line.body = body;
  const std::string_view t = trim(body);
  if (t.empty() || t.front() == ';') return line;
  if (t.front() == '[') {
    const std::size_t close = t.find(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::Section;
      line.name = trim(t.substr(1, close - 1));
    }
    return line;
  }
  const std::size_t eq = t.find('=');
  if (eq == std::string_view::npos || eq == 0) return line;
  line.kind = LineKind::Entry;
  line.name = trim(t.substr(0, eq));
  line.value = trim(t.substr(eq + 1));
  return line;
}

std::vector<Line> split(std::string_view text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    end = (end == std::string_view::npos) ? text.size() : end + 1;
    lines.push_back(classify(text.substr(start, end - start), lines.empty()));
    start = end;
  }
  return lines;
}

// Where section/key live: the first section line with that name and, within
// that section, the first entry line with that key.
struct Location {
  std::optional<std::size_t> section;
  std::optional<std::size_t> entry;
  std::size_t section_end = 0;   // index of the line after the section's body
  std::size_t last_content = 0;  // last section header or entry line of the section
};

Location locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
  Location loc;
  const std::string_view want_section = trim(section);
  const std::string_view want_key = trim(key);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!loc.section) {
      if (lines[i].kind == LineKind::Section && same_name(lines[i].name, want_section)) {
        loc.section = i;
        loc.last_content = i;
        loc.section_end = lines.size();
      }
      continue;
    }
    if (lines[i].kind == LineKind::Section) {
      loc.section_end = i;
      break;
    }
    if (lines[i].kind == LineKind::Entry) {
      loc.last_content = i;
      if (!loc.entry && same_name(lines[i].name, want_key)) loc.entry = i;
    }
  }
  return loc;
}

std::string_view line_ending(std::string_view text) {
  return text.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
}

// The line's terminator ("\n", "\r\n" or nothing on a last line).
std::string_view terminator(const Line& line) {
  return line.raw.substr(static_cast<std::size_t>(line.body.data() - line.raw.data()) +
                         line.body.size());
}

}  // namespace

std::optional<std::string> read_string(std::string_view text, std::string_view section,
                                       std::string_view key) {
  if (text.size() > kMaxSize) return std::nullopt;
  const std::vector<Line> lines = split(text);
  const Location loc = locate(lines, section, key);
  if (!loc.entry) return std::nullopt;
  std::string_view v = lines[*loc.entry].value;
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

int read_int(std::string_view text, std::string_view section, std::string_view key,
             int default_value) {
  const std::optional<std::string> value = read_string(text, section, key);
  if (!value || value->empty()) return default_value;
  std::string_view v = *value;
  if (!v.empty() && v.front() == '+') v.remove_prefix(1);
  if (!v.empty() && v.front() == '-') return 0;
  long long n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') break;
    n = n * 10 + (c - '0');
    if (n > INT_MAX) return INT_MAX;
  }
  return static_cast<int>(n);
}

namespace {

// write_string without the size bound, so that a batch is bounded once, on
// its final text.
std::optional<std::string> write_unbounded(std::string_view text, std::string_view section,
                                           std::string_view key, std::string_view value) {
  if (has_line_break(section) || has_line_break(key) || has_line_break(value)) return std::nullopt;
  const std::string_view eol = line_ending(text);
  const std::vector<Line> lines = split(text);
  const Location loc = locate(lines, section, key);

  std::string out;
  out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
  const auto entry_text = [&](std::string_view spelled_key) {
    return std::string(spelled_key) + "=" + std::string(value);
  };

  if (!loc.section) {
    out.append(text);
    if (!out.empty() && out.back() != '\n') out.append(eol);
    out.append("[").append(trim(section)).append("]").append(eol);
    out.append(entry_text(trim(key))).append(eol);
    return out;
  }

  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (loc.entry && i == *loc.entry) {
      // Keep what precedes the key (a byte-order mark, indentation) and the
      // line's own terminator; replace the rest.
      out.append(line.raw.substr(0, static_cast<std::size_t>(line.name.data() - line.raw.data())));
      out.append(entry_text(line.name));
      out.append(terminator(line));
      continue;
    }
    out.append(line.raw);
    if (!loc.entry && i == loc.last_content) {
      if (line.raw.empty() || line.raw.back() != '\n') out.append(eol);
      out.append(entry_text(trim(key))).append(eol);
    }
  }
  return out;
}

std::optional<std::string> bounded(std::optional<std::string> text) {
  if (text && text->size() > kMaxSize) return std::nullopt;
  return text;
}

}  // namespace

std::optional<std::string> write_string(std::string_view text, std::string_view section,
                                        std::string_view key, std::string_view value) {
  if (text.size() > kMaxSize) return std::nullopt;
  return bounded(write_unbounded(text, section, key, value));
}

std::optional<std::string> write_strings(std::string_view text, std::string_view section,
                                         std::span<const Entry> entries) {
  if (text.size() > kMaxSize) return std::nullopt;
  std::optional<std::string> out{std::string(text)};
  for (const Entry& e : entries) {
    out = write_unbounded(*out, section, e.key, e.value);
    if (!out) return std::nullopt;
  }
  return bounded(std::move(out));
}

}  // namespace host::profile
