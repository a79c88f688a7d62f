#include "platform/linux/instance_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace linux_host {

namespace {

constexpr mode_t kPrivateFolderMode = 0700;

// A lock that another user can make or hold would let that user keep our
// saver off: the folder must be ours and writable by no one else, and the
// file ours. Empty when it is; else why not.
std::string not_ours(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  struct stat st {};
  if (lstat(folder.c_str(), &st) != 0) return folder + ": " + std::strerror(errno);
  if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
    return folder + " is not a folder of this user's alone";
  return {};
}

// The lock file, opened without following a link; -1 (and *why) when it
// cannot be, or when it is not the user's.
int open_lock_file(const std::string& path, std::string* why) {
  if (std::string problem = not_ours(path); !problem.empty()) {
    *why = std::move(problem);
    return -1;
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    *why = path + ": " + std::strerror(errno);
    return -1;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
    *why = path + " belongs to another user";
    ::close(fd);
    return -1;
  }
  return fd;
}

// flock on a fresh open file description: two descriptions conflict even
// inside one process, which is what the lock's tests rely on.
bool lock_now(int fd) {
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

// Letters, digits and the punctuation of host names and display numbers stay
// as they are; '/' and '%' (and anything else) become %XX, so that distinct
// keys stay distinct file names.
std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                       c == '.' || c == '-' || c == '_' || c == ':' || c == '[' || c == ']';
    if (plain) {
      out.push_back(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", u);
      out.append(hex);
    }
  }
  return out;
}

bool all_digits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

std::string display_lock_key(std::string_view display) {
  // [protocol/]host:number[.screen]; the number follows the last colon (an
  // IPv6 host has colons of its own, a DECnet one ends in one).
  const std::size_t colon = display.rfind(':');
  // Not a name Xlib would take: the whole text still names one lock.
  if (colon == std::string_view::npos) return escaped(display);
  std::string_view host = display.substr(0, colon);
  std::string_view number = display.substr(colon + 1);
  // The screen is a part of the display, not a display of its own.
  if (const std::size_t dot = number.find('.'); dot != std::string_view::npos)
    number = number.substr(0, dot);
  // Xlib reads the number as a decimal: ":00" is ":0".
  if (all_digits(number)) {
    while (number.size() > 1 && number.front() == '0') number.remove_prefix(1);
  }
  // "tcp/box:0" is box:0 reached by TCP; a leading '/' starts a socket path.
  if (!host.empty() && host.front() != '/') {
    if (const std::size_t slash = host.find('/'); slash != std::string_view::npos)
      host = host.substr(slash + 1);
  }
  // "unix" is Xlib's name for the local machine's socket, as is no host.
  if (host == "unix") host = {};
  return escaped(host) + ":" + escaped(number);
}

std::string instance_lock_path() {
  const char* display = std::getenv("DISPLAY");
  const std::string name = display_lock_key(display ? display : "") + ".lock";
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && run[0] == '/')
    return std::string(run) + "/mirukado-" + name;
  // Without a runtime folder, a folder of our own in /tmp: a file of ours
  // straight in /tmp could be made first, and held, by another user. A
  // folder that someone else made under that name fails the check when the
  // lock is taken.
  const std::string folder = "/tmp/mirukado-" + std::to_string(getuid());
  ::mkdir(folder.c_str(), kPrivateFolderMode);
  return folder + "/" + name;
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool InstanceLock::try_hold() {
  if (fd_ >= 0) return true;
  const int fd = open_lock_file(path_, &problem_);
  if (fd < 0) return true;
  if (lock_now(fd)) {
    fd_ = fd;
    return true;
  }
  const bool busy = errno == EWOULDBLOCK;
  ::close(fd);
  return !busy;
}

bool InstanceLock::held_elsewhere() const {
  if (fd_ >= 0) return false;
  std::string ignored;
  const int fd = open_lock_file(path_, &ignored);
  if (fd < 0) return false;
  const bool busy = !lock_now(fd) && errno == EWOULDBLOCK;
  ::close(fd);  // a probe that got the lock lets it go again with the descriptor
  return busy;
}

}  // namespace linux_host
