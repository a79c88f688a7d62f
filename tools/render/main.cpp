// mirukado-render: the headless twin of the screen saver. Dumps the keyframe
// tables and renders what the saver's window would show, on virtual time.

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "drills/registry.hpp"
#include "platform/raster/gif_writer.hpp"
#include "platform/raster/raster_window.hpp"
#include "stage/stage.hpp"
#include "stage/virtual_clock.hpp"

namespace {

constexpr int kMaxSide = 16384;
constexpr long kMaxFrames = 100000;  // a guard against asking for days of PNGs by mistake

// A bad argument or a failed write: one line on stderr, status 2.
struct UsageError {
  std::string message;
};

const char* const kUsage =
    "usage: mirukado-render dump kiritu|ponpu|kahan\n"
    "       mirukado-render still --size WxH -o FILE.png\n"
    "       mirukado-render frame kiritu|ponpu|kahan INDEX --size WxH -o FILE.png\n"
    "       mirukado-render play --conf C --speed S --from SECONDS --seconds N --fps F --size WxH "
    "-o DIR\n"
    "       mirukado-render gif kiritu|ponpu|kahan --speed S --fps F --size WxH -o FILE.gif\n";

struct Drill {
  const char* name;
  int conf_bit;
  stage::PlaybackState intro;
  stage::PlaybackState player;
  stage::PlaybackState outro;
  int index;  // in drills::registry()
};

const Drill kDrills[] = {
    {"kiritu", stage::kConfPlatoon, stage::PlaybackState::KirituStart, stage::PlaybackState::Kiritu,
     stage::PlaybackState::KirituEnd, 0},
    {"ponpu", stage::kConfPumpTruck, stage::PlaybackState::PonpuStart, stage::PlaybackState::Ponpu,
     stage::PlaybackState::PonpuEnd, 1},
    {"kahan", stage::kConfPortablePump, stage::PlaybackState::KahanStart,
     stage::PlaybackState::Kahan, stage::PlaybackState::KahanEnd, 2},
};

const Drill& drill_named(const std::string& name) {
  for (const Drill& d : kDrills)
    if (name == d.name) return d;
  throw UsageError{"unknown drill '" + name + "' (expected kiritu, ponpu or kahan)"};
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
    if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
      if (i + 1 >= argc) throw UsageError{"option " + arg + " needs a value"};
      a.options[arg.substr(2)] = argv[++i];
    } else {
      a.words.push_back(arg);
    }
  }
  return a;
}

std::string cell(const std::string& caption) {
  // Captions never hold tabs or newlines; keep the TSV intact if one ever did.
  std::string out;
  for (char c : caption) out += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
  return out;
}

int cmd_dump(const Args& args) {
  args.allow({}, 1);
  const Drill& d = drill_named(args.words[0]);
  const stage::DrillDescriptor& drill = drills::registry()[static_cast<std::size_t>(d.index)];
  stage::FrameTable t = drill.make_table();
  drill.build(t);

  std::string line = "index\tduration\tcaption";
  for (int p = 0; p < t.person_count(); ++p)
    for (const char* f : {"x", "y", "pose"}) line += "\tp" + std::to_string(p) + "_" + f;
  for (int c = 0; c < t.code_count(); ++c) line += "\tcode" + std::to_string(c);
  std::puts(line.c_str());
  const int last = std::min(t.end_index(), t.size() - 1);
  for (int i = 0; i <= last; ++i) {
    const stage::FrameRecord& r = t[i];
    line = std::to_string(i) + "\t" + std::to_string(r.duration) + "\t" + cell(r.caption);
    for (int p = 0; p < t.person_count(); ++p) {
      const stage::PersonSlot& s = r.persons(p);
      line +=
          "\t" + std::to_string(s.x) + "\t" + std::to_string(s.y) + "\t" + std::to_string(s.pose);
    }
    for (int c = 0; c < t.code_count(); ++c) line += "\t" + std::to_string(r.code(c));
    std::puts(line.c_str());
  }
  return std::fflush(stdout) == 0 ? 0 : 2;
}

void write_png(raster::RasterWindow& w, const std::string& path) {
  std::string error;
  if (!w.write_png(path, &error)) throw UsageError{error};
}

int cmd_still(const Args& args) {
  args.allow({"size", "o"}, 0);
  const Size size = parse_size(args.need("size"));
  const std::string out = args.need("o");
  raster::RasterWindow window(size.w, size.h);
  stage::Stage stage(window, stage::kConfDefault, 1, drills::registry());
  stage.activate();
  write_png(window, out);
  std::printf("%s\n", out.c_str());
  return 0;
}

int cmd_frame(const Args& args) {
  args.allow({"size", "o"}, 2);
  const Drill& d = drill_named(args.words[0]);
  const long index = parse_long(args.words[1], "keyframe index", 0, 32767);
  const Size size = parse_size(args.need("size"));
  const std::string out = args.need("o");
  raster::RasterWindow window(size.w, size.h);
  stage::Stage stage(window, d.conf_bit, 1, drills::registry());
  stage::VirtualClock clock(stage);
  const stage::FrameTable& t = stage.table(d.index);
  if (index >= t.end_index())
    throw UsageError{"keyframe " + std::to_string(index) + " is past the end of " + d.name +
                     " (keyframes 0.." + std::to_string(t.end_index() - 1) + ")"};
  // The intro, then keyframes until the one asked for has been shown.
  while (!(stage.state() == d.player && stage.frame_index() == index + 1)) clock.step();
  write_png(window, out);
  return 0;
}

// Draws a progress bar on stderr when it is a terminal.
class Progress {
 public:
  explicit Progress(long total) : total_(total), tty_(isatty(STDERR_FILENO) == 1) {}
  void update(long done) {
    if (!tty_ || total_ <= 0) return;
    const int width = 40;
    const int filled = static_cast<int>(width * done / total_);
    std::fprintf(stderr, "\r[%s%s] %ld/%ld",
                 std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(width - filled), ' ').c_str(), done, total_);
  }
  ~Progress() {
    if (tty_) std::fputc('\n', stderr);
  }

 private:
  long total_;
  bool tty_;
};

int cmd_play(const Args& args) {
  args.allow({"conf", "speed", "from", "seconds", "fps", "size", "o"}, 0);
  const int conf = static_cast<int>(parse_long(args.need("conf"), "conf", 0, 255));
  const int speed = static_cast<int>(parse_long(args.need("speed"), "speed", 1, 3));
  const double from = parse_seconds(args.need("from"), "from", 0, 1e7);
  const double seconds = parse_seconds(args.need("seconds"), "seconds", 0, 1e7);
  const long fps = parse_long(args.need("fps"), "fps", 1, 100);
  const Size size = parse_size(args.need("size"));
  const std::filesystem::path dir = args.need("o");
  const long frames = static_cast<long>(std::ceil(seconds * static_cast<double>(fps) - 1e-9));
  if (frames <= 0) throw UsageError{"seconds must be more than 0"};
  if (frames > kMaxFrames) throw UsageError{"too many frames (" + std::to_string(frames) + ")"};

  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir))
    throw UsageError{"cannot create folder " + dir.string()};

  raster::RasterWindow window(size.w, size.h);
  stage::Stage stage(window, conf, speed, drills::registry());
  stage::VirtualClock clock(stage);
  Progress progress(frames);
  std::vector<std::filesystem::path> written;
  try {
    for (long i = 0; i < frames; ++i) {
      // Frame i shows every tick due by t = from + i / fps.
      const auto t = static_cast<std::int64_t>(
          std::floor((from + static_cast<double>(i) / fps) * 1000 + 1e-6));
      clock.advance_to(t);
      char name[32];
      std::snprintf(name, sizeof name, "frame_%05ld.png", i);
      const auto path = dir / name;
      write_png(window, path.string());
      written.push_back(path);
      progress.update(i + 1);
    }
  } catch (...) {
    for (const auto& p : written) std::filesystem::remove(p, ec);
    throw;
  }
  std::printf("%s\n", dir.string().c_str());
  return 0;
}

int cmd_gif(const Args& args) {
  args.allow({"speed", "fps", "size", "o"}, 1);
  const Drill& d = drill_named(args.words[0]);
  const int speed = static_cast<int>(parse_long(args.need("speed"), "speed", 1, 3));
  const long fps = parse_long(args.need("fps"), "fps", 1, 50);
  const Size size = parse_size(args.need("size"));
  const std::string out = args.need("o");

  raster::RasterWindow window(size.w, size.h);
  stage::Stage stage(window, d.conf_bit, speed, drills::registry());
  stage::VirtualClock clock(stage);

  // One whole run: from activation until the outro hands over to the next
  // intro (with one drill enabled, its own intro again).
  std::int64_t run_end = 0;
  {
    raster::RasterWindow probe_window(1, 1);
    stage::Stage probe(probe_window, d.conf_bit, speed, drills::registry());
    stage::VirtualClock probe_clock(probe);
    bool in_outro = false;
    while (true) {
      probe_clock.step();
      if (probe.state() == d.outro) in_outro = true;
      if (in_outro && probe.state() == d.intro) break;
    }
    run_end = probe_clock.now();
  }
  const long frames = static_cast<long>(run_end * fps / 1000) + 1;
  if (frames > kMaxFrames) throw UsageError{"too many frames (" + std::to_string(frames) + ")"};

  raster::GifWriter gif;
  std::string error;
  if (!gif.open(out, size.w, size.h, &error)) throw UsageError{error};
  Progress progress(frames);
  for (long i = 0; i < frames; ++i) {
    const std::int64_t t = i * 1000 / fps;
    clock.advance_to(t);
    window.compose();
    // Delays in hundredths, spread so that they add up to the real duration.
    const int delay = static_cast<int>((i + 1) * 100 / fps - i * 100 / fps);
    if (!gif.add_frame(window.frame(), delay, &error)) throw UsageError{error};
    progress.update(i + 1);
  }
  if (!gif.finish(&error)) throw UsageError{error};
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string command = argv[1];
  try {
    const Args args = parse_args(argc, argv);
    if (command == "dump") return cmd_dump(args);
    if (command == "still") return cmd_still(args);
    if (command == "frame") return cmd_frame(args);
    if (command == "play") return cmd_play(args);
    if (command == "gif") return cmd_gif(args);
    if (command == "--help" || command == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    throw UsageError{"unknown command '" + command + "'"};
  } catch (const UsageError& e) {
    std::fprintf(stderr, "mirukado-render: %s\n", e.message.c_str());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mirukado-render: %s\n", e.what());
    return 2;
  }
}
