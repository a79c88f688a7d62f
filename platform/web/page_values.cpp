#include "platform/web/page_values.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "drills/registry.hpp"
#include "stage/figure_display.hpp"
#include "viewer/command_table.hpp"
#include "viewer/practice.hpp"
#include "viewer/roles.hpp"

namespace web {
namespace {

using emscripten::val;

// std::string crosses as UTF-8 (embind's default): the captions are Japanese.
val text_value(std::string_view text) { return val(std::string(text)); }

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

}  // namespace

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
val state(const Viewer* current) {
  if (!current) return val::null();
  const Viewer& v = *current;
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
val figures(Viewer* current) {
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
val figure_layer(Viewer* current) {
  val out = val::object();
  val items = val::array();
  out.set("items", items);
  out.set("watched", val::null());
  if (!current || !current->teaching()) return out;
  viewer::ViewerSession& session = current->session;
  const std::vector<stage::Figure> shown = session.figures();
  const stage::FollowedMarks marks = session.followed_marks(shown);
  const stage::DisplayList list = session.figure_layer(shown);
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
val legend(const Viewer* current) {
  val out = val::array();
  if (!current || !current->teaching()) return out;
  const std::vector<stage::LegendEntry> entries = stage::legend(current->playback().descriptor());
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
val timeline(const Viewer* current, int drill) {
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

// The learner's side of the viewer: the positions the drill has (their
// names), the one followed, its calls and answers (command indices, for the
// narrowed command list), its trail and, with the whole path on, its path
// through the scene (device pixels), and the practice session while one runs.
val learner(const Viewer* current) {
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

}  // namespace web
