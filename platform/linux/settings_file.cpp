#include "platform/linux/settings_file.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "host/settings.hpp"

namespace linux_host {

namespace {

// A write takes milliseconds; a temporary file this old is no write's.
constexpr std::time_t kStaleSeconds = 60;
constexpr mode_t kNewFileMode = 0600;
constexpr int kNameAttempts = 16;

std::string home_directory() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

// Creates each missing folder of path (not the last component's file). On
// failure *failed names the folder that could not be made, errno says why.
bool make_folders(const std::string& folder, std::string* failed) {
  std::string partial;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = folder.find('/', pos + 1);
    partial = folder.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
      *failed = partial;
      return false;
    }
  }
  *failed = folder;
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0) return false;
  if (S_ISDIR(st.st_mode)) return true;
  errno = ENOTDIR;
  return false;
}

// The reason a write gives: the path it concerns and what went wrong there.
bool fail(std::string* error, const std::string& path, const std::string& why) {
  if (error) *error = path + ": " + why;
  return false;
}

// Calls that clean up after a failure keep the failure's errno for its message.
class KeptErrno {
 public:
  KeptErrno() : saved_(errno) {}
  ~KeptErrno() { errno = saved_; }
  KeptErrno(const KeptErrno&) = delete;
  KeptErrno& operator=(const KeptErrno&) = delete;

 private:
  int saved_;
};

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

// Holds back the signals that end a process by default (a terminal's ^C, a
// closed session, kill) while a temporary file has a name, so that they end
// the process only after the rename. SIGKILL cannot be held: what it leaves,
// remove_stale_temporaries clears at the next write.
class HeldSignals {
 public:
  HeldSignals() {
    sigset_t held;
    sigemptyset(&held);
    for (int s : {SIGHUP, SIGINT, SIGQUIT, SIGTERM}) sigaddset(&held, s);
    pthread_sigmask(SIG_BLOCK, &held, &old_);
  }
  ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &old_, nullptr); }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

 private:
  sigset_t old_{};
};

// The temporary's name carries the writer's process id, so that the next
// write can tell a dead writer's leftover from a live writer's file.
std::string temporary_stem(const std::string& folder) {
  return folder + "/" + kTemporaryPrefix + std::to_string(getpid()) + "-";
}

bool fill(int fd, const std::string& text, mode_t mode) {
  return write_all(fd, text) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
}

// Gives an unnamed temporary file a name in its folder. Linking through
// /proc needs no privilege; AT_EMPTY_PATH is the way without /proc.
bool link_unnamed(int fd, const std::string& folder, std::string& name) {
  const std::string proc = "/proc/self/fd/" + std::to_string(fd);
  const std::string stem = temporary_stem(folder);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const auto tick = std::chrono::steady_clock::now().time_since_epoch().count();
    name = stem + std::to_string(tick) + "-" + std::to_string(attempt);
    if (linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno == EEXIST) continue;
    if (linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != EEXIST) return false;
  }
  return false;
}

bool replace(const std::string& temporary, const std::string& target) {
  if (std::rename(temporary.c_str(), target.c_str()) == 0) return true;
  const KeptErrno kept;
  ::unlink(temporary.c_str());
  return false;
}

// The content written into an unnamed temporary file that then takes the
// target's place. -1: no unnamed file could be made or named here (the file
// system lacks them, or /proc is missing), try a named one; 0 / 1: failed /
// replaced.
int replace_through_unnamed(const std::string& folder, const std::string& target,
                            const std::string& text, mode_t mode) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
  if (fd < 0) return (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) ? -1 : 0;
  int result = 0;
  if (fill(fd, text, mode)) {
    const HeldSignals held;
    std::string name;
    result = !link_unnamed(fd, folder, name) ? -1 : replace(name, target) ? 1 : 0;
  }
  const KeptErrno kept;
  ::close(fd);
  return result;
}

bool replace_through_named(const std::string& folder, const std::string& target,
                           const std::string& text, mode_t mode) {
  const HeldSignals held;
  std::string name = temporary_stem(folder) + "XXXXXX";
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fill(fd, text, mode);
  if (!ok) {
    const KeptErrno kept;
    ::close(fd);
  } else {
    ok = ::close(fd) == 0;
  }
  if (!ok) {
    const KeptErrno kept;
    ::unlink(name.c_str());
    return false;
  }
  return replace(name, target);
}

// A file is replaced only when its owner is the user who writes and its
// owner's write bit is set. The rename gives the file a new owner (the
// writer) and we choose its mode: a file of another user would change hands,
// and a file its owner made read-only would become writable. The owner and
// mode decide, not access(W_OK), which grants root everything.
bool replaceable(const FileContent& content) {
  return content.missing || (content.owner == geteuid() && (content.mode & S_IWUSR) != 0);
}

}  // namespace

void remove_stale_temporaries(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const std::time_t now = std::time(nullptr);
  const std::string prefix = kTemporaryPrefix;
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name.rfind(prefix, 0) != 0) continue;
    struct stat st {};
    if (fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
      continue;
    // ".mirukado-ini-PID-..." names its writer; older names carry no id.
    const char* id = name.c_str() + prefix.size();
    char* end = nullptr;
    const long pid = std::strtol(id, &end, 10);
    const bool writer_gone = end != id && *end == '-' && pid > 0 && pid != getpid() &&
                             kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
    if (writer_gone || now - st.st_mtime > kStaleSeconds) unlinkat(dirfd(dir), e->d_name, 0);
  }
  closedir(dir);
}

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
    out.error = errno;
    return out;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    out.unreadable = true;
    ::close(fd);
    return out;
  }
  out.mode = st.st_mode;
  out.owner = st.st_uid;
  // One byte beyond the limit is enough to know that the file is too big.
  const std::size_t cap = host::profile::kMaxSize + 1;
  char buffer[16384];
  while (out.text.size() < cap) {
    const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, cap - out.text.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      out.unreadable = true;
      out.error = errno;
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
                                const std::string& value, std::string* error) const {
  const host::profile::Entry entry{key, value};
  return write_strings(section, {&entry, 1}, error);
}

bool SettingsFile::write_strings(const std::string& section,
                                 std::span<const host::profile::Entry> entries,
                                 std::string* error) const {
  const std::string target = resolve_link(path_);
  const FileContent content = read_bounded(target);
  // What we could not read we must not replace: it may be someone's data.
  if (content.unreadable)
    return fail(error, target,
                content.error != 0 ? std::strerror(content.error) : "not a regular file");
  if (!replaceable(content))
    return fail(
        error, target,
        content.owner != geteuid() ? "the file belongs to another user" : "the file is read-only");
  const auto updated = host::profile::write_strings(content.text, section, entries);
  if (!updated)
    return fail(error, target,
                "the settings would make the file larger than " +
                    std::to_string(host::profile::kMaxSize) + " bytes");

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
  if (std::string failed; !make_folders(folder, &failed))
    return fail(error, failed, std::strerror(errno));
  remove_stale_temporaries(folder);

  const mode_t mode = content.missing ? kNewFileMode : (content.mode & 07777);
  int replaced = -1;
  if (temporaries_ == Temporaries::Unnamed)
    replaced = replace_through_unnamed(folder, target, *updated, mode);
  if (replaced < 0) replaced = replace_through_named(folder, target, *updated, mode) ? 1 : 0;
  if (replaced == 0) return fail(error, target, std::strerror(errno));
  // The rename itself is durable only once the folder is synced.
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    ::close(dir);
  }
  return true;
}

}  // namespace linux_host
