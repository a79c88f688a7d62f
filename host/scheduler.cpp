#include "host/scheduler.hpp"

#include <algorithm>
#include <limits>

namespace host {

Scheduler::Scheduler(std::span<Runner* const> heads, Clock clock) : clock_(std::move(clock)) {
  for (Runner* r : heads) heads_.push_back({r});
}

bool Scheduler::ticks(const Head& head) const {
  // Input through any head may have ended the run for all of them.
  return head.delay != Runner::kStopped && head.runner->running();
}

void Scheduler::set(Head& head, int delay) {
  // kUnchanged only comes from a tick re-entered from inside itself, which
  // the host's wait never does; treat it as the shortest wait.
  head.delay = delay == Runner::kUnchanged ? 1 : delay;
  head.next = clock_() + std::max(0, head.delay);
}

void Scheduler::start() {
  for (Head& h : heads_) set(h, h.runner->start());
}

int Scheduler::run_due() {
  for (Head& h : heads_) {
    if (ticks(h) && clock_() >= h.next) set(h, h.runner->on_timer());
  }
  if (!active()) return kAllStopped;
  const std::int64_t now = clock_();
  std::int64_t due = std::numeric_limits<std::int64_t>::max();
  for (const Head& h : heads_)
    if (ticks(h)) due = std::min(due, h.next);
  return static_cast<int>(std::max<std::int64_t>(0, due - now));
}

bool Scheduler::active() const {
  return std::any_of(heads_.begin(), heads_.end(), [this](const Head& h) { return ticks(h); });
}

}  // namespace host
