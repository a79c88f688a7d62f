#include "platform/linux/viewer.hpp"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "drills/registry.hpp"
#include "platform/linux/presenter.hpp"
#include "platform/linux/viewer_progress.hpp"
#include "platform/linux/viewer_window.hpp"
#include "raster/overlay_painter.hpp"
#include "raster/raster_window.hpp"
#include "viewer/overlay_display.hpp"
#include "viewer/session.hpp"

namespace linux_host {
namespace {

using Clock = std::chrono::steady_clock;

constexpr float kTwipsPerPixel = 15.0f;
constexpr int kDefaultWidth = 1024;
constexpr int kDefaultHeight = 640;
// Beyond raster::kMaxWindowSide the stage is drawn at that size.
using raster::kMaxWindowSide;
constexpr char kTitle[] = "ミルカド ビューア";

class Viewer final : viewer::ViewerHost {
 public:
  Viewer(SDL_Window* window, stage::DrillList drills, const host::ViewerOptions& options)
      : sdl_(window),
        presenter_(window),
        session_(*this, drills, viewer::start_of(options), progress_store_.get()) {
    // Said once where a terminal sees it; the title keeps saying it.
    if (const std::string& notice = session_.keeper().notice(); !notice.empty())
      std::fprintf(stderr, "mirukado: %s\n", notice.c_str());
  }

  int run() {
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl_.sdl(), &w, &h);
    session_.start(std::clamp(w, 1, kMaxWindowSide), std::clamp(h, 1, kMaxWindowSide));
    while (!quit_) {
      const int delay = session_.advance();
      present();
      if (quit_) break;
      SDL_Event e;
      // Paused, the model has nothing to show until input comes: wait for it
      // without a timeout, so that an idle viewer costs nothing.
      const bool got =
          delay == stage::Playback::kIdle ? SDL_WaitEvent(&e) : SDL_WaitEventTimeout(&e, delay);
      if (!got) continue;
      // A quit goes before whatever else is queued: a viewer told to close
      // must not first work through a backlog of keys.
      if (quit_queued(e)) break;
      // Every other queued event is handled once, in order, before the
      // picture is shown again: keys pressed during a long seek wait here,
      // not lost.
      do handle(e);
      while (!quit_ && SDL_PollEvent(&e));
      finish_pending();
    }
    return 0;
  }

 private:
  // The session's window for a new size (or, in the teaching picture, a new
  // area for the drill or a new theme). Everything sized by the old window
  // goes before the new is made: a vector assigned a smaller size would keep
  // the old one's capacity (a window briefly made 16384 pixels square would
  // hold on to a GiB), and freeing first keeps the peak at one picture, not
  // two.
  stage::Window& make_window(int w, int h) override {
    window_.reset();
    pixels_ = std::vector<std::uint32_t>();
    window_ = std::make_unique<raster::RasterWindow>(w, h, kTwipsPerPixel);
    painter_.fit(viewer::overlay_font_extent(session_.teaching(), w, h));
    pixels_.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    display_ = {pixels_.data(), w, h, w};
    overlay_drawn_.clear();
    figures_.clear();
    everything_ = true;
    return *window_;
  }
  int line_height() const override { return painter_.line_height(); }
  int text_width(std::string_view utf8) override { return painter_.text_width(utf8); }
  std::int64_t now_ms() const override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - origin_).count();
  }

  // A new stage at the same place in the same drill, and a picture its size.
  void relayout(int w, int h) {
    session_.rebuild(std::clamp(w, 1, kMaxWindowSide), std::clamp(h, 1, kMaxWindowSide));
  }

  void present() {
    std::vector<raster::Rect> regions = window_->changes();
    // Pointer movements and other idle wake-ups change nothing on screen.
    const stage::Playback& p = session_.playback();
    const viewer::ShownState state = session_.shown();
    std::vector<stage::Figure> figures = session_.figures();
    const bool figures_moved = figures != figures_;
    if (regions.empty() && !everything_ && state == shown_ && !figures_moved) return;
    shown_ = state;
    figures_ = std::move(figures);
    // The overlay is painted over the stage composed into the picture shown;
    // where it was, the stage is composed again before it is painted anew.
    std::vector<raster::Rect> restore = regions;
    restore.insert(restore.end(), overlay_drawn_.begin(), overlay_drawn_.end());
    if (everything_) {
      restore.assign(1, raster::Rect{0, 0, display_.width, display_.height});
      boxes_shown_.forget();
    }
    view_ = session_.overlay();
    shown_.list_scroll = view_.list_scroll;
    // The teaching picture's command box and legend, drawn over nothing of
    // the stage, are left as they are unless they change or meet a restore.
    const bool boxes_due = boxes_shown_.due(
        view_, p.drill(),
        [&restore](const stage::PixelRect& b) { return raster::meets_any(restore, b); });
    if (boxes_due)
      for (const stage::PixelRect& box : {view_.command_box, view_.legend_box})
        if (box.w > 0 && box.h > 0) restore.push_back({box.x, box.y, box.w, box.h});
    for (const raster::Rect& r : restore)
      window_->compose(r, &display_.at(r.x, r.y), display_.pitch);

    // The figures go above the stage and below the overlay's boxes and cards;
    // a figure painted over a box is restored next time, and the box with it.
    overlay_drawn_ = painter_.play(session_.figure_layer(figures_), display_);
    if (boxes_due) painter_.play(session_.teaching_boxes(view_), display_);
    const std::vector<raster::Rect> painted = painter_.play(session_.panels(view_), display_);
    overlay_drawn_.insert(overlay_drawn_.end(), painted.begin(), painted.end());
    restore.insert(restore.end(), overlay_drawn_.begin(), overlay_drawn_.end());
    presenter_.show(display_, std::move(restore), everything_);
    everything_ = false;
    update_title();
  }

  void update_title() {
    const std::string title = std::string(kTitle) + " — " + session_.title();
    if (title != title_) {
      title_ = title;
      sdl_.set_title(title_);
    }
  }

  void handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT:
        quit_ = true;
        break;
      case SDL_SYSWMEVENT:
        if (sdl_.destroyed_by(e.syswm.msg)) quit_ = true;
        break;
      case SDL_KEYDOWN: {
        const viewer::KeyOutcome outcome = session_.key(key_name(e.key.keysym), e.key.repeat);
        if (outcome.effect) carry_out(*outcome.effect);
        if (outcome.retitle) update_title();
        break;
      }
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT) click(e.button.x, e.button.y);
        break;
      case SDL_MOUSEMOTION:
        // Dragging along the timeline seeks to where the pointer is last.
        if (dragging_ && (e.motion.state & SDL_BUTTON_LMASK)) {
          drag_to_ = e.motion.x;
        }
        break;
      case SDL_MOUSEWHEEL:
        if (view_.panel && e.wheel.y != 0) {
          int x = 0, y = 0;
          SDL_GetMouseState(&x, &y);
          session_.scroll_list(
              x, y, e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
        }
        break;
      case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT) dragging_ = false;
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
          resize_to_ = {e.window.data1, e.window.data2};
        else if (e.window.event == SDL_WINDOWEVENT_EXPOSED)
          everything_ = true;
        break;
      default:
        break;
    }
  }

  // Whether `first` or an event queued after it quits the viewer (the
  // window closed or destroyed, SIGTERM, which SDL queues as SDL_QUIT, or a
  // quit key). The keys are followed as handle() would take them, so that
  // an Escape that gives up a command number typed before it does not quit.
  bool quit_queued(const SDL_Event& first) {
    SDL_PumpEvents();
    const int queued = SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
    std::vector<SDL_Event> events(1, first);
    if (queued > 0) {
      events.resize(static_cast<std::size_t>(queued) + 1);
      const int got =
          SDL_PeepEvents(events.data() + 1, queued, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT);
      events.resize(static_cast<std::size_t>(std::max(0, got)) + 1);
    }
    viewer::CommandNumberEntry entry = session_.entry();
    for (const SDL_Event& e : events) {
      if (e.type == SDL_QUIT) return true;
      if (e.type == SDL_SYSWMEVENT && sdl_.destroyed_by(e.syswm.msg)) return true;
      if (e.type != SDL_KEYDOWN) continue;
      const std::string name = key_name(e.key.keysym);
      if (entry.is_open() && entry.key(name).taken) continue;
      const auto command = viewer::command_for_key(name);
      if (command == viewer::ViewerCommand::Quit && !e.key.repeat) return true;
      if (command == viewer::ViewerCommand::AskCommandNumber) entry.open();
    }
    return false;
  }

  // What piles up while the events drain (a drag, a resize, cards and themes
  // that move the drill) is applied once, at the last value: one relayout
  // for any number of causes.
  void finish_pending() {
    if (drag_to_) {
      carry_out(session_.drag(*drag_to_));
      drag_to_.reset();
    }
    auto [w, h] = resize_to_.value_or(std::tuple{display_.width, display_.height});
    resize_to_.reset();
    const bool resized = w != display_.width || h != display_.height;
    if (resized || session_.layout_due(w, h)) relayout(w, h);
  }

  void click(int x, int y) {
    const viewer::ClickOutcome outcome = session_.click(x, y);
    dragging_ = outcome.dragging;
    carry_out(outcome.effect);
  }

  // What the session leaves to the window.
  void carry_out(viewer::CommandEffect effect) {
    switch (effect) {
      case viewer::CommandEffect::FullScreen:
        sdl_.toggle_full_screen();
        break;
      case viewer::CommandEffect::Quit:
        quit_ = true;
        break;
      case viewer::CommandEffect::AskNumber:
        update_title();
        break;
      case viewer::CommandEffect::Panels:
      case viewer::CommandEffect::Theme:
        // The drill is fitted again into what a card leaves, or drawn in the
        // new theme, once the queued events are handled (finish_pending).
        break;
      default:
        break;
    }
  }

  ViewerWindow sdl_;
  Presenter presenter_;
  std::unique_ptr<raster::RasterWindow> window_;
  Clock::time_point origin_ = Clock::now();  // the session's clock's 0

  raster::OverlayPainter painter_;
  std::vector<std::uint32_t> pixels_;  // the stage's frame with the overlay above it
  raster::Surface display_;
  std::vector<raster::Rect> overlay_drawn_;  // restored before each paint
  viewer::TeachingBoxesShown boxes_shown_;
  viewer::OverlayView view_;
  std::vector<stage::Figure> figures_;  // as painted last
  viewer::ShownState shown_;
  std::string title_;

  std::unique_ptr<KeptFile> progress_store_ = viewer_progress_store(viewer_progress_path());
  bool everything_ = true;
  bool dragging_ = false;
  bool quit_ = false;
  std::optional<int> drag_to_;  // the pointer's x, dragged along the timeline
  std::optional<std::tuple<int, int>> resize_to_;
  // Last: what draws on window_ goes first.
  viewer::ViewerSession session_;
};

}  // namespace

int run_viewer(const host::ViewerOptions& options, bool server_has_randr) {
  const stage::DrillList drills = drills::registry();
  if (const std::string error = start_sdl_video(server_has_randr); !error.empty()) {
    std::fprintf(stderr, "mirukado view: cannot open the display: %s\n", error.c_str());
    return 1;
  }
  SDL_Rect bounds{0, 0, kDefaultWidth, kDefaultHeight};
  SDL_GetDisplayUsableBounds(0, &bounds);
  // Three quarters of the screen at most, so that the window fits with its frame.
  const int w = std::min(kDefaultWidth, bounds.w * 3 / 4);
  const int h = std::min(kDefaultHeight, bounds.h * 3 / 4);
  SDL_Window* window =
      SDL_CreateWindow(kTitle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, std::max(1, w),
                       std::max(1, h), SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
  if (!window) {
    std::fprintf(stderr, "mirukado view: cannot open the window: %s\n", SDL_GetError());
    SDL_Quit();
    return 1;
  }
  // Keys are commands here, not text for an input method.
  SDL_StopTextInput();
  int status = 0;
  {
    Viewer viewer(window, drills, options);
    status = viewer.run();
  }
  SDL_DestroyWindow(window);
  SDL_Quit();
  return status;
}

}  // namespace linux_host
