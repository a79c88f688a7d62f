#pragma once
// The progress line of mirukado-render's long commands: one line on stderr,
// redrawn in place with '\r' and ended with a newline, and only when stderr
// is a terminal (logs, pipes and the tests that compare output get nothing).

#include <cstdint>
#include <string>
#include <string_view>

namespace render_tool {

// A run that ends within kQuietNs prints nothing; a longer one redraws at
// most once every kRedrawNs (a terminal fed every frame slows the render).
inline constexpr std::int64_t kQuietNs = 1'000'000'000;
inline constexpr std::int64_t kRedrawNs = 200'000'000;

// "video drill.mp4: 43 % (1:02 / 2:24), 1:10 left". With per_second > 0 the
// counts are frames (or steps) of that many a second and show as the time
// they cover; with 0 they show as they are: "sheet drill.pdf: 43 % (23 / 53)".
// left_seconds < 0 leaves out the time left (not known yet).
std::string progress_text(std::string_view label, long done, long total, long per_second,
                          double left_seconds);

// Whether a line is due now: elapsed_ns since the run began, since_drawn_ns
// since the last line (meaningless until drawn), finished on the last update.
bool progress_due(std::int64_t elapsed_ns, std::int64_t since_drawn_ns, bool drawn, bool finished);

class Progress {
 public:
  // Counts up to total; see progress_text for per_second.
  Progress(std::string label, long total, long per_second = 0);
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;
  ~Progress();
  void update(long done);

 private:
  std::string label_;
  long total_;
  long per_second_;
  bool tty_;
  bool drawn_ = false;
  std::size_t drawn_length_ = 0;
  std::int64_t start_ns_;
  std::int64_t last_draw_ns_ = 0;
};

}  // namespace render_tool
