// The web page's viewer: the drills played by the playback model on a raster
// window, called from the page's script. The page owns the clock (it passes
// performance.now() to mk_advance and sets a timeout on the delay returned),
// the input, the canvas and the text; this side owns the picture and hands
// back the changed rectangles as RGBA rows ready for putImageData.

#include <emscripten.h>

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
#include "platform/raster/raster_window.hpp"
#include "stage/overlay.hpp"
#include "stage/playback.hpp"

namespace {

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
  kLayoutChanged = 4,    // the overlay's rectangles, marks, cards or command list
  kPositionChanged = 8,  // the position on the timeline
  kStatusChanged = 16,   // the status row: play state, drill, time, speed
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
  std::string text;  // the last string handed to the page
  TextShown text_shown;
  // The overlay as the last mk_overlay_changes built it, for the caption
  // line it was built for; mk_overlay hands the page this one.
  stage::OverlayView overlay;
  int overlay_line = 0;
};

// The page shows one viewer at a time; it is replaced when the page resizes
// or changes the drills.
std::unique_ptr<Viewer> viewer;

// The surface's 0x00RRGGBB to the canvas's bytes R, G, B, A (little-endian).
inline std::uint32_t to_rgba(std::uint32_t p) {
  return kOpaque | ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
}

void append_json_string(std::string& out, std::string_view s) {
  out += '"';
  for (const char c : s) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          static constexpr char kHex[] = "0123456789abcdef";
          out += "\\u00";
          out += kHex[(c >> 4) & 0xF];
          out += kHex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void append_rect(std::string& out, const stage::PixelRect& r) {
  out += '[' + std::to_string(r.x) + ',' + std::to_string(r.y) + ',' + std::to_string(r.w) + ',' +
         std::to_string(r.h) + ']';
}

template <class... Parts>
void append_field(std::string& out, std::string_view key, Parts&&... value) {
  if (out.back() != '{') out += ',';
  append_json_string(out, key);
  out += ':';
  (out += ... += value);
}

// The help card's line for quitting, which a web page has no keys for (Esc
// leaves full screen, the browser's own).
constexpr std::string_view kQuitKeys = "Esc q";
bool on_the_page(const stage::HelpLine& l) { return l.keys != kQuitKeys; }

std::string number(long long v) { return std::to_string(v); }
std::string boolean(bool v) { return v ? "true" : "false"; }

}  // namespace

extern "C" {

// The registry's drills, for the page's choice and its addresses.
EMSCRIPTEN_KEEPALIVE int mk_drill_total() { return static_cast<int>(drills::registry().size()); }
EMSCRIPTEN_KEEPALIVE const char* mk_drill_name(int i) {
  return drills::registry()[static_cast<std::size_t>(i)].name;
}
EMSCRIPTEN_KEEPALIVE const char* mk_drill_display_name(int i) {
  return drills::registry()[static_cast<std::size_t>(i)].display_name;
}

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

// The viewer's commands, by the page's key names.
EMSCRIPTEN_KEEPALIVE void mk_command(int command, int arg) {
  if (!viewer) return;
  stage::Playback& p = viewer->playback;
  switch (command) {
    case 0:
      p.toggle_play();
      break;
    case 1:
      p.step_forward();
      break;
    case 2:
      p.step_back();
      break;
    case 3:
      p.next_command();
      break;
    case 4:
      p.previous_command();
      break;
    case 5:
      p.go_to_start();
      break;
    case 6:
      p.go_to_end();
      break;
    case 7:
      p.next_drill();
      break;
    case 8:
      p.set_speed(static_cast<stage::PlaySpeed>(std::clamp(arg, 0, stage::kPlaySpeeds - 1)));
      break;
    case 9:
      p.slower();
      break;
    case 10:
      p.faster();
      break;
    case 11:
      p.set_loop_start();
      break;
    case 12:
      p.set_loop_end();
      break;
    case 13:
      p.clear_loop();
      break;
    case 14:
      p.seek_time(arg);
      break;
    case 15:
      p.go_to_command(arg);
      break;
    case 16:
      p.select_drill(std::clamp(arg, 0, p.drill_count() - 1));
      break;
    case 17:
      p.pause();
      break;
    case 18:
      p.play();
      break;
    default:
      break;
  }
}

// Where the viewer is, as JSON: the chosen drills, the current drill, its
// keyframe and time, play state, speed and the caption the page draws.
EMSCRIPTEN_KEEPALIVE const char* mk_state() {
  if (!viewer) return "null";
  Viewer& v = *viewer;
  const stage::Playback& p = v.playback;
  std::string& s = v.text;
  s = "{";
  s += "\"drills\":[";
  for (std::size_t i = 0; i < v.drills.size(); ++i) {
    if (i) s += ',';
    append_json_string(s, v.drills[i].name);
  }
  s += ']';
  append_field(s, "drill", number(p.drill()));
  append_field(s, "keyframe", number(p.keyframe()));
  append_field(s, "keyframes", number(p.timeline().keyframes()));
  append_field(s, "elapsed", number(p.elapsed_ms()));
  append_field(s, "total", number(p.timeline().total_ms()));
  append_field(s, "playing", boolean(p.playing()));
  append_field(s, "speed", number(static_cast<int>(p.speed())));
  append_field(s, "captionLeft",
               number(raster::to_pixel(p.stage().geometry().caption_left, kTwipsPerPixel)));
  append_field(s, "captionPoints", number(v.window.caption_font_size()));
  append_field(s, "caption", "");
  append_json_string(s, v.window.caption_text());
  s += '}';
  return s.c_str();
}

// Which parts of the caption and the controls changed since the last call
// (kCaptionChanged, kControlsChanged bits; all of them for a new viewer).
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

// Which parts of the overlay (as mk_overlay gives it) changed since the last
// call: kLayoutChanged, kPositionChanged, kStatusChanged bits.
EMSCRIPTEN_KEEPALIVE int mk_overlay_changes(int line, int help, int commands) {
  if (!viewer) return 0;
  Viewer& v = *viewer;
  stage::OverlayView now = stage::overlay_view(
      v.playback, {v.window.width_px(), v.window.height_px(), line, help != 0, commands != 0});
  const stage::OverlayView& was = v.overlay;
  auto same_rows = [](const stage::OverlayView& a, const stage::OverlayView& b) {
    return std::equal(a.rows.begin(), a.rows.end(), b.rows.begin(), b.rows.end(),
                      [](const stage::CommandRow& x, const stage::CommandRow& y) {
                        return x.command == y.command && x.current == y.current;
                      });
  };
  const bool layout = now.shown != was.shown || now.band != was.band || now.bar != was.bar ||
                      now.command_marks != was.command_marks || now.loop != was.loop ||
                      now.help != was.help || now.panel != was.panel || !same_rows(now, was) ||
                      line != v.overlay_line;
  const bool status = now.paused != was.paused || now.drill != was.drill || now.time != was.time ||
                      now.speed != was.speed;
  const int changes = (layout ? kLayoutChanged : 0) |
                      (now.position_x != was.position_x ? kPositionChanged : 0) |
                      (status ? kStatusChanged : 0);
  v.overlay = std::move(now);
  v.overlay_line = line;
  return changes;
}
// The timeline's position as the last mk_overlay_changes saw it.
EMSCRIPTEN_KEEPALIVE int mk_position() { return viewer ? viewer->overlay.position_x : 0; }

// The overlay's display model as the last mk_overlay_changes built it, as JSON.
EMSCRIPTEN_KEEPALIVE const char* mk_overlay() {
  if (!viewer) return "null";
  Viewer& v = *viewer;
  const stage::OverlayView& o = v.overlay;
  const int line = v.overlay_line;
  std::string& s = v.text;
  s = "{";
  append_field(s, "shown", boolean(o.shown));
  append_field(s, "band", "");
  append_rect(s, o.band);
  append_field(s, "bar", "");
  append_rect(s, o.bar);
  append_field(s, "position", number(o.position_x));
  append_field(s, "marks", "[");
  for (std::size_t i = 0; i < o.command_marks.size(); ++i)
    s += (i ? "," : "") + std::to_string(o.command_marks[i]);
  s += ']';
  if (o.loop) {
    append_field(s, "loop", "");
    append_rect(s, *o.loop);
  }
  append_field(s, "drill", "");
  append_json_string(s, o.drill);
  append_field(s, "time", "");
  append_json_string(s, o.time);
  append_field(s, "speed", "");
  append_json_string(s, o.speed);
  append_field(s, "paused", boolean(o.paused));
  if (o.help) {
    // A page cannot quit: its card leaves out the quit keys, one line shorter,
    // centred again above the band.
    stage::PixelRect card = *o.help;
    const int lines = static_cast<int>(
        std::count_if(stage::help_lines().begin(), stage::help_lines().end(), on_the_page));
    card.h -= (static_cast<int>(stage::help_lines().size()) - lines) * std::max(1, line);
    card.y = (o.band.y - card.h) / 2;
    append_field(s, "help", "");
    append_rect(s, card);
    append_field(s, "helpLines", "[");
    bool first = true;
    for (const stage::HelpLine& l : stage::help_lines()) {
      if (!on_the_page(l)) continue;
      s += first ? "[" : ",[";
      first = false;
      append_json_string(s, l.keys);
      s += ',';
      append_json_string(s, l.action);
      s += ']';
    }
    s += ']';
  }
  if (o.panel) {
    append_field(s, "panel", "");
    append_rect(s, *o.panel);
  }
  append_field(s, "rows", "[");
  for (std::size_t i = 0; i < o.rows.size(); ++i) {
    const stage::CommandRow& r = o.rows[i];
    s += i ? ",{" : "{";
    append_field(s, "rect", "");
    append_rect(s, r.rect);
    append_field(s, "command", number(r.command));
    append_field(s, "text", "");
    append_json_string(s, r.text);
    append_field(s, "time", "");
    append_json_string(s, r.time);
    append_field(s, "current", boolean(r.current));
    s += '}';
  }
  s += "]}";
  return s.c_str();
}

// A click or tap at (x, y) pixels: a seek on the timeline (returns 1), a jump
// from the command list (2), or nothing (0).
EMSCRIPTEN_KEEPALIVE int mk_click(int x, int y, int line, int help, int commands) {
  if (!viewer) return 0;
  Viewer& v = *viewer;
  stage::Playback& p = v.playback;
  const stage::OverlayView o = stage::overlay_view(
      p, {v.window.width_px(), v.window.height_px(), line, help != 0, commands != 0});
  if (const auto ms = stage::timeline_hit(o, p, x, y)) {
    p.seek_time(*ms);
    return 1;
  }
  if (const auto command = stage::command_hit(o, x, y)) {
    p.go_to_command(*command);
    return 2;
  }
  return 0;
}

}  // extern "C"
