// The web page's viewer, called from the page's script: the core's viewer
// session (page_viewer.hpp) over a raster window of the canvas's device
// pixels. The page owns the timer (it sets a timeout on each delay returned),
// the input, the canvas and the text; this side runs the session and hands
// back the changed rectangles as RGBA rows ready for putImageData, and the
// values the page shows (page_values.hpp). What the learner chose and scored
// is kept by the session's ProgressKeeper in localStorage (page_store.hpp),
// in the same record the desktop viewers keep in their file.

#include <emscripten.h>
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "drills/registry.hpp"
#include "platform/web/page_store.hpp"
#include "platform/web/page_values.hpp"
#include "platform/web/page_viewer.hpp"
#include "viewer/command_table.hpp"

namespace {

using emscripten::val;
using web::LocalStore;
using web::Viewer;

constexpr std::uint32_t kOpaque = 0xFF000000u;

// The learner's progress record, kept across the page's viewers.
std::unique_ptr<LocalStore> progress_store;
std::unique_ptr<Viewer> current;

// The surface's 0x00RRGGBB to the canvas's bytes R, G, B, A (little-endian).
inline std::uint32_t to_rgba(std::uint32_t p) {
  return kOpaque | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

// What a command did, for the page: bits of the value mk_key and mk_command
// return. The panels' bits always carry their state after the command.
enum CommandResult : int {
  kRan = 1,              // the key or name was a command
  kSettingsChanged = 2,  // the page keeps the new speed
  kFullScreen = 4,       // the page toggles the browser's full screen
  kQuit = 8,             // a page cannot close itself: ignored
  kHelpOpen = 16,
  kCommandsOpen = 32,
  kAskNumber = 64,     // the page asks for a command's number, then runs go-to-command
  kToggleTheme = 128,  // the page switches the teaching picture's theme (its ◐ button)
};

// A command run by the session, with the page's sheets as they are open now.
int run_command(std::optional<viewer::ViewerCommand> command, int arg, bool help, bool commands) {
  if (!current) return 0;
  viewer::ViewerSession& session = current->session;
  session.show_panels(help, commands);
  int result = 0;
  if (command) {
    const viewer::CommandEffect effect = session.run(*command, arg);
    result |= kRan;
    if (viewer::viewer_command_row(*command).changes_settings) result |= kSettingsChanged;
    if (effect == viewer::CommandEffect::FullScreen) result |= kFullScreen;
    if (effect == viewer::CommandEffect::Quit) result |= kQuit;
    if (effect == viewer::CommandEffect::AskNumber) result |= kAskNumber;
    if (effect == viewer::CommandEffect::Theme) result |= kToggleTheme;
  }
  if (session.panels().help) result |= kHelpOpen;
  if (session.panels().commands) result |= kCommandsOpen;
  return result;
}

// The session's window and playback made again at `width` x `height` and
// the look's theme, where the viewer is now.
int relayout(int width, int height, int look) {
  if (!current || width <= 0 || height <= 0) return 0;
  current->look = look;
  current->session.set_theme(web::theme_of(look));
  current->session.rebuild(width, height);
  return 1;
}

}  // namespace

extern "C" {

// A new viewer of width x height pixels on the registry's drills whose bits
// are set in `mask` (all of them when none is), at drill `drill` of that
// choice and its keyframe `keyframe` (< 0 or past the end: the start), playing or not at
// `speed` (0 = a quarter .. 4 = speed 3), drawn as `look` (Look bits). The
// drill follows the position `role` (web::kNoAddressPosition: the one remembered;
// one the drill lacks: no one, and the one remembered stays).
// Returns 0 when nothing could open.
EMSCRIPTEN_KEEPALIVE int mk_open(int width, int height, int mask, int drill, int keyframe,
                                 int speed, int playing, int look, int role) {
  current.reset();
  if (width <= 0 || height <= 0) return 0;
  std::vector<stage::DrillDescriptor> chosen;
  const stage::DrillList all = drills::registry();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (mask & stage::conf_bit(i)) chosen.push_back(all[i]);
  if (chosen.empty()) chosen.assign(all.begin(), all.end());
  viewer::ViewerStart start;
  start.drill = std::clamp(drill, 0, static_cast<int>(chosen.size()) - 1);
  start.teaching = (look & web::kTeachingLook) != 0;
  start.theme = web::theme_of(look);
  if (role != web::kNoAddressPosition) start.role = role;
  if (keyframe >= 0) start.keyframe = keyframe;
  start.speed = static_cast<stage::PlaySpeed>(std::clamp(speed, 0, stage::kPlaySpeeds - 1));
  start.playing = playing != 0;
  start.host_overlay = true;
  current = std::make_unique<Viewer>(std::move(chosen), start, progress_store.get(), look);
  current->session.start(width, height);
  return 1;
}

// Rebuilds at a new size where the viewer is now.
EMSCRIPTEN_KEEPALIVE int mk_resize(int width, int height) {
  return current ? relayout(width, height, current->look) : 0;
}

// Rebuilds where the viewer is now, drawn in `look`'s theme.
EMSCRIPTEN_KEEPALIVE int mk_set_look(int look) {
  return current ? relayout(current->window().width_px(), current->window().height_px(), look) : 0;
}

// Shows what is due now (the practice session drives the drill while one
// runs) and returns the ms until the next call, or -1 while paused.
EMSCRIPTEN_KEEPALIVE int mk_advance() {
  return current ? current->session.advance() : stage::Playback::kIdle;
}

// Follows `position` (0 the commander, n member n; anything the drill lacks:
// no one), ending any practice session, as the desktop viewers' legend does;
// the command list stays narrowed or not (its toggle, m).
// Returns the position followed, or -1.
EMSCRIPTEN_KEEPALIVE int mk_choose(int position) {
  if (!current) return -1;
  current->session.follow(position >= 0 ? std::optional<int>(position) : std::nullopt);
  return current->learner().position.value_or(-1);
}

// Composes what changed (everything: the whole frame) straight into the
// canvas's buffer and converts it there. Returns the number of rectangles;
// mk_rects() lists them and mk_pixels() is the frame's RGBA bytes, mk_width()
// pixels a row.
EMSCRIPTEN_KEEPALIVE int mk_present(int everything) {
  if (!current) return 0;
  web::PageHost& h = current->host;
  raster::RasterWindow& window = h.window();
  const int width = window.width_px();
  std::vector<raster::Rect> changed = window.changes();
  if (everything) changed.assign(1, raster::Rect{0, 0, width, window.height_px()});
  h.rects.clear();
  const std::size_t stride = static_cast<std::size_t>(width);
  for (const raster::Rect& r : changed) {
    h.rects.insert(h.rects.end(), {r.x, r.y, r.w, r.h});
    std::uint32_t* corner = h.rgba().data() + static_cast<std::size_t>(r.y) * stride + r.x;
    window.compose(r, corner, width);
    for (int y = 0; y < r.h; ++y) {
      std::uint32_t* row = corner + static_cast<std::size_t>(y) * stride;
      for (int x = 0; x < r.w; ++x) row[x] = to_rgba(row[x]);
    }
  }
  return static_cast<int>(changed.size());
}
EMSCRIPTEN_KEEPALIVE const std::int32_t* mk_rects() {
  return current ? current->host.rects.data() : nullptr;
}
EMSCRIPTEN_KEEPALIVE const std::uint32_t* mk_pixels() {
  return current ? current->host.rgba().data() : nullptr;
}
EMSCRIPTEN_KEEPALIVE int mk_width() { return current ? current->window().width_px() : 0; }
EMSCRIPTEN_KEEPALIVE int mk_height() { return current ? current->window().height_px() : 0; }

EMSCRIPTEN_KEEPALIVE int mk_state_changes() {
  if (!current) return 0;
  Viewer& v = *current;
  const stage::Playback& p = v.playback();
  web::TextShown now{std::string(v.caption()),
                     v.session.figures(),
                     v.window().caption_font_size(),
                     raster::to_pixel(p.stage().geometry().caption_left, web::kTwipsPerPixel),
                     p.drill(),
                     static_cast<int>(p.speed()),
                     v.learner_shown(),
                     v.session.previous_score(),
                     v.session.keeper().notice()};
  const web::TextShown& was = v.text_shown;
  const int changes =
      (now.caption != was.caption || now.points != was.points || now.left != was.left
           ? web::kCaptionChanged
           : 0) |
      (now.drill != was.drill || now.speed != was.speed ? web::kControlsChanged : 0) |
      (now.figures == was.figures ? 0 : web::kFiguresChanged) |
      (now.learner == was.learner && now.previous == was.previous && now.notice == was.notice
           ? 0
           : web::kLearnerChanged);
  v.text_shown = std::move(now);
  return changes;
}

// The timeline's moving parts, read by the page each tick as plain numbers
// (no object is built per tick): the position and the A-B passage in ms of
// the drill at speed 1, the command heard now (-1 before the first), play
// state. The passage's ends are -1 when none is set.
EMSCRIPTEN_KEEPALIVE int mk_elapsed() { return current ? current->playback().elapsed_ms() : 0; }
EMSCRIPTEN_KEEPALIVE int mk_playing() { return current && current->playback().playing() ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE int mk_current_command() {
  return current ? current->playback().current_command() : -1;
}
EMSCRIPTEN_KEEPALIVE int mk_loop_from() {
  if (!current || !current->playback().loop()) return -1;
  return current->playback().timeline().start_ms(current->playback().loop()->a);
}
EMSCRIPTEN_KEEPALIVE int mk_loop_to() {
  if (!current || !current->playback().loop()) return -1;
  const stage::DrillTimeline& t = current->playback().timeline();
  const int last = current->playback().loop()->b;
  return t.start_ms(last) + t.duration_ms(last);
}

}  // extern "C"

namespace {

// Starts keeping the learner's progress in the page's store (see LocalStore)
// and carries in what the page's earlier stores kept (`earlier`, see
// earlier_progress). True when nothing is left to carry, so that page.js may
// remove the earlier stores: they go only once the record holds them.
bool start_progress(val store, val earlier) {
  current.reset();  // its session keeps the record through the store
  progress_store = std::make_unique<LocalStore>(std::move(store));
  const viewer::LearnerProgress carried = web::earlier_progress(earlier);
  if (carried.drills.empty()) return true;
  viewer::ProgressKeeper keeper(progress_store.get());
  return keeper.carry(carried);
}

// A key as the page's KeyboardEvent.key names it; `repeated`: held down.
// Returns what happened, as CommandResult bits.
int key(const std::string& name, bool repeated, bool help, bool commands) {
  const auto command = viewer::command_for_key(name);
  // A toggle held down acts once; the key is still the viewer's.
  if (command && repeated && !viewer::viewer_command_row(*command).repeats)
    return run_command(std::nullopt, 0, help, commands) | kRan;
  return run_command(command, 0, help, commands);
}

// A command by its name in the viewer's command table (taps, the page's
// controls), with the argument the pointing commands read.
int command(const std::string& name, int arg, bool help, bool commands) {
  return run_command(viewer::command_named(name), arg, help, commands);
}

// The page's calls, each on the viewer shown now (none: null or empty).
val state() { return web::state(current.get()); }
val timeline(int drill) { return web::timeline(current.get(), drill); }
val figures() { return web::figures(current.get()); }
val figure_layer() { return web::figure_layer(current.get()); }
val legend() { return web::legend(current.get()); }
val learner() { return web::learner(current.get()); }

}  // namespace

EMSCRIPTEN_BINDINGS(mirukado) {
  emscripten::function("drills", &web::registered_drills);
  emscripten::function("state", &state);
  emscripten::function("timeline", &timeline);
  emscripten::function("figures", &figures);
  emscripten::function("figureLayer", &figure_layer);
  emscripten::function("legend", &legend);
  emscripten::function("learner", &learner);
  emscripten::function("startProgress", &start_progress);
  emscripten::function("helpLines", &web::help_lines);
  emscripten::function("key", &key);
  emscripten::function("command", &command);
}
