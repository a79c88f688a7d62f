#include "platform/raster/raster_window.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <stdexcept>
#include <tuple>
#include <utility>

#include "platform/raster/caption_renderer.hpp"
#include "platform/raster/flood_fill.hpp"
#include "platform/raster/stretch.hpp"
#include "platform/raster/tile_map.hpp"
#include "stage/assets.hpp"
#include "stage/rounding.hpp"

namespace raster {
namespace {

// Pixel coordinates are kept within this bound so that the exact segment
// clipping below cannot overflow 64-bit products; anything that far off the
// window is off it either way.
constexpr long long kCoordLimit = 1LL << 28;
// A circle larger than this (pixels) is not drawn: its outline would lie far
// outside any window this program opens.
constexpr long long kRadiusLimit = 1LL << 20;
// Slots larger than this many pixels are not composed (the stretched picture
// is cached whole).
constexpr long long kSlotAreaLimit = 1LL << 24;

constexpr std::uint32_t kButtonFace = 0xF0F0F0;  // classic 3D face (240, 240, 240)
constexpr std::uint32_t kCaptionInk = 0x000000;

long long clamp_coord(long long v) { return std::clamp(v, -kCoordLimit, kCoordLimit); }

long long floor_div(long long a, long long b) {  // b > 0
  long long q = a / b;
  if ((a % b != 0) && (a < 0)) --q;
  return q;
}
long long ceil_div(long long a, long long b) { return -floor_div(-a, b); }  // b > 0

// A NaN position has no pixel; the operation paints nothing.
template <class... T>
bool any_nan(T... v) {
  return (std::isnan(v) || ...);
}

Rect intersect(const Rect& a, const Rect& b) {
  const int x0 = std::max(a.x, b.x);
  const int y0 = std::max(a.y, b.y);
  const int x1 = std::min(a.x + a.w, b.x + b.w);
  const int y1 = std::min(a.y + a.h, b.y + b.h);
  if (x1 <= x0 || y1 <= y0) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

namespace {

// The inked tiles of a surface, run-length coded row by row as (length,
// colour) pairs; every other pixel is black. A drill's picture is a few lines
// on black, so a copy of a 4K surface takes kilobytes, not 33 MB.
struct InkSnapshot final : stage::SurfaceSnapshot {
  const void* owner = nullptr;
  std::vector<Rect> regions;
  std::vector<std::uint32_t> runs;
};

}  // namespace

int to_pixel(float twips, float twips_per_pixel) {
  const double v = static_cast<double>(twips) / static_cast<double>(twips_per_pixel);
  if (std::isnan(v)) return static_cast<int>(-kCoordLimit);
  if (v >= static_cast<double>(kCoordLimit)) return static_cast<int>(kCoordLimit);
  if (v <= static_cast<double>(-kCoordLimit)) return static_cast<int>(-kCoordLimit);
  return static_cast<int>(stage::round_half_even(v));
}

struct RasterWindow::Impl {
  int w = 0;
  int h = 0;
  float tpp = 15.0f;
  std::vector<std::uint32_t> surface_pixels;
  std::vector<std::uint32_t> frame_pixels;
  Surface surface;
  Surface frame;
  TileMap tiles;

  stage::FillStyle fill_style = stage::FillStyle::Transparent;
  std::uint32_t fill_color = 0;
  std::function<bool()> pump;
  FloodWalker walker;

  std::array<SlotState, stage::kImageSlots> slots{};
  std::array<Rect, stage::kImageSlots> slot_drawn{};  // where each slot shows now (pixels)
  std::map<std::tuple<int, int, int>, std::vector<std::uint32_t>> stretched;  // (pose, w, h)

  float caption_left = 0;
  std::string caption_text;
  int caption_points = 9;  // the form's default font size until the stage fits it
  mutable std::unique_ptr<CaptionRenderer> caption;
  CaptionRenderer::Bitmap label;
  Rect label_rect;
  bool label_stale = false;  // text, size or place changed since the label was drawn

  Impl(int width, int height, float twips_per_pixel) : w(width), h(height), tpp(twips_per_pixel) {
    if (width <= 0 || height <= 0 || !(twips_per_pixel > 0))
      throw std::invalid_argument("raster window: size and twips per pixel must be positive");
    const auto n = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
    surface_pixels.assign(n, 0);
    frame_pixels.assign(n, 0);
    surface = {surface_pixels.data(), w, h, w};
    frame = {frame_pixels.data(), w, h, w};
    tiles.reset(w, h);
    tiles.mark_all(TileMap::kDirty);
  }

  int px(float twips) const { return to_pixel(twips, tpp); }

  // --- painting on the surface ---
  // Painting marks a tile only where a pixel really changes colour. The
  // drills repaint their fixed marks on every keyframe; left unmarked, those
  // repaints cost no composition. Ink stays right: a pixel that already has a
  // non-black colour lies in an inked tile, and black on black needs no ink.
  void plot(long long x, long long y, std::uint32_t c) {
    if (x < 0 || y < 0 || x >= w || y >= h) return;
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    std::uint32_t& p = surface.at(ix, iy);
    if (p == c) return;
    p = c;
    tiles.mark_pixel(ix, iy, TileMap::kInk | TileMap::kDirty);
  }

  // Pixels x0..x1 of row y, on the window. Compared a tile's width at a time
  // against a run of the colour (memcmp is vectorised; a search loop is not).
  void fill_span(int y, int x0, int x1, std::uint32_t c) {
    if (pattern_colour != c || !pattern_ready) {
      pattern.fill(c);
      pattern_colour = c;
      pattern_ready = true;
    }
    std::uint32_t* row = &surface.at(0, y);
    for (int a = x0; a <= x1;) {
      const int b = std::min(x1, (a | (TileMap::kTile - 1)));  // to the end of this tile
      const auto n = static_cast<std::size_t>(b - a + 1);
      if (std::memcmp(row + a, pattern.data(), n * sizeof(std::uint32_t)) != 0) {
        std::fill(row + a, row + b + 1, c);
        tiles.mark_pixel(a, y, TileMap::kInk | TileMap::kDirty);
      }
      a = b + 1;
    }
  }
  std::array<std::uint32_t, TileMap::kTile> pattern{};
  std::uint32_t pattern_colour = 0;
  bool pattern_ready = false;

  // Inclusive rectangle, clipped.
  void fill_rect(long long x0, long long y0, long long x1, long long y1, std::uint32_t c) {
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    x0 = std::max(x0, 0LL);
    y0 = std::max(y0, 0LL);
    x1 = std::min<long long>(x1, w - 1);
    y1 = std::min<long long>(y1, h - 1);
    if (x0 > x1 || y0 > y1) return;
    for (long long y = y0; y <= y1; ++y)
      fill_span(static_cast<int>(y), static_cast<int>(x0), static_cast<int>(x1), c);
  }

  // Bresenham between two pixels, both painted. The points are put in a fixed
  // order first so that a segment and its reverse paint the same pixels; the
  // minor coordinate of step i is round(i * d_minor / d_major) with halves
  // going away from the first point, which lets the walk start directly at the
  // first step inside the window.
  void segment(long long x0, long long y0, long long x1, long long y1, std::uint32_t c) {
    x0 = clamp_coord(x0);
    y0 = clamp_coord(y0);
    x1 = clamp_coord(x1);
    y1 = clamp_coord(y1);
    const bool steep = std::llabs(y1 - y0) > std::llabs(x1 - x0);
    if (steep) {
      std::swap(x0, y0);
      std::swap(x1, y1);
    }
    if (x0 > x1) {
      std::swap(x0, x1);
      std::swap(y0, y1);
    }
    const long long major_max = (steep ? h : w) - 1;
    const long long minor_max = (steep ? w : h) - 1;
    const long long adx = x1 - x0;
    const long long ady = std::llabs(y1 - y0);
    const long long sy = y1 < y0 ? -1 : 1;
    auto put = [&](long long a, long long b) { steep ? plot(b, a, c) : plot(a, b, c); };
    if (adx == 0) {
      put(x0, y0);
      return;
    }
    long long ilo = std::max(0LL, -x0);
    long long ihi = std::min(adx, major_max - x0);
    if (ady == 0) {
      if (y0 < 0 || y0 > minor_max) return;
    } else {
      // Steps whose minor offset q keeps the pixel inside: q in [qlo, qhi].
      const long long qlo = sy > 0 ? -y0 : y0 - minor_max;
      const long long qhi = sy > 0 ? minor_max - y0 : y0;
      ilo = std::max(ilo, ceil_div((2 * qlo - 1) * adx, 2 * ady));
      ihi = std::min(ihi, ceil_div((2 * qhi + 1) * adx, 2 * ady) - 1);
    }
    if (ilo > ihi) return;
    const long long den = 2 * adx;
    const long long num = 2 * ilo * ady + adx;
    long long q = floor_div(num, den);
    long long rem = num - q * den;
    for (long long i = ilo; i <= ihi; ++i) {
      put(x0 + i, y0 + sy * q);
      rem += 2 * ady;
      if (rem >= den) {
        rem -= den;
        ++q;
      }
    }
  }

  // Midpoint circle; the interior of each row lies strictly inside the
  // outline pixels of that row.
  void disc(long long cx, long long cy, long long r, std::uint32_t outline,
            const std::uint32_t* interior) {
    r = std::llabs(r);
    if (r > kRadiusLimit) return;
    if (cx + r < 0 || cy + r < 0 || cx - r >= w || cy - r >= h) return;
    std::vector<std::pair<long long, long long>> octant;  // (x, y) with x >= y
    std::vector<long long> inner(static_cast<std::size_t>(r) + 1, r + 1);
    long long x = r;
    long long y = 0;
    long long err = 1 - r;
    while (x >= y) {
      octant.emplace_back(x, y);
      inner[static_cast<std::size_t>(y)] = std::min(inner[static_cast<std::size_t>(y)], x);
      inner[static_cast<std::size_t>(x)] = std::min(inner[static_cast<std::size_t>(x)], y);
      ++y;
      if (err < 0) {
        err += 2 * y + 1;
      } else {
        --x;
        err += 2 * (y - x) + 1;
      }
    }
    if (interior) {
      for (long long row = 0; row <= r; ++row) {
        const long long half = inner[static_cast<std::size_t>(row)] - 1;
        if (half < 0) continue;
        fill_rect(cx - half, cy - row, cx + half, cy - row, *interior);
        if (row != 0) fill_rect(cx - half, cy + row, cx + half, cy + row, *interior);
      }
    }
    for (const auto& [ox, oy] : octant) {
      plot(cx + ox, cy + oy, outline);
      plot(cx - ox, cy + oy, outline);
      plot(cx + ox, cy - oy, outline);
      plot(cx - ox, cy - oy, outline);
      plot(cx + oy, cy + ox, outline);
      plot(cx - oy, cy + ox, outline);
      plot(cx + oy, cy - ox, outline);
      plot(cx - oy, cy - ox, outline);
    }
  }

  // --- slots and caption ---
  Rect slot_rect(int i) const {
    const SlotState& s = slots[static_cast<std::size_t>(i)];
    if (!s.visible || s.pose < 0) return {};
    const Rect r{px(s.left), px(s.top), px(s.width), px(s.height)};
    if (r.empty() || static_cast<long long>(r.w) * r.h > kSlotAreaLimit) return {};
    return r;
  }

  template <class Change>
  void change_slot(int i, Change change) {
    if (i < 0 || i >= stage::kImageSlots) throw std::out_of_range("image slot index");
    SlotState& s = slots[static_cast<std::size_t>(i)];
    const int old_pose = s.pose;
    change(s);
    const Rect now = slot_rect(i);
    Rect& drawn = slot_drawn[static_cast<std::size_t>(i)];
    if (now == drawn && old_pose == s.pose) return;
    tiles.mark(drawn, TileMap::kDirty);
    tiles.mark(now, TileMap::kDirty);
    drawn = now;
  }

  const std::vector<std::uint32_t>& stretched_picture(int pose, int width, int height) {
    const auto key = std::make_tuple(pose, width, height);
    auto it = stretched.find(key);
    if (it != stretched.end()) return it->second;
    if (stretched.size() > 256) stretched.clear();  // sizes only change at set-up; a bound anyway
    const stage::Sprite& sprite = stage::pose_sprite(pose);
    return stretched
        .emplace(key, stretch_area_average(sprite.pixels.data(), stage::kSpriteSize,
                                           stage::kSpriteSize, width, height))
        .first->second;
  }

  CaptionRenderer& captions() const {
    if (!caption) caption = std::make_unique<CaptionRenderer>();
    caption->set_size_26_6(std::lround(caption_points * 1440.0 / 72.0 / tpp * 64.0));
    return *caption;
  }

  // The label is redrawn when it is next composed, not on every change: the
  // stage's font fitting sets fifty sizes in a row and reads only heights.
  void caption_changed() {
    tiles.mark(label_rect, TileMap::kDirty);
    label_stale = true;
  }

  void relayout_caption() {
    label_stale = false;
    label = captions().render(caption_text, kButtonFace, kCaptionInk);
    // An empty label still has a line's height, but shows nothing.
    label_rect = label.width > 0 ? Rect{px(caption_left), 0, label.width, label.height} : Rect{};
    tiles.mark(label_rect, TileMap::kDirty);
  }

  // --- composition ---
  static void blit(Surface& dst, const Rect& clip, const Rect& where, const std::uint32_t* src,
                   int src_pitch) {
    const Rect r = intersect(clip, where);
    if (r.empty()) return;
    for (int y = r.y; y < r.y + r.h; ++y) {
      const std::uint32_t* from =
          src + static_cast<std::size_t>(y - where.y) * static_cast<std::size_t>(src_pitch) +
          static_cast<std::size_t>(r.x - where.x);
      std::copy(from, from + r.w, &dst.at(r.x, y));
    }
  }

  std::vector<Rect> compose() {
    if (label_stale) relayout_caption();
    std::vector<Rect> regions = tiles.regions(TileMap::kDirty);
    if (regions.empty()) return regions;
    std::array<const std::vector<std::uint32_t>*, stage::kImageSlots> pictures{};
    for (int i = 0; i < stage::kImageSlots; ++i) {
      const Rect& r = slot_drawn[static_cast<std::size_t>(i)];
      if (!r.empty())
        pictures[static_cast<std::size_t>(i)] =
            &stretched_picture(slots[static_cast<std::size_t>(i)].pose, r.w, r.h);
    }
    for (const Rect& region : regions) {
      for (int y = region.y; y < region.y + region.h; ++y) {
        const std::uint32_t* from = &surface.at(region.x, y);
        std::copy(from, from + region.w, &frame.at(region.x, y));
      }
      for (int i = 0; i < stage::kImageSlots; ++i) {
        const auto* pic = pictures[static_cast<std::size_t>(i)];
        if (pic) {
          const Rect& where = slot_drawn[static_cast<std::size_t>(i)];
          blit(frame, region, where, pic->data(), where.w);
        }
      }
      if (!label_rect.empty()) blit(frame, region, label_rect, label.pixels.data(), label.width);
    }
    tiles.clear_bits(TileMap::kDirty);
    return regions;
  }
};

RasterWindow::RasterWindow(int width, int height, float twips_per_pixel)
    : impl_(std::make_unique<Impl>(width, height, twips_per_pixel)) {}
RasterWindow::~RasterWindow() = default;

void RasterWindow::clear() {
  Impl& m = *impl_;
  for (const Rect& r : m.tiles.regions(TileMap::kInk)) {
    for (int y = r.y; y < r.y + r.h; ++y) {
      std::uint32_t* row = &m.surface.at(r.x, y);
      std::fill(row, row + r.w, 0u);
    }
    m.tiles.mark(r, TileMap::kDirty);
  }
  m.tiles.clear_bits(TileMap::kInk);
}

void RasterWindow::line(float x1, float y1, float x2, float y2, stage::Rgb color) {
  if (any_nan(x1, y1, x2, y2)) return;
  impl_->segment(impl_->px(x1), impl_->px(y1), impl_->px(x2), impl_->px(y2), pack(color));
}

void RasterWindow::box(float x1, float y1, float x2, float y2, stage::Rgb color) {
  if (any_nan(x1, y1, x2, y2)) return;
  Impl& m = *impl_;
  long long ax = m.px(x1), ay = m.px(y1), bx = m.px(x2), by = m.px(y2);
  if (ax > bx) std::swap(ax, bx);
  if (ay > by) std::swap(ay, by);
  const std::uint32_t c = pack(color);
  m.fill_rect(ax, ay, bx, ay, c);
  m.fill_rect(ax, by, bx, by, c);
  m.fill_rect(ax, ay, ax, by, c);
  m.fill_rect(bx, ay, bx, by, c);
}

void RasterWindow::filled_box(float x1, float y1, float x2, float y2, stage::Rgb color) {
  if (any_nan(x1, y1, x2, y2)) return;
  Impl& m = *impl_;
  m.fill_rect(m.px(x1), m.px(y1), m.px(x2), m.px(y2), pack(color));
}

void RasterWindow::circle(float cx, float cy, float r, stage::Rgb color) {
  if (any_nan(cx, cy, r)) return;
  Impl& m = *impl_;
  const std::uint32_t fill = m.fill_color;
  m.disc(m.px(cx), m.px(cy), m.px(r), pack(color),
         m.fill_style == stage::FillStyle::Solid ? &fill : nullptr);
}

void RasterWindow::set_fill_style(stage::FillStyle style) { impl_->fill_style = style; }
void RasterWindow::set_fill_color(stage::Rgb color) { impl_->fill_color = pack(color); }

void RasterWindow::flood_fill(int px, int py, stage::Rgb border) {
  Impl& m = *impl_;
  for (const Span& s : m.walker.walk(m.surface, px, py, pack(border)))
    m.fill_span(s.y, s.x0, s.x1, m.fill_color);
}

void RasterWindow::set_slot_left(int slot, float left) {
  impl_->change_slot(slot, [&](SlotState& s) { s.left = left; });
}
void RasterWindow::set_slot_top(int slot, float top) {
  impl_->change_slot(slot, [&](SlotState& s) { s.top = top; });
}
void RasterWindow::set_slot_size(int slot, float width, float height) {
  impl_->change_slot(slot, [&](SlotState& s) {
    s.width = width;
    s.height = height;
  });
}
void RasterWindow::set_slot_picture(int slot, int pose) {
  if (pose < 0 || pose >= stage::kPoses) throw std::out_of_range("pose index");
  impl_->change_slot(slot, [&](SlotState& s) { s.pose = pose; });
}
void RasterWindow::set_slot_visible(int slot, bool visible) {
  impl_->change_slot(slot, [&](SlotState& s) { s.visible = visible; });
}

void RasterWindow::set_caption_left(float left) {
  if (left == impl_->caption_left) return;
  impl_->caption_left = left;
  impl_->caption_changed();
}
void RasterWindow::set_caption_text(const std::string& utf8) {
  if (utf8 == impl_->caption_text) return;
  impl_->caption_text = utf8;
  impl_->caption_changed();
}
void RasterWindow::set_caption_font_size(int points) {
  if (points == impl_->caption_points) return;
  impl_->caption_points = points;
  impl_->caption_changed();
}
float RasterWindow::caption_height() const {
  return static_cast<float>(impl_->captions().line_height()) * impl_->tpp;
}

bool RasterWindow::process_events() { return impl_->pump ? impl_->pump() : true; }
float RasterWindow::twips_per_pixel_x() const { return impl_->tpp; }
float RasterWindow::twips_per_pixel_y() const { return impl_->tpp; }
float RasterWindow::width() const { return static_cast<float>(impl_->w) * impl_->tpp; }
float RasterWindow::height() const { return static_cast<float>(impl_->h) * impl_->tpp; }

std::unique_ptr<stage::SurfaceSnapshot> RasterWindow::save_surface() const {
  const Impl& m = *impl_;
  auto snap = std::make_unique<InkSnapshot>();
  snap->owner = &m;
  snap->regions = m.tiles.regions(TileMap::kInk);
  for (const Rect& r : snap->regions)
    for (int y = r.y; y < r.y + r.h; ++y) {
      const std::uint32_t* row = m.surface.row(y) + r.x;
      for (int x = 0; x < r.w;) {
        int n = 1;
        while (x + n < r.w && row[x + n] == row[x]) ++n;
        snap->runs.push_back(static_cast<std::uint32_t>(n));
        snap->runs.push_back(row[x]);
        x += n;
      }
    }
  return snap;
}

bool RasterWindow::restore_surface(const stage::SurfaceSnapshot& snapshot) {
  const auto* snap = dynamic_cast<const InkSnapshot*>(&snapshot);
  if (!snap || snap->owner != impl_.get()) return false;
  clear();
  Impl& m = *impl_;
  std::size_t i = 0;
  for (const Rect& r : snap->regions)
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; i += 2) {
        const int n = static_cast<int>(snap->runs[i]);
        if (snap->runs[i + 1] != 0) m.fill_span(y, x, x + n - 1, snap->runs[i + 1]);
        x += n;
      }
  return true;
}

int RasterWindow::width_px() const { return impl_->w; }
int RasterWindow::height_px() const { return impl_->h; }
const Surface& RasterWindow::surface() const { return impl_->surface; }
stage::Rgb RasterWindow::surface_pixel(int x, int y) const {
  return unpack(impl_->surface.at(x, y));
}
std::vector<Rect> RasterWindow::compose() { return impl_->compose(); }
const Surface& RasterWindow::frame() const { return impl_->frame; }
stage::Rgb RasterWindow::frame_pixel(int x, int y) const { return unpack(impl_->frame.at(x, y)); }

const SlotState& RasterWindow::slot(int i) const {
  if (i < 0 || i >= stage::kImageSlots) throw std::out_of_range("image slot index");
  return impl_->slots[static_cast<std::size_t>(i)];
}
const std::string& RasterWindow::caption_text() const { return impl_->caption_text; }
int RasterWindow::caption_font_size() const { return impl_->caption_points; }
stage::FillStyle RasterWindow::fill_style() const { return impl_->fill_style; }
stage::Rgb RasterWindow::fill_color() const { return unpack(impl_->fill_color); }
void RasterWindow::set_event_pump(std::function<bool()> pump) { impl_->pump = std::move(pump); }

}  // namespace raster
