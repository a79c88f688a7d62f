// The full-screen single-instance lock. flock conflicts between two open file
// descriptions even inside one process, so two InstanceLock objects stand for
// two runs.

#include "platform/linux/instance_lock.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace {

TEST(InstanceLock, OneHolderUntilItEndsAndProbesNeverTakeIt) {
  char folder[] = "/tmp/mirukado-lock-test.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/mirukado.lock";
  {
    auto first = std::make_unique<linux_host::InstanceLock>(path);
    linux_host::InstanceLock second(path);
    EXPECT_FALSE(second.held_elsewhere());
    ASSERT_TRUE(first->try_hold());
    EXPECT_FALSE(second.try_hold());
    EXPECT_TRUE(second.held_elsewhere());
    EXPECT_TRUE(second.held_elsewhere());  // the probe let nothing go
    first.reset();
    EXPECT_TRUE(second.try_hold());
    EXPECT_TRUE(second.held());
  }
  // A symbolic link in the lock's place (O_NOFOLLOW) or a missing folder
  // cannot be locked, and must not keep the saver off either.
  ::unlink(path.c_str());
  ASSERT_EQ(::symlink("/etc/passwd", path.c_str()), 0);
  for (const std::string& p : {path, std::string(folder) + "/missing/mirukado.lock"}) {
    linux_host::InstanceLock lock(p);
    EXPECT_TRUE(lock.try_hold()) << p;
    EXPECT_FALSE(lock.held()) << p;
    EXPECT_FALSE(linux_host::InstanceLock(p).held_elsewhere()) << p;
  }
  ::unlink(path.c_str());
  ::rmdir(folder);
}

}  // namespace
