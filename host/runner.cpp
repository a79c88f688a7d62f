#include "host/runner.hpp"

namespace host {

Runner::Runner(stage::Window& window, const Settings& settings, Screen& screen, Saver* saver,
               stage::DrillList drills)
    : stage_(window, settings.conf, settings.speed, drills), screen_(screen), saver_(saver) {}

bool Runner::running() const {
  return !stopped_ && !stage_.ended() && !(saver_ && saver_->ended());
}

int Runner::start() {
  if (!running()) return kStopped;
  if (started_) return kUnchanged;
  started_ = true;
  stage_.activate();
  if (!running()) return kStopped;
  present(true);
  return stage::kFirstTickMs;
}

int Runner::on_timer() {
  if (!started_ || !running()) return running() ? kUnchanged : kStopped;
  if (in_tick_) return kUnchanged;
  in_tick_ = true;
  const int delay = stage_.tick();
  in_tick_ = false;
  // Input let through during the tick may have ended the run, and then the
  // window may be gone: nothing more is shown.
  if (!running()) return kStopped;
  present(redraw_pending_);
  // A zero delay would stop a real timer for good; no tick asks for one.
  return delay > 0 ? delay : 1;
}

void Runner::request_full_redraw() {
  if (in_tick_ || !started_) {
    redraw_pending_ = true;
    return;
  }
  if (running()) present(true);
}

void Runner::present(bool everything) {
  redraw_pending_ = false;
  screen_.present(everything);
}

void Runner::on_key_down() {
  if (saver_) saver_->on_key_down();
}
void Runner::on_key_press() {
  if (saver_) saver_->on_key_press();
}
void Runner::on_mouse_down() {
  if (saver_) saver_->on_mouse_down();
}
void Runner::on_mouse_up() {
  if (saver_) saver_->on_mouse_up();
}
void Runner::on_mouse_move(float x, float y) {
  if (saver_) saver_->on_mouse_move(x, y);
}

}  // namespace host
