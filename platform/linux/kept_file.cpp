#include "platform/linux/kept_file.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
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
#include <thread>

namespace linux_host {

namespace {

// A write takes milliseconds; a temporary file this old is no write's.
constexpr std::time_t kStaleSeconds = 60;
constexpr mode_t kNewFileMode = 0600;
constexpr mode_t kFolderMode = 0700;
constexpr int kNameAttempts = 16;
// How long a change waits for another program's change to finish before it
// gives up (a program stopped while holding the lock must not hang ours).
constexpr auto kLockPatience = std::chrono::seconds(2);
constexpr auto kLockRetry = std::chrono::milliseconds(10);
// The temporaries of earlier versions, removed as ours are.
constexpr const char* kOldTemporaryPrefixes[] = {".mirukado-ini-", "viewer-progress.tmp-"};

// Creates each missing folder of path. On failure *failed names the folder
// that could not be made, errno says why.
bool make_folders(const std::string& folder, std::string* failed) {
  std::string partial;
  std::size_t pos = 0;
  while (pos != std::string::npos) {
    pos = folder.find('/', pos + 1);
    partial = folder.substr(0, pos);
    if (partial.empty()) continue;
    if (mkdir(partial.c_str(), kFolderMode) != 0 && errno != EEXIST) {
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

// Ours alone: another user who may write into the folder could plant a link
// under the name of a temporary or the lock. Group write is allowed (a user
// private group holds the user alone, and its umask leaves folders 0775).
std::string folder_not_ours(const std::string& folder) {
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0) return std::strerror(errno);
  if (st.st_uid != geteuid()) return "the folder belongs to another user";
  if ((st.st_mode & S_IWOTH) != 0) return "the folder is writable by every user";
  return {};
}

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

// A symbolic link is followed, so that a file kept elsewhere (a dotfiles
// folder) is updated rather than replaced by a plain file.
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

// The lock of a kept file is on its folder (flock on the folder itself): the
// file cannot carry it, since every write replaces it by another, and a lock
// file beside it would be one more file in the user's folder.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_ < 0) {
      why_ = std::strerror(errno);
      return;
    }
    const auto until = std::chrono::steady_clock::now() + kLockPatience;
    while (flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > until) {
        why_ = errno == EWOULDBLOCK ? "another program is writing it" : std::strerror(errno);
        return;
      }
      std::this_thread::sleep_for(kLockRetry);
    }
    held_ = true;
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing lets the lock go
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool held() const { return held_; }
  const std::string& why() const { return why_; }

 private:
  int fd_ = -1;
  bool held_ = false;
  std::string why_;
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

// -1: no unnamed file could be made or named here (the file system lacks
// them, or /proc is missing), try a named one; 0 / 1: failed / replaced.
int replace_through_unnamed(const std::string& folder, const std::string& target,
                            const std::string& text, mode_t mode) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
  if (fd < 0) return (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) ? -1 : 0;
  int result = 0;
  if (fill(fd, text, mode)) {
    std::string name;
    result = !link_unnamed(fd, folder, name) ? -1 : replace(name, target) ? 1 : 0;
  }
  const KeptErrno kept;
  ::close(fd);
  return result;
}

bool replace_through_named(const std::string& folder, const std::string& target,
                           const std::string& text, mode_t mode) {
  // mkostemp opens with O_CREAT | O_EXCL: a planted name, link or not, is
  // never opened.
  std::string name = temporary_stem(folder) + "XXXXXX";
  const int fd = mkostemp(name.data(), O_CLOEXEC | O_NOFOLLOW);
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

// A damaged file moves to NAME.bad-YYYYMMDD-HHMMSS (a number after it when
// that is taken), never over another file.
bool set_aside_file(const std::string& target, std::string* moved_to) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = target + ".bad-" + stamp;
    if (attempt > 0) name.append("-").append(std::to_string(attempt));
    if (renameat2(AT_FDCWD, target.c_str(), AT_FDCWD, name.c_str(), RENAME_NOREPLACE) == 0) {
      *moved_to = name;
      return true;
    }
    if (errno != EEXIST) return false;
  }
  return false;
}

}  // namespace

std::optional<std::string> config_folder() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
    return std::string(xdg) + "/mirukado";
  std::string home;
  if (const char* h = std::getenv("HOME"); h && h[0] == '/')
    home = h;
  else if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
    home = pw->pw_dir;
  else
    return std::nullopt;
  return home + "/.config/mirukado";
}

FileContent read_bounded(const std::string& path, std::size_t max_size) {
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
  const std::size_t cap = max_size + 1;
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
  out.too_big = out.text.size() > max_size;
  ::close(fd);
  return out;
}

void remove_stale_temporaries(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  const std::time_t now = std::time(nullptr);
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    std::size_t prefix = 0;
    for (const char* p : {kTemporaryPrefix, kOldTemporaryPrefixes[0], kOldTemporaryPrefixes[1]})
      if (name.rfind(p, 0) == 0) prefix = std::strlen(p);
    if (prefix == 0) continue;
    struct stat st {};
    if (fstatat(dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
      continue;
    // "PREFIX PID..." names its writer.
    const char* id = name.c_str() + prefix;
    char* end = nullptr;
    const long pid = std::strtol(id, &end, 10);
    const bool writer_gone = end != id && (*end == '-' || *end == '\0') && pid > 0 &&
                             pid != getpid() && kill(static_cast<pid_t>(pid), 0) != 0 &&
                             errno == ESRCH;
    if (writer_gone || now - st.st_mtime > kStaleSeconds) unlinkat(dirfd(dir), e->d_name, 0);
  }
  closedir(dir);
}

bool update_kept_file(const std::string& path, const KeptFileOptions& options,
                      const std::function<FileUpdate(const FileContent&)>& change,
                      std::string* error, std::string* set_aside) {
  if (path.empty() || path.front() != '/')
    return fail(error, path.empty() ? "(no file)" : path, "no home folder to keep it in");
  // What cannot be read now is not the user's to lose: refused before any
  // folder is made for it (a file where a folder should be names the file).
  if (const FileContent now = read_bounded(path, options.max_size); now.unreadable) {
    if (change(now).kind == FileUpdate::Kind::Leave) return true;
    return fail(error, path, now.error != 0 ? std::strerror(now.error) : "not a regular file");
  }
  // A link in a folder that others may write to could be theirs: the folder
  // the file is named in is checked before the link is followed.
  const std::string named_in = path.substr(0, std::max<std::size_t>(path.rfind('/'), 1));
  if (std::string failed; !make_folders(named_in, &failed))
    return fail(error, failed, std::strerror(errno));
  if (const std::string why = folder_not_ours(named_in); !why.empty())
    return fail(error, named_in, why);
  const std::string target = resolve_link(path);
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == 0 ? "/" : target.substr(0, slash);
  if (std::string failed; !make_folders(folder, &failed))
    return fail(error, failed, std::strerror(errno));
  if (const std::string why = folder_not_ours(folder); !why.empty())
    return fail(error, folder, why);

  const FolderLock lock(folder);
  if (!lock.held()) return fail(error, target, lock.why());
  const FileContent content = read_bounded(target, options.max_size);
  const FileUpdate update = change(content);
  switch (update.kind) {
    case FileUpdate::Kind::Leave:
      return true;
    case FileUpdate::Kind::Refuse:
      return fail(error, target, update.refusal);
    case FileUpdate::Kind::Write:
    case FileUpdate::Kind::SetAsideWrite:
      break;
  }
  // What we could not read we must not replace: it may be someone's data.
  if (content.unreadable)
    return fail(error, target,
                content.error != 0 ? std::strerror(content.error) : "not a regular file");
  // The rename gives the file a new owner (the writer) and we choose its
  // mode: a file of another user would change hands, and a file its owner
  // made read-only would become writable. The owner and mode decide, not
  // access(W_OK), which grants root everything.
  if (!content.missing && content.owner != geteuid())
    return fail(error, target, "the file belongs to another user");
  if (!content.missing && (content.mode & S_IWUSR) == 0)
    return fail(error, target, "the file is read-only");
  remove_stale_temporaries(folder);
  // A linked file's temporaries are made beside the file it names; what an
  // earlier version left went beside the link.
  if (const std::size_t link_slash = path.rfind('/'); path.substr(0, link_slash) != folder)
    remove_stale_temporaries(path.substr(0, link_slash));

  const HeldSignals held;
  if (update.kind == FileUpdate::Kind::SetAsideWrite && !content.missing) {
    std::string moved_to;
    if (!set_aside_file(target, &moved_to)) return fail(error, target, std::strerror(errno));
    if (set_aside) *set_aside = moved_to.substr(moved_to.rfind('/') + 1);
  }
  const mode_t mode = content.missing ? kNewFileMode : (content.mode & 07777);
  int replaced = -1;
  if (options.temporaries == Temporaries::Unnamed)
    replaced = replace_through_unnamed(folder, target, update.text, mode);
  if (replaced < 0) replaced = replace_through_named(folder, target, update.text, mode) ? 1 : 0;
  if (replaced == 0) return fail(error, target, std::strerror(errno));
  // The rename itself is durable only once the folder is synced.
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    fsync(dir);
    ::close(dir);
  }
  return true;
}

namespace {

host::StoredText stored(const FileContent& content) {
  using State = host::StoredText::State;
  if (content.missing) return {State::Missing, {}};
  if (content.unreadable) return {State::Unreadable, {}};
  if (content.too_big) return {State::TooBig, {}};
  return {State::Text, content.text};
}

}  // namespace

host::StoredText KeptFile::read() { return stored(read_bounded(path_, options_.max_size)); }

bool KeptFile::update(const std::function<host::StoreChange(const host::StoredText&)>& change) {
  error_.clear();
  return update_kept_file(
      path_, options_,
      [&](const FileContent& content) {
        host::StoreChange c = change(stored(content));
        using Kind = host::StoreChange::Kind;
        return FileUpdate{c.kind == Kind::Leave   ? FileUpdate::Kind::Leave
                          : c.kind == Kind::Write ? FileUpdate::Kind::Write
                                                  : FileUpdate::Kind::SetAsideWrite,
                          std::move(c.text),
                          {}};
      },
      &error_, &set_aside_);
}

}  // namespace linux_host
