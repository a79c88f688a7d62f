#pragma once
// Animated GIF output for the headless tool: a looping GIF89a whose frames are
// stored as the rectangle that changed from the frame before, in one fixed
// palette that holds every drill colour exactly.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "export/output_file.hpp"
#include "raster/surface.hpp"

namespace raster {

// 256 colours: the 6 x 6 x 6 web cube (black, white, red, cyan, yellow and blue
// among them) and 40 greys that add mid grey (128) and the label's button
// face (240). Index of the colour nearest to a pixel.
class GifPalette {
 public:
  GifPalette();
  const std::array<std::uint32_t, 256>& colours() const { return colours_; }
  std::uint8_t index_of(std::uint32_t rgb);  // memoised nearest colour

 private:
  std::array<std::uint32_t, 256> colours_{};
  std::unordered_map<std::uint32_t, std::uint8_t> memo_;
};

class GifWriter {
 public:
  GifWriter();
  ~GifWriter();  // an unfinished file is abandoned and removed
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  // An existing file at path is replaced by the rule `replace` (see OutputFile).
  bool open(const std::string& path, int width, int height, std::string* error,
            Replace replace = Replace::IfWritable);
  // The frame must have the size given to open(). Shown for delay_centiseconds.
  bool add_frame(const Surface& frame, int delay_centiseconds, std::string* error = nullptr);
  // Writes the trailer and moves the file into place. False (and no file) if
  // anything failed since open().
  bool finish(std::string* error);

  int frames() const { return frames_; }
  // What opening the destination has to tell the user (see OutputFile), or empty.
  const std::string& warning() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int frames_ = 0;
};

}  // namespace raster
