#pragma once
// The single-instance lock of full-screen runs: an advisory lock on a per-user
// file. The kernel drops it when its holder ends, however it ends, so a held
// lock always means a live full-screen run, and taking it is one atomic step:
// of two runs started at the same moment exactly one gets it.

#include <string>

namespace linux_host {

// The per-user lock file: $XDG_RUNTIME_DIR/mirukado.lock, else one in /tmp.
std::string instance_lock_path();

class InstanceLock {
 public:
  explicit InstanceLock(std::string path) : path_(std::move(path)) {}
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock for the life of this object. False only when another
  // process holds it; a lock file that cannot be opened lets the run go on.
  bool try_hold();
  bool held() const { return fd_ >= 0; }
  // Whether another process holds the lock now (this object holds nothing).
  bool held_elsewhere() const;

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace linux_host
