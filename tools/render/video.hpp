#pragma once
// Training video: one drill, or the enabled drills in order, as an MP4 or
// WebM with the spoken commands as a subtitle track.

namespace CLI {
class App;
}

namespace render_tool {

struct ToolCommand;

// `video DRILL|all [-o FILE.mp4|FILE.webm] [--fps 30] [--speed 1] [--size 1280x720]
// [--conf C] [--view teaching|saver] [--theme dark|light] [--burn-captions] [--subtitles
// FILE.srt|FILE.vtt] [--force]`.
ToolCommand add_video(CLI::App& app);

}  // namespace render_tool
