#include "platform/linux/viewer_progress.hpp"

#include "viewer/progress.hpp"

namespace linux_host {

std::optional<std::string> viewer_progress_path() {
  const std::optional<std::string> folder = config_folder();
  if (!folder) return std::nullopt;
  return *folder + "/viewer-progress";
}

std::unique_ptr<KeptFile> viewer_progress_store(const std::optional<std::string>& path) {
  if (!path) return nullptr;
  return std::make_unique<KeptFile>(*path, KeptFileOptions{viewer::kMaxProgressBytes});
}

}  // namespace linux_host
