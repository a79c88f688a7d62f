// The full-screen single-instance lock. flock conflicts between two open file
// descriptions even inside one process, so two InstanceLock objects stand for
// two runs.

#include "platform/linux/instance_lock.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
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

// Another local user who makes our lock file, or the folder it goes in, and
// holds it must not keep our saver off: such a lock is not honoured, and the
// run says why.
TEST(InstanceLock, AnotherUsersLockIsNotHonoured) {
  if (geteuid() != 0) GTEST_SKIP() << "making another user's files needs root";
  constexpr uid_t kOtherUser = 65534;  // nobody
  char folder[] = "/tmp/mirukado-lock-test.XXXXXX";
  ASSERT_NE(mkdtemp(folder), nullptr);
  const std::string path = std::string(folder) + "/mirukado.lock";
  const int planted = ::open(path.c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(planted, 0);
  ASSERT_EQ(fchown(planted, kOtherUser, kOtherUser), 0);
  ASSERT_EQ(fchmod(planted, 0666), 0);
  ASSERT_EQ(flock(planted, LOCK_EX), 0);
  for (const bool foreign_folder : {false, true}) {
    if (foreign_folder) {
      ASSERT_EQ(chown(folder, kOtherUser, kOtherUser), 0);
    }
    linux_host::InstanceLock lock(path);
    EXPECT_TRUE(lock.try_hold()) << foreign_folder;
    EXPECT_FALSE(lock.held()) << foreign_folder;
    EXPECT_NE(lock.problem(), "") << foreign_folder;
    EXPECT_FALSE(linux_host::InstanceLock(path).held_elsewhere()) << foreign_folder;
  }
  ::close(planted);
  ::unlink(path.c_str());
  ::rmdir(folder);
}

// Without a runtime folder the lock goes into a folder of the user's own, not
// straight into /tmp where anyone could make it first.
TEST(InstanceLock, WithoutARuntimeFolderTheLockIsInAPrivateFolder) {
  const char* run = std::getenv("XDG_RUNTIME_DIR");
  const std::string kept = run ? run : "";
  unsetenv("XDG_RUNTIME_DIR");
  const std::string path = linux_host::instance_lock_path();
  if (run) setenv("XDG_RUNTIME_DIR", kept.c_str(), 1);
  const std::string folder = path.substr(0, path.rfind('/'));
  EXPECT_NE(folder, "/tmp");
  struct stat st {};
  ASSERT_EQ(lstat(folder.c_str(), &st), 0) << folder;
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_uid, geteuid());
  EXPECT_EQ(st.st_mode & 077, 0u);
}

// Every spelling of one display names one lock; different displays, or hosts,
// name different ones.
TEST(DisplayLockKey, OneKeyPerDisplayWhateverTheSpelling) {
  const struct {
    const char* display;
    const char* key;
  } cases[] = {
      {":0", ":0"},
      {":0.0", ":0"},
      {":0.1", ":0"},
      {":00", ":0"},
      {"unix:0.0", ":0"},
      {"unix/:0", ":0"},
      {":1", ":1"},
      {":10.0", ":10"},
      {"localhost:10.0", "localhost:10"},
      {"tcp/box.example:2.1", "box.example:2"},
      {"box.example:2", "box.example:2"},
      {"[::1]:3.0", "[::1]:3"},
      {"decnet::0", "decnet::0"},
      // A socket path (XQuartz's launchd form): its slashes cannot be in a file name.
      {"/private/tmp/launchd-1/org.xquartz:0", "%2Fprivate%2Ftmp%2Flaunchd-1%2Forg.xquartz:0"},
      {"odd%host:4", "odd%25host:4"},
      {"no-colon", "no-colon"},
      {"", ""},
  };
  for (const auto& c : cases)
    EXPECT_EQ(linux_host::display_lock_key(c.display), c.key) << c.display;
}

}  // namespace
