#include "raster/raster_window.hpp"

#include <cmath>
#include <stdexcept>
#include <utility>

#include "raster/compositor.hpp"
#include "raster/painter.hpp"

namespace raster {
namespace {

// A NaN position has no pixel; the operation paints nothing.
template <class... T>
bool any_nan(T... v) {
  return (std::isnan(v) || ...);
}

}  // namespace

// A copy of the painted surface, as the painter's ink runs; it belongs to the
// window that took it.
struct InkSnapshot final : stage::SurfaceSnapshot {
  const void* owner = nullptr;
  Painter::Ink ink;
};

// The window joins the two halves: twips become pixels here, drawing goes to
// the painter, slots and caption to the compositor, which composes above the
// painter's surface from the tiles both of them marked.
struct RasterWindow::Impl {
  float tpp;
  Painter painter;
  Compositor compositor;
  stage::FillStyle fill_style = stage::FillStyle::Transparent;
  std::uint32_t fill_color = 0;
  std::function<bool()> pump;

  Impl(int width, int height, float twips_per_pixel)
      : tpp(twips_per_pixel),
        painter(width, height),
        compositor(painter.indices(), painter.palette(), painter.tiles(), twips_per_pixel) {}

  long long px(float twips) const { return to_pixel(twips, tpp); }

  template <class Change>
  void change_slot(int i, Change change) {
    stage::ImageSlot s = compositor.slot(i);
    change(s);
    compositor.set_slot(i, s);
  }
};

RasterWindow::RasterWindow(int width, int height, float twips_per_pixel)
    : impl_(std::make_unique<Impl>(width, height, twips_per_pixel)) {}
RasterWindow::~RasterWindow() = default;

void RasterWindow::clear() { impl_->painter.clear(); }

void RasterWindow::line(float x1, float y1, float x2, float y2, stage::Rgb color) {
  if (any_nan(x1, y1, x2, y2)) return;
  Impl& m = *impl_;
  m.painter.segment(m.px(x1), m.px(y1), m.px(x2), m.px(y2), pack(color));
}

void RasterWindow::box(float x1, float y1, float x2, float y2, stage::Rgb color) {
  if (any_nan(x1, y1, x2, y2)) return;
  Impl& m = *impl_;
  m.painter.box(m.px(x1), m.px(y1), m.px(x2), m.px(y2), pack(color));
}

void RasterWindow::filled_box(float x1, float y1, float x2, float y2, stage::Rgb color) {
  if (any_nan(x1, y1, x2, y2)) return;
  Impl& m = *impl_;
  m.painter.fill_rect(m.px(x1), m.px(y1), m.px(x2), m.px(y2), pack(color));
}

void RasterWindow::circle(float cx, float cy, float r, stage::Rgb color) {
  if (any_nan(cx, cy, r)) return;
  Impl& m = *impl_;
  const std::uint32_t fill = m.fill_color;
  m.painter.disc(m.px(cx), m.px(cy), m.px(r), pack(color),
                 m.fill_style == stage::FillStyle::Solid ? &fill : nullptr);
}

void RasterWindow::set_fill_style(stage::FillStyle style) { impl_->fill_style = style; }
void RasterWindow::set_fill_color(stage::Rgb color) { impl_->fill_color = pack(color); }

void RasterWindow::flood_fill(int px, int py, stage::Rgb border) {
  impl_->painter.flood_fill(px, py, pack(border), impl_->fill_color);
}

void RasterWindow::set_slot_left(int slot, float left) {
  impl_->change_slot(slot, [&](stage::ImageSlot& s) { s.left = left; });
}
void RasterWindow::set_slot_top(int slot, float top) {
  impl_->change_slot(slot, [&](stage::ImageSlot& s) { s.top = top; });
}
void RasterWindow::set_slot_size(int slot, float width, float height) {
  impl_->change_slot(slot, [&](stage::ImageSlot& s) {
    s.width = width;
    s.height = height;
  });
}
void RasterWindow::set_slot_picture(int slot, int pose) {
  if (pose < 0 || pose >= stage::kPoses) throw std::out_of_range("pose index");
  impl_->change_slot(slot, [&](stage::ImageSlot& s) { s.pose = pose; });
}
void RasterWindow::set_slot_visible(int slot, bool visible) {
  impl_->change_slot(slot, [&](stage::ImageSlot& s) { s.visible = visible; });
}

void RasterWindow::set_caption_left(float left) { impl_->compositor.set_caption_left(left); }
void RasterWindow::set_caption_text(const std::string& utf8) {
  impl_->compositor.set_caption_text(utf8);
}
void RasterWindow::set_caption_font_size(int points) {
  impl_->compositor.set_caption_font_size(points);
}
float RasterWindow::caption_height() const { return impl_->compositor.caption_height(); }

bool RasterWindow::process_events() { return impl_->pump ? impl_->pump() : true; }
float RasterWindow::twips_per_pixel_x() const { return impl_->tpp; }
float RasterWindow::twips_per_pixel_y() const { return impl_->tpp; }
float RasterWindow::width() const { return static_cast<float>(width_px()) * impl_->tpp; }
float RasterWindow::height() const { return static_cast<float>(height_px()) * impl_->tpp; }

std::unique_ptr<stage::SurfaceSnapshot> RasterWindow::save_surface() const {
  auto snap = std::make_unique<InkSnapshot>();
  snap->owner = impl_.get();
  snap->ink = impl_->painter.ink();
  return snap;
}

bool RasterWindow::restore_surface(const stage::SurfaceSnapshot& snapshot) {
  const auto* snap = dynamic_cast<const InkSnapshot*>(&snapshot);
  if (!snap || snap->owner != impl_.get()) return false;
  impl_->painter.restore(snap->ink);
  return true;
}

int RasterWindow::width_px() const { return impl_->painter.width(); }
int RasterWindow::height_px() const { return impl_->painter.height(); }
Image RasterWindow::surface() const { return impl_->painter.image(); }
stage::Rgb RasterWindow::surface_pixel(int x, int y) const {
  return unpack(impl_->painter.pixel(x, y));
}
std::vector<Rect> RasterWindow::changes() { return impl_->compositor.changes(); }
void RasterWindow::compose(const Rect& area, std::uint32_t* out, int pitch) {
  impl_->compositor.compose(area, out, pitch);
}
std::vector<Rect> RasterWindow::compose() { return impl_->compositor.compose(); }
const Surface& RasterWindow::frame() const { return impl_->compositor.frame(); }
stage::Rgb RasterWindow::frame_pixel(int x, int y) const { return unpack(frame().at(x, y)); }

const stage::ImageSlot& RasterWindow::slot(int i) const { return impl_->compositor.slot(i); }
const std::string& RasterWindow::caption_text() const { return impl_->compositor.caption_text(); }
int RasterWindow::caption_font_size() const { return impl_->compositor.caption_font_size(); }
stage::FillStyle RasterWindow::fill_style() const { return impl_->fill_style; }
stage::Rgb RasterWindow::fill_color() const { return unpack(impl_->fill_color); }
void RasterWindow::set_event_pump(std::function<bool()> pump) { impl_->pump = std::move(pump); }

}  // namespace raster
