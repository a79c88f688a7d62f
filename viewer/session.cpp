#include "viewer/session.hpp"

#include <algorithm>
#include <utility>

#include "viewer/practice.hpp"

namespace viewer {

using host::KeptStore;
using stage::DisplayList;
using stage::DrillList;
using stage::Figure;
using stage::figure_layer_display;
using stage::followed_marks;
using stage::FollowedMarks;
using stage::HitKind;
using stage::HitRegion;
using stage::PersonSlot;
using stage::PixelRect;
using stage::Playback;
using stage::TeachingWindow;
using stage::Theme;
using stage::Window;

ViewerStart start_of(const host::ViewerOptions& options) {
  ViewerStart start;
  start.drill = options.drill;
  start.teaching = options.view == host::View::Teaching;
  start.theme = options.theme;
  start.role = options.role;
  start.practice = options.practice;
  return start;
}

ViewerSession::ViewerSession(ViewerHost& host, DrillList drills, const ViewerStart& start,
                             KeptStore* store)
    : host_(host), drills_(drills), start_(start), keeper_(store) {
  place_.drill = start.drill;
  place_.speed = start.speed;
  place_.playing = start.playing;
  panels_.theme = start.theme;
}

ViewerSession::~ViewerSession() {
  learner_.practice.reset();  // it drives the playback
  playback_.reset();          // it draws on the teaching window
}

void ViewerSession::start(int width, int height) {
  rebuild(width, height);
  // A keyframe past the drill's end is no place to open at: the start it is.
  if (start_.keyframe && *start_.keyframe >= 0 &&
      *start_.keyframe < playback_->timeline().keyframes()) {
    playback_->seek_keyframe(*start_.keyframe);
    if (start_.playing) playback_->play();
  }
  follow_drill();
  if (start_.role) {
    const int positions = playback_->stage().table(playback_->drill()).person_count();
    if (*start_.role >= 0 && *start_.role < positions) {
      learner_.position = start_.role;
      remember_choice();
    } else {
      learner_.position.reset();
      set_position_.reset();
    }
  }
  if (start_.practice) run(ViewerCommand::Practice);
}

int ViewerSession::advance() {
  const std::int64_t now = host_.now_ms() - origin_;
  const int delay = learner_.practice ? learner_.practice->advance(now) : playback_->advance(now);
  follow_drill();  // the drill played out and the next began
  note_score();
  return delay;
}

const char* ViewerSession::drill_name() const {
  return drills_[static_cast<std::size_t>(playback_->drill())].name;
}

// A drill newly shown follows the position remembered for it.
void ViewerSession::follow_drill() {
  if (followed_drill_ == playback_->drill()) return;
  followed_drill_ = playback_->drill();
  learner_.position =
      keeper_.chosen(drill_name(), playback_->stage().table(playback_->drill()).person_count());
  set_position_ = learner_.position;
}

// The position the learner chose is remembered for the drill; one the
// session set itself (a remembered one the drill lacks, followed as none)
// leaves the record as it is.
void ViewerSession::remember_choice() {
  if (learner_.position == set_position_) return;
  set_position_ = learner_.position;
  keeper_.choose(drill_name(), learner_.position);
}

// A session finished: its score is the position's last, shown next time (a
// retry of the missed items finishes again and scores them alone).
void ViewerSession::note_score() { keeper_.note(learner_.practice.get(), drill_name()); }

CommandEffect ViewerSession::run(ViewerCommand command, int arg) {
  advance();  // commands act at the present moment
  const CommandEffect effect = apply(command, arg, *playback_, panels_, learner_);
  follow_drill();
  remember_choice();
  note_score();
  if (effect == CommandEffect::AskNumber && !start_.host_overlay) entry_.open();
  return effect;
}

KeyOutcome ViewerSession::key(std::string_view name, bool repeated) {
  KeyOutcome outcome;
  // The title shows the digits typed, and drops them once the entry closes,
  // whether or not the key then does anything else.
  outcome.retitle = entry_.is_open();
  const CommandNumberEntry::Outcome typed = entry_.key(name);
  if (typed.taken) {
    if (typed.go_to) outcome.effect = run(ViewerCommand::GoToCommand, *typed.go_to);
    return outcome;
  }
  const std::optional<ViewerCommand> command = command_for_key(name);
  if (command && (!repeated || viewer_command_row(*command).repeats))
    outcome.effect = run(*command);
  if (outcome.effect == CommandEffect::AskNumber) outcome.retitle = true;
  return outcome;
}

void ViewerSession::choose_from_legend(int position) {
  follow(learner_.position == position ? std::nullopt : std::optional(position));
}

void ViewerSession::follow(std::optional<int> position) {
  advance();
  follow_position(learner_, *playback_, position);
  remember_choice();
  note_score();
}

void ViewerSession::show_panels(bool help, bool commands) {
  panels_.help = help;
  panels_.commands = commands;
}

void ViewerSession::set_theme(Theme theme) { panels_.theme = theme; }

ShownState ViewerSession::shown() const {
  const Playback& p = *playback_;
  ShownState state{p.drill(), p.keyframe(), p.elapsed_ms(),   p.playing(),  p.speed(),
                   p.loop(),  panels_.help, panels_.commands, list_scroll()};
  state.position = learner_.position;
  state.mine_only = learner_.mine_only;
  state.whole_path = learner_.whole_path;
  if (const PracticeSession* s = learner_.practice.get()) {
    state.practice_state = static_cast<int>(s->state());
    state.practice_asked = s->score().asked;
  }
  return state;
}

std::optional<Score> ViewerSession::previous_score() const {
  return keeper_.previous(drill_name(), learner_.position, learner_.practice.get());
}

int ViewerSession::list_scroll() const {
  return playback_->current_command() == listed_command_ ? list_scroll_ : 0;
}

OverlayView ViewerSession::overlay() {
  if (playback_->current_command() != listed_command_) {
    listed_command_ = playback_->current_command();
    list_scroll_ = 0;
  }
  OverlayView view = overlay_view(*playback_, request());
  // The wheel may have asked for more than the list has: keep what it got,
  // so that turning back acts at once.
  list_scroll_ = view.list_scroll;
  return view;
}

bool ViewerSession::scroll_list(int x, int y, int notches) {
  const OverlayView view = overlay();
  if (notches == 0 || !view.panel || !view.panel->contains(x, y)) return false;
  // Turned away from the user (up) shows the earlier commands.
  list_scroll_ -= notches * kRowsPerWheelNotch;
  list_scroll_ = overlay().list_scroll;
  return true;
}

std::vector<Figure> ViewerSession::figures() {
  if (!teaching_window_) return {};
  teaching_window_->choose(learner_.position);
  return teaching_window_->figures();
}

FollowedMarks ViewerSession::followed_marks(const std::vector<Figure>& figures) const {
  if (!learner_.position || !teaching_window_) return {};
  // A revealed move's end, while the session practises the drill shown.
  std::optional<PersonSlot> destination;
  if (const PracticeSession* s = learner_.practice.get();
      s && s->drill() == playback_->drill() && s->state() == PracticeState::Revealed)
    destination = s->destination();
  return stage::followed_marks(figures, *teaching_window_, *playback_, learner_.whole_path,
                               destination);
}

DisplayList ViewerSession::figure_layer(const std::vector<Figure>& figures) const {
  if (!teaching_window_) return {};
  return figure_layer_display(figures, panels_.theme, followed_marks(figures));
}

DisplayList ViewerSession::teaching_boxes(const OverlayView& view) const {
  return teaching_boxes_display(view, host_.line_height(), host_);
}

DisplayList ViewerSession::panels(const OverlayView& view) const {
  return panels_display(view, host_.line_height(), host_);
}

DisplayList ViewerSession::display(const std::vector<Figure>& figures,
                                   const OverlayView& view) const {
  DisplayList out = figure_layer(figures);
  out.append(teaching_boxes(view));
  out.append(panels(view));
  return out;
}

ClickOutcome ViewerSession::click(int x, int y) {
  const OverlayView view = overlay();
  const std::optional<HitRegion> hit = display({}, view).hit(x, y);
  if (!hit) return {};
  switch (hit->kind) {
    case HitKind::Timeline:
      if (const std::optional<int> ms = timeline_hit(view, *playback_, x, y))
        return {run(ViewerCommand::SeekTime, *ms), true};
      return {};
    case HitKind::Command:
      return {run(ViewerCommand::GoToCommand, hit->value), false};
    case HitKind::Legend:
      choose_from_legend(hit->value);
      return {CommandEffect::Playback, false};
  }
  return {};
}

CommandEffect ViewerSession::drag(int x) {
  const OverlayView view = overlay();
  // A pointer held beyond the window's edge (a captured drag) stays at the bar's end.
  x = std::clamp(x, view.band.x, view.band.x + view.band.w - 1);
  if (const std::optional<int> ms = timeline_hit(view, *playback_, x, view.bar.y))
    return run(ViewerCommand::SeekTime, *ms);
  return CommandEffect::Nothing;
}

OverlayRequest ViewerSession::request(int width, int height) const {
  OverlayRequest r{width, height, host_.line_height(), panels_.help, panels_.commands};
  r.list_scroll = list_scroll_;
  r.teaching = start_.teaching;
  r.theme = panels_.theme;
  r.learner = true;
  r.position = learner_.position;
  r.mine_only = learner_.mine_only;
  r.practice = learner_.practice.get();
  if (playback_) r.previous_score = previous_score();
  return r;
}

// The title names the drill, the keyframe and the command heard: what a
// window list shows, and what scripts driving the viewer read. In practice it
// says what is asked, and the answer once revealed.
std::string ViewerSession::title() const {
  std::optional<OverlayView> view;
  if (learner_.practice) view = overlay_view(*playback_, request());
  return viewer_title(*playback_, entry_, view && view->practice ? &*view->practice : nullptr,
                      keeper_.notice());
}

bool ViewerSession::layout_due(int width, int height) const {
  // The teaching picture never lies under a card, and is drawn in its theme.
  return start_.teaching &&
         (panels_.theme != laid_out_theme_ || stage_area(width, height) != laid_out_area_);
}

PixelRect ViewerSession::stage_area(int width, int height) const {
  if (start_.host_overlay) return {0, 0, width, height};
  return teaching_stage_area(request(width, height));
}

void ViewerSession::rebuild(int width, int height) {
  if (playback_) {
    advance();
    place_ = playback_->place();
  }
  // What drew on the old window goes before the host frees it.
  playback_.reset();
  teaching_window_.reset();
  width_ = width;
  height_ = height;
  Window& device = host_.make_window(width, height);
  Window* stage_window = &device;
  if (start_.teaching) {
    // The drill fills what the band, the boxes and the open card leave.
    laid_out_area_ = stage_area(width, height);
    laid_out_theme_ = panels_.theme;
    teaching_window_ =
        std::make_unique<TeachingWindow>(device, drills_, panels_.theme, laid_out_area_, extents_);
    extents_ = teaching_window_->extents();
    stage_window = teaching_window_.get();
  }
  playback_ = std::make_unique<Playback>(*stage_window, drills_, place_);
  origin_ = host_.now_ms();  // its t = 0 once it stands at the place
  // A practice session goes on over the new playback, at the same step.
  if (learner_.practice && !learner_.practice->rebind(*playback_)) learner_.practice.reset();
}

}  // namespace viewer
