#pragma once
// One viewer on the page: the core's session over a raster window of the
// canvas's device pixels, and what the page's text last showed of it.

#include <emscripten.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "raster/raster_window.hpp"
#include "stage/drill.hpp"
#include "viewer/session.hpp"

namespace web {

inline constexpr float kTwipsPerPixel = 15.0f;  // the stage's 96-DPI layout, as on the desktop

// What the page shows of the learner: the position followed and how, the
// keyframe its trail ends on, and the practice session's step and score.
struct LearnerShown {
  int position = -1;
  bool mine_only = false;
  bool whole_path = false;
  int keyframe = -1;
  int practice = -1;  // the session's state, -1 with none
  int asked = -1;
  int items = -1;  // a retry asks again fewer items
  friend bool operator==(const LearnerShown&, const LearnerShown&) = default;
};

// What the page's text shows, kept so that each tick can tell the page which
// parts changed: drawing text costs more than the rest of a tick, and most
// ticks change none of it or only the timeline's position.
struct TextShown {
  std::string caption;
  std::vector<stage::Figure> figures;
  int points = -1;
  int left = 0;
  int drill = -1;
  int speed = -1;
  LearnerShown learner;
  std::optional<viewer::Score> previous;  // the "前回" the page shows
  std::string notice;                     // why progress is not being kept
};
// The parts of the page's text, as bits of what changed since the last ask.
enum TextChange : int {
  kCaptionChanged = 1,   // the caption: its text, size or place
  kControlsChanged = 2,  // the drill or the speed
  kFiguresChanged = 4,   // the people the page draws above the teaching picture
  kLearnerChanged = 8,   // the position followed, its trail or path, the practice's step
};

// How the page wants the drill drawn, as bits of mk_open's `look`.
enum Look : int {
  kTeachingLook = 1,  // the teaching picture (else the saver's own)
  kLightLook = 2,     // its light theme (else dark)
};

// The position address values that are no position: none given (the one
// remembered is followed); one given that is no number is -1, a position no
// drill has (followed as none, never remembered).
constexpr int kNoAddressPosition = -2;

inline stage::Theme theme_of(int look) {
  return look & kLightLook ? stage::Theme::Light : stage::Theme::Dark;
}

// The page's side of the session: the raster window of the canvas's device
// pixels it draws on, and the frame converted for the canvas. The page lays
// out its own text (caption, legend, list, cards) as page elements, so
// nothing of the overlay is measured here.
class PageHost final : public viewer::ViewerHost {
 public:
  stage::Window& make_window(int width, int height) override {
    window_.reset();
    rgba_ = std::vector<std::uint32_t>();  // no buffer keeps a larger canvas's capacity
    window_ = std::make_unique<raster::RasterWindow>(width, height, kTwipsPerPixel);
    rgba_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
    return *window_;
  }
  int line_height() const override { return kUnmeasuredLine; }
  int text_width(std::string_view) override { return 0; }
  // performance.now(): the clock the page's timer runs on.
  std::int64_t now_ms() const override {
    return static_cast<std::int64_t>(std::floor(emscripten_get_now()));
  }

  raster::RasterWindow& window() { return *window_; }
  const raster::RasterWindow& window() const { return *window_; }
  // The frame as the canvas's RGBA bytes, row after row at the window's
  // width. Only the changed rectangles are converted each tick; the page
  // keeps one ImageData on this buffer and puts the rectangles from it, so
  // no pixels are copied on the way and nothing is allocated per tick.
  std::vector<std::uint32_t>& rgba() { return rgba_; }
  std::vector<std::int32_t> rects;  // x, y, w, h per rectangle changed by the last present

 private:
  static constexpr int kUnmeasuredLine = 1;
  std::unique_ptr<raster::RasterWindow> window_;
  std::vector<std::uint32_t> rgba_;
};

// One viewer: the core's session over the page's window. The page shows one
// at a time; a new one takes the old one's place when the page changes the
// drills, while a resize or a new theme rebuilds the session's window and
// playback in place (a practice session goes on at the same step).
struct Viewer {
  Viewer(std::vector<stage::DrillDescriptor> chosen, const viewer::ViewerStart& start,
         host::KeptStore* store, int look_bits)
      : look(look_bits), drills(std::move(chosen)), session(host, drills, start, store) {}

  stage::Playback& playback() { return session.playback(); }
  const stage::Playback& playback() const { return session.playback(); }
  const stage::TeachingWindow* teaching() const { return session.teaching_window(); }
  const viewer::Learner& learner() const { return session.learner(); }
  raster::RasterWindow& window() { return host.window(); }
  const raster::RasterWindow& window() const { return host.window(); }

  // The text above the drill: in the teaching picture the command that stays
  // (the last one heard, with its speaker, until the next one, however the
  // learner got here); in the saver's picture the stage's own caption.
  std::string_view caption() const {
    if (!teaching()) return window().caption_text();
    const int c = playback().current_command();
    const auto& commands = playback().timeline().commands();
    if (c < 0 || c >= static_cast<int>(commands.size())) return {};
    return commands[static_cast<std::size_t>(c)].text;
  }

  LearnerShown learner_shown() const {
    const viewer::Learner& l = learner();
    LearnerShown shown{l.position.value_or(-1), l.mine_only, l.whole_path,
                       l.position ? playback().keyframe() : -1};
    if (l.practice) {
      shown.practice = static_cast<int>(l.practice->state());
      shown.asked = l.practice->score().asked;
      shown.items = static_cast<int>(l.practice->items().size());
    }
    return shown;
  }

  int look;
  PageHost host;                               // before the session, which draws on its window
  std::vector<stage::DrillDescriptor> drills;  // the page's choice, in playback order
  viewer::ViewerSession session;
  TextShown text_shown;
};

}  // namespace web
