// mirukado-render: the headless twin of the screen saver. Dumps the keyframe
// tables and renders what the saver's window would show, on virtual time.

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "drills/registry.hpp"
#include "platform/raster/frame_export.hpp"
#include "platform/raster/gif_sink.hpp"
#include "platform/raster/output_file.hpp"
#include "platform/raster/png_sink.hpp"
#include "platform/raster/png_writer.hpp"
#include "platform/raster/raster_window.hpp"
#include "platform/video/video_job.hpp"
#include "stage/stage.hpp"
#include "stage/virtual_clock.hpp"

namespace {

constexpr int kMaxSide = 16384;
constexpr long kMaxFrames = 100000;  // frame_00000 .. frame_99999
// play refuses bigger jobs unless --force: 12,000 frames of 1920x1080 (about
// 400 MB of PNGs and well over an hour) is still a sensible request.
constexpr double kMaxPixelFrames = 25e9;
// The seek to --from runs in steps of this much virtual time, so that it can
// report progress and stop for a signal in between.
constexpr std::int64_t kSeekStepMs = 1000;

// A bad argument or a failed write: one line on stderr, status 2.
struct UsageError {
  std::string message;
};

// DRILL stands for the registry's drill names, filled in by usage_text().
const char* const kUsage =
    "usage: mirukado-render dump DRILL\n"
    "       mirukado-render still --size WxH -o FILE.png\n"
    "       mirukado-render frame DRILL INDEX --size WxH -o FILE.png\n"
    "       mirukado-render play --conf C --speed S --from SECONDS --seconds N --fps F --size WxH "
    "-o DIR [--force]\n"
    "       mirukado-render gif DRILL --speed S --fps F --size WxH -o FILE.gif\n"
    "       mirukado-render video DRILL|all [-o FILE.mp4|FILE.webm] [--fps 30] [--speed 1] "
    "[--size 1280x720] [--conf 7 (all only)] [--burn-captions] [--subtitles FILE.srt|FILE.vtt] "
    "[--force]\n"
    "play refuses more than 25e9 pixels x frames (12000 frames at 1920x1080) without --force.\n"
    "FILE may be a device or FIFO (written as a stream, e.g. /dev/stdout) or a symbolic link.\n";

// SIGINT or SIGTERM during a render. The handler only records the signal;
// the render loops poll it between frames and unwind, so every temporary and
// every file the run wrote is removed on the way out, as for a failed write.
// It has to be a static: a signal handler reaches nothing else.
volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void on_stop_signal(int signal) { g_stop_signal = signal; }

struct Stopped {
  int signal;
};

void catch_stop_signals() {
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a write blocked on a FIFO gives up at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void stop_if_signalled() {
  if (g_stop_signal != 0) throw Stopped{g_stop_signal};
}

[[noreturn]] void stdout_failed() {
  throw UsageError{std::string("cannot write to standard output: ") + std::strerror(errno)};
}

void print_line(const std::string& text) {
  if (std::fputs(text.c_str(), stdout) == EOF || std::fputc('\n', stdout) == EOF) stdout_failed();
}

void warn(const std::string& text) {
  if (!text.empty()) std::fprintf(stderr, "mirukado-render: warning: %s\n", text.c_str());
}

// A drill of the registry, by its method prefix (kiritu, ponpu, kahan).
struct Drill {
  const stage::DrillDescriptor* descriptor;
  int index;  // in drills::registry()
  const char* name() const { return descriptor->name; }
  int conf_bit() const { return descriptor->conf_bit; }
  // Whether the stage is in this drill's `phase`.
  bool at(const stage::Stage& stage, stage::Stage::Phase phase) const {
    return stage.drill() == index && stage.phase() == phase;
  }
};

// "kiritu|ponpu|kahan" (or with `separator`): the registry's drill names.
std::string drill_names(const char* separator) {
  std::string names;
  for (const stage::DrillDescriptor& d : drills::registry()) {
    if (!names.empty()) names.append(separator);
    names.append(d.name);
  }
  return names;
}

Drill drill_named(const std::string& name) {
  const stage::DrillList all = drills::registry();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (name == all[i].name) return {&all[i], static_cast<int>(i)};
  std::string message = "unknown drill '";
  message.append(name).append("' (expected ").append(drill_names(", ")).append(")");
  throw UsageError{message};
}

std::string usage_text() {
  const std::string names = drill_names("|");
  std::string text = kUsage;
  for (std::size_t at = text.find("DRILL"); at != std::string::npos; at = text.find("DRILL", at))
    text.replace(at, 5, names);
  return text;
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

double parse_seconds(const std::string& text, const std::string& what, double lo, double hi) {
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(v))
    throw UsageError{what + " must be a number of seconds, not '" + text + "'"};
  if (v < lo || v > hi) throw UsageError{what + " " + text + " is out of range"};
  return v;
}

struct Size {
  int w;
  int h;
};

Size parse_size(const std::string& text) {
  const auto x = text.find('x');
  if (x == std::string::npos) throw UsageError{"size must be WxH, not '" + text + "'"};
  return {static_cast<int>(parse_long(text.substr(0, x), "width", 1, kMaxSide)),
          static_cast<int>(parse_long(text.substr(x + 1), "height", 1, kMaxSide))};
}

// Positional words and --name value options.
struct Args {
  std::vector<std::string> words;
  std::map<std::string, std::string> options;

  std::string need(const std::string& name) const {
    const auto it = options.find(name);
    if (it == options.end()) throw UsageError{"missing option --" + name};
    return it->second;
  }
  void allow(std::initializer_list<const char*> names, std::size_t word_count) const {
    for (const auto& [name, value] : options) {
      bool known = false;
      for (const char* n : names) known = known || name == n;
      if (!known) throw UsageError{"unknown option --" + name};
    }
    if (words.size() != word_count)
      throw UsageError{words.size() < word_count ? "missing argument"
                                                 : "unexpected argument '" + words.back() + "'"};
  }
};

Args parse_args(int argc, char** argv) {
  Args a;
  for (int i = 2; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "-o") arg = "--o";
    if (arg == "--force" || arg == "--burn-captions") {
      a.options[arg.substr(2)] = "";  // a flag: takes no value
    } else if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
      if (i + 1 >= argc) throw UsageError{"option " + arg + " needs a value"};
      a.options[arg.substr(2)] = argv[++i];
    } else {
      a.words.push_back(arg);
    }
  }
  return a;
}

// Appends a caption as one TSV cell. Captions never hold tabs or newlines;
// keep the TSV intact if one ever did.
void append_cell(std::string& line, const std::string& caption) {
  line.reserve(line.size() + caption.size());
  for (char c : caption) line.push_back((c == '\t' || c == '\n' || c == '\r') ? ' ' : c);
}

void append_field(std::string& line, long value) {
  line.push_back('\t');
  line.append(std::to_string(value));
}

int cmd_dump(const Args& args) {
  args.allow({}, 1);
  const stage::DrillDescriptor& drill = *drill_named(args.words[0]).descriptor;
  stage::FrameTable t = drill.make_table();
  drill.build(t);

  // Lines are built by appending pieces (not by chains of operator+), which
  // also keeps GCC's -O3 string diagnostics quiet.
  std::string line = "index\tduration\tcaption";
  for (int p = 0; p < t.person_count(); ++p)
    for (const char* f : {"x", "y", "pose"}) {
      line.append("\tp").append(std::to_string(p)).append("_").append(f);
    }
  for (int c = 0; c < t.code_count(); ++c) line.append("\tcode").append(std::to_string(c));
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
}

// Writes the window's composed frame as a PNG at path. A stop signal that
// came while encoding abandons the file instead of putting it in place.
void write_png(raster::RasterWindow& w, const std::string& path,
               raster::RunOutputs* outputs = nullptr) {
  w.compose();
  std::string error;
  raster::OutputFile file(path, &error);
  if (!file.stream()) throw UsageError{error};
  if (!raster::write_png(w.frame(), file.stream(), path, &error)) throw UsageError{error};
  stop_if_signalled();
  if (!file.commit(&error)) throw UsageError{error};
  warn(file.warning());
  if (outputs) outputs->wrote(file);
}

// True when path is the file standard output already goes to (-o /dev/stdout),
// where a line after the image would spoil it.
bool is_stdout(const std::string& path) {
  struct stat out {};
  struct stat dest {};
  return fstat(STDOUT_FILENO, &out) == 0 && stat(path.c_str(), &dest) == 0 &&
         out.st_dev == dest.st_dev && out.st_ino == dest.st_ino;
}

int cmd_still(const Args& args) {
  args.allow({"size", "o"}, 0);
  const Size size = parse_size(args.need("size"));
  const std::string out = args.need("o");
  const bool echo = !is_stdout(out);
  raster::RasterWindow window(size.w, size.h);
  stage::Stage stage(window, stage::kConfDefault, 1, drills::registry());
  stage.activate();
  stop_if_signalled();
  write_png(window, out);
  if (echo) print_line(out);
  return 0;
}

int cmd_frame(const Args& args) {
  args.allow({"size", "o"}, 2);
  const Drill d = drill_named(args.words[0]);
  const long index = parse_long(args.words[1], "keyframe index", 0, 32767);
  const Size size = parse_size(args.need("size"));
  const std::string out = args.need("o");
  raster::RasterWindow window(size.w, size.h);
  stage::Stage stage(window, d.conf_bit(), 1, drills::registry());
  stage::VirtualClock clock(stage);
  const stage::FrameTable& t = stage.table(d.index);
  if (index >= t.end_index())
    throw UsageError{"keyframe " + std::to_string(index) + " is past the end of " + d.name() +
                     " (keyframes 0.." + std::to_string(t.end_index() - 1) + ")"};
  // The intro, then keyframes until the one asked for has been shown.
  while (!(d.at(stage, stage::Stage::Phase::Keyframes) && stage.frame_index() == index + 1)) {
    clock.step();
    stop_if_signalled();
  }
  write_png(window, out);
  return 0;
}

// A progress bar with the time left, on stderr when it is a terminal; nothing
// otherwise, so logs and pipes stay clean.
class Progress {
 public:
  Progress(const char* label, long total)
      : label_(label),
        total_(total),
        tty_(isatty(STDERR_FILENO) == 1),
        start_(std::chrono::steady_clock::now()) {}
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  void update(long done) {
    if (!tty_ || total_ <= 0) return;
    const auto now = std::chrono::steady_clock::now();
    // Redraw a few times a second, and always at the start and the end.
    if (drawn_ && done < total_ && now - last_draw_ < kRedrawEvery) return;
    last_draw_ = now;
    drawn_ = true;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const int filled = static_cast<int>(kWidth * done / total_);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.resize(kWidth, ' ');
    std::string left = "--:--";
    if (done > 0) left = clock_time(elapsed * static_cast<double>(total_ - done) / done);
    std::fprintf(stderr, "\r%s [%s] %ld/%ld, %s left ", label_, bar.c_str(), done, total_,
                 left.c_str());
  }
  ~Progress() {
    if (drawn_) std::fputc('\n', stderr);
  }

 private:
  static constexpr int kWidth = 40;
  static constexpr std::chrono::milliseconds kRedrawEvery{200};

  static std::string clock_time(double seconds) {
    const long s = std::lround(seconds);
    char text[32];
    if (s >= 3600)
      std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
      std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
  }

  const char* label_;
  long total_;
  bool tty_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_draw_;
};

// Runs the clock up to t in steps, with progress and a chance to stop.
void seek(stage::VirtualClock& clock, std::int64_t t) {
  if (t <= clock.now()) return;
  Progress progress("seek", static_cast<long>(t / kSeekStepMs));
  for (std::int64_t at = clock.now(); at < t;) {
    at = std::min(t, at + kSeekStepMs);
    clock.advance_to(at);
    stop_if_signalled();
    progress.update(static_cast<long>(at / kSeekStepMs));
  }
}

// Renders the schedule into the sink with the tool's seek, progress, stop on a
// signal and warnings. A failed or stopped export unwinds from here, and the
// sink, destroyed unfinished, removes what it wrote.
void run_export(raster::RasterWindow& window, stage::VirtualClock& clock,
                const raster::FrameSchedule& schedule, raster::FrameSink& sink) {
  std::optional<Progress> progress;
  raster::ExportHooks hooks;
  hooks.advance_to = [&](std::int64_t t) { clock.advance_to(t); };
  hooks.seek = [&](std::int64_t t) {
    seek(clock, t);
    progress.emplace("frames", schedule.frames);  // time left counts from the first frame
  };
  hooks.poll = stop_if_signalled;
  hooks.progress = [&](long done) { progress->update(done); };
  hooks.warn = warn;
  std::string error;
  if (!raster::export_frames(window, schedule, sink, hooks, &error)) throw UsageError{error};
}

int cmd_play(const Args& args) {
  args.allow({"conf", "speed", "from", "seconds", "fps", "size", "o", "force"}, 0);
  const int conf = static_cast<int>(parse_long(args.need("conf"), "conf", 0, 255));
  const int speed = static_cast<int>(parse_long(args.need("speed"), "speed", 1, 3));
  const double from = parse_seconds(args.need("from"), "from", 0, 1e7);
  const double seconds = parse_seconds(args.need("seconds"), "seconds", 0, 1e7);
  const long fps = parse_long(args.need("fps"), "fps", 1, 100);
  const Size size = parse_size(args.need("size"));
  const std::filesystem::path dir = args.need("o");
  const bool force = args.options.count("force") != 0;
  const long frames = static_cast<long>(std::ceil(seconds * static_cast<double>(fps) - 1e-9));
  if (frames <= 0) throw UsageError{"seconds must be more than 0"};
  if (frames > kMaxFrames) throw UsageError{"too many frames (" + std::to_string(frames) + ")"};
  const double pixel_frames = static_cast<double>(size.w) * size.h * static_cast<double>(frames);
  if (pixel_frames > kMaxPixelFrames && !force) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "%ld frames of %dx%d is %.3g pixels x frames, over the bound of %.3g; "
                  "add --force to render it anyway",
                  frames, size.w, size.h, pixel_frames, kMaxPixelFrames);
    throw UsageError{text};
  }

  raster::RasterWindow window(size.w, size.h);
  stage::Stage stage(window, conf, speed, drills::registry());
  stage::VirtualClock clock(stage);
  // Everything this run writes goes again if it fails or is stopped.
  raster::PngSequenceSink sink(dir.string());
  run_export(window, clock, {from, fps, frames}, sink);
  print_line(dir.string());
  return 0;
}

int cmd_gif(const Args& args) {
  args.allow({"speed", "fps", "size", "o"}, 1);
  const Drill d = drill_named(args.words[0]);
  const int speed = static_cast<int>(parse_long(args.need("speed"), "speed", 1, 3));
  const long fps = parse_long(args.need("fps"), "fps", 1, 50);
  const Size size = parse_size(args.need("size"));
  const std::string out = args.need("o");

  raster::RasterWindow window(size.w, size.h);
  stage::Stage stage(window, d.conf_bit(), speed, drills::registry());
  stage::VirtualClock clock(stage);

  // One whole run: from activation until the outro hands over to the next
  // intro (with one drill enabled, its own intro again).
  std::int64_t run_end = 0;
  {
    raster::RasterWindow probe_window(1, 1);
    stage::Stage probe(probe_window, d.conf_bit(), speed, drills::registry());
    stage::VirtualClock probe_clock(probe);
    bool in_outro = false;
    while (true) {
      probe_clock.step();
      stop_if_signalled();
      if (d.at(probe, stage::Stage::Phase::Outro)) in_outro = true;
      if (in_outro && d.at(probe, stage::Stage::Phase::Intro)) break;
    }
    run_end = probe_clock.now();
  }
  const long frames = static_cast<long>(run_end * fps / 1000) + 1;
  if (frames > kMaxFrames) throw UsageError{"too many frames (" + std::to_string(frames) + ")"};

  raster::GifSink sink(out);
  run_export(window, clock, {0, fps, frames}, sink);
  return 0;
}

// Refuses to replace an existing file unless --force.
void check_new_file(const std::string& path, bool force) {
  std::error_code ec;
  if (!force && std::filesystem::is_regular_file(path, ec))
    throw UsageError{path + " exists; add --force to replace it"};
}

int cmd_video(const Args& args) {
  args.allow({"conf", "speed", "fps", "size", "o", "burn-captions", "subtitles", "force"}, 1);
  const auto option = [&](const char* name, const char* fallback) {
    const auto it = args.options.find(name);
    return it == args.options.end() ? std::string(fallback) : it->second;
  };
  const std::string target = args.words[0];
  video::VideoOptions o;
  if (target == "all") {
    o.conf = static_cast<int>(parse_long(option("conf", "7"), "conf", 0, 255));
  } else {
    if (args.options.count("conf") != 0) throw UsageError{"--conf is for all, not one drill"};
    o.conf = drill_named(target).conf_bit();
  }
  o.speed = static_cast<int>(parse_long(option("speed", "1"), "speed", 1, 3));
  o.fps = parse_long(option("fps", "30"), "fps", 1, 120);
  const Size size = parse_size(option("size", "1280x720"));
  if (size.w % 2 != 0 || size.h % 2 != 0)
    throw UsageError{"video size must be even both ways, not " + option("size", "")};
  o.width = size.w;
  o.height = size.h;
  o.burn_captions = args.options.count("burn-captions") != 0;
  o.path = option("o", (target + ".mp4").c_str());
  if (!video::container_for(o.path))
    throw UsageError{"video file " + o.path + " must end in .mp4 or .webm"};
  o.subtitles_path = option("subtitles", "");
  if (!o.subtitles_path.empty() && !video::subtitle_format_for(o.subtitles_path))
    throw UsageError{"subtitle file " + o.subtitles_path + " must end in .srt or .vtt"};
  const bool force = args.options.count("force") != 0;
  check_new_file(o.path, force);
  if (!o.subtitles_path.empty()) check_new_file(o.subtitles_path, force);

  video::VideoJob job(o, stop_if_signalled);
  run_export(job.window(), job.clock(), job.schedule(), job.sink());
  return 0;
}

int run_command(const std::string& command, const Args& args) {
  if (command == "dump") return cmd_dump(args);
  if (command == "--help" || command == "-h") {
    if (std::fputs(usage_text().c_str(), stdout) == EOF) stdout_failed();
    return 0;
  }
  catch_stop_signals();
  if (command == "still") return cmd_still(args);
  if (command == "frame") return cmd_frame(args);
  if (command == "play") return cmd_play(args);
  if (command == "gif") return cmd_gif(args);
  if (command == "video") return cmd_video(args);
  throw UsageError{"unknown command '" + command + "'"};
}

// Everything buffered for standard output has to arrive: a full disk or a
// closed pipe is a failed run, not a silent success.
void finish_stdout() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) stdout_failed();
  if (std::fclose(stdout) != 0) stdout_failed();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(usage_text().c_str(), stderr);
    return 2;
  }
  const std::string command = argv[1];
  std::string message;
  try {
    const Args args = parse_args(argc, argv);
    const int status = run_command(command, args);
    finish_stdout();
    return status;
  } catch (const Stopped&) {
  } catch (const UsageError& e) {
    message = e.message;
  } catch (const std::exception& e) {
    message = e.what();
  }
  // A write cut short by the signal (a FIFO, a pipe) fails too: the signal
  // is the reason to give.
  if (g_stop_signal != 0) {
    std::fprintf(stderr, "mirukado-render: stopped by %s; removed what this run wrote\n",
                 g_stop_signal == SIGINT ? "SIGINT" : "SIGTERM");
    return 128 + g_stop_signal;
  }
  std::fprintf(stderr, "mirukado-render: %s\n", message.c_str());
  return 2;
}
