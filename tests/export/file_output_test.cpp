// PNG frames and animated GIFs: readable by the libraries that read them, and
// no file left behind when a write fails.

#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "export/gif_writer.hpp"
#include "export/output_file.hpp"
#include "export/png_writer.hpp"
#include "raster/raster_window.hpp"
#include "support/pixel_check.hpp"

namespace raster {
namespace {

namespace fs = std::filesystem;
using namespace stage::colors;

// A fresh, empty folder per test.
fs::path scratch(const std::string& name) {
  const fs::path dir = test::output_dir() / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

std::vector<fs::path> listing(const fs::path& dir) {
  return {fs::directory_iterator(dir), fs::directory_iterator()};
}

struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  std::uint32_t at(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 3;
    return std::uint32_t{rgb[i]} << 16 | std::uint32_t{rgb[i + 1]} << 8 | rgb[i + 2];
  }
};

bool read_png(const fs::path& path, Decoded* out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  out->width = static_cast<int>(image.width);
  out->height = static_cast<int>(image.height);
  out->rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, out->rgb.data(), 0, nullptr) != 0;
}

RasterWindow& scene(RasterWindow& w) {
  w.filled_box(0, 0, 9, 9, red);
  w.line(0, 20, 39, 20, cyan);
  w.set_slot_left(0, 20);
  w.set_slot_top(0, 0);
  w.set_slot_size(0, 32, 32);
  w.set_slot_picture(0, 0);
  return w;
}

// What a PNG of the window shows: its composed frame.
bool write_frame(RasterWindow& w, const fs::path& path, std::string* error) {
  w.compose();
  return write_png_file(w.frame(), path.string(), error);
}

TEST(Png, WritesTheComposedFrame) {
  const fs::path dir = scratch("png_ok");
  RasterWindow w(64, 40, 1);
  scene(w);
  std::string error;
  ASSERT_TRUE(write_frame(w, dir / "frame.png", &error)) << error;
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(listing(dir).size(), 1u) << "no temporary file left";
  std::ofstream(dir / "plain.txt") << "x";
  EXPECT_EQ(fs::status(dir / "frame.png").permissions(),
            fs::status(dir / "plain.txt").permissions())
      << "permissions of any new file, not those of a private temporary";
  Decoded png;
  ASSERT_TRUE(read_png(dir / "frame.png", &png));
  ASSERT_EQ(png.width, 64);
  ASSERT_EQ(png.height, 40);
  EXPECT_EQ(png.at(5, 5), 0xFF0000u);
  EXPECT_EQ(png.at(5, 20), 0x00FFFFu);
  EXPECT_EQ(png.at(36, 16), 0x0000FFu) << "slots are part of the written frame";
  EXPECT_EQ(png.at(63, 39), 0u);
  EXPECT_TRUE(test::matches(w.frame(), [&](int x, int y) { return png.at(x, y); }));
}

TEST(Png, FailureLeavesNoFile) {
  RasterWindow w(8, 8, 1);
  std::string error;
  EXPECT_FALSE(write_frame(w, "/nonexistent-folder/mirukado/frame.png", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error.find('\n'), std::string::npos) << "one line";

  // The rename fails when the target is a folder: the temporary goes too.
  const fs::path dir = scratch("png_fail");
  fs::create_directories(dir / "taken");
  error.clear();
  EXPECT_FALSE(write_frame(w, dir / "taken", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(listing(dir).size(), 1u);
}

TEST(Gif, WritesALoopingAnimationOfChangedRectangles) {
  const fs::path dir = scratch("gif_ok");
  const fs::path path = dir / "anim.gif";
  RasterWindow w(64, 40, 1);
  GifWriter gif;
  std::string error;
  ASSERT_TRUE(gif.open(path.string(), 64, 40, &error)) << error;
  w.compose();
  ASSERT_TRUE(gif.add_frame(w.frame(), 10));
  scene(w).compose();
  ASSERT_TRUE(gif.add_frame(w.frame(), 10));
  w.filled_box(55, 34, 57, 37, grey);  // clear of the slot (20..51, 0..31)
  w.compose();
  ASSERT_TRUE(gif.add_frame(w.frame(), 25));
  ASSERT_TRUE(gif.add_frame(w.frame(), 25));  // unchanged
  ASSERT_TRUE(gif.finish(&error)) << error;
  EXPECT_EQ(listing(dir).size(), 1u) << "no temporary file left";

  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 6u);
  EXPECT_EQ(bytes.substr(0, 6), "GIF89a");
  EXPECT_NE(bytes.find("NETSCAPE2.0"), std::string::npos);

  int code = 0;
  GifFileType* file = DGifOpenFileName(path.c_str(), &code);
  ASSERT_NE(file, nullptr) << GifErrorString(code);
  ASSERT_EQ(DGifSlurp(file), GIF_OK) << GifErrorString(file->Error);
  EXPECT_EQ(file->ImageCount, 4);
  EXPECT_EQ(file->SWidth, 64);
  EXPECT_EQ(file->SHeight, 40);
  // The third frame holds only the grey box, in mid grey exactly.
  const SavedImage& third = file->SavedImages[2];
  EXPECT_EQ(third.ImageDesc.Left, 55);
  EXPECT_EQ(third.ImageDesc.Top, 34);
  EXPECT_EQ(third.ImageDesc.Width, 3);
  EXPECT_EQ(third.ImageDesc.Height, 4);
  const GifColorType g = file->SColorMap->Colors[third.RasterBits[0]];
  EXPECT_EQ((std::array<int, 3>{g.Red, g.Green, g.Blue}), (std::array<int, 3>{128, 128, 128}));
  // The second frame: red keeps its exact value.
  const SavedImage& second = file->SavedImages[1];
  const int sx = 5 - second.ImageDesc.Left;
  const int sy = 5 - second.ImageDesc.Top;
  ASSERT_GE(sx, 0);
  ASSERT_GE(sy, 0);
  const GifColorType r =
      file->SColorMap->Colors[second.RasterBits[sy * second.ImageDesc.Width + sx]];
  EXPECT_EQ((std::array<int, 3>{r.Red, r.Green, r.Blue}), (std::array<int, 3>{255, 0, 0}));
  GraphicsControlBlock gcb{};
  ASSERT_EQ(DGifSavedExtensionToGCB(file, 2, &gcb), GIF_OK);
  EXPECT_EQ(gcb.DelayTime, 25);
  DGifCloseFile(file, &code);
}

TEST(Gif, PaletteHoldsTheDrillColoursExactly) {
  GifPalette palette;
  for (const std::uint32_t c :
       {0x000000u, 0xFFFFFFu, 0xFF0000u, 0x00FFFFu, 0xFFFF00u, 0x808080u, 0x0000FFu, 0xF0F0F0u})
    EXPECT_EQ(palette.colours()[palette.index_of(c)], c) << test::hex(c);
  EXPECT_EQ(palette.colours()[palette.index_of(0x7F8081)], 0x808080u) << "nearest";
}

TEST(Gif, FailureLeavesNoFile) {
  GifWriter gif;
  std::string error;
  EXPECT_FALSE(gif.open("/nonexistent-folder/mirukado/anim.gif", 8, 8, &error));
  EXPECT_FALSE(error.empty());

  const fs::path dir = scratch("gif_fail");
  RasterWindow small(8, 8, 1);
  small.compose();
  // A frame of the wrong size spoils the file.
  ASSERT_TRUE(gif.open((dir / "anim.gif").string(), 16, 16, &error)) << error;
  EXPECT_FALSE(gif.add_frame(small.frame(), 10, &error));
  EXPECT_FALSE(gif.finish(&error));
  EXPECT_TRUE(listing(dir).empty());
  // So does abandoning it.
  {
    GifWriter abandoned;
    ASSERT_TRUE(abandoned.open((dir / "anim.gif").string(), 8, 8, &error)) << error;
    EXPECT_TRUE(abandoned.add_frame(small.frame(), 10));
  }
  EXPECT_TRUE(listing(dir).empty());
}

// A file that appears at the destination while it is written (another run,
// the user) is kept unless the rule says always; the temporary never shows,
// and a name as long as the folder allows still works.
TEST(OutputFile, AFileThatAppearsMeanwhileIsReplacedOnlyWhenAlwaysAllowed) {
  const std::string kLongestName = std::string(251, 'n') + ".png";  // 255 bytes
  for (const Temporary temporary : {Temporary::Unnamed, Temporary::Named}) {
    for (const Replace replace : {Replace::Never, Replace::IfWritable, Replace::Forced}) {
      const fs::path dir = scratch("appears");
      const fs::path path = dir / kLongestName;
      std::string error;
      OutputFile file(path.string(), replace, &error, temporary);
      ASSERT_NE(file.stream(), nullptr) << error;
      std::fputs("new", file.stream());
      if (temporary == Temporary::Unnamed) {
        EXPECT_TRUE(listing(dir).empty()) << "nothing a kill could leave behind";
      }
      std::ofstream(path) << "precious";
      const bool replaced = replace == Replace::Forced;
      EXPECT_EQ(file.commit(&error), replaced) << error;
      std::ifstream in(path);
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), replaced ? "new" : "precious");
      if (!replaced) {
        EXPECT_NE(error.find("--force"), std::string::npos) << error;
      }
      EXPECT_EQ(listing(dir), std::vector<fs::path>{path}) << "the temporary is gone";
    }
  }
}

// Files that go into place together: a swap whose last step fails (an entry
// to remove that went meanwhile) takes back every step before it, and the
// private folder goes either way.
TEST(StagingFolder, ASwapIsWholeOrTakenBack) {
  const auto text = [](const fs::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  for (const bool removed_exists : {false, true}) {
    const fs::path dir = scratch("staging");
    std::ofstream(dir / "a") << "old a";
    std::ofstream(dir / "stale") << "old stale";
    {
      StagingFolder staging;
      std::string error;
      std::string warning;
      ASSERT_TRUE(staging.make(dir.string(), &error)) << error;
      for (const char* name : {"a", "b"}) {
        std::string staged;
        ASSERT_TRUE(
            staging.stage((dir / name).string(), Replace::IfWritable, &staged, &error, &warning))
            << error;
        OutputFile file(staged, Replace::Never, &error);
        ASSERT_NE(file.stream(), nullptr) << error;
        std::fputs((std::string("new ") + name).c_str(), file.stream());
        ASSERT_TRUE(file.commit(&error)) << error;
      }
      if (!removed_exists) fs::remove(dir / "stale");
      EXPECT_EQ(staging.swap({"stale"}, &error), removed_exists) << error;
    }
    EXPECT_EQ(text(dir / "a"), removed_exists ? "new a" : "old a");
    EXPECT_EQ(fs::exists(dir / "b"), removed_exists);
    EXPECT_FALSE(fs::exists(dir / "stale"));
    EXPECT_EQ(listing(dir).size(), removed_exists ? 2u : 1u) << "and no private folder";
  }
}

}  // namespace
}  // namespace raster
