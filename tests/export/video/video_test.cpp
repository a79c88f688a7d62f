// Subtitle cues against the drills' command lists, and the videos the sink
// writes as ffprobe and ffmpeg read them back.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "drills/pump_truck/pump_truck.hpp"
#include "drills/registry.hpp"
#include "export/video/video_job.hpp"
#include "stage/commands.hpp"
#include "support/test_output.hpp"

namespace fs = std::filesystem;

namespace {

constexpr int kPumpTruck = 2;  // the pump truck's Conf bit

using testing_support::work_dir;

std::string read_command(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  std::array<char, 65536> buf{};
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  pclose(p);
  return out;
}

std::vector<stage::DrillTimeline> timelines(std::vector<stage::FrameTable>& tables) {
  std::vector<stage::DrillTimeline> out;
  for (const stage::DrillDescriptor& d : drills::registry()) {
    tables.push_back(d.make_table());
    d.build(tables.back());
  }
  for (const stage::FrameTable& t : tables) out.emplace_back(t);
  return out;
}

// ---- Cues ---------------------------------------------------------------

TEST(Cues, OneCuePerCommandAtItsTimeOnTheRunsClock) {
  std::vector<stage::FrameTable> tables;
  const std::vector<stage::DrillTimeline> lines = timelines(tables);
  const stage::DrillTimeline& pump = lines[1];
  ASSERT_EQ(pump.commands().size(), 53u);

  const video::RunPlan plan = video::plan_run(kPumpTruck, 1);
  ASSERT_EQ(plan.cues.size(), pump.commands().size());
  const video::Cue& first = plan.cues.front();
  for (std::size_t i = 0; i < plan.cues.size(); ++i) {
    const stage::Command& c = pump.commands()[i];
    const video::Cue& cue = plan.cues[i];
    EXPECT_EQ(cue.text, c.text) << i;
    // At speed 1 the keyframes last their table durations.
    EXPECT_EQ(cue.start_ms - first.start_ms, c.time_ms - pump.commands().front().time_ms) << i;
    // Readable: at least 2 s unless the next command comes sooner, at most
    // 7 s, never overlapping the next.
    const std::int64_t next = i + 1 < plan.cues.size() ? plan.cues[i + 1].start_ms : plan.end_ms;
    EXPECT_LE(cue.end_ms, next) << i;
    EXPECT_TRUE(cue.end_ms - cue.start_ms >= 2000 || cue.end_ms == next) << i;
    EXPECT_LE(cue.end_ms - cue.start_ms, 7000) << i;
  }
  // The run: intro, every keyframe, outro.
  EXPECT_GT(plan.end_ms, first.start_ms - pump.commands().front().time_ms + pump.total_ms());
}

// The rule worked by hand: 4 spoken characters a second, the speaker and the
// brackets not counted, at least 2 s or the time the stage shows the
// caption, at most 7 s, and never past the limit (the next cue's start).
TEST(Cues, ReadableEnd) {
  struct Case {
    const char* name;
    const char* text;
    std::int64_t shown_ms;  // how long the stage shows it, from the start
    std::int64_t limit_ms;  // from the start
    std::int64_t expected_ms;
  };
  constexpr std::int64_t kStart = 10000;
  constexpr std::int64_t kFar = 60000;
  const Case cases[] = {
      // 2 characters: 0.5 s to read, shown 0.9 s: the shortest cue.
      {"short text", "指揮者「よし」", 900, kFar, 2000},
      // ホ ー ス 延 長 、 放 水 始 め: 10 characters, 2.5 s.
      {"long text", "指揮者「ホース延長、放水始め」", 900, kFar, 2500},
      {"next command soon", "指揮者「ホース延長、放水始め」", 900, 1200, 1200},
      {"next command before the shortest", "指揮者「よし」", 900, 1500, 1500},
      // 30 characters: 7.5 s, capped.
      {"very long text capped",
       "１番員「あいうえおかきくけこあいうえおかきくけこあいうえおかきくけこ」", 900, kFar, 7000},
      // 7 spoken characters (1.75 s); with the speaker 12 (3 s).
      {"speaker stripped", "２，３番員「ホース延長よし」", 900, kFar, 2000},
      // 9 characters (2.25 s); with the brackets 11 (2.75 s).
      {"brackets not read", "指揮者「あいうえおかきくけ」", 900, kFar, 2250},
      {"no speaker: all of it read", "あいうえおかきくけこ", 900, kFar, 2500},
      {"shown longer than it takes to read", "指揮者「よし」", 3500, kFar, 3500},
      {"shown longer than the longest cue", "指揮者「よし」", 9000, kFar, 7000},
  };
  for (const Case& c : cases)
    EXPECT_EQ(video::readable_end_ms(kStart, kStart + c.shown_ms, c.text, kStart + c.limit_ms),
              kStart + c.expected_ms)
        << c.name;

  // In a list each cue's limit is the next one's start; the last one's the run's end.
  const std::vector<video::Cue> shown = {
      {0, 900, "指揮者「よし」"}, {1000, 1900, "指揮者「よし」"}, {5000, 5900, "指揮者「よし」"}};
  const std::vector<video::Cue> readable = {
      {0, 1000, "指揮者「よし」"}, {1000, 3000, "指揮者「よし」"}, {5000, 6500, "指揮者「よし」"}};
  EXPECT_EQ(video::readable_cues(shown, 6500), readable);
}

TEST(Cues, AllDrillsPlayInOrderWithEveryCommand) {
  std::vector<stage::FrameTable> tables;
  const std::vector<stage::DrillTimeline> lines = timelines(tables);
  const video::RunPlan plan = video::plan_run(stage::all_drills_conf(drills::registry()), 3);
  std::vector<std::string> expected;
  for (const stage::DrillTimeline& t : lines)
    for (const stage::Command& c : t.commands()) expected.emplace_back(c.text);
  std::vector<std::string> texts;
  for (const video::Cue& c : plan.cues) texts.push_back(c.text);
  EXPECT_EQ(texts, expected);
  EXPECT_LE(plan.cues.back().end_ms, plan.end_ms);
}

TEST(Cues, SubRipAndWebVttFiles) {
  const std::vector<video::Cue> cues = {{0, 1500, "first"}, {3723004, 3724000, "two\nlines"}};
  EXPECT_EQ(video::format_srt(cues),
            "1\n00:00:00,000 --> 00:00:01,500\nfirst\n\n"
            "2\n01:02:03,004 --> 01:02:04,000\ntwo\nlines\n\n");
  EXPECT_EQ(video::format_vtt(cues),
            "WEBVTT\n\n00:00:00.000 --> 00:00:01.500\nfirst\n\n"
            "01:02:03.004 --> 01:02:04.000\ntwo\nlines\n\n");
  // A blank line would end the cue early.
  EXPECT_EQ(video::format_srt({{0, 1, "a\n\nb\n"}}), "1\n00:00:00,000 --> 00:00:00,001\na\nb\n\n");
}

// ---- Videos ------------------------------------------------------------

constexpr long kFps = 10;
constexpr int kWidth = 640;
constexpr int kHeight = 360;
constexpr double kMinPsnr = 35;

void render(video::VideoJob& job) {
  raster::ExportHooks hooks;
  hooks.advance_to = [&](std::int64_t t) { job.advance_to(t); };
  std::string error;
  ASSERT_TRUE(raster::export_frames(job.window(), job.schedule(), job.sink(), hooks, &error))
      << error;
}

// The picture after the tick that shows `keyframe` of the pump-truck drill,
// and the moment that tick and the next change come.
struct Reference {
  std::vector<std::uint8_t> rgb;
  std::int64_t shown_ms = 0;
  std::int64_t until_ms = 0;
};

Reference reference_frame(int keyframe, int speed, bool captions) {
  raster::RasterWindow window(kWidth, kHeight);
  video::CaptionlessWindow captionless(window);
  stage::Stage stage(captions ? static_cast<stage::Window&>(window) : captionless, kPumpTruck,
                     speed, drills::registry());
  stage::VirtualClock clock(stage);
  const auto shown = [&](int k) {
    return stage.phase() == stage::Stage::Phase::Keyframes && stage.frame_index() == k + 1;
  };
  while (!shown(keyframe)) clock.step();
  Reference r;
  r.shown_ms = clock.now();
  window.compose();
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const stage::Rgb c = window.frame_pixel(x, y);
      r.rgb.insert(r.rgb.end(), {c.r, c.g, c.b});
    }
  r.until_ms = clock.next_due();
  return r;
}

double psnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double d = static_cast<double>(a[i]) - static_cast<double>(b[i]);
    sum += d * d;
  }
  const double mse = sum / static_cast<double>(a.size());
  return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

struct Format {
  const char* extension;
  const char* video_codec;
  const char* subtitle_codec;
  bool burn;
};

class Video : public ::testing::TestWithParam<Format> {};

TEST_P(Video, StreamsDurationCuesAndPicture) {
  const Format f = GetParam();
  const fs::path dir = work_dir();
  const fs::path out = dir / (std::string("pump.") + f.extension);
  const fs::path srt = dir / "pump.srt";
  constexpr int kSpeed = 3;
  video::VideoOptions options{kPumpTruck, kSpeed, kFps,         kWidth,
                              kHeight,    f.burn, out.string(), srt.string()};
  video::VideoJob job(options);
  render(job);
  const std::vector<video::Cue>& cues = job.plan().cues;
  ASSERT_EQ(cues.size(), 53u);

  const std::string probe = read_command(
      "ffprobe -v error -show_entries stream=codec_name,pix_fmt,r_frame_rate,avg_frame_rate "
      "-show_entries format=duration:format_tags=title -of default=noprint_wrappers=1 " +
      out.string());
  EXPECT_NE(probe.find(std::string("codec_name=") + f.video_codec), std::string::npos) << probe;
  EXPECT_NE(probe.find(std::string("codec_name=") + f.subtitle_codec), std::string::npos);
  EXPECT_NE(probe.find("pix_fmt=yuv420p"), std::string::npos);
  // Players title it by the drill's display name, never its command-line name.
  EXPECT_NE(probe.find("TAG:title=ポンプ車操法\n"), std::string::npos) << probe;
  EXPECT_NE(probe.find("r_frame_rate=10/1\navg_frame_rate=10/1"), std::string::npos);
  const double duration = std::stod(probe.substr(probe.find("duration=") + 9));
  EXPECT_NEAR(duration, static_cast<double>(job.plan().end_ms) / 1000, 1.0 / kFps);

  // The subtitle track as ffmpeg reads it back is the cue list, and so is the file beside.
  // (Without the font tag the MP4 track's style gives each cue.)
  const std::string track =
      std::regex_replace(read_command("ffmpeg -v error -i " + out.string() + " -map 0:s -f srt -"),
                         std::regex("</?font[^>]*>"), "");
  EXPECT_EQ(track, video::format_srt(cues));
  std::ifstream side(srt);
  std::stringstream side_text;
  side_text << side.rdbuf();
  EXPECT_EQ(side_text.str(), video::format_srt(cues));

  // The picture at the command whose first keyframe stays longest.
  std::vector<stage::FrameTable> tables;
  const std::vector<stage::DrillTimeline> lines = timelines(tables);
  const stage::DrillTimeline& pump = lines[1];
  int keyframe = pump.commands().front().first_keyframe;
  for (const stage::Command& c : pump.commands())
    if (pump.duration_ms(c.first_keyframe) > pump.duration_ms(keyframe))
      keyframe = c.first_keyframe;
  const Reference ref = reference_frame(keyframe, kSpeed, f.burn);
  const Reference other = reference_frame(keyframe, kSpeed, !f.burn);
  const long frame = static_cast<long>((ref.shown_ms * kFps + 999) / 1000);
  ASSERT_LT(job.schedule().due_ms(frame), ref.until_ms);
  char at[32];
  std::snprintf(at, sizeof at, "%.4f", (static_cast<double>(frame) - 0.25) / kFps);
  const std::string decoded =
      read_command("ffmpeg -v error -ss " + std::string(at) + " -i " + out.string() +
                   " -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
  ASSERT_EQ(decoded.size(), ref.rgb.size());
  const std::vector<std::uint8_t> picture(decoded.begin(), decoded.end());
  EXPECT_GE(psnr(picture, ref.rgb), kMinPsnr);
  // With the caption or without, as asked: the other picture is further off.
  EXPECT_LT(psnr(picture, other.rgb), psnr(picture, ref.rgb) - 1);
}

INSTANTIATE_TEST_SUITE_P(Containers, Video,
                         ::testing::Values(Format{"mp4", "h264", "mov_text", true},
                                           Format{"webm", "vp9", "webvtt", false}),
                         [](const auto& info) { return std::string(info.param.extension); });

// A burned-in caption is on screen exactly while its cue lasts, past the
// keyframes that show it; without burning the picture has none.
TEST(VideoFile, BurnedCaptionFollowsTheCues) {
  for (const bool burn : {true, false}) {
    video::VideoJob job({kPumpTruck, 1, 1, 64, 36, burn, (work_dir() / "a.mp4").string(), ""});
    const std::vector<video::Cue>& cues = job.plan().cues;
    ASSERT_EQ(cues.size(), 53u);
    for (std::size_t i = 0; i < cues.size(); ++i) {
      const video::Cue& cue = cues[i];
      const std::string shown = burn ? cue.text : "";
      job.advance_to(cue.start_ms);
      EXPECT_EQ(job.window().caption_text(), shown) << i;
      job.advance_to(cue.end_ms - 1);
      EXPECT_EQ(job.window().caption_text(), shown) << i;
      if (i + 1 == cues.size() || cues[i + 1].start_ms > cue.end_ms) {
        job.advance_to(cue.end_ms);
        EXPECT_EQ(job.window().caption_text(), "") << i;
      }
    }
  }
}

TEST(VideoFile, Mp4HasItsIndexFirst) {
  const fs::path out = work_dir() / "a.mp4";
  video::VideoJob job({kPumpTruck, 3, 1, 64, 36, false, out.string(), ""});
  render(job);
  std::ifstream in(out, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_NE(bytes.find("mdat"), std::string::npos);
  EXPECT_LT(bytes.find("moov"), bytes.find("mdat"));
}

// Nothing of an unfinished or failed export stays, the subtitle file included.
TEST(VideoFile, UnfinishedOrFailedLeavesNothing) {
  const fs::path dir = work_dir();
  for (const char* name : {"a.mp4", "a.webm"}) {
    raster::RasterWindow window(64, 36);
    window.compose();
    {
      video::VideoSink sink((dir / name).string(),
                            {kFps, {{0, 100, "cue"}}, (dir / "a.vtt").string()});
      std::string error;
      ASSERT_TRUE(sink.begin(64, 36, &error)) << error;
      for (int i = 0; i < 30; ++i) ASSERT_TRUE(sink.add_frame(window.frame(), {}, &error));
    }
    EXPECT_TRUE(fs::is_empty(dir)) << name;
  }
  struct Case {
    std::string path;
    std::string subtitles;
    int width;
    const char* message;
  };
  for (const Case& c :
       {Case{"a.avi", "", 64, "must end in .mp4 or .webm"},
        Case{"a.mp4", "a.txt", 64, "must end in .srt or .vtt"},
        Case{"a.mp4", "", 63, "must be even"}, Case{"missing/a.mp4", "", 64, "missing"}}) {
    video::VideoSink sink((dir / c.path).string(), {kFps, {}, c.subtitles});
    std::string error;
    EXPECT_FALSE(sink.begin(c.width, 36, &error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
  EXPECT_TRUE(fs::is_empty(dir));
}

}  // namespace
