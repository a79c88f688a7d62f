#pragma once
// The command sheet: a printable PDF (A4 or US Letter) of a drill's spoken
// commands in order, each with its number, time and speaker, a light
// teaching picture cropped to where the command acts, and room for notes.

namespace CLI {
class App;
}

namespace render_tool {

struct ToolCommand;

// `sheet DRILL [--paper a4|letter] [--role N] [-o FILE.pdf] [--force]`; with
// --role, the position card: that position's summary and its part in order.
ToolCommand add_sheet(CLI::App& app);

}  // namespace render_tool
