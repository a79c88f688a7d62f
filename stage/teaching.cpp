#include "stage/teaching.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "stage/stage.hpp"

namespace stage {
namespace {

// A figure's body in its 70-unit slot: the sprites draw a disc 22 of 32
// pixels across, centred in the sprite.
constexpr float kBodyRadiusPerSlot = 11.0f / 32.0f;
constexpr float kMinFigureRadius = 3.0f;  // device pixels: a figure never vanishes
// A learner must find every person and read their number, so a figure is
// never smaller than this share of the area's short side, whatever the scale:
// in the viewer's default window (1024 x 640, about 480 pixels left for the
// drill) that is a radius of 8, big enough for the number to be drawn.
constexpr float kReadableRadiusShare = 1.0f / 60.0f;
// A figure's image slot is this many stage units square (the stage sizes it
// so), its body centred in it.
constexpr float kSlotStageUnits = 70.0f;
// From this radius (device pixels) a number drawn on the body can be read.
constexpr float kMinLabelRadius = 7.0f;

// The light theme's ink and equipment colours: dark enough on white to read
// across a room or on paper, each still its own hue.
constexpr Rgb kLightInk{34, 34, 34};
constexpr Rgb kLightYellow{166, 124, 0};
constexpr Rgb kLightCyan{0, 120, 140};
constexpr Rgb kLightGrey{110, 110, 110};
constexpr Rgb kLightRed{200, 0, 0};
constexpr Rgb kLightBlue{0, 0, 200};

// Okabe and Ito's colour-blind-safe palette.
constexpr Rgb kOrange{230, 159, 0};
constexpr Rgb kSkyBlue{86, 180, 233};
constexpr Rgb kBluishGreen{0, 158, 115};
constexpr Rgb kYellow{240, 228, 66};
constexpr Rgb kBlue{0, 114, 178};
constexpr Rgb kVermillion{213, 94, 0};
constexpr Rgb kReddishPurple{204, 121, 167};

// Commander first, then members 1, 2, ...: one palette for every theme, the
// page, the video and paper, so that a colour always means the same
// position. Each reads on black and, ringed in ink, on white; the pale
// yellow comes last, where only a large crew reaches it.
constexpr std::array kPositions{kVermillion,    kBlue,    kBluishGreen, kOrange,
                                kReddishPurple, kSkyBlue, kYellow};

float luminance(Rgb c) { return (0.299f * c.r + 0.587f * c.g + 0.114f * c.b) / 255.0f; }

// Records the bounds of everything painted and of every shown figure.
class BoundsWindow final : public Window {
 public:
  Extent extent;

  // The figures shown after a tick: their whole slot.
  void add_shown_slots() {
    for (const ImageSlot& s : slots_)
      if (s.shown()) {
        extent.add(s.left, s.top);
        extent.add(s.left + s.width, s.top + s.height);
      }
  }

  void clear() override {}
  void line(float x1, float y1, float x2, float y2, Rgb) override {
    extent.add(x1, y1);
    extent.add(x2, y2);
  }
  void box(float x1, float y1, float x2, float y2, Rgb c) override { line(x1, y1, x2, y2, c); }
  void filled_box(float x1, float y1, float x2, float y2, Rgb c) override {
    line(x1, y1, x2, y2, c);
  }
  void circle(float cx, float cy, float r, Rgb) override {
    extent.add(cx - r, cy - r);
    extent.add(cx + r, cy + r);
  }
  void set_fill_style(FillStyle) override {}
  void set_fill_color(Rgb) override {}
  void flood_fill(int, int, Rgb) override {}
  void set_slot_left(int i, float left) override { slot(i).left = left; }
  void set_slot_top(int i, float top) override { slot(i).top = top; }
  void set_slot_size(int i, float w, float h) override {
    slot(i).width = w;
    slot(i).height = h;
  }
  void set_slot_picture(int i, int pose) override { slot(i).pose = pose; }
  void set_slot_visible(int i, bool visible) override { slot(i).visible = visible; }
  void set_caption_left(float) override {}
  void set_caption_text(const std::string&) override {}
  void set_caption_font_size(int) override {}
  float caption_height() const override { return 0; }
  bool process_events() override { return true; }
  float twips_per_pixel_x() const override { return kVirtualTwipsPerPixel; }
  float twips_per_pixel_y() const override { return kVirtualTwipsPerPixel; }
  float width() const override { return kVirtualWidth; }
  float height() const override { return kVirtualHeight; }

 private:
  ImageSlot& slot(int i) { return slots_.at(static_cast<std::size_t>(i)); }
  std::array<ImageSlot, kImageSlots> slots_{};
};

}  // namespace

std::string position_name(int position) {
  if (position == kCommander) return std::string(kCommanderName);
  std::string out;
  for (const char d : std::to_string(position)) {
    out += kFullWidthZero.substr(0, 2);
    out += static_cast<char>(kFullWidthZero[2] + (d - '0'));
  }
  return out + std::string(kMemberSuffix);
}

Rgb theme_background(Theme theme) { return theme == Theme::Light ? colors::white : colors::black; }

Rgb theme_ink(Theme theme) { return theme == Theme::Light ? kLightInk : colors::white; }

Rgb theme_color(Theme theme, Rgb c) {
  if (theme == Theme::Dark) return c;
  if (c == colors::black) return colors::white;
  if (c == colors::white) return kLightInk;
  if (c == colors::yellow) return kLightYellow;
  if (c == colors::cyan) return kLightCyan;
  if (c == colors::grey) return kLightGrey;
  if (c == colors::red) return kLightRed;
  if (c == colors::blue) return kLightBlue;
  // Any other colour: bright ones darkened to about half, dark ones kept.
  if (luminance(c) < 0.5f) return c;
  return {static_cast<std::uint8_t>(c.r * 11 / 20), static_cast<std::uint8_t>(c.g * 11 / 20),
          static_cast<std::uint8_t>(c.b * 11 / 20)};
}

void Extent::add(float x, float y) {
  if (!any) {
    left = right = x;
    top = bottom = y;
    any = true;
  }
  left = std::min(left, x);
  right = std::max(right, x);
  top = std::min(top, y);
  bottom = std::max(bottom, y);
}

void Extent::add(const Extent& other) {
  if (!other.any) return;
  add(other.left, other.top);
  add(other.right, other.bottom);
}

StageGeometry virtual_geometry() {
  return StageGeometry::from_window(kVirtualWidth, kVirtualHeight);
}

Extent drill_extent(const DrillDescriptor& drill) {
  BoundsWindow bounds;
  Stage stage(bounds, conf_bit(0), 1, DrillList(&drill, 1));
  stage.activate();
  stage.go_to_keyframe(0, 0);
  // Play the keyframes as the viewer does, noting every shown figure.
  while (stage.phase() == Stage::Phase::Keyframes) {
    const int before = stage.frame_index();
    stage.tick();
    if (stage.phase() != Stage::Phase::Keyframes || stage.frame_index() == before) break;
    bounds.add_shown_slots();
  }
  return bounds.extent;
}

Fit::Fit(const Extent& extent, const PixelRect& area, int margin) {
  if (extent.empty()) throw std::invalid_argument("an empty drill extent cannot be fitted");
  const float aw = static_cast<float>(std::max(1, area.w - 2 * margin));
  const float ah = static_cast<float>(std::max(1, area.h - 2 * margin));
  const float ew = extent.width() / kVirtualTwipsPerPixel;
  const float eh = extent.height() / kVirtualTwipsPerPixel;
  turned_ = ah > aw && ew > eh;
  const float across = turned_ ? eh : ew;  // the extent's size along the device's x
  const float down = turned_ ? ew : eh;
  scale_ = std::min(aw / across, ah / down);
  vx0_ = extent.left;
  vy0_ = extent.top;
  vw_ = extent.width();
  const float w = across * scale_;
  const float h = down * scale_;
  px0_ = static_cast<float>(area.x) + (static_cast<float>(area.w) - w) / 2.0f;
  py0_ = static_cast<float>(area.y) + (static_cast<float>(area.h) - h) / 2.0f;
  placed_ = {static_cast<int>(std::floor(px0_)), static_cast<int>(std::floor(py0_)),
             static_cast<int>(std::ceil(w)), static_cast<int>(std::ceil(h))};
}

void Fit::map(float vx, float vy, float& px, float& py) const {
  const float k = scale_ / kVirtualTwipsPerPixel;
  if (turned_) {
    // A quarter turn counter-clockwise: the extent's top edge becomes the
    // left edge, its right edge the top.
    px = px0_ + (vy - vy0_) * k;
    py = py0_ + (vx0_ + vw_ - vx) * k;
  } else {
    px = px0_ + (vx - vx0_) * k;
    py = py0_ + (vy - vy0_) * k;
  }
}

int Fit::turn_pose(int pose) const {
  constexpr int kQuarter = pose::kCount / 4;
  return turned_ ? (pose - kQuarter + pose::kCount) % pose::kCount : pose;
}

Rgb position_color(CrewNaming naming, int position) {
  std::size_t i = static_cast<std::size_t>(std::max(0, position));
  if (naming == CrewNaming::Squad && i > 0) i = 1;
  // More members than colours: the numbers tell them apart.
  if (i >= kPositions.size()) i = 1 + (i - 1) % (kPositions.size() - 1);
  return kPositions[i];
}

std::vector<LegendEntry> legend(const DrillDescriptor& drill) {
  std::vector<LegendEntry> entries{{"指揮者", position_color(drill.crew, 0)}};
  const int persons = drill.make_table().person_count();
  if (drill.crew == CrewNaming::Squad) {
    entries.push_back({"隊員（番号順）", position_color(drill.crew, 1), 1, persons - 1});
    return entries;
  }
  for (int n = 1; n < persons; ++n)
    entries.push_back({position_name(n), position_color(drill.crew, n), n, n});
  return entries;
}

SharedExtents drill_extents(DrillList drills) {
  auto extents = std::make_shared<std::vector<Extent>>();
  extents->reserve(drills.size());
  for (const DrillDescriptor& d : drills) extents->push_back(drill_extent(d));
  return extents;
}

TeachingWindow::TeachingWindow(Window& device, DrillList drills, Theme theme, const PixelRect& area,
                               SharedExtents extents)
    : WindowFilter(device),
      drills_(drills),
      theme_(theme),
      area_(area),
      extents_(extents ? std::move(extents) : drill_extents(drills)),
      slots_(kImageSlots) {
  if (drills.empty()) throw std::invalid_argument("the teaching picture needs a drill");
  if (extents_->size() != drills.size())
    throw std::invalid_argument("one extent for each drill of the teaching picture");
  on_drill(0);
}

const Extent& TeachingWindow::extent(int drill) const {
  return extents_->at(static_cast<std::size_t>(drill));
}

void TeachingWindow::on_drill(int drill) {
  drill_ = std::clamp(drill, 0, static_cast<int>(extents_->size()) - 1);
  const int margin = std::max(2, std::min(area_.w, area_.h) / 40);
  fit_ = Fit((*extents_)[static_cast<std::size_t>(drill_)], area_, margin);
  stroke_ = std::max(1, static_cast<int>(std::lround(fit_.scale())));
  origin_ = drills_[static_cast<std::size_t>(drill_)].origin(virtual_geometry());
  caption_.clear();
}

DevicePoint TeachingWindow::person_point(const PersonSlot& place) const {
  const float half = kSlotStageUnits / 2.0f * virtual_geometry().stage_scale;
  DevicePoint p;
  fit_.map(origin_.x(place.x) + half, origin_.y(place.y) + half, p.x, p.y);
  return p;
}

std::vector<TrailPoint> TeachingWindow::trail(const FrameTable& table, int keyframe) const {
  std::vector<TrailPoint> out;
  if (!chosen_ || *chosen_ < 0 || *chosen_ >= table.person_count()) return out;
  const int last = std::clamp(keyframe, 0, std::max(0, table.end_index() - 1));
  const int first = std::max(0, last - kTrailKeyframes);
  for (int k = first; k <= last; ++k) {
    const PersonSlot& p = table[k].persons(*chosen_);
    const float age = static_cast<float>(last - k) / static_cast<float>(kTrailKeyframes);
    const DevicePoint at = person_point(p);
    if (!out.empty() && out.back().at == at)
      out.back().age = age;
    else
      out.push_back({at, age});
  }
  return out;
}

std::vector<DevicePoint> TeachingWindow::scene_path(const FrameTable& table,
                                                    const DrillTimeline& timeline,
                                                    int keyframe) const {
  std::vector<DevicePoint> out;
  if (!chosen_ || *chosen_ < 0 || *chosen_ >= table.person_count() || timeline.keyframes() == 0)
    return out;
  const int k = std::clamp(keyframe, 0, timeline.keyframes() - 1);
  const auto& commands = timeline.commands();
  const int command = timeline.command_at(k);
  const int first = command < 0 ? 0 : commands[static_cast<std::size_t>(command)].first_keyframe;
  const std::size_t next = static_cast<std::size_t>(command + 1);
  const int last =
      next < commands.size() ? commands[next].first_keyframe - 1 : timeline.keyframes() - 1;
  for (int i = first; i <= last; ++i) {
    const DevicePoint at = person_point(table[i].persons(*chosen_));
    if (out.empty() || !(out.back() == at)) out.push_back(at);
  }
  return out;
}

void TeachingWindow::to_device(float vx, float vy, float& dx, float& dy) const {
  fit_.map(vx, vy, dx, dy);
  dx *= inner().twips_per_pixel_x();
  dy *= inner().twips_per_pixel_y();
}

void TeachingWindow::device_line(float x1, float y1, float x2, float y2, Rgb color) {
  if (stroke_ == 1) {
    inner().line(x1, y1, x2, y2, color);
    return;
  }
  // A wide stroke as parallel one-pixel lines, offset across the line's
  // main direction so that neighbours touch without gaps.
  const float tx = inner().twips_per_pixel_x();
  const float ty = inner().twips_per_pixel_y();
  const bool flat = std::abs((x2 - x1) / tx) >= std::abs((y2 - y1) / ty);
  for (int i = 0; i < stroke_; ++i) {
    const float offset = static_cast<float>(i) - static_cast<float>(stroke_ - 1) / 2.0f;
    const float ox = flat ? 0 : offset * tx;
    const float oy = flat ? offset * ty : 0;
    inner().line(x1 + ox, y1 + oy, x2 + ox, y2 + oy, color);
  }
}

void TeachingWindow::clear() {
  inner().clear();
  if (theme_ != Theme::Dark)
    inner().filled_box(0, 0, inner().width(), inner().height(), theme_background(theme_));
}

void TeachingWindow::line(float x1, float y1, float x2, float y2, Rgb color) {
  float a;
  float b;
  float c;
  float d;
  to_device(x1, y1, a, b);
  to_device(x2, y2, c, d);
  device_line(a, b, c, d, theme_color(theme_, color));
}

void TeachingWindow::box(float x1, float y1, float x2, float y2, Rgb color) {
  float a;
  float b;
  float c;
  float d;
  to_device(x1, y1, a, b);
  to_device(x2, y2, c, d);
  const float left = std::min(a, c);
  const float right = std::max(a, c);
  const float top = std::min(b, d);
  const float bottom = std::max(b, d);
  const Rgb ink = theme_color(theme_, color);
  const float tx = inner().twips_per_pixel_x();
  const float ty = inner().twips_per_pixel_y();
  // Nested outlines, centred on the drawn edge, so the corners stay closed.
  for (int i = 0; i < stroke_; ++i) {
    const float inset = static_cast<float>(i) - static_cast<float>(stroke_ - 1) / 2.0f;
    inner().box(left + inset * tx, top + inset * ty, right - inset * tx, bottom - inset * ty, ink);
  }
}

void TeachingWindow::filled_box(float x1, float y1, float x2, float y2, Rgb color) {
  float a;
  float b;
  float c;
  float d;
  to_device(x1, y1, a, b);
  to_device(x2, y2, c, d);
  inner().filled_box(std::min(a, c), std::min(b, d), std::max(a, c), std::max(b, d),
                     theme_color(theme_, color));
}

void TeachingWindow::circle(float cx, float cy, float r, Rgb color) {
  float x;
  float y;
  to_device(cx, cy, x, y);
  const float tx = inner().twips_per_pixel_x();
  const float radius = r / kVirtualTwipsPerPixel * fit_.scale() * tx;
  const Rgb ink = theme_color(theme_, color);
  inner().circle(x, y, radius, ink);
  if (stroke_ == 1) return;
  // The wider outline as rings around the first circle, without fill.
  inner().set_fill_style(FillStyle::Transparent);
  for (int i = 0; i < stroke_; ++i) {
    const float offset = static_cast<float>(i) - static_cast<float>(stroke_ - 1) / 2.0f;
    if (offset == 0 || radius + offset * tx <= 0) continue;
    inner().circle(x, y, radius + offset * tx, ink);
  }
  inner().set_fill_style(fill_style_);
}

void TeachingWindow::set_fill_style(FillStyle style) {
  fill_style_ = style;
  inner().set_fill_style(style);
}

void TeachingWindow::set_fill_color(Rgb color) {
  inner().set_fill_color(theme_color(theme_, color));
}

void TeachingWindow::flood_fill(int px, int py, Rgb border) {
  float x;
  float y;
  fit_.map(static_cast<float>(px) * kVirtualTwipsPerPixel,
           static_cast<float>(py) * kVirtualTwipsPerPixel, x, y);
  inner().flood_fill(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)),
                     theme_color(theme_, border));
}

void TeachingWindow::set_slot_left(int slot, float left) {
  slots_.at(static_cast<std::size_t>(slot)).left = left;
}
void TeachingWindow::set_slot_top(int slot, float top) {
  slots_.at(static_cast<std::size_t>(slot)).top = top;
}
void TeachingWindow::set_slot_size(int slot, float width, float height) {
  ImageSlot& s = slots_.at(static_cast<std::size_t>(slot));
  s.width = width;
  s.height = height;
}
void TeachingWindow::set_slot_picture(int slot, int pose) {
  slots_.at(static_cast<std::size_t>(slot)).pose = pose;
}
void TeachingWindow::set_slot_visible(int slot, bool visible) {
  slots_.at(static_cast<std::size_t>(slot)).visible = visible;
}

void TeachingWindow::set_caption_text(const std::string& utf8) { caption_ = utf8; }

std::vector<Figure> TeachingWindow::figures() const {
  const DrillDescriptor& drill = drills_[static_cast<std::size_t>(drill_)];
  std::vector<Figure> out;
  for (int i = 0; i < static_cast<int>(slots_.size()); ++i) {
    const ImageSlot& s = slots_[static_cast<std::size_t>(i)];
    if (!s.shown()) continue;
    Figure f;
    f.position = i;
    fit_.map(s.left + s.width / 2.0f, s.top + s.height / 2.0f, f.x, f.y);
    const float readable = static_cast<float>(std::min(area_.w, area_.h)) * kReadableRadiusShare;
    f.radius = std::max({kMinFigureRadius, readable,
                         s.width * kBodyRadiusPerSlot / kVirtualTwipsPerPixel * fit_.scale()});
    f.pose = fit_.turn_pose(s.pose);
    f.body = position_color(drill.crew, i);
    f.label_color = luminance(f.body) > 0.5f ? colors::black : colors::white;
    f.label = i == 0 ? "指" : std::to_string(i);
    f.show_label = f.radius >= kMinLabelRadius;
    if (chosen_) {
      f.highlighted = i == *chosen_;
      f.muted = !f.highlighted;
    }
    out.push_back(std::move(f));
  }
  // A position this drill lacks, or one not on screen now, mutes no one.
  if (std::none_of(out.begin(), out.end(), [](const Figure& f) { return f.highlighted; }))
    for (Figure& f : out) f.muted = false;
  // The chosen figure last, so that it is drawn above a crowded squad.
  std::stable_partition(out.begin(), out.end(), [](const Figure& f) { return !f.highlighted; });
  return out;
}

Rgb towards(Rgb colour, Rgb ground, float share) {
  const auto mix = [share](std::uint8_t c, std::uint8_t g) {
    return static_cast<std::uint8_t>(std::lround(
        static_cast<float>(c) + (static_cast<float>(g) - static_cast<float>(c)) * share));
  };
  return {mix(colour.r, ground.r), mix(colour.g, ground.g), mix(colour.b, ground.b)};
}

}  // namespace stage
