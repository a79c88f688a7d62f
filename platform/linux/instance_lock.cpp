#include "platform/linux/instance_lock.hpp"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace linux_host {

namespace {

int open_lock_file(const std::string& path) {
  return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

// flock on a fresh open file description: two descriptions conflict even
// inside one process, which is what the lock's tests rely on.
bool lock_now(int fd) {
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

}  // namespace

std::string instance_lock_path() {
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && run[0] == '/')
    return std::string(run) + "/mirukado.lock";
  return "/tmp/mirukado-" + std::to_string(getuid()) + ".lock";
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool InstanceLock::try_hold() {
  if (fd_ >= 0) return true;
  const int fd = open_lock_file(path_);
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
  const int fd = open_lock_file(path_);
  if (fd < 0) return false;
  const bool busy = !lock_now(fd) && errno == EWOULDBLOCK;
  ::close(fd);  // a probe that got the lock lets it go again with the descriptor
  return busy;
}

}  // namespace linux_host
