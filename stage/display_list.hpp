#pragma once
// What a viewer draws above the composed stage, as a list of a few kinds of
// simple items that a host plays back in order: the overlay (boxes, text),
// the teaching picture's people and the followed position's marks (discs,
// labels). The layout is made once, in the core, from the host's text
// measurer; the raster painter, GDI and the page's canvas only draw what the
// list says and look clicks up in its regions, so the three cannot drift.

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "stage/pixel_rect.hpp"
#include "stage/window.hpp"

namespace stage {

inline constexpr int kOpaqueAlpha = 255;

// A rectangle filled with `colour`, `alpha` of 255 over what is below.
struct BoxItem {
  PixelRect rect;
  Rgb colour;
  int alpha = kOpaqueAlpha;
  friend bool operator==(const BoxItem&, const BoxItem&) = default;
};

// One line of text in the overlay's font, its top-left at (x, y), cut to
// `clip`. The layout has already fitted it (a "…" where it had to be cut).
struct TextItem {
  int x = 0;
  int y = 0;
  std::string text;
  Rgb colour;
  PixelRect clip;
  friend bool operator==(const TextItem&, const TextItem&) = default;
};

// A disc with a smoothed edge, centre and radius in device pixels.
struct DiscItem {
  float x = 0;
  float y = 0;
  float radius = 0;
  Rgb colour;
  friend bool operator==(const DiscItem&, const DiscItem&) = default;
};

// A figure's label: `text` centred on (x, y) in a font `size` pixels high.
struct LabelItem {
  float x = 0;
  float y = 0;
  float size = 0;
  std::string text;
  Rgb colour;
  friend bool operator==(const LabelItem&, const LabelItem&) = default;
};

using DisplayItem = std::variant<BoxItem, TextItem, DiscItem, LabelItem>;

// What a click on a region reaches: the timeline band (the time under the
// pointer), a row of the command list (`value` its command) or a legend
// entry (`value` the position it follows).
enum class HitKind { Timeline, Command, Legend };

struct HitRegion {
  PixelRect rect;
  HitKind kind = HitKind::Timeline;
  int value = 0;
  friend bool operator==(const HitRegion&, const HitRegion&) = default;
};

struct DisplayList {
  std::vector<DisplayItem> items;  // in painting order
  // What the items cover, in a few rectangles: a host that restores the
  // stage's pixels where the overlay was composes these again next time.
  std::vector<PixelRect> areas;
  std::vector<HitRegion> hits;

  void append(DisplayList&& other);
  // The region a click at (x, y) reaches: the one painted last, on top.
  std::optional<HitRegion> hit(int x, int y) const;
};

// What the layout needs of the host's overlay font.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  // The width of one line of `utf8`, pixels: the whole ink or the pen's
  // travel, whichever reaches further.
  virtual int text_width(std::string_view utf8) = 0;
};

}  // namespace stage
