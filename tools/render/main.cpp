// mirukado-render: the headless twin of the screen saver. Dumps the keyframe
// tables and renders what the saver's window would show, on virtual time.

#include <signal.h>

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "drills/registry.hpp"
#include "export/gif_sink.hpp"
#include "export/png_sink.hpp"
#include "stage/commands.hpp"
#include "tools/render/sheet.hpp"
#include "tools/render/tool.hpp"
#include "tools/render/video.hpp"

namespace render_tool {
namespace {

constexpr long kMaxFrames = 100000;  // frame_00000 .. frame_99999
// play refuses bigger jobs unless --force: 12,000 frames of 1920x1080 (about
// 400 MB of PNGs and well over an hour) is still a sensible request.
constexpr double kMaxPixelFrames = 25e9;
constexpr long kLastKeyframe = 32767;

const char* const kFooter =
    "play refuses more than 25e9 pixels x frames (12000 frames at 1920x1080) without --force.\n"
    "FILE may be a device or FIFO (written as a stream, e.g. /dev/stdout) or a symbolic link.\n"
    "'mirukado-render COMMAND --help' describes one command.";

// Appends a caption as one TSV cell. Captions never hold tabs or newlines;
// keep the TSV intact if one ever did.
void append_cell(std::string& line, std::string_view caption) {
  line.reserve(line.size() + caption.size());
  for (char c : caption) line.push_back((c == '\t' || c == '\n' || c == '\r') ? ' ' : c);
}

void append_field(std::string& line, long value) {
  line.push_back('\t');
  line.append(std::to_string(value));
}

// A drill's table as the stage builds it.
stage::FrameTable build_table(const stage::DrillDescriptor& drill) {
  stage::FrameTable t = drill.make_table();
  drill.build(t);
  return t;
}

ToolCommand add_dump(CLI::App& app) {
  auto drill = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand("dump", "the drill's keyframe table as TSV on stdout");
  add_drill_argument(*command, *drill);
  return {command, [drill] {
            const stage::FrameTable t = build_table(*drill_named(*drill).descriptor);
            // Lines are built by appending pieces (not by chains of operator+),
            // which also keeps GCC's -O3 string diagnostics quiet.
            std::string line = "index\tduration\tcaption";
            for (int p = 0; p < t.person_count(); ++p)
              for (const char* f : {"x", "y", "pose"})
                line.append("\tp").append(std::to_string(p)).append("_").append(f);
            for (int c = 0; c < t.code_count(); ++c)
              line.append("\tcode").append(std::to_string(c));
            print_line(line);
            const int last = std::min(t.end_index(), t.size() - 1);
            for (int i = 0; i <= last; ++i) {
              const stage::FrameRecord& r = t[i];
              line = std::to_string(i);
              append_field(line, r.duration);
              line.push_back('\t');
              append_cell(line, r.caption);
              for (int p = 0; p < t.person_count(); ++p) {
                const stage::PersonSlot& s = r.persons(p);
                append_field(line, s.x);
                append_field(line, s.y);
                append_field(line, s.pose);
              }
              for (int c = 0; c < t.code_count(); ++c) append_field(line, r.code(c));
              print_line(line);
            }
            return 0;
          }};
}

ToolCommand add_commands(CLI::App& app) {
  auto drill = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand(
      "commands",
      "the drill's spoken commands as TSV on stdout: number (what frame --at takes), first "
      "keyframe (what frame INDEX takes), time at speed 1 in ms, caption; both numbered from 1");
  add_drill_argument(*command, *drill);
  return {command, [drill] {
            const stage::FrameTable t = build_table(*drill_named(*drill).descriptor);
            const stage::DrillTimeline timeline(t);
            print_line("number\tfirst_keyframe\ttime_ms\tcaption");
            const auto& commands = timeline.commands();
            for (std::size_t i = 0; i < commands.size(); ++i) {
              const stage::Command& c = commands[i];
              std::string line = std::to_string(stage::command_number(static_cast<int>(i)));
              append_field(line, stage::keyframe_number(c.first_keyframe));
              append_field(line, c.time_ms);
              line.push_back('\t');
              append_cell(line, c.text);
              print_line(line);
            }
            return 0;
          }};
}

ToolCommand add_still(CLI::App& app) {
  struct Options {
    std::string size;
    ViewOptions view;
    OutputOption output;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command = app.add_subcommand("still", "the stage as it looks when the saver starts");
  add_size_option(*command, o->size);
  add_view_options(*command, o->view, "saver");
  add_output_option(*command, o->output, "PNG", "still.png");
  return {command, [o] {
            catch_stop_signals();
            const Size size = parse_size(o->size);
            const PictureStyle style =
                parse_view(o->view, stage::all_drills_conf(drills::registry()));
            const std::string out = o->output.resolve("still", ".png");
            const bool echo = !is_stdout(out);
            Picture picture(style, size, drills::registry());
            stage::Stage stage(picture.window(), stage::all_drills_conf(drills::registry()), 1,
                               drills::registry());
            picture.follow(stage);
            stage.activate();
            stop_if_signalled();
            write_png(picture.frames(), out, o->output.replace());
            if (echo) print_line(out);
            return 0;
          }};
}

ToolCommand add_frame(CLI::App& app) {
  struct Options {
    std::string drill;
    std::string index;
    std::string at;
    std::string size;
    ViewOptions view;
    OutputOption output;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command =
      app.add_subcommand("frame", "the stage once a keyframe (or a spoken command) has been shown");
  add_drill_argument(*command, o->drill);
  command->add_option("INDEX", o->index,
                      "the keyframe's number, from 1, as the viewers' titles and commands show it "
                      "(or give --at)");
  command
      ->add_option("--at", o->at, "the command's number as on the sheet, from 1, instead of INDEX")
      ->type_name("N");
  add_size_option(*command, o->size);
  add_view_options(*command, o->view, "saver");
  add_output_option(*command, o->output, "PNG", "DRILL.png");
  return {command, [o] {
            catch_stop_signals();
            const Drill d = drill_named(o->drill);
            if (o->index.empty() == o->at.empty())
              throw UsageError{"frame takes a keyframe INDEX or --at N, one of the two"};
            const Size size = parse_size(o->size);
            const PictureStyle style = parse_view(o->view, d.conf_bit());
            const std::string out = o->output.resolve(d.name(), ".png");
            Picture picture(style, size, drills::registry());
            stage::Stage stage(picture.window(), d.conf_bit(), 1, drills::registry());
            picture.follow(stage);
            stage::VirtualClock clock(stage);
            const stage::FrameTable& t = stage.table(d.index);
            long index = 0;
            if (!o->at.empty()) {
              const stage::DrillTimeline timeline(t);
              const auto& commands = timeline.commands();
              const long n = parse_long(o->at, "command number", 1, kLastKeyframe);
              if (n > static_cast<long>(commands.size()))
                throw UsageError{"command " + o->at + " is past the end of " + d.name() +
                                 " (commands 1.." + std::to_string(commands.size()) + ")"};
              index = commands[static_cast<std::size_t>(n - 1)].first_keyframe;
            } else {
              const long number = parse_long(o->index, "keyframe number", 1, kLastKeyframe);
              const int last = stage::keyframe_number(t.end_index() - 1);
              if (number > last)
                throw UsageError{"keyframe " + std::to_string(number) + " is past the end of " +
                                 d.name() + " (keyframes 1.." + std::to_string(last) + ")"};
              index = number - 1;
            }
            show_keyframe(stage, clock, d, static_cast<int>(index));
            write_png(picture.frames(), out, o->output.replace());
            return 0;
          }};
}

// The number of frames from `from_ms` to the run's end, both ends included.
long frames_to(std::int64_t end_ms, std::int64_t from_ms, long fps) {
  return static_cast<long>((end_ms - from_ms) * fps / 1000) + 1;
}

ToolCommand add_play(CLI::App& app) {
  struct Options {
    std::string conf = std::to_string(stage::all_drills_conf(drills::registry()));
    std::string speed;
    std::string from = "0";
    std::string seconds;
    std::string fps;
    std::string size;
    ViewOptions view;
    std::string dir;
    bool force = false;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command = app.add_subcommand(
      "play", "a PNG sequence of the saver's run on virtual time, as a player would show it");
  command->add_option("--conf", o->conf, "the enabled drills' bits, " + drill_bits())
      ->type_name("C")
      ->capture_default_str();
  add_speed_option(*command, o->speed);
  command->add_option("--from", o->from, "start this many seconds into the run")
      ->type_name("SECONDS")
      ->capture_default_str();
  command->add_option("--seconds", o->seconds, "length to render")
      ->type_name("N")
      ->default_str("the rest of one whole run");
  add_fps_option(*command, o->fps, "30", "frames per second, 1..100");
  add_size_option(*command, o->size);
  add_view_options(*command, o->view, "saver");
  command
      ->add_option("-o", o->dir,
                   "folder for frame_00000.png ...; the frames go into place together once the "
                   "last one is written, so an earlier sequence there stays whole until then")
      ->type_name("DIR")
      ->required();
  command->add_flag("--force", o->force,
                    "render over the pixels x frames bound, replace write-protected frames, and "
                    "remove an earlier sequence's frames past this one's last (refused without)");
  return {command, [o] {
            catch_stop_signals();
            const int conf = parse_conf(o->conf);
            const int speed = static_cast<int>(parse_long(o->speed, "speed", 1, 3));
            const double from = parse_seconds(o->from, "from", 0, 1e7);
            const long fps = parse_long(o->fps, "fps", 1, 100);
            const Size size = parse_size(o->size);
            const PictureStyle style = parse_view(o->view, conf);
            std::string error;
            if (!raster::check_folder(o->dir, &error)) throw UsageError{error};
            long frames = 0;
            if (o->seconds.empty()) {
              const std::int64_t end = run_length_ms(conf, speed);
              const auto from_ms = static_cast<std::int64_t>(std::llround(from * 1000));
              if (from_ms > end)
                throw UsageError{"from " + o->from + " is past the end of the run (" +
                                 std::to_string(end / 1000) + " s)"};
              frames = frames_to(end, from_ms, fps);
            } else {
              const double seconds = parse_seconds(o->seconds, "seconds", 0, 1e7);
              frames = static_cast<long>(std::ceil(seconds * static_cast<double>(fps) - 1e-9));
              if (frames <= 0) throw UsageError{"seconds must be more than 0"};
            }
            if (frames > kMaxFrames)
              throw UsageError{"too many frames (" + std::to_string(frames) + ")"};
            const double pixel_frames =
                static_cast<double>(size.w) * size.h * static_cast<double>(frames);
            if (pixel_frames > kMaxPixelFrames && !o->force) {
              char text[160];
              std::snprintf(text, sizeof text,
                            "%ld frames of %dx%d is %.3g pixels x frames, over the bound of "
                            "%.3g; add --force to render it anyway",
                            frames, size.w, size.h, pixel_frames, kMaxPixelFrames);
              throw UsageError{text};
            }
            // The frames it will write over, before the first one.
            const raster::Replace replace =
                o->force ? raster::Replace::Forced : raster::Replace::IfWritable;
            std::error_code ec;
            if (std::filesystem::is_directory(o->dir, ec))
              for (long i = 0; i < frames; ++i)
                check_output(raster::PngSequenceSink::frame_path(o->dir, i), replace);
            // A shorter sequence over a longer one would leave the longer one's
            // tail beside it, of another size or moment: refused before any work.
            const std::vector<std::string> stale =
                raster::PngSequenceSink::stale_frames(o->dir, frames);
            if (!stale.empty() && !o->force)
              throw UsageError{raster::PngSequenceSink::stale_refusal(o->dir, stale, frames)};
            Picture picture(style, size, drills::registry());
            stage::Stage stage(picture.window(), conf, speed, drills::registry());
            picture.follow(stage);
            stage::VirtualClock clock(stage);
            // Everything this run writes goes again if it fails or is stopped.
            raster::PngSequenceSink sink(o->dir, replace);
            run_export("play " + o->dir, picture.frames(), clock, {from, fps, frames}, sink);
            print_line(o->dir);
            return 0;
          }};
}

ToolCommand add_gif(CLI::App& app) {
  struct Options {
    std::string drill;
    std::string speed;
    std::string fps;
    std::string size;
    ViewOptions view;
    OutputOption output;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command = app.add_subcommand("gif", "one whole run of a drill as an animated GIF");
  add_drill_argument(*command, o->drill);
  add_speed_option(*command, o->speed);
  add_fps_option(*command, o->fps, "10", "frames per second, 1..50");
  add_size_option(*command, o->size);
  add_view_options(*command, o->view, "saver");
  add_output_option(*command, o->output, "GIF", "DRILL.gif");
  return {command, [o] {
            catch_stop_signals();
            const Drill d = drill_named(o->drill);
            const int speed = static_cast<int>(parse_long(o->speed, "speed", 1, 3));
            const long fps = parse_long(o->fps, "fps", 1, 50);
            const Size size = parse_size(o->size);
            const PictureStyle style = parse_view(o->view, d.conf_bit());
            const std::string out = o->output.resolve(d.name(), ".gif");
            // One whole run: from activation until the outro hands over to
            // the next intro (with one drill enabled, its own intro again).
            const long frames = frames_to(run_length_ms(d.conf_bit(), speed), 0, fps);
            if (frames > kMaxFrames)
              throw UsageError{"too many frames (" + std::to_string(frames) + ")"};
            Picture picture(style, size, drills::registry());
            stage::Stage stage(picture.window(), d.conf_bit(), speed, drills::registry());
            picture.follow(stage);
            stage::VirtualClock clock(stage);
            raster::GifSink sink(out, o->output.replace());
            run_export("gif " + out, picture.frames(), clock, {0, fps, frames}, sink);
            return 0;
          }};
}

// The tool's commands, in the order --help lists them.
using AddCommand = ToolCommand (*)(CLI::App&);
ToolCommand add_drills(CLI::App& app) {
  CLI::App* command =
      app.add_subcommand("drills", "the drills' names, one a line, in the saver's order");
  return {command, [] {
            for (const stage::DrillDescriptor& d : drills::registry()) print_line(d.name);
            return 0;
          }};
}

constexpr AddCommand kCommands[] = {add_drills, add_dump, add_commands, add_still, add_frame,
                                    add_play,   add_gif,  add_video,    add_sheet};

// CLI11's messages in the tool's style: one line.
std::string one_line(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void write_stdout(const std::string& text) {
  if (std::fputs(text.c_str(), stdout) == EOF) stdout_failed();
}

// Everything buffered for standard output has to arrive: a full disk or a
// closed pipe is a failed run, not a silent success.
void finish_stdout() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) stdout_failed();
  if (std::fclose(stdout) != 0) stdout_failed();
}

int run(int argc, char** argv) {
  CLI::App app("Dumps and renders the fire-brigade drills of mirukado without a display.",
               "mirukado-render");
  app.set_version_flag("--version", MIRUKADO_VERSION);
  app.require_subcommand(1);
  app.footer(kFooter);
  std::vector<ToolCommand> commands;
  for (const AddCommand add : kCommands) commands.push_back(add(app));

  if (argc < 2) {
    std::fputs(app.help("", CLI::AppFormatMode::All).c_str(), stderr);
    return 2;
  }
  // The command comes first; anything else there gets the tool's own message.
  const std::string first = argv[1];
  if (first.rfind("-", 0) == 0) {
    if (first != "-h" && first != "--help" && first != "--version")
      throw UsageError{"unknown option '" + first + "' (the command comes first)"};
  } else {
    bool known = false;
    for (const ToolCommand& c : commands) known = known || c.command->get_name() == first;
    if (!known) throw UsageError{"unknown command '" + first + "'"};
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    // The whole tool's help shows every command's options; a command's, its own.
    const bool whole = app.get_subcommands().empty();
    write_stdout(app.help("", whole ? CLI::AppFormatMode::All : CLI::AppFormatMode::Normal));
    return 0;
  } catch (const CLI::CallForAllHelp&) {
    write_stdout(app.help("", CLI::AppFormatMode::All));
    return 0;
  } catch (const CLI::CallForVersion&) {
    write_stdout(std::string("mirukado-render ") + MIRUKADO_VERSION + "\n");
    return 0;
  } catch (const CLI::ParseError& e) {
    throw UsageError{one_line(e.what())};
  }
  for (const ToolCommand& c : commands)
    if (c.command->parsed()) return c.run();
  throw UsageError{"no command given"};
}

}  // namespace
}  // namespace render_tool

int main(int argc, char** argv) {
  using namespace render_tool;
  std::string message;
  try {
    const int status = run(argc, argv);
    if (status == 0) finish_stdout();
    return status;
  } catch (const Stopped&) {
  } catch (const UsageError& e) {
    message = e.message;
  } catch (const std::exception& e) {
    message = e.what();
  }
  // A write cut short by the signal (a FIFO, a pipe) fails too: the signal
  // is the reason to give.
  if (stop_signal() != 0) {
    std::fprintf(stderr, "mirukado-render: stopped by %s; removed what this run wrote\n",
                 stop_signal_name(stop_signal()));
    return 128 + stop_signal();
  }
  std::fprintf(stderr, "mirukado-render: %s\n", message.c_str());
  return 2;
}
