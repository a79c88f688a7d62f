#include "platform/linux/viewer_progress.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "stage/progress.hpp"

namespace linux_host {
namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

std::string home_directory() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

bool make_folders(const std::string& folder) {
  for (std::size_t pos = folder.find('/', 1);; pos = folder.find('/', pos + 1)) {
    const std::string partial = folder.substr(0, pos);
    if (mkdir(partial.c_str(), kFolderMode) != 0 && errno != EEXIST) return false;
    if (pos == std::string::npos) break;
  }
  struct stat st {};
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string viewer_progress_path() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  // A relative XDG_CONFIG_HOME is invalid by the base-directory rules.
  const std::string base =
      config && config[0] == '/' ? std::string(config) : home_directory() + "/.config";
  return base + "/mirukado/viewer-progress";
}

std::optional<std::string> read_viewer_progress(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  if (!S_ISREG(st.st_mode) || static_cast<std::size_t>(st.st_size) > stage::kMaxProgressBytes)
    return std::string();
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool write_viewer_progress(const std::string& path, std::string_view text) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || (slash > 0 && !make_folders(path.substr(0, slash))))
    return false;
  const std::string temporary = path + ".tmp-" + std::to_string(getpid());
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, kFileMode);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool written = done == text.size() && fsync(fd) == 0;
  if (close(fd) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace linux_host
