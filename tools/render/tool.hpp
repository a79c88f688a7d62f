#pragma once
// What the commands of mirukado-render share: the one-line errors, the stop
// signals, the drills by name, the option values and their defaults, the
// output rules and the render loop with its progress.

#include <csignal>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "export/frame_export.hpp"
#include "export/frame_sink.hpp"
#include "export/output_file.hpp"
#include "host/view_options.hpp"
#include "raster/raster_window.hpp"
#include "stage/drill.hpp"
#include "stage/stage.hpp"
#include "stage/teaching.hpp"
#include "stage/virtual_clock.hpp"
#include "tools/render/progress.hpp"

namespace CLI {
class App;
}

namespace raster {
class TeachingPicture;
}

namespace render_tool {

// A bad argument or a failed write: one line on stderr, status 2.
struct UsageError {
  std::string message;
};

// A stop signal arrived (SIGHUP, SIGINT, SIGQUIT, SIGTERM, or SIGPIPE from a
// pipe whose reader left); the render unwinds and removes what it wrote.
struct Stopped {
  int signal;
};

// A command of the tool: its subcommand, registered with its options on the
// tool's app, and what runs once the arguments are parsed. Adding a command is
// one function that returns this and one line in main.cpp's list.
struct ToolCommand {
  CLI::App* command;
  std::function<int()> run;
};

// The signal that stopped the run, or 0. The handler only records it; the
// render loops poll it between frames.
int stop_signal();
// Installs the handlers; rendering commands call it first.
void catch_stop_signals();
void stop_if_signalled();
// "SIGINT" and so on, for the stop signals.
const char* stop_signal_name(int signal);

[[noreturn]] void stdout_failed();
void print_line(const std::string& text);
void warn(const std::string& text);

// A drill of the registry, by its method prefix.
struct Drill {
  const stage::DrillDescriptor* descriptor;
  int index;  // in drills::registry()
  const char* name() const { return descriptor->name; }
  int conf_bit() const { return stage::conf_bit(static_cast<std::size_t>(index)); }
  // Whether the stage is in this drill's `phase`.
  bool at(const stage::Stage& stage, stage::Stage::Phase phase) const {
    return stage.drill() == index && stage.phase() == phase;
  }
};

// The registry's drill names joined by `separator`.
std::string drill_names(const char* separator);
// Each drill's Conf bit and name, for help texts: "1 name, 2 name, ...".
std::string drill_bits();
Drill drill_named(const std::string& name);

struct Size {
  int w;
  int h;
};
Size parse_size(const std::string& text);

long parse_long(const std::string& text, const std::string& what, long lo, long hi);
// --conf: the enabled drills' bits, 0..255. A value with no drill's bit is
// played as all drills, as the saver plays it, with a warning.
int parse_conf(const std::string& text);
double parse_seconds(const std::string& text, const std::string& what, double lo, double hi);

// The options several commands share, each with its default. Values are kept
// as typed and checked after parsing, so every bad value gets the tool's own
// one-line message.
inline constexpr const char* kDefaultSize = "1280x720";
inline constexpr const char* kDefaultSpeed = "1";
void add_drill_argument(CLI::App& command, std::string& drill);
void add_size_option(CLI::App& command, std::string& size,
                     const std::string& help = "picture size in pixels, 1..16384 each way");
void add_speed_option(CLI::App& command, std::string& speed);
// `what` says the range; each command has its own default frame rate.
void add_fps_option(CLI::App& command, std::string& fps, const char* default_fps, const char* what);

// -o and --force of a command that writes one file. Left out, the file is
// named after the drill in the current folder, and an existing one is only
// replaced with --force; a named -o is the user's explicit choice and
// replaces a file the user may write. A write-protected file, or one that
// appears while the run writes, is only replaced with --force.
struct OutputOption {
  std::string path;
  bool force = false;
  // The destination for a file named `stem` + `extension` by default,
  // checked (see check_output) before any work.
  std::string resolve(const std::string& stem, const char* extension) const;
  raster::Replace replace() const;
};
// Throws the one-line UsageError if path cannot be written under `replace`;
// true if it is a device or FIFO written in place.
bool check_output(const std::string& path, raster::Replace replace);
void add_output_option(CLI::App& command, OutputOption& output, const char* kind,
                       const char* default_name);

// --view and --theme (their words and messages are the viewers', from
// host/view_options.hpp): the saver's picture as the screen shows it, or the
// teaching picture (the drill fitted to the picture, figures in their
// positions' colours with their numbers, the command that stays and the
// legend on top) in a dark or light theme.
using View = host::View;
// --role N follows one position in the teaching picture.
struct ViewOptions {
  std::string view;
  std::string theme = "dark";
  std::string role;
};
struct PictureStyle {
  View view = View::Saver;
  stage::Theme theme = stage::Theme::Dark;
  std::optional<int> role;
};
void add_view_options(CLI::App& command, ViewOptions& options, const char* default_view);
// The saver's picture is the saver's own dark one: a light theme there is
// refused rather than ignored, and so is a position to follow. `conf` says
// the drills the command shows (see check_role).
PictureStyle parse_view(const ViewOptions& options, int conf);

// --role: the position a learner follows, 0 the commander, n member n.
void add_role_option(CLI::App& command, std::string& role, const char* what);
// Empty text is no position. A position must be one of a drill `conf`
// enables (with several, one of them is enough: the others follow no one).
std::optional<int> parse_role(const std::string& text, int conf);

// The picture a command renders, of either view: the window the stage draws
// on and the frames it gives. Make the stage on window(), then follow() it.
class Picture {
 public:
  Picture(const PictureStyle& style, Size size, stage::DrillList drills);
  ~Picture();
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  stage::Window& window();
  raster::FrameSource& frames() { return *frames_; }
  void follow(const stage::Stage& stage);

 private:
  std::unique_ptr<raster::RasterWindow> saver_;
  std::unique_ptr<raster::TeachingPicture> teaching_;
  std::unique_ptr<raster::FrameSource> saver_frames_;
  raster::FrameSource* frames_ = nullptr;
};

// True when path is the file standard output already goes to (-o /dev/stdout),
// where a line after the output would spoil it.
bool is_stdout(const std::string& path);

// Writes the window's composed frame as a PNG at path.
void write_png(raster::RasterWindow& window, const std::string& path, raster::Replace replace);
// Writes the source's composed frame as a PNG at path.
void write_png(raster::FrameSource& frames, const std::string& path, raster::Replace replace);

// Steps the clock until keyframe `index` of `drill` has been shown (the intro
// first, if the drill has not started yet).
void show_keyframe(const stage::Stage& stage, stage::VirtualClock& clock, const Drill& drill,
                   int index);

// Virtual time of one whole run of the enabled drills at `speed`: from the
// activation until the last drill's outro hands over to the first intro again.
std::int64_t run_length_ms(int conf, int speed);

// Renders the frames of the schedule into the sink with the seek, progress
// (named `label`, e.g. "gif drill.gif"), stop on a signal and warnings.
// `frames` is the stage window's own frames or the teaching picture over it.
// advance, when given, runs the drill to each frame's moment in place of
// clock.advance_to (and once more after the seek). A failed or stopped export
// unwinds from here, and the sink, destroyed unfinished, removes what it wrote.
void run_export(const std::string& label, raster::FrameSource& frames, stage::VirtualClock& clock,
                const raster::FrameSchedule& schedule, raster::FrameSink& sink,
                const std::function<void(std::int64_t t)>& advance = nullptr);

}  // namespace render_tool
