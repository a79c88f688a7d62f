// The web page's viewer: the drills played by the playback model on a raster
// window, called from the page's script. The page owns the clock (it passes
// performance.now() to mk_advance and sets a timeout on the delay returned),
// the input, the canvas and the text; this side owns the picture and hands
// back the changed rectangles as RGBA rows ready for putImageData.

#include <emscripten.h>
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "drills/registry.hpp"
#include "raster/raster_window.hpp"
#include "stage/playback.hpp"
#include "stage/viewer_commands.hpp"

namespace {

using emscripten::val;

constexpr float kTwipsPerPixel = 15.0f;  // the stage's 96-DPI layout, as on the desktop
constexpr std::uint32_t kOpaque = 0xFF000000u;

// What the page's text shows, kept so that each tick can tell the page which
// parts changed: drawing text costs more than the rest of a tick, and most
// ticks change none of it or only the timeline's position.
struct TextShown {
  std::string caption;
  int points = -1;
  int left = 0;
  int drill = -1;
  int speed = -1;
  bool operator==(const TextShown&) const = default;
};
// The parts of the page's text, as bits of what changed since the last ask.
enum TextChange : int {
  kCaptionChanged = 1,   // the caption: its text, size or place
  kControlsChanged = 2,  // the drill or the speed the page's controls show
};

struct Viewer {
  Viewer(int width, int height, std::vector<stage::DrillDescriptor> chosen,
         const stage::PlaybackPlace& place)
      : window(width, height, kTwipsPerPixel),
        drills(std::move(chosen)),
        playback(window, drills, place) {}

  raster::RasterWindow window;
  std::vector<stage::DrillDescriptor> drills;  // the page's choice, in playback order
  stage::Playback playback;
  std::vector<std::int32_t> rects;  // x, y, w, h per rectangle changed by the last present
  // The frame as the canvas's RGBA bytes, row after row at the window's width.
  // Only the changed rectangles are converted each tick; the page keeps one
  // ImageData on this buffer and puts the rectangles from it, so no pixels are
  // copied on the way and nothing is allocated per tick.
  std::vector<std::uint32_t> rgba =
      std::vector<std::uint32_t>(static_cast<std::size_t>(window.width_px()) * window.height_px());
  TextShown text_shown;
};

// The page shows one viewer at a time; it is replaced when the page resizes
// or changes the drills.
std::unique_ptr<Viewer> viewer;

// The surface's 0x00RRGGBB to the canvas's bytes R, G, B, A (little-endian).
inline std::uint32_t to_rgba(std::uint32_t p) {
  return kOpaque | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

// std::string crosses as UTF-8 (embind's default): the captions are Japanese.
val text_value(std::string_view text) { return val(std::string(text)); }

// What a command did, for the page: bits of the value mk_key and mk_command
// return. The panels' bits always carry their state after the command.
enum CommandResult : int {
  kRan = 1,              // the key or name was a command
  kSettingsChanged = 2,  // the page keeps the new speed
  kFullScreen = 4,       // the page toggles the browser's full screen
  kQuit = 8,             // a page cannot close itself: ignored
  kHelpOpen = 16,
  kCommandsOpen = 32,
  kAskNumber = 64,  // the page asks for a command's number, then runs go-to-command
};

int run_command(std::optional<stage::ViewerCommand> command, int arg, bool help, bool commands) {
  stage::ViewerPanels panels{help, commands};
  int result = 0;
  if (command && viewer) {
    const stage::CommandEffect effect = stage::apply(*command, arg, viewer->playback, panels);
    result |= kRan;
    if (stage::viewer_command_row(*command).changes_settings) result |= kSettingsChanged;
    if (effect == stage::CommandEffect::FullScreen) result |= kFullScreen;
    if (effect == stage::CommandEffect::Quit) result |= kQuit;
    if (effect == stage::CommandEffect::AskNumber) result |= kAskNumber;
  }
  if (panels.help) result |= kHelpOpen;
  if (panels.commands) result |= kCommandsOpen;
  return result;
}

}  // namespace

extern "C" {

// A new viewer of width x height pixels on the registry's drills whose bits
// are set in `mask` (all of them when none is), at drill `drill` of that
// choice and its keyframe `keyframe` (< 0 or past the end: the start), playing or not at
// `speed` (0 = a quarter .. 4 = speed 3). Returns 0 when nothing could open.
EMSCRIPTEN_KEEPALIVE int mk_open(int width, int height, int mask, int drill, int keyframe,
                                 int speed, int playing) {
  viewer.reset();
  if (width <= 0 || height <= 0) return 0;
  std::vector<stage::DrillDescriptor> chosen;
  const stage::DrillList all = drills::registry();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (mask & (1 << i)) chosen.push_back(all[i]);
  if (chosen.empty()) chosen.assign(all.begin(), all.end());
  stage::PlaybackPlace place;
  place.drill = std::clamp(drill, 0, static_cast<int>(chosen.size()) - 1);
  place.speed = static_cast<stage::PlaySpeed>(std::clamp(speed, 0, stage::kPlaySpeeds - 1));
  place.playing = playing != 0;
  viewer = std::make_unique<Viewer>(width, height, std::move(chosen), place);
  stage::Playback& p = viewer->playback;
  // A keyframe past the drill's end is no place to open at: the start it is.
  if (keyframe >= 0 && keyframe < p.timeline().keyframes()) {
    p.seek_keyframe(keyframe);
    if (place.playing) p.play();
  }
  return 1;
}

// Reopens at a new size where the viewer is now.
EMSCRIPTEN_KEEPALIVE int mk_resize(int width, int height) {
  if (!viewer || width <= 0 || height <= 0) return 0;
  const stage::PlaybackPlace place = viewer->playback.place();
  std::vector<stage::DrillDescriptor> chosen = std::move(viewer->drills);
  viewer.reset();
  viewer = std::make_unique<Viewer>(width, height, std::move(chosen), place);
  return 1;
}

// Shows what is due at `now` (ms of the page's clock since mk_open) and
// returns the ms until the next call, or -1 while paused.
EMSCRIPTEN_KEEPALIVE int mk_advance(double now) {
  if (!viewer) return stage::Playback::kIdle;
  return viewer->playback.advance(static_cast<std::int64_t>(std::floor(now)));
}

// Composes what changed (everything: the whole frame) straight into the
// canvas's buffer and converts it there. Returns the number of rectangles;
// mk_rects() lists them and mk_pixels() is the frame's RGBA bytes, mk_width()
// pixels a row.
EMSCRIPTEN_KEEPALIVE int mk_present(int everything) {
  if (!viewer) return 0;
  Viewer& v = *viewer;
  const int width = v.window.width_px();
  std::vector<raster::Rect> changed = v.window.changes();
  if (everything) changed.assign(1, raster::Rect{0, 0, width, v.window.height_px()});
  v.rects.clear();
  const std::size_t stride = static_cast<std::size_t>(width);
  for (const raster::Rect& r : changed) {
    v.rects.insert(v.rects.end(), {r.x, r.y, r.w, r.h});
    std::uint32_t* corner = v.rgba.data() + static_cast<std::size_t>(r.y) * stride + r.x;
    v.window.compose(r, corner, width);
    for (int y = 0; y < r.h; ++y) {
      std::uint32_t* row = corner + static_cast<std::size_t>(y) * stride;
      for (int x = 0; x < r.w; ++x) row[x] = to_rgba(row[x]);
    }
  }
  return static_cast<int>(changed.size());
}
EMSCRIPTEN_KEEPALIVE const std::int32_t* mk_rects() {
  return viewer ? viewer->rects.data() : nullptr;
}
EMSCRIPTEN_KEEPALIVE const std::uint32_t* mk_pixels() {
  return viewer ? viewer->rgba.data() : nullptr;
}
EMSCRIPTEN_KEEPALIVE int mk_width() { return viewer ? viewer->window.width_px() : 0; }
EMSCRIPTEN_KEEPALIVE int mk_height() { return viewer ? viewer->window.height_px() : 0; }

EMSCRIPTEN_KEEPALIVE int mk_state_changes() {
  if (!viewer) return 0;
  Viewer& v = *viewer;
  const stage::Playback& p = v.playback;
  TextShown now{v.window.caption_text(), v.window.caption_font_size(),
                raster::to_pixel(p.stage().geometry().caption_left, kTwipsPerPixel), p.drill(),
                static_cast<int>(p.speed())};
  const TextShown& was = v.text_shown;
  const int changes =
      (now.caption != was.caption || now.points != was.points || now.left != was.left
           ? kCaptionChanged
           : 0) |
      (now.drill != was.drill || now.speed != was.speed ? kControlsChanged : 0);
  v.text_shown = std::move(now);
  return changes;
}

// The timeline's moving parts, read by the page each tick as plain numbers
// (no object is built per tick): the position and the A-B passage in ms of
// the drill at speed 1, the command heard now (-1 before the first), play
// state. The passage's ends are -1 when none is set.
EMSCRIPTEN_KEEPALIVE int mk_elapsed() { return viewer ? viewer->playback.elapsed_ms() : 0; }
EMSCRIPTEN_KEEPALIVE int mk_playing() { return viewer && viewer->playback.playing() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int mk_current_command() {
  return viewer ? viewer->playback.current_command() : -1;
}
EMSCRIPTEN_KEEPALIVE int mk_loop_from() {
  if (!viewer || !viewer->playback.loop()) return -1;
  return viewer->playback.timeline().start_ms(viewer->playback.loop()->a);
}
EMSCRIPTEN_KEEPALIVE int mk_loop_to() {
  if (!viewer || !viewer->playback.loop()) return -1;
  const stage::DrillTimeline& t = viewer->playback.timeline();
  const int last = viewer->playback.loop()->b;
  return t.start_ms(last) + t.duration_ms(last);
}

}  // extern "C"

namespace {

// The registered drills, in playback order: the name the address and the
// settings use, and the one a learner reads.
val registered_drills() {
  val out = val::array();
  const stage::DrillList all = drills::registry();
  for (std::size_t i = 0; i < all.size(); ++i) {
    val d = val::object();
    d.set("name", text_value(all[i].name));
    d.set("displayName", text_value(all[i].display_name));
    out.set(i, d);
  }
  return out;
}

// Where the viewer is: the chosen drills, the current drill, its keyframe
// and time, play state, speed and the caption the page draws.
val state() {
  if (!viewer) return val::null();
  Viewer& v = *viewer;
  const stage::Playback& p = v.playback;
  val drills = val::array();
  for (std::size_t i = 0; i < v.drills.size(); ++i) drills.set(i, text_value(v.drills[i].name));
  val o = val::object();
  o.set("drills", drills);
  o.set("drill", p.drill());
  o.set("keyframe", p.keyframe());
  o.set("keyframes", p.timeline().keyframes());
  o.set("elapsed", p.elapsed_ms());
  o.set("total", p.timeline().total_ms());
  o.set("playing", p.playing());
  o.set("speed", static_cast<int>(p.speed()));
  o.set("captionLeft", raster::to_pixel(p.stage().geometry().caption_left, kTwipsPerPixel));
  o.set("captionPoints", v.window.caption_font_size());
  o.set("caption", text_value(v.window.caption_text()));
  return o;
}

// The timeline of drill `drill` among the chosen ones: its length and its
// commands (text, start in ms at speed 1, first keyframe), which the page
// lays out as the timeline's marks and the command list, and measures for
// the caption's room.
val timeline(int drill) {
  if (!viewer || drill < 0 || drill >= viewer->playback.drill_count()) return val::null();
  const stage::DrillTimeline& t = viewer->playback.timeline(drill);
  val commands = val::array();
  for (std::size_t i = 0; i < t.commands().size(); ++i) {
    const stage::Command& c = t.commands()[i];
    val command = val::object();
    command.set("text", text_value(c.text));
    command.set("ms", c.time_ms);
    command.set("keyframe", c.first_keyframe);
    commands.set(i, command);
  }
  val out = val::object();
  out.set("total", t.total_ms());
  out.set("commands", commands);
  return out;
}

// The keyboard help card's lines (keys, what they do); a page cannot quit, so
// the quit line is left out.
val help_lines() {
  const auto lines = stage::help_lines(false);
  val out = val::array();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    val line = val::array();
    line.set(0, text_value(lines[i].keys));
    line.set(1, text_value(lines[i].action));
    out.set(i, line);
  }
  return out;
}

// A key as the page's KeyboardEvent.key names it; `repeated`: held down.
// Returns what happened, as CommandResult bits.
int key(const std::string& name, bool repeated, bool help, bool commands) {
  const auto command = stage::command_for_key(name);
  // A toggle held down acts once; the key is still the viewer's.
  if (command && repeated && !stage::viewer_command_row(*command).repeats)
    return run_command(std::nullopt, 0, help, commands) | kRan;
  return run_command(command, 0, help, commands);
}

// A command by its name in the viewer's command table (taps, the page's
// controls), with the argument the pointing commands read.
int command(const std::string& name, int arg, bool help, bool commands) {
  return run_command(stage::command_named(name), arg, help, commands);
}

}  // namespace

EMSCRIPTEN_BINDINGS(mirukado) {
  emscripten::function("drills", &registered_drills);
  emscripten::function("state", &state);
  emscripten::function("timeline", &timeline);
  emscripten::function("helpLines", &help_lines);
  emscripten::function("key", &key);
  emscripten::function("command", &command);
}
