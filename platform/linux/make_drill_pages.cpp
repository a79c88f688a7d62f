// Writes the pages that list the drills from the drill registry at build
// time, so that a drill added to the registry appears there with nothing else
// to edit: xscreensaver's description of the hack (its settings page: one
// check box per drill) and the AppStream description software centres show
// (its template's %DRILLS% becomes the drills named in a sentence).
// Usage: make_drill_pages XSCREENSAVER.xml METAINFO.xml.in METAINFO.xml

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

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

std::string description(stage::DrillList drills) {
  const std::string text =
      "Japanese volunteer fire-brigade drills seen from above: " + drill_list(drills) +
      ", with each spoken command shown at the top of the screen.";
  // Filled greedily into lines of kLineColumns, a Japanese character two
  // columns wide, as the rest of the description is.
  std::string out;
  std::size_t line = 0;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    const std::size_t width = columns(word);
    if (line > 0 && line + 1 + width > kLineColumns) {
      out += '\n';
      line = 0;
    } else if (line > 0) {
      out += ' ';
      ++line;
    }
    out += word;
    line += width;
    start = end + 1;
  }
  return out;
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

constexpr std::string_view kDrillsToken = "%DRILLS%";

// The AppStream description: the template with the drills named wherever it
// says %DRILLS%; nothing when the template cannot be read or never says it.
std::string metainfo(stage::DrillList drills, const char* template_path) {
  std::ifstream in(template_path, std::ios::binary);
  std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (!in || text.find(kDrillsToken) == std::string::npos) return {};
  const std::string list = drill_list(drills);
  for (std::size_t at = text.find(kDrillsToken); at != std::string::npos;
       at = text.find(kDrillsToken, at + list.size()))
    text.replace(at, kDrillsToken.size(), list);
  return text;
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
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_drill_pages XSCREENSAVER.xml METAINFO.xml.in METAINFO.xml\n");
    return 2;
  }
  const stage::DrillList drills = drills::registry();
  const std::string description = metainfo(drills, argv[2]);
  if (description.empty()) {
    std::fprintf(stderr, "make_drill_pages: %s is unreadable or names no %s\n", argv[2],
                 std::string(kDrillsToken).c_str());
    return 1;
  }
  return write_file(argv[1], xscreensaver_page(drills)) && write_file(argv[3], description) ? 0 : 1;
}
