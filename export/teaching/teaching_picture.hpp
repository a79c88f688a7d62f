#pragma once
// The teaching picture as a picture file or a video frame: the stage plays on
// a stage::TeachingWindow over a raster window, and each composed frame gets
// the figures (with their numbers) and, along the top, the command that stays
// and the legend, painted on a copy so that the raster window's surface never
// holds them. No timeline band: a file has no viewer around it.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/frame_export.hpp"
#include "raster/overlay_painter.hpp"
#include "raster/raster_window.hpp"
#include "stage/commands.hpp"
#include "stage/stage.hpp"
#include "stage/teaching.hpp"
#include "viewer/overlay.hpp"

namespace raster {

class TeachingPicture final : public FrameSource {
 public:
  // A picture of width x height pixels for the stage's `drills`.
  TeachingPicture(int width, int height, stage::DrillList drills, stage::Theme theme);
  TeachingPicture(const TeachingPicture&) = delete;
  TeachingPicture& operator=(const TeachingPicture&) = delete;

  // The window the stage draws on, and the stage that does (its drill,
  // keyframe and table name the command that stays). Follow before compose().
  stage::Window& window() { return teaching_; }
  void follow(const stage::Stage& stage) { stage_ = &stage; }
  const stage::TeachingWindow& teaching() const { return teaching_; }
  // The position the picture follows: its figure keeps a halo and a fading
  // trail of its last places, the others are muted. None by default.
  void choose(std::optional<int> position) {
    teaching_.choose(position);
    request_.position = position;  // the legend marks it
  }

  int width() const override { return device_.width_px(); }
  int height() const override { return device_.height_px(); }
  std::vector<Rect> compose() override;
  const Surface& frame() const override { return view_; }

  // The command the last compose() wrote: the last one heard in the drill's
  // keyframes, none in a transition.
  const std::string& command() const { return command_; }

 private:
  std::string current_command();
  // The keyframe on screen in the drill's keyframes, else -1.
  int shown_keyframe() const;
  std::vector<stage::TrailPoint> current_trail() const;

  RasterWindow device_;
  OverlayPainter painter_;
  viewer::OverlayRequest request_;
  stage::TeachingWindow teaching_;
  const stage::Stage* stage_ = nullptr;
  std::vector<std::unique_ptr<stage::DrillTimeline>> timelines_;
  std::vector<std::uint32_t> pixels_;
  Surface view_;
  bool first_ = true;
  // What the last compose() painted above the stage, to restore and compare.
  std::vector<Rect> painted_;
  std::vector<stage::Figure> figures_;
  std::vector<stage::TrailPoint> trail_;
  std::string command_;
  int drill_ = -1;
};

}  // namespace raster
