#pragma once
// The single-instance lock of full-screen runs: an advisory lock on a file per
// user and X display. The kernel drops it when its holder ends, however it
// ends, so a held lock always means a live full-screen run, and taking it is
// one atomic step: of two runs started at the same moment on one display
// exactly one gets it. Runs on other displays (a remote desktop session
// beside the local one) take locks of their own.

#include <string>
#include <string_view>

namespace linux_host {

// The part of an X display name that tells displays apart, as the lock's name
// carries it: the host and the display number, without the screen number, so
// that every spelling of one display gives one key (":0", ":0.1" and "unix:0"
// give ":0"; "tcp/box:10.0" gives "box:10"). Characters a file name cannot
// hold are written as %XX.
std::string display_lock_key(std::string_view display);

// The lock file for this user's runs on $DISPLAY: in $XDG_RUNTIME_DIR, else
// in a folder of the user's own in /tmp (made here, mode 0700, when missing).
std::string instance_lock_path();

class InstanceLock {
 public:
  explicit InstanceLock(std::string path) : path_(std::move(path)) {}
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the lock for the life of this object. False only when another
  // process holds it; a lock file that cannot be opened, or that is not the
  // user's alone (another user could hold it), lets the run go on, and
  // problem() says why.
  bool try_hold();
  bool held() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  const std::string& problem() const { return problem_; }
  // Whether another process holds the lock now (this object holds nothing).
  bool held_elsewhere() const;

 private:
  std::string path_;
  std::string problem_;
  int fd_ = -1;
};

}  // namespace linux_host
