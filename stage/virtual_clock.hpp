#pragma once
// Plays a Stage on virtual time: the timer interval each tick returns decides
// when the next tick is due, and nothing waits. Used by tests and by the
// headless tool to reach any moment of a run in milliseconds.

#include <cstdint>

#include "stage/stage.hpp"

namespace stage {

class VirtualClock {
 public:
  // Activates the stage at t = 0; its set-up asks for the first tick 1 ms later.
  explicit VirtualClock(Stage& stage) : stage_(stage) {
    stage_.activate();
    next_due_ = kFirstTickMs;
  }

  // Runs every tick due at or before t (ms since activation), in order.
  // Returns the number of ticks run.
  long advance_to(std::int64_t t) {
    long ticks = 0;
    while (next_due_ <= t && !stage_.ended()) {
      run_one();
      ++ticks;
    }
    if (t > now_) now_ = t;
    return ticks;
  }

  // Runs exactly the next tick, whenever it is due, and moves the clock to it.
  void step() {
    if (stage_.ended()) return;
    run_one();
  }

  // Steps through one whole run: every enabled drill once, until the first
  // one opens again (the end of its predecessor's closing). Calls
  // each_tick() after every tick. False when the stage ends or the clock
  // passes limit_ms first: a run that never comes round.
  template <class EachTick>
  bool play_round(std::int64_t limit_ms, EachTick each_tick) {
    const int first = stage_.drill();
    bool closing_seen = false;
    while (true) {
      step();
      if (stage_.ended() || now_ > limit_ms) return false;
      each_tick();
      if (stage_.phase() == Stage::Phase::Outro) closing_seen = true;
      if (closing_seen && stage_.drill() == first && stage_.phase() == Stage::Phase::Intro)
        return true;
    }
  }

  std::int64_t now() const { return now_; }
  std::int64_t next_due() const { return next_due_; }

 private:
  void run_one() {
    now_ = next_due_;
    const int interval = stage_.tick();
    // A timer interval of 0 would stop a real timer; the drills never ask for
    // one, but a stalled virtual clock would loop for ever, so treat it as 1 ms.
    next_due_ = now_ + (interval > 0 ? interval : 1);
  }

  Stage& stage_;
  std::int64_t now_ = 0;
  std::int64_t next_due_ = kFirstTickMs;
};

}  // namespace stage
