#pragma once
// The command sheet: a printable A4 PDF of a drill's spoken commands in
// order, each with its time and the stage picture at that command.

namespace CLI {
class App;
}

namespace render_tool {

struct ToolCommand;

// `sheet DRILL [-o FILE.pdf] [--force]`.
ToolCommand add_sheet(CLI::App& app);

}  // namespace render_tool
