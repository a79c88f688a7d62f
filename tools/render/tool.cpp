#include "tools/render/tool.hpp"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

#include "drills/registry.hpp"
#include "export/png_writer.hpp"
#include "export/teaching/teaching_picture.hpp"
#include "viewer/roles.hpp"

namespace render_tool {

namespace {

// The seek to --from runs in steps of this much virtual time, so that it can
// report progress and stop for a signal in between.
constexpr std::int64_t kSeekStepMs = 1000;
// A whole run lasts minutes; one that has not come round after a day never will.
constexpr std::int64_t kLongestRunMs = 24LL * 3600 * 1000;

// A signal handler reaches nothing but a static.
volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void on_stop_signal(int signal) { g_stop_signal = signal; }

// Runs the clock up to t in steps, with progress and a chance to stop.
void seek(const std::string& label, stage::VirtualClock& clock, std::int64_t t) {
  if (t <= clock.now()) return;
  // The line counts steps and shows them as the time sought to.
  constexpr long kStepsPerSecond = 1000 / kSeekStepMs;
  Progress progress(label + " (seeking)", static_cast<long>(t / kSeekStepMs), kStepsPerSecond);
  for (std::int64_t at = clock.now(); at < t;) {
    at = std::min(t, at + kSeekStepMs);
    clock.advance_to(at);
    stop_if_signalled();
    progress.update(static_cast<long>(at / kSeekStepMs));
  }
}

}  // namespace

int stop_signal() { return g_stop_signal; }

void catch_stop_signals() {
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a write blocked on a FIFO gives up at once
  // A closed terminal or session, ^C, ^\, kill, and a reader that left the
  // pipe the output goes to: each ends the run the same way, by unwinding,
  // so that what it wrote goes again. The write that raised SIGPIPE fails
  // with EPIPE and unwinds from there.
  for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM})
    sigaction(signal, &action, nullptr);
}

const char* stop_signal_name(int signal) {
  switch (signal) {
    case SIGHUP:
      return "SIGHUP";
    case SIGINT:
      return "SIGINT";
    case SIGQUIT:
      return "SIGQUIT";
    case SIGPIPE:
      return "SIGPIPE";
    case SIGTERM:
      return "SIGTERM";
    default:
      return "a signal";
  }
}

void stop_if_signalled() {
  if (g_stop_signal != 0) throw Stopped{g_stop_signal};
}

void stdout_failed() {
  throw UsageError{std::string("cannot write to standard output: ") + std::strerror(errno)};
}

void print_line(const std::string& text) {
  if (std::fputs(text.c_str(), stdout) == EOF || std::fputc('\n', stdout) == EOF) stdout_failed();
}

void warn(const std::string& text) {
  if (!text.empty()) std::fprintf(stderr, "mirukado-render: warning: %s\n", text.c_str());
}

std::string drill_bits() {
  std::string bits;
  const stage::DrillList all = drills::registry();
  for (std::size_t i = 0; i < all.size(); ++i)
    bits.append(bits.empty() ? "" : ", ")
        .append(std::to_string(stage::conf_bit(i)))
        .append(" ")
        .append(all[i].name);
  return bits;
}

std::string drill_names(const char* separator) {
  return drills::names(drills::registry(), separator);
}

Drill drill_named(const std::string& name) {
  const stage::DrillList all = drills::registry();
  const int i = drills::find(all, name);
  if (i >= 0) return {&all[static_cast<std::size_t>(i)], i};
  throw UsageError{host::unknown_drill_message(name, all)};
}

long parse_long(const std::string& text, const std::string& what, long lo, long hi) {
  long v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty())
    throw UsageError{what + " must be a whole number, not '" + text + "'"};
  if (v < lo || v > hi)
    throw UsageError{what + " " + text + " is outside " + std::to_string(lo) + ".." +
                     std::to_string(hi)};
  return v;
}

int parse_conf(const std::string& text) {
  const int conf = static_cast<int>(parse_long(text, "conf", 0, 255));
  const int known = stage::all_drills_conf(drills::registry());
  // The stage plays a setting without a drill as all drills, as the saver
  // does; refusing it would part the tool from the saver it shows.
  if ((conf & known) == 0)
    warn("conf " + text + " enables no drill (" + drill_bits() +
         "); it plays all of them, as the saver does");
  return conf;
}

double parse_seconds(const std::string& text, const std::string& what, double lo, double hi) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(v))
    throw UsageError{what + " must be a number of seconds, not '" + text + "'"};
  if (v < lo || v > hi) throw UsageError{what + " " + text + " is out of range"};
  return v;
}

Size parse_size(const std::string& text) {
  const auto x = text.find('x');
  if (x == std::string::npos) throw UsageError{"size must be WxH, not '" + text + "'"};
  return {static_cast<int>(parse_long(text.substr(0, x), "width", 1, raster::kMaxWindowSide)),
          static_cast<int>(parse_long(text.substr(x + 1), "height", 1, raster::kMaxWindowSide))};
}

void add_drill_argument(CLI::App& command, std::string& drill) {
  command.add_option("DRILL", drill, "the drill: " + drill_names(", "))->required();
}

void add_size_option(CLI::App& command, std::string& size, const std::string& help) {
  size = kDefaultSize;
  command.add_option("--size", size, help)->type_name("WxH")->capture_default_str();
}

void add_speed_option(CLI::App& command, std::string& speed) {
  speed = kDefaultSpeed;
  command.add_option("--speed", speed, "playback speed as in the saver: 1 (×1), 2 (×2) or 3 (×10)")
      ->type_name("S")
      ->capture_default_str();
}

void add_fps_option(CLI::App& command, std::string& fps, const char* default_fps,
                    const char* what) {
  fps = default_fps;
  command.add_option("--fps", fps, what)->type_name("F")->capture_default_str();
}

std::string OutputOption::resolve(const std::string& stem, const char* extension) const {
  if (!path.empty()) {
    check_output(path, replace());
    return path;
  }
  std::string name = stem + extension;
  std::error_code ec;
  if (!force &&
      std::filesystem::symlink_status(name, ec).type() != std::filesystem::file_type::not_found)
    throw UsageError{name + " already exists; add --force to replace it or give -o FILE"};
  check_output(name, replace());
  return name;
}

raster::Replace OutputOption::replace() const {
  if (force) return raster::Replace::Forced;
  return path.empty() ? raster::Replace::Never : raster::Replace::IfWritable;
}

bool check_output(const std::string& path, raster::Replace replace) {
  std::string error;
  bool in_place = false;
  if (!raster::check_destination(path, replace, &error, &in_place)) throw UsageError{error};
  return in_place;
}

void add_output_option(CLI::App& command, OutputOption& output, const char* kind,
                       const char* default_name) {
  command
      .add_option("-o", output.path,
                  std::string("the ") + kind +
                      " to write (by default in the current folder); a device, FIFO or "
                      "symbolic link is written through")
      ->type_name("FILE")
      ->default_str(default_name);
  command.add_flag("--force", output.force,
                   "replace an existing file: of the default name, write-protected, or one that "
                   "appears while the run writes");
}

void add_view_options(CLI::App& command, ViewOptions& options, const char* default_view) {
  options.view = default_view;
  command
      .add_option("--view", options.view,
                  "teaching (or teach): the teaching picture (the drill fitted to the picture, "
                  "every person in their position's colour with their number, the command that "
                  "stays and the legend on top); saver: the picture the saver shows")
      ->type_name("teaching|saver")
      ->capture_default_str();
  command
      .add_option("--theme", options.theme,
                  "the teaching picture's colours: dark, or light (dark lines on white, for "
                  "print); only with --view teaching")
      ->type_name("dark|light")
      ->capture_default_str();
  add_role_option(command, options.role,
                  "with --view teaching: follow one position (0 the commander, n member n): its "
                  "figure keeps a halo and a fading trail, the others are paler");
}

void add_role_option(CLI::App& command, std::string& role, const char* what) {
  command.add_option("--role", role, what)->type_name("N");
}

std::optional<int> parse_role(const std::string& text, int conf) {
  if (text.empty()) return std::nullopt;
  const std::optional<int> role = host::read_position(text);
  if (!role) throw UsageError{host::bad_role_message(text)};
  const stage::DrillList all = drills::registry();
  const int known = stage::all_drills_conf(all);
  // A setting without a drill plays them all, as the stage does.
  if ((conf & known) == 0) conf = known;
  std::string lacking;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if ((conf & stage::conf_bit(i)) == 0) continue;
    const std::string missing = host::missing_position_message(all[i], *role);
    if (missing.empty()) return role;
    lacking.append(lacking.empty() ? "" : "; ").append(missing);
  }
  throw UsageError{lacking};
}

PictureStyle parse_view(const ViewOptions& options, int conf) {
  PictureStyle style;
  const std::optional<View> view = host::read_view(options.view);
  if (!view) throw UsageError{host::bad_view_message(options.view)};
  style.view = *view;
  const std::optional<stage::Theme> theme = host::read_theme(options.theme);
  if (!theme) throw UsageError{host::bad_theme_message(options.theme)};
  style.theme = *theme;
  if (style.view == View::Saver && style.theme == stage::Theme::Light)
    throw UsageError{"--theme light is for --view teaching; the saver's picture is dark"};
  if (style.view == View::Saver && !options.role.empty())
    throw UsageError{"--role is for --view teaching; the saver's picture follows no one"};
  style.role = parse_role(options.role, conf);
  return style;
}

Picture::Picture(const PictureStyle& style, Size size, stage::DrillList drills) {
  if (style.view == View::Teaching) {
    teaching_ = std::make_unique<raster::TeachingPicture>(size.w, size.h, drills, style.theme);
    teaching_->choose(style.role);
    frames_ = teaching_.get();
  } else {
    saver_ = std::make_unique<raster::RasterWindow>(size.w, size.h);
    saver_frames_ = std::make_unique<raster::WindowFrames>(*saver_);
    frames_ = saver_frames_.get();
  }
}

Picture::~Picture() = default;

stage::Window& Picture::window() {
  if (teaching_) return teaching_->window();
  return *saver_;
}

void Picture::follow(const stage::Stage& stage) {
  if (teaching_) teaching_->follow(stage);
}

bool is_stdout(const std::string& path) {
  struct stat out {};
  struct stat dest {};
  return fstat(STDOUT_FILENO, &out) == 0 && stat(path.c_str(), &dest) == 0 &&
         out.st_dev == dest.st_dev && out.st_ino == dest.st_ino;
}

// A stop signal that came while encoding abandons the file instead of putting
// it in place.
void write_png(raster::RasterWindow& window, const std::string& path, raster::Replace replace) {
  raster::WindowFrames frames(window);
  write_png(frames, path, replace);
}

void write_png(raster::FrameSource& frames, const std::string& path, raster::Replace replace) {
  frames.compose();
  std::string error;
  raster::OutputFile file(path, replace, &error);
  if (!file.stream()) throw UsageError{error};
  if (!raster::write_png(frames.frame(), file.stream(), path, &error)) throw UsageError{error};
  stop_if_signalled();
  if (!file.commit(&error)) throw UsageError{error};
  warn(file.warning());
}

void show_keyframe(const stage::Stage& stage, stage::VirtualClock& clock, const Drill& drill,
                   int index) {
  while (!(drill.at(stage, stage::Stage::Phase::Keyframes) && stage.frame_index() == index + 1)) {
    clock.step();
    stop_if_signalled();
  }
}

std::int64_t run_length_ms(int conf, int speed) {
  raster::RasterWindow window(1, 1);
  stage::Stage stage(window, conf, speed, drills::registry());
  stage::VirtualClock clock(stage);
  if (!clock.play_round(kLongestRunMs, stop_if_signalled))
    throw UsageError{"the run does not come round to its start"};
  return clock.now();
}

void run_export(const std::string& label, raster::FrameSource& window, stage::VirtualClock& clock,
                const raster::FrameSchedule& schedule, raster::FrameSink& sink,
                const std::function<void(std::int64_t t)>& advance) {
  std::optional<Progress> progress;
  raster::ExportHooks hooks;
  hooks.advance_to = [&](std::int64_t t) {
    if (advance)
      advance(t);
    else
      clock.advance_to(t);
  };
  hooks.seek = [&](std::int64_t t) {
    seek(label, clock, t);
    hooks.advance_to(t);
    // The time left counts from the first frame.
    progress.emplace(label, schedule.frames, schedule.fps);
  };
  hooks.poll = stop_if_signalled;
  hooks.progress = [&](long done) { progress->update(done); };
  hooks.warn = warn;
  std::string error;
  if (!raster::export_frames(window, schedule, sink, hooks, &error)) throw UsageError{error};
}

}  // namespace render_tool
