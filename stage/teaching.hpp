#pragma once
// The teaching picture: the same drills on the same tables, drawn for people
// who learn them rather than for a dark room. The stage plays on a virtual
// window of a fixed size; `TeachingWindow` maps everything it paints onto the
// real window so that the drill's extent fills the area it is given (turned a
// quarter on upright areas), in a dark or light theme, and keeps the figures
// and the caption as data for the host to draw above the picture: each person
// as a body and a facing disc in the colour of their position, with their
// number, and the current command until the next one replaces it.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stage/commands.hpp"
#include "stage/drill.hpp"
#include "stage/frame_table.hpp"
#include "stage/pixel_rect.hpp"
#include "stage/window.hpp"

namespace stage {

// Positions are a table's person slots: 0 is the commander in every drill, n
// is member n (in a squad drill, the squad member numbered n).
inline constexpr int kCommander = 0;
// How the captions name them: "指揮者", and a member's number in full-width
// digits before "番員".
inline constexpr std::string_view kCommanderName = "指揮者";
inline constexpr std::string_view kMemberSuffix = "番員";
inline constexpr std::string_view kFullWidthZero = "０";  // U+FF10; the digits follow it in order

// The positions a drill has: 0 .. person_count() - 1 of its table.
inline int position_count(const FrameTable& table) { return table.person_count(); }
// A position as the captions name it: "指揮者", "２番員" (full-width digits).
std::string position_name(int position);

enum class Theme { Dark, Light };

// The background and every stage colour as the theme shows it. Dark is the
// stage's own palette; light puts dark lines on white (black becomes the
// white ground, white the dark ink) and darkens the bright equipment colours
// so that they keep their contrast on paper. Distinct colours stay distinct,
// so a flood fill still stops at its border.
Rgb theme_color(Theme theme, Rgb stage_color);
Rgb theme_background(Theme theme);
Rgb theme_ink(Theme theme);  // text and outlines on the ground

// A rectangle in window units (twips) of the virtual stage window.
struct Extent {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;
  bool any = false;  // a point was added
  bool empty() const { return !any || right <= left || bottom <= top; }
  float width() const { return right - left; }
  float height() const { return bottom - top; }
  void add(float x, float y);
  void add(const Extent& other);
};

// The size of the window the stage plays on in the teaching picture (a
// 1920 x 1080 window at 15 twips a pixel): every drill places itself on it
// as on the saver's full-HD screen, and the extents below are in its units.
inline constexpr float kVirtualTwipsPerPixel = 15.0f;
inline constexpr float kVirtualWidth = 1920 * kVirtualTwipsPerPixel;
inline constexpr float kVirtualHeight = 1080 * kVirtualTwipsPerPixel;
StageGeometry virtual_geometry();

// Every point drill `d` draws over all its keyframes on the virtual window:
// its scenery, border, every equipment layer of every keyframe and every
// figure's body. Transitions and the caption are not part of it.
Extent drill_extent(const DrillDescriptor& drill);

// The extents of a drill list, in its order. A viewer computes them once and
// hands them to each teaching window it makes for a new layout: a drill
// played through for its extent costs as much as the rest of a relayout.
using SharedExtents = std::shared_ptr<const std::vector<Extent>>;
SharedExtents drill_extents(DrillList drills);

// How the virtual window lands on the real one: a uniform scale, an optional
// quarter turn counter-clockwise (what ran to the right runs up the screen),
// and an offset that centres the extent in the area.
class Fit {
 public:
  Fit() = default;
  // `area` in device pixels; `margin` in device pixels on each side.
  Fit(const Extent& extent, const PixelRect& area, int margin);

  bool turned() const { return turned_; }
  // Device pixels per virtual pixel.
  float scale() const { return scale_; }
  // A virtual point (twips) to a device point (pixels, fractional).
  void map(float vx, float vy, float& px, float& py) const;
  // A pose (facing) as it shows after the turn.
  int turn_pose(int pose) const;
  // The extent's rectangle on the device, pixels.
  PixelRect placed() const { return placed_; }

 private:
  bool turned_ = false;
  float scale_ = 1;
  float vx0_ = 0;  // the extent's left and top, virtual twips
  float vy0_ = 0;
  float vw_ = 0;   // the extent's width, virtual twips (the turn needs it)
  float px0_ = 0;  // where the extent's first corner lands, device pixels
  float py0_ = 0;
  PixelRect placed_;
};

// A person as the teaching picture draws them, in device pixels.
struct Figure {
  int position = 0;  // 0 the commander, n member n
  float x = 0;       // the body's centre
  float y = 0;
  float radius = 0;
  int pose = 0;  // facing after the turn, as pose
  Rgb body;
  Rgb label_color;          // readable on the body
  std::string label;        // "指" or the member's number
  bool show_label = false;  // only where the body is big enough to read it
  // With a position chosen: its figure is highlighted (the host draws a halo
  // in its colour) and every other one muted (drawn paler).
  bool highlighted = false;
  bool muted = false;
  // Every field: a host redraws the people when any of them changed.
  friend bool operator==(const Figure&, const Figure&) = default;
};

// How every host draws a chosen figure and the others: a halo (a ring in the
// figure's colour, clear of its outline by a gap of the ground) and the
// others part way towards the ground.
inline constexpr float kHaloGapShare = 0.35f;    // ground between outline and ring, of the radius
inline constexpr float kHaloWidthShare = 0.30f;  // the ring's width, of the radius
inline constexpr float kMutedShare = 0.6f;       // how far a muted figure goes towards the ground

// `colour` moved `share` (0..1) of the way towards `ground`.
Rgb towards(Rgb colour, Rgb ground, float share);

// A point on the device, pixels (fractional).
struct DevicePoint {
  float x = 0;
  float y = 0;
  friend bool operator==(const DevicePoint&, const DevicePoint&) = default;
};

// One place of the chosen figure's trail: where its body's centre was, and
// how long ago, 0 (now) to 1 (the oldest place kept), for the host to fade.
struct TrailPoint {
  DevicePoint at;
  float age = 0;
};

// The trail covers the keyframes up to this many before the one shown.
inline constexpr int kTrailKeyframes = 12;

struct LegendEntry {
  std::string label;  // "指揮者", "１番員", "隊員（番号順）"
  Rgb color;
  // The positions it stands for: one, or in a squad drill all the members.
  // Choosing the entry follows the first of them.
  int first = 0;
  int last = 0;
  bool stands_for(int position) const { return position >= first && position <= last; }
};

// The colour of a position: Okabe and Ito's palette, which viewers with any
// common colour-vision deficiency can tell apart, the same in both themes and
// on paper. In a squad drill every member shares one colour and is told by
// the number.
Rgb position_color(CrewNaming naming, int position);
std::vector<LegendEntry> legend(const DrillDescriptor& drill);

// The stage's window for the teaching picture over a real window `device`
// (the raster or GDI window the host presents). It reports the virtual size
// to the stage and forwards the painting, mapped and recoloured; lines keep
// a width that grows with the scale (at least one device pixel). Figures and
// the caption never reach the device: `figures()` and `caption()` give them.
class TeachingWindow final : public WindowFilter {
 public:
  // `drills` is the stage's drill list (its indices are on_drill()'s); `area`
  // the device pixels the picture may fill.
  // `extents` are drill_extents(drills), computed here when null.
  TeachingWindow(Window& device, DrillList drills, Theme theme, const PixelRect& area,
                 SharedExtents extents = nullptr);

  Theme theme() const { return theme_; }
  const Fit& fit() const { return fit_; }
  int drill() const { return drill_; }
  // The figures shown now, in slot order (a later one above an earlier one),
  // but for a chosen figure, which comes last to be drawn above the rest.
  std::vector<Figure> figures() const;
  // The position the learner follows (none by default: the picture is the
  // same as without following). A position the drill lacks follows no one.
  void choose(std::optional<int> position) { chosen_ = position; }
  const std::optional<int>& chosen() const { return chosen_; }
  // The chosen figure's places on keyframes keyframe - kTrailKeyframes ..
  // keyframe of `table` (the drill shown), oldest first, a place it stayed
  // on kept once at its latest age. Empty with no position chosen.
  std::vector<TrailPoint> trail(const FrameTable& table, int keyframe) const;
  // The chosen figure's whole path through the scene of `keyframe`: a scene
  // runs from a command to the keyframe before the next one (the drill's
  // start before its first command, its end after its last), so the path
  // shows where this command takes the position. Its place on each keyframe,
  // in order, without repeats; empty with no position chosen.
  std::vector<DevicePoint> scene_path(const FrameTable& table, const DrillTimeline& timeline,
                                      int keyframe) const;
  // Where a person standing at `place` (stage units of the drill shown)
  // shows their body's centre on the device.
  DevicePoint person_point(const PersonSlot& place) const;
  // The caption the stage last set. The command that stays on screen is the
  // playback's current command, which a seek keeps right as well.
  const std::string& caption() const { return caption_; }
  // The drill's extent, as computed once for this window.
  const Extent& extent(int drill) const;
  const SharedExtents& extents() const { return extents_; }

  // --- Window ---
  void clear() override;
  void line(float x1, float y1, float x2, float y2, Rgb color) override;
  void box(float x1, float y1, float x2, float y2, Rgb color) override;
  void filled_box(float x1, float y1, float x2, float y2, Rgb color) override;
  void circle(float cx, float cy, float r, Rgb color) override;
  void set_fill_style(FillStyle style) override;
  void set_fill_color(Rgb color) override;
  void flood_fill(int px, int py, Rgb border) override;
  void set_slot_left(int slot, float left) override;
  void set_slot_top(int slot, float top) override;
  void set_slot_size(int slot, float width, float height) override;
  void set_slot_picture(int slot, int pose) override;
  void set_slot_visible(int slot, bool visible) override;
  void set_caption_left(float) override {}
  void set_caption_text(const std::string& utf8) override;
  void set_caption_font_size(int) override {}
  float caption_height() const override { return 0; }
  float twips_per_pixel_x() const override { return kVirtualTwipsPerPixel; }
  float twips_per_pixel_y() const override { return kVirtualTwipsPerPixel; }
  float width() const override { return kVirtualWidth; }
  float height() const override { return kVirtualHeight; }
  void on_drill(int drill) override;

 private:
  // Device twips of a virtual point.
  void to_device(float vx, float vy, float& dx, float& dy) const;
  // A stroke's width in device pixels.
  int stroke() const { return stroke_; }
  void device_line(float x1, float y1, float x2, float y2, Rgb color);

  DrillList drills_;
  Theme theme_;
  PixelRect area_;
  SharedExtents extents_;
  int drill_ = 0;
  Fit fit_;
  int stroke_ = 1;
  FillStyle fill_style_ = FillStyle::Transparent;
  std::vector<ImageSlot> slots_;
  std::string caption_;
  std::optional<int> chosen_;
  Origin origin_{};  // the shown drill's, on the virtual window
};

}  // namespace stage
