#include "export/png_sink.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "export/png_writer.hpp"

namespace raster {
namespace {

constexpr std::string_view kFramePrefix = "frame_";
constexpr std::string_view kFrameSuffix = ".png";
constexpr std::size_t kFrameDigits = 5;

// The number of frame name `name`, or -1 for any other name.
long frame_number(std::string_view name) {
  if (name.size() != kFramePrefix.size() + kFrameDigits + kFrameSuffix.size() ||
      !name.starts_with(kFramePrefix) || !name.ends_with(kFrameSuffix))
    return -1;
  long number = 0;
  for (const char c : name.substr(kFramePrefix.size(), kFrameDigits)) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

}  // namespace

PngSequenceSink::PngSequenceSink(std::string folder, Replace replace)
    : folder_(std::move(folder)), replace_(replace) {}

std::string PngSequenceSink::frame_path(const std::string& folder, long index) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%05ld.png", index);
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path.push_back('/');
  return path.append(name);
}

std::vector<std::string> PngSequenceSink::stale_frames(const std::string& folder, long count) {
  namespace fs = std::filesystem;
  std::vector<std::string> stale;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (frame_number(name) < count) continue;
    // A folder of that name is not a frame; a link is one (the link goes, not its file).
    const fs::file_type type = it->symlink_status(ec).type();
    if (type == fs::file_type::regular || type == fs::file_type::symlink) stale.push_back(name);
  }
  std::sort(stale.begin(), stale.end());
  return stale;
}

std::string PngSequenceSink::stale_refusal(const std::string& folder,
                                           const std::vector<std::string>& stale, long count) {
  std::string names = stale.front();
  if (stale.size() > 1) names.append(" .. ").append(stale.back());
  const auto frames = [](std::size_t n) {
    return std::to_string(n) + (n == 1 ? " frame" : " frames");
  };
  return folder + " holds " + frames(stale.size()) + " of an earlier sequence (" + names +
         ") past this run's " + frames(static_cast<std::size_t>(count)) +
         "; add --force to remove them, or choose another folder";
}

bool PngSequenceSink::begin(int, int, std::string* error) {
  warning_.clear();
  return outputs_.make_folder(folder_, error) && staging_.make(folder_, error);
}

bool PngSequenceSink::add_frame(const Surface& frame, FrameTime, std::string* error) {
  warning_.clear();
  if (frames_ >= kMaxFrames) {
    if (error)
      *error = "too many frames for " + folder_ + " (at most " + std::to_string(kMaxFrames) + ")";
    return false;
  }
  const std::string path = frame_path(folder_, frames_);
  std::string staged;
  if (!staging_.stage(path, replace_, &staged, error, &warning_)) return false;
  OutputFile file(staged, Replace::Never, error);
  if (!file.stream()) return false;
  if (!write_png(frame, file.stream(), path, error)) return false;
  if (!file.commit(error)) return false;
  ++frames_;
  return true;
}

bool PngSequenceSink::finish(std::string* error) {
  // Checked before the run as well; these came while it was rendering.
  const std::vector<std::string> stale = stale_frames(folder_, frames_);
  if (!stale.empty() && replace_ != Replace::Forced) {
    if (error) *error = stale_refusal(folder_, stale, frames_);
    return false;
  }
  if (!staging_.swap(stale, error)) return false;
  outputs_.keep();
  return true;
}

}  // namespace raster
