#pragma once
// The one run loop of every host, turned inside out: the runner never waits and
// never reads a clock. A host calls start(), then on_timer() whenever the delay
// it was given has passed, and hands its input and exposes over in between;
// each call says how long until the next tick. So the same loop runs under an
// SDL wait loop, a Win32 timer (WM_TIMER), a browser's setTimeout and a test's
// fake clock. What stays with the host: the window, the event source, putting
// pixels on the screen and the timer itself.

#include "drills/registry.hpp"
#include "host/saver.hpp"
#include "host/settings.hpp"
#include "stage/stage.hpp"
#include "stage/window.hpp"

namespace host {

// How a host shows the stage window's picture.
class Screen {
 public:
  virtual ~Screen() = default;
  // Composes what changed on the stage window since the last call and puts
  // the changed rectangles on the screen; everything: the whole picture (the
  // first frame, or a screen the window system damaged).
  virtual void present(bool everything) = 0;
};

class Runner {
 public:
  // What on_timer() returns besides a delay: the run has ended, stop the timer.
  static constexpr int kStopped = -1;
  // on_timer() was called again from inside the tick in progress (a player
  // that lets pending events through can meet its own timer there): leave the
  // timer alone, the running tick's own return sets it.
  static constexpr int kUnchanged = 0;

  // Plays `settings` on `window` with `drills` (all must outlive the runner).
  // saver: the end-of-run rules that input goes to; without them (a viewer, a
  // page) input changes nothing.
  Runner(stage::Window& window, const Settings& settings, Screen& screen, Saver* saver,
         stage::DrillList drills = drills::registry());

  // The window's first activation: the stage's set-up, then the whole picture.
  // Returns the delay in ms until the first on_timer(), or kStopped.
  int start();
  // One tick, then what it changed on the screen. Returns the delay in ms
  // until the next call (always > 0), kStopped or kUnchanged.
  int on_timer();

  // The window system lost the picture: shown whole at once between ticks, or
  // right after the tick in progress.
  void request_full_redraw();

  // The saver window's input, for the end-of-run rules. After any of them the
  // host asks running() whether to go on.
  void on_key_down();
  void on_key_press();
  void on_mouse_down();
  void on_mouse_up();
  void on_mouse_move(float x, float y);  // twips

  // The host's own end (its window destroyed, its parent gone): no tick runs
  // after this.
  void stop() { stopped_ = true; }
  // Whether ticks should go on: not stopped, the end-of-run rules have not
  // ended the program and the stage still has its window.
  bool running() const;

  stage::Stage& stage() { return stage_; }
  const stage::Stage& stage() const { return stage_; }

 private:
  void present(bool everything);

  stage::Stage stage_;
  Screen& screen_;
  Saver* saver_;
  bool started_ = false;
  bool stopped_ = false;
  bool in_tick_ = false;
  bool redraw_pending_ = false;
};

}  // namespace host
