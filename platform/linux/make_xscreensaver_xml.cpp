// Writes xscreensaver's description of the hack (its settings page) from the
// drill registry at build time: one check box per drill, so that a drill
// added to the registry appears there with nothing else to edit.
// Usage: make_xscreensaver_xml OUTPUT.xml

#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>

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

std::string description(stage::DrillList drills) {
  std::string list;
  for (std::size_t i = 0; i < drills.size(); ++i) {
    if (i > 0) list += i + 1 == drills.size() ? " and " : ", ";
    list += in_a_sentence(drills[i].english_name) + " (" + drills[i].display_name + ")";
  }
  const std::string text = "Japanese volunteer fire-brigade drills seen from above: " + list +
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_xscreensaver_xml OUTPUT.xml\n");
    return 2;
  }
  const stage::DrillList drills = drills::registry();
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
  std::ofstream out(argv[1], std::ios::binary);
  out << xml;
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_xscreensaver_xml: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
