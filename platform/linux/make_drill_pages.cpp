// Writes the pages that list the drills from the drill registry at build
// time, so that a drill added to the registry appears there with nothing else
// to edit: xscreensaver's description of the hack (its settings page: one
// check box per drill), and every template that names the drills: the
// AppStream description software centres show, the two desktop entries, the
// package description and the man pages. A template's tokens (kTokens) become
// the registry's drills; man pages (*.1) get them in roff, with their
// Japanese names as roff escapes, and a package description (*.txt) is
// refilled to its line length once the drills are in.
// Usage: make_drill_pages [--xscreensaver FILE.xml] [TEMPLATE OUTPUT]...

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drills/registry.hpp"

namespace {

constexpr std::size_t kLineColumns = 75;

// Display columns of UTF-8 text: a character of three or more bytes (the
// Japanese ones here) takes two.
std::size_t columns(const std::string& text) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t bytes = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    n += bytes >= 3 ? 2 : 1;
    i += bytes;
  }
  return n;
}

// An English name in the middle of a sentence: "Test drill" becomes "the
// test drill".
std::string in_a_sentence(const char* english_name) {
  std::string s = english_name;
  if (!s.empty()) s[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(s[0])));
  return "the " + s;
}

// The drills in a sentence: "the A drill (Ａ操法), the B drill (Ｂ操法) and …".
std::string drill_list(stage::DrillList drills) {
  std::string list;
  for (std::size_t i = 0; i < drills.size(); ++i) {
    if (i > 0) list += i + 1 == drills.size() ? " and " : ", ";
    list += in_a_sentence(drills[i].english_name) + " (" + drills[i].display_name + ")";
  }
  return list;
}

// Filled greedily into lines of `width` columns, a Japanese character two
// columns wide.
std::string filled(const std::string& text, std::size_t width) {
  std::string out;
  std::size_t line = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (line > 0 && line + 1 + columns(word) > width) {
      out += '\n';
      line = 0;
    } else if (line > 0) {
      out += ' ';
      ++line;
    }
    out += word;
    line += columns(word);
    start = end + 1;
  }
  return out;
}

std::string description(stage::DrillList drills) {
  return filled("Japanese volunteer fire-brigade drills seen from above: " + drill_list(drills) +
                    ", with each spoken command shown at the top of the screen.",
                kLineColumns);
}

std::string xscreensaver_page(stage::DrillList drills) {
  std::string xml = R"xml(<?xml version="1.0" encoding="UTF-8"?>

<screensaver name="mirukado" _label="Mirukado">

  <command arg="-root"/>

  <!-- Each ticked drill adds itself to the run's drills; with none ticked the
       run plays the drills chosen in Mirukado's own settings dialog. -->
)xml";
  for (const stage::DrillDescriptor& d : drills) {
    xml += std::string("  <boolean id=\"") + d.name + "\" _label=\"" + d.english_name + " (" +
           d.display_name + ")\" arg-set=\"--drills " + d.name + "\"/>\n";
  }
  xml += R"xml(
  <select id="speed">
    <option id="speed-saved" _label="Speed from Mirukado's settings"/>
    <option id="speed-1" _label="Speed 1 (as drilled)" arg-set="--speed 1"/>
    <option id="speed-2" _label="Speed 2 (twice as fast)" arg-set="--speed 2"/>
    <option id="speed-3" _label="Speed 3 (ten times as fast)" arg-set="--speed 3"/>
  </select>

  <_description>
)xml";
  xml += description(drills);
  xml += R"xml(
Every monitor plays its own stage.

The drills ticked here and the speed chosen here apply to xscreensaver's runs
only. With no drill ticked, or the speed left to Mirukado's settings, the
choice made with "mirukado" run without arguments applies; it is kept in
~/.config/mirukado/ミルカド.ini.
  </_description>
</screensaver>
)xml";
  return xml;
}

// How many drills, in words, for "plays three drills".
std::string count_in_words(std::size_t n) {
  constexpr const char* kWords[] = {"no",  "one",   "two",   "three", "four", "five",
                                    "six", "seven", "eight", "nine",  "ten"};
  return n < std::size(kWords) ? kWords[n] : std::to_string(n);
}

// Roff text: every character beyond ASCII as its \[uXXXX] escape, which any
// man reader renders whatever its locale.
std::string roff(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      out += text[i++] == '-' ? "\\-" : std::string(1, static_cast<char>(lead));
      continue;
    }
    const std::size_t bytes = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    unsigned code = lead & (0x7Fu >> bytes);
    for (std::size_t k = 1; k < bytes && i + k < text.size(); ++k)
      code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3Fu);
    char escape[16];
    std::snprintf(escape, sizeof escape, "\\[u%04X]", code);
    out += escape;
    i += bytes;
  }
  return out;
}

enum class Kind { Plain, ManPage, Filled };

// The tokens a template may use and what each becomes.
std::vector<std::pair<std::string, std::string>> tokens(stage::DrillList drills, Kind kind) {
  const auto text = [kind](const std::string& t) { return kind == Kind::ManPage ? roff(t) : t; };
  std::string japanese;  // the display names, joined by 、
  std::string keywords;  // each drill's names, for a desktop entry's Keywords
  std::string table;     // a man page's list of the drills
  for (std::size_t i = 0; i < drills.size(); ++i) {
    const stage::DrillDescriptor& d = drills[i];
    japanese += std::string(i ? "、" : "") + d.display_name;
    keywords += std::string(d.name) + ";" + d.display_name + ";" + d.english_name + ";";
    table += std::string(".TP\n.B ") + d.name + "\n" +
             roff(in_a_sentence(d.english_name) + " (" + d.display_name + "); Conf bit " +
                  std::to_string(stage::conf_bit(i))) +
             "\n";
  }
  if (!table.empty()) table.pop_back();  // the template's line ends it
  return {
      // The drills in a sentence: "the A drill (Ａ操法), … and the C drill (Ｃ操法)".
      {"%DRILLS%", text(drill_list(drills))},
      {"%DRILL_COUNT%", count_in_words(drills.size())},
      {"%DRILLS_JA%", text(japanese)},
      {"%DRILL_KEYWORDS%", keywords},
      {"%FIRST_DRILL%", drills.empty() ? "" : drills.front().name},
      {"%ALL_CONF%", std::to_string(stage::all_drills_conf(drills))},
      {"%MAN_DRILL_TABLE%", table},
  };
}

Kind kind_of(std::string_view output) {
  if (output.ends_with(".1")) return Kind::ManPage;
  if (output.ends_with(".txt")) return Kind::Filled;
  return Kind::Plain;
}

// Each paragraph (lines up to a blank one) refilled to kLineColumns.
std::string refilled(const std::string& text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\n\n", start);
    if (end == std::string::npos) end = text.size();
    std::string paragraph = text.substr(start, end - start);
    for (char& c : paragraph)
      if (c == '\n') c = ' ';
    while (!paragraph.empty() && paragraph.back() == ' ') paragraph.pop_back();
    if (!out.empty()) out += "\n\n";
    out += filled(paragraph, kLineColumns);
    start = end + 2;
  }
  return out + "\n";
}

// The template with every token replaced; nothing when the template cannot
// be read or uses no token (a page that names no drill needs no template).
std::string from_template(stage::DrillList drills, const char* template_path, Kind kind) {
  std::ifstream in(template_path, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in) return {};
  bool used = false;
  for (const auto& [token, value] : tokens(drills, kind)) {
    for (std::size_t at = text.find(token); at != std::string::npos;
         at = text.find(token, at + value.size())) {
      text.replace(at, token.size(), value);
      used = true;
    }
  }
  if (!used) return {};
  return kind == Kind::Filled ? refilled(text) : text;
}

bool write_file(const char* path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) std::fprintf(stderr, "make_drill_pages: cannot write %s\n", path);
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const stage::DrillList drills = drills::registry();
  bool ok = true;
  std::size_t i = 0;
  if (args.size() >= 2 && args[0] == "--xscreensaver") {
    ok = write_file(args[1].c_str(), xscreensaver_page(drills));
    i = 2;
  }
  if ((args.size() - i) % 2 != 0 || args.empty()) {
    std::fprintf(stderr,
                 "usage: make_drill_pages [--xscreensaver FILE.xml] [TEMPLATE OUTPUT]...\n");
    return 2;
  }
  for (; i < args.size(); i += 2) {
    const std::string text = from_template(drills, args[i].c_str(), kind_of(args[i + 1]));
    if (text.empty()) {
      std::fprintf(stderr, "make_drill_pages: %s is unreadable or names no drill token\n",
                   args[i].c_str());
      return 1;
    }
    ok = write_file(args[i + 1].c_str(), text) && ok;
  }
  return ok ? 0 : 1;
}
