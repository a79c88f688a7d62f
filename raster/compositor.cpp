#include "raster/compositor.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "raster/stretch.hpp"
#include "stage/assets.hpp"

namespace raster {
namespace {

// Slots larger than this many pixels are not composed (the stretched picture
// is cached whole).
constexpr long long kSlotAreaLimit = 1LL << 24;
// Stretched pictures kept at most; sizes only change at set-up, a bound anyway.
constexpr std::size_t kStretchedLimit = 256;

constexpr std::uint32_t kButtonFace = 0xF0F0F0;  // classic 3D face (240, 240, 240)
constexpr std::uint32_t kCaptionInk = 0x000000;

inline Rect intersect(const Rect& a, const Rect& b) {
  const int x0 = std::max(a.x, b.x);
  const int y0 = std::max(a.y, b.y);
  const int x1 = std::min(a.x + a.w, b.x + b.w);
  const int y1 = std::min(a.y + a.h, b.y + b.h);
  if (x1 <= x0 || y1 <= y0) return {};
  return {x0, y0, x1 - x0, y1 - y0};
}

// Where composed pixels go: window pixel (x, y) of `area` is
// out[(y - area.y) * pitch + x - area.x].
struct Target {
  std::uint32_t* out;
  int pitch;
  Rect area;
  std::uint32_t* at(int x, int y) const {
    return out + static_cast<std::ptrdiff_t>(y - area.y) * pitch + (x - area.x);
  }
};

inline void blit(const Target& dst, const Rect& clip, const Rect& where, const std::uint32_t* src,
                 int src_pitch) {
  const Rect r = intersect(clip, where);
  if (r.empty()) return;
  for (int y = r.y; y < r.y + r.h; ++y) {
    const std::uint32_t* from =
        src + static_cast<std::size_t>(y - where.y) * static_cast<std::size_t>(src_pitch) +
        static_cast<std::size_t>(r.x - where.x);
    std::copy(from, from + r.w, dst.at(r.x, y));
  }
}

std::size_t index_of(int slot) {
  if (slot < 0 || slot >= stage::kImageSlots) throw std::out_of_range("image slot index");
  return static_cast<std::size_t>(slot);
}

}  // namespace

Compositor::Compositor(const IndexSurface& surface, const Palette& palette, TileMap& tiles,
                       float twips_per_pixel)
    : surface_(surface), palette_(palette), tiles_(tiles), tpp_(twips_per_pixel) {
  if (!(twips_per_pixel > 0))
    throw std::invalid_argument("raster window: size and twips per pixel must be positive");
  frame_ = {nullptr, surface.width, surface.height, surface.width};
}

Compositor::~Compositor() = default;

const stage::ImageSlot& Compositor::slot(int i) const { return slots_[index_of(i)]; }

Rect Compositor::slot_rect(int i) const {
  const stage::ImageSlot& s = slots_[static_cast<std::size_t>(i)];
  if (!s.shown()) return {};
  const Rect r{px(s.left), px(s.top), px(s.width), px(s.height)};
  if (r.empty() || static_cast<long long>(r.w) * r.h > kSlotAreaLimit) return {};
  return r;
}

// A slot dirties where it showed and where it shows now, and only when its
// pixels move or its picture changes: the players set every figure on every
// keyframe, most of them unchanged.
void Compositor::set_slot(int i, const stage::ImageSlot& now) {
  const std::size_t at = index_of(i);
  const int old_pose = slots_[at].pose;
  slots_[at] = now;
  const Rect place = slot_rect(i);
  Rect& drawn = slot_drawn_[at];
  if (place == drawn && old_pose == now.pose) return;
  tiles_.mark(drawn, TileMap::kDirty);
  tiles_.mark(place, TileMap::kDirty);
  drawn = place;
}

const std::vector<std::uint32_t>& Compositor::stretched_picture(int pose, int width, int height) {
  const auto key = std::make_tuple(pose, width, height);
  auto it = stretched_.find(key);
  if (it != stretched_.end()) return it->second;
  if (stretched_.size() > kStretchedLimit) stretched_.clear();
  const stage::Sprite& sprite = stage::pose_sprite(pose);
  return stretched_
      .emplace(key, stretch_area_average(sprite.pixels.data(), stage::kSpriteSize,
                                         stage::kSpriteSize, width, height))
      .first->second;
}

CaptionRenderer& Compositor::captions() const {
  if (!caption_) caption_ = std::make_unique<CaptionRenderer>();
  caption_->set_size_26_6(std::lround(caption_points_ * 1440.0 / 72.0 / tpp_ * 64.0));
  return *caption_;
}

// The label is redrawn when it is next composed, not on every change: the
// stage's font fitting sets fifty sizes in a row and reads only heights.
void Compositor::caption_changed() {
  tiles_.mark(label_rect_, TileMap::kDirty);
  label_stale_ = true;
}

void Compositor::relayout_caption() {
  label_stale_ = false;
  label_ = captions().render(caption_text_, kButtonFace, kCaptionInk);
  // An empty label still has a line's height, but shows nothing.
  label_rect_ = label_.width > 0 ? Rect{px(caption_left_), 0, label_.width, label_.height} : Rect{};
  tiles_.mark(label_rect_, TileMap::kDirty);
}

void Compositor::set_caption_left(float twips) {
  if (twips == caption_left_) return;
  caption_left_ = twips;
  caption_changed();
}
void Compositor::set_caption_text(const std::string& utf8) {
  if (utf8 == caption_text_) return;
  caption_text_ = utf8;
  caption_changed();
}
void Compositor::set_caption_font_size(int points) {
  if (points == caption_points_) return;
  caption_points_ = points;
  caption_changed();
}
float Compositor::caption_height() const {
  return static_cast<float>(captions().line_height()) * tpp_;
}

// Indices to colours. A drill's picture is mostly black with areas of one
// colour, so eight pixels are tested at once and a run of one index is
// stored with a single look-up.
void Compositor::expand_row(const std::uint8_t* from, std::uint32_t* to, int n) const {
  constexpr int kWord = sizeof(std::uint64_t);
  constexpr std::uint64_t kEveryByte = 0x0101010101010101ULL;
  int x = 0;
  for (; x + kWord <= n; x += kWord) {
    std::uint64_t eight = 0;
    std::memcpy(&eight, from + x, kWord);
    if (eight == (eight & 0xFF) * kEveryByte) {
      std::fill_n(to + x, kWord, palette_[from[x]]);
    } else {
      for (int i = x; i < x + kWord; ++i) to[i] = palette_[from[i]];
    }
  }
  for (; x < n; ++x) to[x] = palette_[from[x]];
}

std::vector<Rect> Compositor::changes() {
  if (label_stale_) relayout_caption();
  std::vector<Rect> regions = tiles_.regions(TileMap::kDirty);
  tiles_.clear_bits(TileMap::kDirty);
  return regions;
}

void Compositor::compose(const Rect& area, std::uint32_t* out, int pitch) {
  const Target dst{out, pitch, area};
  const Rect r = intersect(area, {0, 0, surface_.width, surface_.height});
  if (r.empty()) return;
  for (int y = r.y; y < r.y + r.h; ++y) expand_row(surface_.row(y) + r.x, dst.at(r.x, y), r.w);
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    const Rect& where = slot_drawn_[i];
    if (intersect(r, where).empty()) continue;
    blit(dst, r, where, stretched_picture(slots_[i].pose, where.w, where.h).data(), where.w);
  }
  if (!label_rect_.empty()) blit(dst, r, label_rect_, label_.pixels.data(), label_.width);
}

std::vector<Rect> Compositor::compose() {
  if (frame_pixels_.empty()) {
    frame_pixels_.assign(
        static_cast<std::size_t>(frame_.width) * static_cast<std::size_t>(frame_.height), 0);
    frame_.pixels = frame_pixels_.data();
  }
  std::vector<Rect> regions = changes();
  for (const Rect& region : regions) compose(region, &frame_.at(region.x, region.y), frame_.pitch);
  return regions;
}

}  // namespace raster
