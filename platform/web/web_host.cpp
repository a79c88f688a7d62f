// The web page's viewer: the drills played by the playback model on a raster
// window, called from the page's script. The page owns the clock (it passes
// performance.now() to mk_advance and sets a timeout on the delay returned),
// the input, the canvas and the text; this side owns the picture and hands
// back the changed rectangles as RGBA rows ready for putImageData. By default
// the picture is the teaching one: the drill fitted to the canvas through a
// TeachingWindow, whose figures and legend the page draws from the data here.
// What the learner chose and scored is kept by the core's ProgressKeeper in
// localStorage, in the same record the desktop viewers keep in their file.

#include <emscripten.h>
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "drills/registry.hpp"
#include "host/kept_store.hpp"
#include "raster/raster_window.hpp"
#include "stage/playback.hpp"
#include "stage/teaching.hpp"
#include "viewer/command_table.hpp"
#include "viewer/overlay_display.hpp"
#include "viewer/practice.hpp"
#include "viewer/progress.hpp"
#include "viewer/roles.hpp"
#include "viewer/session.hpp"

namespace {

using emscripten::val;

constexpr float kTwipsPerPixel = 15.0f;  // the stage's 96-DPI layout, as on the desktop
constexpr std::uint32_t kOpaque = 0xFF000000u;

// What the page shows of the learner: the position followed and how, the
// keyframe its trail ends on, and the practice session's step and score.
struct LearnerShown {
  int position = -1;
  bool mine_only = false;
  bool whole_path = false;
  int keyframe = -1;
  int practice = -1;  // the session's state, -1 with none
  int asked = -1;
  int items = -1;  // a retry asks again fewer items
  friend bool operator==(const LearnerShown&, const LearnerShown&) = default;
};

// The learner's progress record under one localStorage key, its value
// exactly the desktop viewers' file's text. The page hands in a small store
// object (page.js) whose calls catch every storage error: read() gives the
// text, null when there is none, false when storage cannot be read (disabled,
// blocked); write(text) and setAside() give "" or the error's name, and
// setAside() copies the value as stored to KEY.bad-DATE and gives that name.
// A page's script runs alone and localStorage answers at once, so the read,
// the change and the write inside one update() are the lock.
class LocalStore final : public host::KeptStore {
 public:
  explicit LocalStore(val store) : store_(std::move(store)) {}

  host::StoredText read() override {
    const val text = store_.call<val>("read");
    if (text.isNull()) return {};
    if (!text.isString()) return {host::StoredText::State::Unreadable, {}};
    std::string content = text.as<std::string>();
    if (content.size() > viewer::kMaxProgressBytes) return {host::StoredText::State::TooBig, {}};
    return {host::StoredText::State::Text, std::move(content)};
  }

  bool update(const std::function<host::StoreChange(const host::StoredText&)>& change) override {
    const host::StoreChange c = change(read());
    if (c.kind == host::StoreChange::Kind::Leave) return true;
    // The old value is copied before anything replaces it: no room for the
    // copy, no write.
    if (c.kind == host::StoreChange::Kind::SetAsideWrite) {
      const val aside = store_.call<val>("setAside");
      if (!aside.isString() || aside.as<std::string>().empty()) {
        error_ = "no room to keep the old value";
        return false;
      }
      aside_ = aside.as<std::string>();
    }
    error_ = store_.call<std::string>("write", c.text);
    return error_.empty();
  }

  std::string error() const override { return error_; }
  std::string set_aside_name() const override { return aside_; }

 private:
  val store_;
  std::string error_;
  std::string aside_;
};

// What the page's text shows, kept so that each tick can tell the page which
// parts changed: drawing text costs more than the rest of a tick, and most
// ticks change none of it or only the timeline's position.
struct TextShown {
  std::string caption;
  std::vector<stage::Figure> figures;
  int points = -1;
  int left = 0;
  int drill = -1;
  int speed = -1;
  LearnerShown learner;
  std::optional<viewer::Score> previous;  // the "前回" the page shows
  std::string notice;                     // why progress is not being kept
};
// The parts of the page's text, as bits of what changed since the last ask.
enum TextChange : int {
  kCaptionChanged = 1,   // the caption: its text, size or place
  kControlsChanged = 2,  // the drill or the speed
  kFiguresChanged = 4,   // the people the page draws above the teaching picture
  kLearnerChanged = 8,   // the position followed, its trail or path, the practice's step
};

// How the page wants the drill drawn, as bits of mk_open's `look`.
enum Look : int {
  kTeachingLook = 1,  // the teaching picture (else the saver's own)
  kLightLook = 2,     // its light theme (else dark)
};

// The position address values that are no position: none given (the one
// remembered is followed); one given that is no number is -1, a position no
// drill has (followed as none, never remembered).
constexpr int kNoAddressPosition = -2;

stage::Theme theme_of(int look) {
  return look & kLightLook ? stage::Theme::Light : stage::Theme::Dark;
}

// The page's side of the session: the raster window of the canvas's device
// pixels it draws on, and the frame converted for the canvas. The page lays
// out its own text (caption, legend, list, cards) as page elements, so
// nothing of the overlay is measured here.
class PageHost final : public viewer::ViewerHost {
 public:
  stage::Window& make_window(int width, int height) override {
    window_.reset();
    rgba_ = std::vector<std::uint32_t>();  // no buffer keeps a larger canvas's capacity
    window_ = std::make_unique<raster::RasterWindow>(width, height, kTwipsPerPixel);
    rgba_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return *window_;
  }
  int line_height() const override { return kUnmeasuredLine; }
  int text_width(std::string_view) override { return 0; }
  // performance.now(): the clock the page's timer runs on.
  std::int64_t now_ms() const override {
    return static_cast<std::int64_t>(std::floor(emscripten_get_now()));
  }

  raster::RasterWindow& window() { return *window_; }
  const raster::RasterWindow& window() const { return *window_; }
  // The frame as the canvas's RGBA bytes, row after row at the window's
  // width. Only the changed rectangles are converted each tick; the page
  // keeps one ImageData on this buffer and puts the rectangles from it, so
  // no pixels are copied on the way and nothing is allocated per tick.
  std::vector<std::uint32_t>& rgba() { return rgba_; }
  std::vector<std::int32_t> rects;  // x, y, w, h per rectangle changed by the last present

 private:
  static constexpr int kUnmeasuredLine = 1;
  std::unique_ptr<raster::RasterWindow> window_;
  std::vector<std::uint32_t> rgba_;
};

// One viewer: the core's session over the page's window. The page shows one
// at a time; a new one takes the old one's place when the page changes the
// drills, while a resize or a new theme rebuilds the session's window and
// playback in place (a practice session goes on at the same step).
struct Viewer {
  Viewer(std::vector<stage::DrillDescriptor> chosen, const viewer::ViewerStart& start,
         host::KeptStore* store, int look_bits)
      : look(look_bits), drills(std::move(chosen)), session(host, drills, start, store) {}

  stage::Playback& playback() { return session.playback(); }
  const stage::Playback& playback() const { return session.playback(); }
  const stage::TeachingWindow* teaching() const { return session.teaching_window(); }
  const viewer::Learner& learner() const { return session.learner(); }
  raster::RasterWindow& window() { return host.window(); }
  const raster::RasterWindow& window() const { return host.window(); }

  // The text above the drill: in the teaching picture the command that stays
  // (the last one heard, with its speaker, until the next one, however the
  // learner got here); in the saver's picture the stage's own caption.
  std::string_view caption() const {
    if (!teaching()) return window().caption_text();
    const int c = playback().current_command();
    const auto& commands = playback().timeline().commands();
    if (c < 0 || c >= static_cast<int>(commands.size())) return {};
    return commands[static_cast<std::size_t>(c)].text;
  }

  LearnerShown learner_shown() const {
    const viewer::Learner& l = learner();
    LearnerShown shown{l.position.value_or(-1), l.mine_only, l.whole_path,
                       l.position ? playback().keyframe() : -1};
    if (l.practice) {
      shown.practice = static_cast<int>(l.practice->state());
      shown.asked = l.practice->score().asked;
      shown.items = static_cast<int>(l.practice->items().size());
    }
    return shown;
  }

  int look;
  PageHost host;                               // before the session, which draws on its window
  std::vector<stage::DrillDescriptor> drills;  // the page's choice, in playback order
  viewer::ViewerSession session;
  TextShown text_shown;
};

// The learner's progress record, kept across the page's viewers.
std::unique_ptr<LocalStore> progress_store;
std::unique_ptr<Viewer> current;

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
  current->session.set_theme(theme_of(look));
  current->session.rebuild(width, height);
  return 1;
}

}  // namespace

extern "C" {

// A new viewer of width x height pixels on the registry's drills whose bits
// are set in `mask` (all of them when none is), at drill `drill` of that
// choice and its keyframe `keyframe` (< 0 or past the end: the start), playing or not at
// `speed` (0 = a quarter .. 4 = speed 3), drawn as `look` (Look bits). The
// drill follows the position `role` (kNoAddressPosition: the one remembered;
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
  start.teaching = (look & kTeachingLook) != 0;
  start.theme = theme_of(look);
  if (role != kNoAddressPosition) start.role = role;
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
  PageHost& h = current->host;
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
  TextShown now{std::string(v.caption()),
                v.session.figures(),
                v.window().caption_font_size(),
                raster::to_pixel(p.stage().geometry().caption_left, kTwipsPerPixel),
                p.drill(),
                static_cast<int>(p.speed()),
                v.learner_shown(),
                v.session.previous_score(),
                v.session.keeper().notice()};
  const TextShown& was = v.text_shown;
  const int changes =
      (now.caption != was.caption || now.points != was.points || now.left != was.left
           ? kCaptionChanged
           : 0) |
      (now.drill != was.drill || now.speed != was.speed ? kControlsChanged : 0) |
      (now.figures == was.figures ? 0 : kFiguresChanged) |
      (now.learner == was.learner && now.previous == was.previous && now.notice == was.notice
           ? 0
           : kLearnerChanged);
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

// "#rrggbb" for the page's canvas and styles.
val css_color(stage::Rgb c) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string s = "#";
  for (const int channel : {c.r, c.g, c.b}) {
    s += kHex[(channel >> 4) & 0xF];
    s += kHex[channel & 0xF];
  }
  return val(s);
}

// Where the viewer is: the chosen drills, the current drill, its keyframe
// and time, play state, speed and the caption the page draws.
val state() {
  if (!current) return val::null();
  Viewer& v = *current;
  const stage::Playback& p = v.playback();
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
  o.set("captionPoints", v.window().caption_font_size());
  o.set("caption", text_value(v.caption()));
  o.set("teaching", v.teaching() != nullptr);
  o.set("light", v.teaching() && v.teaching()->theme() == stage::Theme::Light);
  o.set("turned", v.teaching() && v.teaching()->fit().turned());
  // The ground's and the ink's colours, which outline the people and mark where they face.
  const stage::Theme theme = v.teaching() ? v.teaching()->theme() : stage::Theme::Dark;
  o.set("ground", css_color(stage::theme_background(theme)));
  o.set("ink", css_color(stage::theme_ink(theme)));
  return o;
}

// The people of the teaching picture as shown now, in device pixels of the
// canvas, for the page to draw above it (a later one above an earlier one).
// None in the saver's picture, whose figures are in its pixels.
val figures() {
  val list = val::array();
  if (!current || !current->teaching()) return list;
  const std::vector<stage::Figure> shown = current->session.figures();
  for (std::size_t i = 0; i < shown.size(); ++i) {
    const stage::Figure& f = shown[i];
    val o = val::object();
    o.set("x", f.x);
    o.set("y", f.y);
    o.set("radius", f.radius);
    o.set("pose", f.pose);
    o.set("body", css_color(f.body));
    o.set("labelColor", css_color(f.label_color));
    o.set("label", text_value(f.label));
    o.set("showLabel", f.show_label);
    o.set("highlighted", f.highlighted);
    o.set("muted", f.muted);
    list.set(i, o);
  }
  return list;
}

// What the page draws on its figures canvas, as the core lays it out for
// every viewer: the followed position's path and trail, the people (halo,
// muted others, labels), a revealed move's destination; discs ({x, y, r, c})
// and labels ({x, y, size, label, c}) in painting order. `watched` is where
// the learner's eye is (the destination, else the followed figure), which
// the practice card keeps clear of.
val point_value(stage::DevicePoint at);

val figure_layer() {
  val out = val::object();
  val items = val::array();
  out.set("items", items);
  out.set("watched", val::null());
  if (!current || !current->teaching()) return out;
  viewer::ViewerSession& session = current->session;
  const std::vector<stage::Figure> shown = session.figures();
  const viewer::OverlayView view = session.overlay();
  const stage::FollowedMarks marks = session.followed_marks(shown, view);
  const stage::DisplayList list = session.figure_layer(shown, view);
  unsigned n = 0;
  for (const stage::DisplayItem& item : list.items) {
    val o = val::object();
    if (const auto* d = std::get_if<stage::DiscItem>(&item)) {
      o.set("x", d->x);
      o.set("y", d->y);
      o.set("r", d->radius);
      o.set("c", css_color(d->colour));
    } else if (const auto* l = std::get_if<stage::LabelItem>(&item)) {
      o.set("x", l->x);
      o.set("y", l->y);
      o.set("size", l->size);
      o.set("label", text_value(l->text));
      o.set("c", css_color(l->colour));
    } else {
      continue;  // the figure layer has no boxes or lines of text
    }
    items.set(n++, o);
  }
  if (marks.destination)
    out.set("watched", point_value(*marks.destination));
  else if (marks.me)
    out.set("watched", point_value({marks.me->x, marks.me->y}));
  return out;
}

// Who is who in the current drill: a colour and a name per position, in the
// teaching picture's theme (empty in the saver's picture).
val legend() {
  val out = val::array();
  if (!current || !current->teaching()) return out;
  const std::vector<stage::LegendEntry> entries =
      stage::legend(current->teaching()->theme(), current->playback().descriptor());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    val e = val::object();
    e.set("label", text_value(entries[i].label));
    e.set("color", css_color(entries[i].color));
    e.set("first", entries[i].first);  // the positions it stands for
    e.set("last", entries[i].last);
    out.set(i, e);
  }
  return out;
}

// The timeline of drill `drill` among the chosen ones: its length and its
// commands (text, start in ms at speed 1, first keyframe), which the page
// lays out as the timeline's marks and the command list, and measures for
// the caption's room.
val timeline(int drill) {
  if (!current || drill < 0 || drill >= current->playback().drill_count()) return val::null();
  const stage::DrillTimeline& t = current->playback().timeline(drill);
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

val point_value(stage::DevicePoint at) {
  val o = val::object();
  o.set("x", at.x);
  o.set("y", at.y);
  return o;
}

val int_list(const std::vector<int>& numbers) {
  val out = val::array();
  for (std::size_t i = 0; i < numbers.size(); ++i) out.set(i, numbers[i]);
  return out;
}

// A practice item as the score card lists it: a call by its caption, a move
// by where it starts (keyframes numbered from 1, as the page's address has them).
val item_value(const viewer::PracticeItem& item, const stage::DrillTimeline& timeline) {
  val o = val::object();
  const bool call = item.kind == viewer::PracticeItemKind::Call;
  o.set("kind", val(call ? "call" : "move"));
  o.set("keyframe", item.keyframe + 1);
  if (call)
    o.set("text", text_value(timeline.commands()[static_cast<std::size_t>(item.index)].text));
  return o;
}

const char* practice_state_name(viewer::PracticeState state) {
  switch (state) {
    case viewer::PracticeState::Playing:
      return "playing";
    case viewer::PracticeState::Prompt:
      return "prompt";
    case viewer::PracticeState::Revealed:
      return "revealed";
    case viewer::PracticeState::Finished:
      return "finished";
  }
  return "playing";
}

// The practice session as the page shows it: its step (playing, prompt,
// revealed, finished), the prompt, the answer once revealed (a call's caption,
// a move's destination in device pixels), the score and the items missed.
val practice_value(const Viewer& v) {
  const viewer::PracticeSession& session = *v.learner().practice;
  val o = val::object();
  o.set("state", val(practice_state_name(session.state())));
  o.set("prompt", text_value(session.prompt()));
  o.set("kind", val(session.current() && session.current()->kind == viewer::PracticeItemKind::Move
                        ? "move"
                        : "call"));
  const bool revealed = session.state() == viewer::PracticeState::Revealed;
  o.set("answer", text_value(revealed ? session.answer_caption() : std::string_view()));
  const std::optional<stage::PersonSlot> to = session.destination();
  o.set("destination", revealed && to && v.teaching() ? point_value(v.teaching()->person_point(*to))
                                                      : val::null());
  o.set("known", session.score().known);
  o.set("asked", session.score().asked);
  o.set("items", static_cast<int>(session.items().size()));
  val missed = val::array();
  for (std::size_t i = 0; i < session.missed().size(); ++i)
    missed.set(i, item_value(session.missed()[i], v.playback().timeline()));
  o.set("missed", missed);
  return o;
}

// The learner's side of the viewer: the positions the drill has (their
// names), the one followed, its calls and answers (command indices, for the
// narrowed command list), its trail and, with the whole path on, its path
// through the scene (device pixels), and the practice session while one runs.
val learner() {
  if (!current) return val::null();
  const Viewer& v = *current;
  const stage::Playback& p = v.playback();
  const stage::FrameTable& table = p.stage().table(p.drill());
  val o = val::object();
  val positions = val::array();
  for (int i = 0; i < stage::position_count(table); ++i)
    positions.set(i, text_value(stage::position_name(i)));
  o.set("positions", positions);
  o.set("position", v.learner().position.value_or(-1));
  o.set("mineOnly", v.learner().mine_only);
  o.set("wholePath", v.learner().whole_path);
  val trail = val::array();
  val path = val::array();
  val calls = val::array();
  val answers = val::array();
  if (v.learner().position) {
    const viewer::RolePart part = viewer::role_calls(p.timeline(), *v.learner().position);
    calls = int_list(part.calls);
    answers = int_list(part.answers);
    if (v.teaching()) {
      const std::vector<stage::TrailPoint> points = v.teaching()->trail(table, p.keyframe());
      for (std::size_t i = 0; i < points.size(); ++i) {
        val t = point_value(points[i].at);
        t.set("age", points[i].age);
        trail.set(i, t);
      }
      if (v.learner().whole_path) {
        const std::vector<stage::DevicePoint> scene =
            v.teaching()->scene_path(table, p.timeline(), p.keyframe());
        for (std::size_t i = 0; i < scene.size(); ++i) path.set(i, point_value(scene[i]));
      }
    }
  }
  o.set("calls", calls);
  o.set("answers", answers);
  o.set("trail", trail);
  o.set("path", path);
  o.set("practice", v.learner().practice ? practice_value(v) : val::null());
  // The position's "前回": its last score, or while a finished session's card
  // is up the score that session replaced.
  const std::optional<viewer::Score> previous = v.session.previous_score();
  val last = val::null();
  if (previous) {
    last = val::object();
    last.set("known", previous->known);
    last.set("asked", previous->asked);
  }
  o.set("previous", last);
  o.set("progressNotice", text_value(v.session.keeper().notice()));
  return o;
}

// A whole number from the page's earlier stores, if it is one within `most`.
std::optional<int> stored_number(const val& v, int most) {
  if (!v.isNumber()) return std::nullopt;
  const double d = v.as<double>();
  if (!(d >= 0 && d <= most) || d != std::floor(d)) return std::nullopt;
  return static_cast<int>(d);
}

// What the record can hold of one drill's earlier progress: each value on
// its own, so that one the record would refuse costs only itself.
bool record_holds(std::string_view drill, const viewer::DrillProgress& one) {
  viewer::LearnerProgress p;
  p.drills.emplace(std::string(drill), one);
  return viewer::read_progress(viewer::serialise_progress(p)).progress == p;
}

// The page's earlier stores as page.js found them: a list of { drill, role,
// scores: [[position, known, asked], ...] }, the more recent store first,
// the values as stored (anything at all). What the record can hold of them.
viewer::LearnerProgress earlier_progress(const val& found) {
  // Past these a value is no one's: the positions and counts of every drill
  // are far below them, and the record refuses what it cannot hold anyway.
  constexpr int kMostPosition = 999;
  constexpr int kMostCount = 1000000;
  viewer::LearnerProgress out;
  if (!found.isArray()) return out;
  const int count = found["length"].as<int>();
  for (int i = 0; i < count; ++i) {
    const val entry = found[i];
    // Reading a field of null or undefined would throw into the module.
    if (entry.isNull() || entry.typeOf().as<std::string>() != "object") continue;
    if (!entry["drill"].isString()) continue;
    const std::string drill = entry["drill"].as<std::string>();
    viewer::DrillProgress carried;
    if (const std::optional<int> role = stored_number(entry["role"], kMostPosition);
        role && record_holds(drill, {role, {}}))
      carried.chosen = role;
    const val scores = entry["scores"];
    const int score_count = scores.isArray() ? scores["length"].as<int>() : 0;
    for (int k = 0; k < score_count; ++k) {
      const val s = scores[k];
      if (!s.isArray()) continue;
      const auto position = stored_number(s[0], kMostPosition);
      const auto known = stored_number(s[1], kMostCount);
      const auto asked = stored_number(s[2], kMostCount);
      if (!position || !known || !asked || *asked == 0) continue;
      const viewer::Score score{*known, *asked};
      if (record_holds(drill, {std::nullopt, {{*position, score}}}))
        carried.scores.try_emplace(*position, score);
    }
    if (!carried.chosen && carried.scores.empty()) continue;
    // The more recent store's came first and stands.
    viewer::DrillProgress& into = out.drills[drill];
    if (!into.chosen) into.chosen = carried.chosen;
    for (const auto& [position, score] : carried.scores) into.scores.try_emplace(position, score);
  }
  return out;
}

// Starts keeping the learner's progress in the page's store (see LocalStore)
// and carries in what the page's earlier stores kept (`earlier`, see
// earlier_progress). True when nothing is left to carry, so that page.js may
// remove the earlier stores: they go only once the record holds them.
bool start_progress(val store, val earlier) {
  current.reset();  // its session keeps the record through the store
  progress_store = std::make_unique<LocalStore>(std::move(store));
  const viewer::LearnerProgress carried = earlier_progress(earlier);
  if (carried.drills.empty()) return true;
  viewer::ProgressKeeper keeper(progress_store.get());
  return keeper.carry(carried);
}

// The keyboard help card's lines (keys, what they do); a page cannot quit, so
// the quit line is left out.
val help_lines() {
  const auto lines = viewer::help_lines(false, true);
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

}  // namespace

EMSCRIPTEN_BINDINGS(mirukado) {
  emscripten::function("drills", &registered_drills);
  emscripten::function("state", &state);
  emscripten::function("timeline", &timeline);
  emscripten::function("figures", &figures);
  emscripten::function("figureLayer", &figure_layer);
  emscripten::function("legend", &legend);
  emscripten::function("learner", &learner);
  emscripten::function("startProgress", &start_progress);
  emscripten::function("helpLines", &help_lines);
  emscripten::function("key", &key);
  emscripten::function("command", &command);
}
