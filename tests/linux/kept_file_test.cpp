// The viewer's progress through the one writer of kept files: viewers running
// at once keep each other's records, what cannot be read is never lost, and
// nothing is made where another user could plant a link.

#include "platform/linux/kept_file.hpp"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/viewer_progress.hpp"
#include "viewer/progress.hpp"

namespace {

class KeptProgressFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mirukado-kept-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    folder_ = dir_ + "/mirukado";
    path_ = folder_ + "/viewer-progress";
  }
  void TearDown() override {
    std::system(("chmod -R u+w '" + dir_ + "'; rm -rf '" + dir_ + "'").c_str());
  }

  static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void put(const std::string& text) const {
    ::mkdir(folder_.c_str(), 0700);
    std::ofstream(path_, std::ios::binary) << text;
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    if (DIR* d = opendir(folder_.c_str())) {
      while (const dirent* e = readdir(d))
        if (e->d_name[0] != '.' || std::string(e->d_name).rfind(".mirukado-tmp", 0) == 0)
          names.emplace_back(e->d_name);
      closedir(d);
    }
    return names;
  }

  std::string dir_, folder_, path_;
};

// Two viewers, each choosing positions in its own drill and in a drill both
// study, as fast as they can: every change is made from the file as it is, so
// neither viewer's last word is lost.
TEST_F(KeptProgressFile, TwoViewersAlternatingChangesKeepBothRecords) {
  constexpr int kCycles = 100;
  std::vector<pid_t> children;
  for (const char* own : {"ponpu", "kahan"}) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      linux_host::KeptFile store(path_, {viewer::kMaxProgressBytes});
      viewer::ProgressKeeper keeper(&store);
      for (int i = 0; i < kCycles; ++i) keeper.choose(own, 1 + i % 2);  // ends on 2
      _exit(keeper.notice().empty() ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(slurp(path_), "mirukado-progress 1\nkahan 2\nponpu 2\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"viewer-progress"});  // no temporaries left
}

// What a viewer starts with and what becomes of the file when it changes one
// choice: an unreadable line is kept, a newer version's file and an
// unreadable file are left alone (with a word for the learner), a file that
// is not progress is set aside whole before a fresh one takes its place.
TEST_F(KeptProgressFile, WhatCannotBeReadIsNeverLost) {
  const std::string bad_line = "kiritu 25 1=1/1";
  const struct {
    const char* what;
    std::string file;
    std::string after;  // the file after choosing position 1 of kahan
    bool notice;        // the learner is told
    bool set_aside;     // the old file kept under another name
  } cases[] = {
      {"one line out of range", "mirukado-progress 1\nkahan 2 1=3/4\n" + bad_line + "\n",
       "mirukado-progress 1\nkahan 1 1=3/4\n" + bad_line + "\n", false, false},
      {"a huge score", "mirukado-progress 1\nponpu 1 1=999999/999999\n",
       "mirukado-progress 1\nkahan 1\nponpu 1 1=999999/999999\n", false, false},
      {"a newer version", "mirukado-progress 2\nkahan 2 1=3/4 new-field\n",
       "mirukado-progress 2\nkahan 2 1=3/4 new-field\n", true, false},
      {"not progress", "some notes\n", "mirukado-progress 1\nkahan 1\n", true, true},
  };
  for (const auto& c : cases) {
    std::system(("rm -rf '" + folder_ + "'").c_str());
    put(c.file);
    linux_host::KeptFile store(path_, {viewer::kMaxProgressBytes});
    viewer::ProgressKeeper keeper(&store);
    keeper.choose("kahan", 1);
    EXPECT_EQ(slurp(path_), c.after) << c.what;
    EXPECT_EQ(!keeper.notice().empty(), c.notice) << c.what << ": " << keeper.notice();
    const std::vector<std::string> names = entries();
    const bool aside = names.size() == 2 && slurp(folder_ + "/" + store.set_aside_name()) == c.file;
    EXPECT_EQ(aside, c.set_aside) << c.what;
  }
}

// The file is the user's: a link to it is followed, a read-only file stays as
// it is (and the learner hears that nothing is saved), a killed writer's
// temporary goes with the next write.
TEST_F(KeptProgressFile, TheUsersFileKeepsItsLinkModeAndFolder) {
  put("mirukado-progress 1\n");
  const std::string real = dir_ + "/dotfiles-progress";
  ASSERT_EQ(std::rename(path_.c_str(), real.c_str()), 0);
  ASSERT_EQ(::symlink(real.c_str(), path_.c_str()), 0);
  std::ofstream(folder_ + "/viewer-progress.tmp-999999999") << "left by a killed viewer";
  {
    linux_host::KeptFile store(path_, {viewer::kMaxProgressBytes});
    viewer::ProgressKeeper keeper(&store);
    keeper.choose("ponpu", 3);
    EXPECT_EQ(keeper.notice(), "");
  }
  struct stat st {};
  ASSERT_EQ(lstat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(slurp(real), "mirukado-progress 1\nponpu 3\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"viewer-progress"});

  ASSERT_EQ(chmod(real.c_str(), 0444), 0);
  linux_host::KeptFile store(path_, {viewer::kMaxProgressBytes});
  viewer::ProgressKeeper keeper(&store);
  keeper.choose("ponpu", 1);
  EXPECT_NE(keeper.notice(), "");
  EXPECT_NE(store.error().find("read-only"), std::string::npos) << store.error();
  ASSERT_EQ(stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(slurp(real), "mirukado-progress 1\nponpu 3\n");
}

// A folder anyone may write to is never written in: another user could have
// planted links under the names a write would use. Without a home there is
// no folder at all, and no fallback in /tmp.
TEST_F(KeptProgressFile, NothingIsWrittenWhereAnotherUserCouldPlantLinks) {
  ASSERT_EQ(::mkdir(folder_.c_str(), 0777), 0);
  ASSERT_EQ(chmod(folder_.c_str(), 01777), 0);
  const std::string victim = dir_ + "/victim";
  std::ofstream(victim) << "precious";
  ASSERT_EQ(::symlink(victim.c_str(), (folder_ + "/viewer-progress").c_str()), 0);
  linux_host::KeptFile store(path_, {viewer::kMaxProgressBytes});
  viewer::ProgressKeeper keeper(&store);
  keeper.choose("ponpu", 2);
  EXPECT_NE(keeper.notice(), "");
  EXPECT_NE(store.error().find("every user"), std::string::npos) << store.error();
  EXPECT_EQ(slurp(victim), "precious");

  const char* home = std::getenv("HOME");
  const std::string kept_home = home ? home : "";
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string kept_xdg = xdg ? xdg : "";
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "relative", 1);
  // The test runs as a user with a password entry: the entry's home is used.
  const std::optional<std::string> folder = linux_host::config_folder();
  ASSERT_TRUE(folder.has_value());
  EXPECT_NE(folder->rfind("/tmp", 0), 0u) << *folder;
  home ? setenv("HOME", kept_home.c_str(), 1) : unsetenv("HOME");
  if (xdg) setenv("XDG_CONFIG_HOME", kept_xdg.c_str(), 1);
  viewer::ProgressKeeper homeless(linux_host::viewer_progress_store(std::nullopt).get());
  EXPECT_NE(homeless.notice(), "");
}

}  // namespace
