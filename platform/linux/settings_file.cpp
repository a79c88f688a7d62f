#include "platform/linux/settings_file.hpp"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/profile_file.hpp"
#include "host/settings.hpp"

namespace linux_host {

namespace {

std::string home_directory() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

// Creates each missing folder of path (not the last component's file).
bool make_folders(const std::string& folder) {
  std::string partial;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = folder.find('/', pos + 1);
    partial = folder.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  struct stat st {};
  return stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// A symbolic link is followed, so that a settings file kept elsewhere (a
// dotfiles folder) is updated rather than replaced by a plain file.
std::string resolve_link(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  if (realpath(path.c_str(), resolved) == nullptr) return path;
  return resolved;
}

}  // namespace

std::string settings_file_path() {
  std::string config;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    config = xdg;
  else
    config = home_directory() + "/.config";
  return config + "/mirukado/" + host::kSettingsFileName;
}

FileContent read_bounded(const std::string& path) {
  FileContent out;
  // O_NONBLOCK: opening a FIFO placed under our name must not wait for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    (errno == ENOENT ? out.missing : out.unreadable) = true;
    return out;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    out.unreadable = true;
    ::close(fd);
    return out;
  }
  // One byte beyond the limit is enough to know that the file is too big.
  const std::size_t cap = host::profile::kMaxSize + 1;
  char buffer[16384];
  while (out.text.size() < cap) {
    const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, cap - out.text.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      out.unreadable = true;
      out.text.clear();
      break;
    }
    if (n == 0) break;
    out.text.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

int SettingsFile::read_int(const std::string& section, const std::string& key,
                           int default_value) const {
  const FileContent content = read_bounded(path_);
  return host::profile::read_int(content.text, section, key, default_value);
}

bool SettingsFile::write_string(const std::string& section, const std::string& key,
                                const std::string& value) const {
  const std::string target = resolve_link(path_);
  const FileContent content = read_bounded(target);
  // What we could not read we must not replace: it may be someone's data.
  if (content.unreadable) return false;
  const auto updated = host::profile::write_string(content.text, section, key, value);
  if (!updated) return false;

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
  if (!make_folders(folder)) return false;

  std::string temp = folder + "/.mirukado-ini-XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  struct stat old {};
  bool ok = write_all(fd, *updated);
  if (ok && !content.missing && stat(target.c_str(), &old) == 0)
    ok = fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  // The rename itself is durable only once the folder is synced.
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace linux_host
