#pragma once
// What the engine knows of a drill: one descriptor per drill, defined in the
// drill's own folder and listed in playback order by the registry. The stage
// plays any list of descriptors; it never names a drill itself.

#include <cstddef>
#include <span>

#include "stage/frame_table.hpp"
#include "stage/geometry.hpp"
#include "stage/window.hpp"

namespace stage {

// What an equipment renderer reads: keyframe `frame` of its drill's table,
// painted on `window` with the drill's origin. Stateless renderers read only
// this (and earlier records of the same table, to paint old drawings over).
struct Layer {
  Window& window;
  const FrameTable& table;
  int frame;      // index of the keyframe being shown
  Origin origin;  // the drill's stage origin and scale
};
using LayerPainter = void (*)(const Layer& layer);

// Paints fixed marks (a border or a scenery) in a drill's stage units.
using MarkPainter = void (*)(Window& window, const Origin& origin);

// A transition's rotating shape at tick k: a centre that may travel with k, a
// corner radius, and four corner angles that turn by `angle_step` degrees a tick
// (positive turns clockwise on the screen).
struct TransitionShape {
  double cx;
  double cy;
  double r;
  double angle_step;
  double theta[4];
};

// A transition is drawn on the ticks k = 0 .. kTransitionLastTick; shapes
// move in equal steps of 1 / kTransitionLastTick of their way.
inline constexpr int kTransitionLastTick = 36;

struct Transition {
  TransitionShape (*shape)(bool outro, int k);  // k = 0 .. kTransitionLastTick
  Rgb color;
  // Flood-filled in its colour at the shape's centre, or an outline only.
  bool filled;
};

// The ways a drill's player departs from the plain keyframe step.
struct PlayerRules {
  static constexpr int kNever = -1;
  // Before the layers: hide the whole crew on a keyframe whose code entry of
  // index hide_crew_code holds hide_crew_value (the crew is drawn as part of
  // the equipment then).
  int hide_crew_code = kNever;
  EquipmentCode hide_crew_value = 0;
  // Before the layers: let the window process pending events, so that input
  // can end the run in the middle of a long drill.
  bool process_events = false;
  // Show every figure on every keyframe, undoing a hide by the rule above or a layer.
  bool show_crew_every_keyframe = false;
};

// How a drill's people are named to learners: slot 0 is the commander in
// every drill; in a drill of numbered members slot n is member n (n番員, as
// the captions number them); in a squad drill the members are numbered by
// slot and share one colour.
enum class CrewNaming { Numbered, Squad };

struct DrillDescriptor {
  const char* name;  // method prefix, the drill's name on command lines
  // Its one name wherever a learner meets it: the viewers' titles and
  // overlay, the web page, the video's title, the sheet's header and
  // xscreensaver's settings page.
  const char* display_name;
  // The saver's settings dialog keeps the check-box texts its users know,
  // which need not be the display name.
  const char* checkbox_label;
  const char* english_name;  // beside the display name where English is read
  // The zero-filled table in the drill's shape; its person count is also the
  // number of image slots the drill uses.
  FrameTable (*make_table)();
  void (*build)(FrameTable& table);  // fills the table once at set-up
  Origin (*origin)(const StageGeometry& geometry);
  Transition transition;
  // Drawn on every keyframe, over everything else.
  MarkPainter border;
  // Drawn after the clear of a full redraw; may be null.
  MarkPainter scenery;
  // The equipment renderers, in layer order; they paint before the figures move.
  std::span<const LayerPainter> layers;
  PlayerRules rules;
  CrewNaming crew = CrewNaming::Numbered;
};

using DrillList = std::span<const DrillDescriptor>;

// A drill's bit in the Conf mask is its place in the list it plays in: in
// the registry's playback order 1, 2, 4, ... (the saver's settings files keep
// these bits), so no drill writes its own and a new one takes the next.
inline constexpr int conf_bit(std::size_t index) { return 1 << index; }

// Every drill of the list on: the Conf a saver starts with, and what a mask
// with none of the list's bits plays.
inline constexpr int all_drills_conf(DrillList drills) { return conf_bit(drills.size()) - 1; }

}  // namespace stage
