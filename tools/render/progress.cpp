#include "tools/render/progress.hpp"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>

namespace render_tool {
namespace {

constexpr long kPercent = 100;
constexpr long kSecondsPerMinute = 60;
constexpr long kSecondsPerHour = 3600;

std::int64_t now_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// "1:02", or "1:02:03" from an hour on.
std::string clock_time(long s) {
  char text[32];
  if (s >= kSecondsPerHour)
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / kSecondsPerHour,
                  s / kSecondsPerMinute % kSecondsPerMinute, s % kSecondsPerMinute);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld", s / kSecondsPerMinute, s % kSecondsPerMinute);
  return text;
}

}  // namespace

std::string progress_text(std::string_view label, long done, long total, long per_second,
                          double left_seconds) {
  // Rounded down, so that 100 % means done.
  const long percent = total > 0 ? done * kPercent / total : kPercent;
  std::string text(label);
  text.append(": ").append(std::to_string(percent)).append(" % (");
  if (per_second > 0)
    text.append(clock_time(done / per_second)).append(" / ").append(clock_time(total / per_second));
  else
    text.append(std::to_string(done)).append(" / ").append(std::to_string(total));
  text.append(")");
  if (left_seconds >= 0)
    text.append(", ").append(clock_time(std::lround(left_seconds))).append(" left");
  return text;
}

bool progress_due(std::int64_t elapsed_ns, std::int64_t since_drawn_ns, bool drawn, bool finished) {
  if (!drawn) return elapsed_ns >= kQuietNs;
  return finished || since_drawn_ns >= kRedrawNs;
}

Progress::Progress(std::string label, long total, long per_second)
    : label_(std::move(label)),
      total_(total),
      per_second_(per_second),
      tty_(isatty(STDERR_FILENO) == 1),
      start_ns_(now_ns()) {}

Progress::~Progress() {
  if (drawn_) std::fputc('\n', stderr);
}

void Progress::update(long done) {
  if (!tty_ || total_ <= 0) return;
  const std::int64_t now = now_ns();
  if (!progress_due(now - start_ns_, now - last_draw_ns_, drawn_, done >= total_)) return;
  last_draw_ns_ = now;
  drawn_ = true;
  const double elapsed = static_cast<double>(now - start_ns_) / 1e9;
  const double left =
      done > 0 ? elapsed * static_cast<double>(total_ - done) / static_cast<double>(done) : -1;
  std::string text = progress_text(label_, done, total_, per_second_, left);
  // Blank out what a longer line before left behind.
  const std::size_t length = text.size();
  if (length < drawn_length_) text.append(drawn_length_ - length, ' ');
  drawn_length_ = length;
  std::fprintf(stderr, "\r%s", text.c_str());
}

}  // namespace render_tool
