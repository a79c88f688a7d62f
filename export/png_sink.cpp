#include "export/png_sink.hpp"

#include <cstdio>
#include <utility>

#include "export/png_writer.hpp"

namespace raster {

PngSequenceSink::PngSequenceSink(std::string folder, Replace replace)
    : folder_(std::move(folder)), replace_(replace) {}

std::string PngSequenceSink::frame_path(const std::string& folder, long index) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05ld.png", index);
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path.append(name);
}

bool PngSequenceSink::begin(int, int, std::string* error) {
  warning_.clear();
  return outputs_.make_folder(folder_, error);
}

bool PngSequenceSink::add_frame(const Surface& frame, FrameTime, std::string* error) {
  warning_.clear();
  if (frames_ >= kMaxFrames) {
    if (error)
      *error = "too many frames for " + folder_ + " (at most " + std::to_string(kMaxFrames) + ")";
    return false;
  }
  const std::string path = frame_path(folder_, frames_);
  OutputFile file(path, replace_, error);
  if (!file.stream()) return false;
  if (!write_png(frame, file.stream(), path, error)) return false;
  if (!file.commit(error)) return false;
  warning_ = file.warning();
  outputs_.wrote(file);
  ++frames_;
  return true;
}

bool PngSequenceSink::finish(std::string*) {
  outputs_.keep();
  return true;
}

}  // namespace raster
