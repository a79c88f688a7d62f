#include "export/teaching/teaching_picture.hpp"

#include <algorithm>
#include <cstring>

#include "raster/figure_painter.hpp"
#include "viewer/overlay.hpp"
#include "viewer/overlay_display.hpp"

namespace raster {
namespace {

viewer::OverlayRequest picture_request(OverlayPainter& painter, int width, int height,
                                       stage::Theme theme) {
  viewer::OverlayRequest r;
  r.width = width;
  r.height = height;
  // The font follows the short side, as in the viewers: an upright picture
  // keeps its command and legend across its width.
  r.line = painter.fit(viewer::overlay_font_extent(true, width, height));
  r.teaching = true;
  r.theme = theme;
  return r;
}

bool same_trail(const std::vector<stage::TrailPoint>& a, const std::vector<stage::TrailPoint>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](const stage::TrailPoint& p, const stage::TrailPoint& q) {
                      return p.at == q.at && p.age == q.age;
                    });
}

Rect clipped(const Rect& r, int width, int height) {
  const int x0 = std::max(0, r.x), y0 = std::max(0, r.y);
  const int x1 = std::min(width, r.x + r.w), y1 = std::min(height, r.y + r.h);
  return {x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0)};
}

void copy_rect(const Surface& from, Surface& to, const Rect& r) {
  for (int y = r.y; y < r.y + r.h; ++y)
    std::memcpy(&to.at(r.x, y), from.row(y) + r.x,
                static_cast<std::size_t>(r.w) * sizeof(std::uint32_t));
}

}  // namespace

TeachingPicture::TeachingPicture(int width, int height, stage::DrillList drills, stage::Theme theme)
    : device_(width, height),
      request_(picture_request(painter_, width, height, theme)),
      teaching_(device_, drills, theme,
                viewer::teaching_picture_view(request_, drills.front(), "").stage_area),
      timelines_(drills.size()),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)),
      view_{pixels_.data(), width, height, width} {
  // The theme's ground from the start: the stage clears the window only when
  // its first transition or keyframe draws.
  teaching_.clear();
}

int TeachingPicture::shown_keyframe() const {
  if (!stage_ || stage_->phase() != stage::Stage::Phase::Keyframes) return -1;
  // frame_index() is the keyframe the next tick shows: the one on screen is
  // the one before it.
  return std::min(stage_->frame_index(), stage_->table(stage_->drill()).end_index()) - 1;
}

std::vector<stage::TrailPoint> TeachingPicture::current_trail() const {
  const int shown = shown_keyframe();
  if (shown < 0 || !teaching_.chosen()) return {};
  return teaching_.trail(stage_->table(stage_->drill()), shown);
}

std::string TeachingPicture::current_command() {
  const int shown = shown_keyframe();
  if (shown < 0) return {};
  const int drill = stage_->drill();
  std::unique_ptr<stage::DrillTimeline>& timeline = timelines_.at(static_cast<std::size_t>(drill));
  if (!timeline) timeline = std::make_unique<stage::DrillTimeline>(stage_->table(drill));
  if (shown >= timeline->keyframes()) return {};
  const int command = timeline->command_at(shown);
  if (command < 0) return {};
  return std::string(timeline->commands()[static_cast<std::size_t>(command)].text);
}

std::vector<Rect> TeachingPicture::compose() {
  std::vector<Rect> changed = device_.compose();
  std::vector<stage::Figure> figures = teaching_.figures();
  std::string command = current_command();
  std::vector<stage::TrailPoint> trail = current_trail();
  const int drill = teaching_.drill();
  if (!first_ && changed.empty() && drill == drill_ && command == command_ && figures == figures_ &&
      same_trail(trail, trail_))
    return {};
  const Surface& stage_frame = device_.frame();
  if (first_) {
    changed = {{0, 0, width(), height()}};
    first_ = false;
  }
  // What the figures and boxes covered goes back to the stage's pixels
  // before they are painted again where they are now.
  changed.insert(changed.end(), painted_.begin(), painted_.end());
  for (Rect& r : changed) {
    r = clipped(r, width(), height());
    if (!r.empty()) copy_rect(stage_frame, view_, r);
  }
  painted_.clear();
  const auto chosen = std::find_if(figures.begin(), figures.end(),
                                   [](const stage::Figure& f) { return f.highlighted; });
  if (chosen != figures.end())
    painted_ = paint_trail(view_, trail, chosen->radius, chosen->body,
                           stage::theme_background(teaching_.theme()));
  const std::vector<Rect> people = painter_.paint_figures(figures, teaching_.theme(), view_);
  painted_.insert(painted_.end(), people.begin(), people.end());
  if (stage_) {
    const stage::DrillDescriptor& descriptor = stage_->drills()[static_cast<std::size_t>(drill)];
    const std::vector<Rect> boxes = painter_.play(
        viewer::teaching_boxes_display(viewer::teaching_picture_view(request_, descriptor, command),
                                       painter_.line_height(), painter_),
        view_);
    painted_.insert(painted_.end(), boxes.begin(), boxes.end());
  }
  changed.insert(changed.end(), painted_.begin(), painted_.end());
  std::erase_if(changed, [](const Rect& r) { return r.empty(); });
  figures_ = std::move(figures);
  trail_ = std::move(trail);
  command_ = std::move(command);
  drill_ = drill;
  return changed;
}

}  // namespace raster
