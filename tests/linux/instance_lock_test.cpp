// The full-screen single-instance lock. flock conflicts between two open file
// descriptions even inside one process, so two InstanceLock objects stand for
// two runs.

#include "platform/linux/instance_lock.hpp"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

namespace {

class InstanceLockTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mirukado-lock-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
    path_ = folder_ + "/mirukado.lock";
  }
  void TearDown() override {
    ::unlink(path_.c_str());
    ::rmdir(folder_.c_str());
  }
  std::string folder_;
  std::string path_;
};

TEST_F(InstanceLockTest, OneHolderAtATimeUntilItEnds) {
  auto first = std::make_unique<linux_host::InstanceLock>(path_);
  linux_host::InstanceLock second(path_);
  EXPECT_FALSE(second.held_elsewhere());
  ASSERT_TRUE(first->try_hold());
  EXPECT_TRUE(first->held());
  EXPECT_FALSE(second.try_hold());
  EXPECT_FALSE(second.held());
  // A probe neither takes the lock nor lets the holder's go.
  EXPECT_TRUE(second.held_elsewhere());
  EXPECT_TRUE(second.held_elsewhere());
  EXPECT_FALSE(first->held_elsewhere());
  first.reset();
  EXPECT_FALSE(second.held_elsewhere());
  EXPECT_TRUE(second.try_hold());
}

TEST_F(InstanceLockTest, UnusableLockFileLetsTheRunGoOn) {
  // A folder that does not exist, and a symbolic link in the lock's place
  // (O_NOFOLLOW): neither can be locked, and neither may keep the saver off.
  ASSERT_EQ(::symlink("/etc/passwd", path_.c_str()), 0);
  for (const std::string& path : {folder_ + "/missing/mirukado.lock", path_}) {
    linux_host::InstanceLock lock(path);
    EXPECT_TRUE(lock.try_hold()) << path;
    EXPECT_FALSE(lock.held()) << path;
    EXPECT_FALSE(linux_host::InstanceLock(path).held_elsewhere()) << path;
  }
}

}  // namespace
