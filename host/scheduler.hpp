#pragma once
// Several stages on one thread: one runner per monitor (head), each with its
// own timer, all sharing the one end-of-run rules. The scheduler keeps each
// head's deadline and says how long the host may sleep; the host's event wait
// sleeps towards it, hands input to the runners in between and calls
// run_due() when it wakes. It never waits and reads time only from the clock
// it is given, so tests drive it on a fake one.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "host/runner.hpp"

namespace host {

class Scheduler {
 public:
  // Host time in ms, never decreasing.
  using Clock = std::function<std::int64_t()>;
  // What run_due() returns when no head will tick again.
  static constexpr int kAllStopped = -1;

  // The runners must outlive the scheduler.
  Scheduler(std::span<Runner* const> heads, Clock clock);

  // Starts every head (its stage's set-up and whole picture); a head whose
  // start fails stays stopped while the others play.
  void start();
  // Ticks every head whose deadline has come; each next deadline counts
  // from the end of the tick that set it, as a timer restarted then would.
  // Returns the ms until the earliest deadline (0: one is due already), or
  // kAllStopped once every head has stopped or the run has ended.
  int run_due();

  bool active() const;

 private:
  struct Head {
    Runner* runner;
    int delay = Runner::kStopped;
    std::int64_t next = 0;
  };
  bool ticks(const Head& head) const;
  void set(Head& head, int delay);

  std::vector<Head> heads_;
  Clock clock_;
};

}  // namespace host
