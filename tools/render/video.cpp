#include "tools/render/video.hpp"

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <string>

#include "drills/registry.hpp"
#include "export/video/video_job.hpp"
#include "tools/render/tool.hpp"

namespace render_tool {
namespace {

constexpr const char* kAll = "all";

}  // namespace

ToolCommand add_video(CLI::App& app) {
  struct Options {
    std::string target;
    std::string conf = std::to_string(stage::all_drills_conf(drills::registry()));
    std::string speed;
    std::string fps;
    std::string size;
    bool burn_captions = false;
    ViewOptions view;
    std::string subtitles;
    OutputOption output;
  };
  auto o = std::make_shared<Options>();
  CLI::App* command = app.add_subcommand(
      "video", "one whole run as a video (H.264 MP4 or VP9 WebM) with the commands as subtitles");
  command
      ->add_option("TARGET", o->target,
                   "the drill (" + drill_names(", ") + "), or all: the enabled drills in order")
      ->type_name("DRILL|all")
      ->required();
  CLI::Option* conf =
      command->add_option("--conf", o->conf, "with all: the enabled drills' bits, " + drill_bits())
          ->type_name("C")
          ->capture_default_str();
  add_speed_option(*command, o->speed);
  add_fps_option(*command, o->fps, "30", "frames per second, 1..120 (a constant rate)");
  // FFmpeg bounds a frame's area: the widest picture is not the tallest too.
  add_size_option(*command, o->size,
                  "picture size in pixels, even both ways, 2..16384 each way and at most " +
                      std::to_string(video::tallest_supported_height(raster::kMaxWindowSide)) +
                      " high at " + std::to_string(raster::kMaxWindowSide) + " wide");
  add_view_options(*command, o->view, "teaching");
  command->add_flag("--burn-captions", o->burn_captions,
                    "with --view saver: draw the captions in the picture too (by default they "
                    "are only subtitles; the teaching picture writes the command on top)");
  command
      ->add_option("--subtitles", o->subtitles,
                   "also write the subtitles to this SubRip or WebVTT file")
      ->type_name("FILE.srt|FILE.vtt");
  add_output_option(*command, o->output, "MP4 or WebM video", "DRILL.mp4");
  return {command, [o, conf] {
            catch_stop_signals();
            video::VideoOptions v;
            if (o->target == kAll) {
              v.conf = parse_conf(o->conf);
            } else {
              if (conf->count() != 0) throw UsageError{"--conf is for all, not for one drill"};
              v.conf = drill_named(o->target).conf_bit();
            }
            v.speed = static_cast<int>(parse_long(o->speed, "speed", 1, 3));
            v.fps = parse_long(o->fps, "fps", 1, 120);
            const Size size = parse_size(o->size);
            if (size.w % 2 != 0 || size.h % 2 != 0)
              throw UsageError{"video size must be even both ways, not " + o->size};
            if (!video::frame_size_supported(size.w, size.h))
              throw UsageError{"video size " + o->size + " is more than FFmpeg's encoders take: " +
                               std::to_string(size.w) + " wide, at most " +
                               std::to_string(video::tallest_supported_height(size.w)) + " high"};
            v.width = size.w;
            v.height = size.h;
            const PictureStyle style = parse_view(o->view, v.conf);
            if (o->burn_captions && style.view == View::Teaching)
              throw UsageError{
                  "--burn-captions is for --view saver; the teaching picture shows the command "
                  "on top"};
            v.burn_captions = o->burn_captions;
            v.teaching = style.view == View::Teaching;
            v.theme = style.theme;
            v.role = style.role;
            v.path = o->output.resolve(o->target, ".mp4");
            const std::optional<video::Container> container = video::container_for(v.path);
            if (!container) throw UsageError{"video file " + v.path + " must end in .mp4 or .webm"};
            v.replace = o->output.replace();
            if (check_output(v.path, v.replace) && *container == video::Container::Mp4)
              throw UsageError{
                  "an MP4 has to be a regular file (its index is moved to the front): " + v.path};
            v.subtitles_path = o->subtitles;
            // Named by the user like -o: replaced if writable, anything with --force.
            v.subtitles_replace =
                o->output.force ? raster::Replace::Forced : raster::Replace::IfWritable;
            if (!v.subtitles_path.empty()) {
              if (!video::subtitle_format_for(v.subtitles_path))
                throw UsageError{"subtitle file " + v.subtitles_path + " must end in .srt or .vtt"};
              check_output(v.subtitles_path, v.subtitles_replace);
            }
            video::VideoJob job(v, stop_if_signalled);
            run_export("video " + v.path, job.frames(), job.clock(), job.schedule(), job.sink(),
                       [&job](std::int64_t t) { job.advance_to(t); });
            return 0;
          }};
}

}  // namespace render_tool
