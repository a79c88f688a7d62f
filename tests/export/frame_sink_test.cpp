// The frame sinks' contract: frames arrive in order with the time they are on
// screen, and a failed or interrupted export leaves nothing it wrote.

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <set>

#include "export/frame_export.hpp"
#include "export/gif_sink.hpp"
#include "export/png_sink.hpp"
#include "support/pixel_check.hpp"

namespace raster {
namespace {

namespace fs = std::filesystem;

struct Received {
  FrameTime time;
  std::uint32_t pixel;  // the frame's first pixel
};

class RecordingSink final : public FrameSink {
 public:
  int width = 0;
  int height = 0;
  std::vector<Received> frames;
  bool finished = false;

  bool begin(int w, int h, std::string*) override {
    width = w;
    height = h;
    return true;
  }
  bool add_frame(const Surface& frame, FrameTime time, std::string*) override {
    frames.push_back({time, frame.at(0, 0)});
    return true;
  }
  bool finish(std::string*) override { return finished = true; }
  const std::string& warning() const override { return none_; }

 private:
  std::string none_;
};

// A stand-in for the drill: at time t the window's first pixel holds t.
ExportHooks painting_time(RasterWindow& w) {
  ExportHooks hooks;
  hooks.advance_to = [&w](std::int64_t t) {
    w.filled_box(0, 0, 0, 0, unpack(static_cast<std::uint32_t>(t)));
  };
  return hooks;
}

TEST(FrameExport, FramesArriveInOrderWithTheirDisplayTimes) {
  struct Case {
    FrameSchedule schedule;
    std::vector<FrameTime> times;
  };
  const Case cases[] = {
      {{0, 4, 3}, {{0, 250}, {250, 500}, {500, 750}}},
      {{0, 3, 3}, {{0, 333}, {333, 666}, {666, 1000}}},
      {{1.5, 5, 2}, {{1500, 1700}, {1700, 1900}}},
  };
  for (const Case& c : cases) {
    RasterWindow w(6, 4, 1);
    RecordingSink sink;
    std::string error;
    ASSERT_TRUE(export_frames(w, c.schedule, sink, painting_time(w), &error)) << error;
    EXPECT_EQ(sink.width, 6);
    EXPECT_EQ(sink.height, 4);
    EXPECT_TRUE(sink.finished);
    ASSERT_EQ(sink.frames.size(), c.times.size());
    for (std::size_t i = 0; i < c.times.size(); ++i) {
      EXPECT_EQ(sink.frames[i].time, c.times[i]) << "frame " << i << " at " << c.schedule.fps;
      EXPECT_EQ(sink.frames[i].pixel, c.times[i].shown_ms) << "composed at its own moment";
    }
  }
}

// Everything under dir, relative to it.
std::set<std::string> tree(const fs::path& dir) {
  std::set<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    out.insert(fs::relative(e.path(), dir).string());
  return out;
}

struct SinkCase {
  const char* name;
  std::function<std::unique_ptr<FrameSink>(const fs::path& dir)> make;
  std::set<std::string> finished;  // what a whole export of three frames leaves
  const char* obstacle;            // a folder in the way of the output (or of a later frame)
};

const SinkCase kSinks[] = {
    {"png",
     [](const fs::path& dir) {
       return std::make_unique<PngSequenceSink>((dir / "new/seq").string());
     },
     {"new", "new/seq", "new/seq/frame_00000.png", "new/seq/frame_00001.png",
      "new/seq/frame_00002.png"},
     "new/seq/frame_00001.png"},
    {"gif",
     [](const fs::path& dir) { return std::make_unique<GifSink>((dir / "a.gif").string()); },
     {"a.gif"},
     "a.gif"},
};

TEST(FrameSinks, KeepAWholeExportAndNothingOfAStoppedOrFailedOne) {
  for (const SinkCase& c : kSinks) {
    SCOPED_TRACE(c.name);
    const fs::path dir = test::output_dir() / "sinks" / c.name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    RasterWindow w(8, 8, 1);
    std::string error;

    ASSERT_TRUE(export_frames(w, {0, 10, 3}, *c.make(dir), painting_time(w), &error)) << error;
    EXPECT_EQ(tree(dir), c.finished) << "the output and no temporaries";
    fs::remove_all(dir);
    fs::create_directories(dir);

    // Stopped (the poll throws, as a signal does) after two frames went out.
    ExportHooks stopping = painting_time(w);
    int polls = 0;
    stopping.poll = [&] {
      if (++polls == 3) throw std::runtime_error("stopped");
    };
    EXPECT_THROW(export_frames(w, {0, 10, 3}, *c.make(dir), stopping, &error), std::runtime_error);
    EXPECT_EQ(tree(dir), std::set<std::string>{});

    fs::create_directories(dir / c.obstacle);
    const std::set<std::string> before = tree(dir);
    error.clear();
    EXPECT_FALSE(export_frames(w, {0, 10, 3}, *c.make(dir), painting_time(w), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";
    EXPECT_EQ(tree(dir), before) << "only what was there before";
  }
}

TEST(FrameSinks, GifDelaysAddUpToTheDisplayTimes) {
  const fs::path path = test::output_dir() / "sinks" / "delays.gif";
  fs::create_directories(path.parent_path());
  RasterWindow w(4, 4, 1);
  w.compose();
  std::string error;
  {
    GifSink sink(path.string());
    ASSERT_TRUE(sink.begin(4, 4, &error)) << error;
    for (const FrameTime t : {FrameTime{0, 333}, FrameTime{333, 666}, FrameTime{666, 1000}})
      ASSERT_TRUE(sink.add_frame(w.frame(), t, &error)) << error;
    ASSERT_TRUE(sink.finish(&error)) << error;
  }
  int code = 0;
  GifFileType* file = DGifOpenFileName(path.c_str(), &code);
  ASSERT_NE(file, nullptr) << GifErrorString(code);
  ASSERT_EQ(DGifSlurp(file), GIF_OK);
  std::vector<int> delays;
  for (int i = 0; i < file->ImageCount; ++i) {
    GraphicsControlBlock gcb{};
    DGifSavedExtensionToGCB(file, i, &gcb);
    delays.push_back(gcb.DelayTime);
  }
  DGifCloseFile(file, &code);
  EXPECT_EQ(delays, (std::vector<int>{33, 33, 34}));
}

}  // namespace
}  // namespace raster
