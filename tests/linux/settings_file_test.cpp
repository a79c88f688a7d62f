#include "platform/linux/settings_file.hpp"

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/profile_file.hpp"

namespace {

using linux_host::SettingsFile;

class SettingsFileTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/mirukado-settings-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/cfg/mirukado/ミルカド.ini";
  }
  void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

  static std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void put(const std::string& path, const std::string& text) {
    std::system(("mkdir -p \"$(dirname '" + path + "')\"").c_str());
    std::ofstream(path, std::ios::binary) << text;
  }
  std::set<std::string> temporaries() const {
    std::set<std::string> names;
    for (const std::string& name : folder_entries())
      if (name.rfind(linux_host::kTemporaryPrefix, 0) == 0) names.insert(name);
    return names;
  }
  std::vector<std::string> folder_entries() const {
    std::vector<std::string> names;
    DIR* d = opendir((dir_ + "/cfg/mirukado").c_str());
    if (!d) return names;
    while (dirent* e = readdir(d))
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
        names.push_back(e->d_name);
    closedir(d);
    return names;
  }

  std::string dir_;
  std::string path_;
};

TEST_F(SettingsFileTest, PathFollowsXdgConfigHomeThenHome) {
  const char* old_xdg = std::getenv("XDG_CONFIG_HOME");
  const char* old_home = std::getenv("HOME");
  const std::string keep_xdg = old_xdg ? old_xdg : "", keep_home = old_home ? old_home : "";
  setenv("XDG_CONFIG_HOME", "/x/conf", 1);
  EXPECT_EQ(linux_host::settings_file_path(), "/x/conf/mirukado/ミルカド.ini");
  setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
  setenv("HOME", "/home/u", 1);
  EXPECT_EQ(linux_host::settings_file_path(), "/home/u/.config/mirukado/ミルカド.ini");
  unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(linux_host::settings_file_path(), "/home/u/.config/mirukado/ミルカド.ini");
  old_xdg ? setenv("XDG_CONFIG_HOME", keep_xdg.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
  old_home ? setenv("HOME", keep_home.c_str(), 1) : unsetenv("HOME");
}

TEST_F(SettingsFileTest, FirstWriteCreatesFolderAndFile) {
  SettingsFile f(path_);
  EXPECT_EQ(f.read_int("Saver", "Conf", 0), 0);
  EXPECT_TRUE(f.write_string("Saver", "Conf", " 7"));
  EXPECT_TRUE(f.write_string("Saver", "Speed", " 1"));
  EXPECT_EQ(slurp(path_), "[Saver]\nConf= 7\nSpeed= 1\n");
  EXPECT_EQ(f.read_int("saver", "conf", 0), 7);
  EXPECT_EQ(folder_entries(), std::vector<std::string>{"ミルカド.ini"});  // no temporary left
}

TEST_F(SettingsFileTest, WriteKeepsOtherContentAndModeAndReplacesAtomically) {
  const std::string before = "; my notes\n[Other]\nkey = value\n\n[SAVER]\nspeed=3\nconf=1 ; old\n";
  put(path_, before);
  chmod(path_.c_str(), 0640);
  struct stat old_st {};
  ASSERT_EQ(stat(path_.c_str(), &old_st), 0);
  // A reader that opened the file before the write still sees the old text in
  // full: the file is replaced, never rewritten in place.
  std::ifstream reader(path_, std::ios::binary);
  SettingsFile f(path_);
  ASSERT_TRUE(f.write_string("Saver", "Conf", " 2"));
  std::stringstream old_text;
  old_text << reader.rdbuf();
  EXPECT_EQ(old_text.str(), before);
  EXPECT_EQ(slurp(path_), "; my notes\n[Other]\nkey = value\n\n[SAVER]\nspeed=3\nconf= 2\n");
  struct stat new_st {};
  ASSERT_EQ(stat(path_.c_str(), &new_st), 0);
  EXPECT_NE(new_st.st_ino, old_st.st_ino);
  EXPECT_EQ(new_st.st_mode & 07777, 0640u);
  EXPECT_EQ(folder_entries().size(), 1u);
}

TEST_F(SettingsFileTest, SymbolicLinkIsFollowed) {
  const std::string real = dir_ + "/dotfiles/mirukado.ini";
  put(real, "[Saver]\nConf=4\n");
  std::system(("mkdir -p '" + dir_ + "/cfg/mirukado'").c_str());
  ASSERT_EQ(symlink(real.c_str(), path_.c_str()), 0);
  SettingsFile f(path_);
  ASSERT_TRUE(f.write_string("Saver", "Speed", " 3"));
  struct stat st {};
  ASSERT_EQ(lstat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(slurp(real), "[Saver]\nConf=4\nSpeed= 3\n");
}

TEST_F(SettingsFileTest, HugeFileReadsAsEmptyAndIsNeverRewritten) {
  std::string huge = "[Saver]\nConf=5\n";
  huge.append(host::profile::kMaxSize, 'x');
  put(path_, huge);
  SettingsFile f(path_);
  EXPECT_EQ(f.read_int("Saver", "Conf", 0), 0);
  EXPECT_FALSE(f.write_string("Saver", "Conf", " 7"));
  EXPECT_EQ(slurp(path_).size(), huge.size());
}

TEST_F(SettingsFileTest, SpecialFilesNeitherHangNorGetReplaced) {
  std::system(("mkdir -p '" + dir_ + "/cfg/mirukado'").c_str());
  ASSERT_EQ(mkfifo(path_.c_str(), 0600), 0);  // opening it for reading must not wait
  SettingsFile f(path_);
  EXPECT_EQ(f.read_int("Saver", "Conf", 3), 3);
  EXPECT_FALSE(f.write_string("Saver", "Conf", " 7"));
  struct stat st {};
  ASSERT_EQ(lstat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  const std::string folder_path = dir_ + "/cfg2/mirukado/ミルカド.ini";
  std::system(("mkdir -p '" + folder_path + "'").c_str());  // a folder under the file's name
  SettingsFile g(folder_path);
  EXPECT_EQ(g.read_int("Saver", "Conf", 0), 0);
  EXPECT_FALSE(g.write_string("Saver", "Conf", " 7"));
}

TEST_F(SettingsFileTest, UnwritableFolderFailsSilently) {
  put(dir_ + "/blocker", "a file where a folder should be");
  SettingsFile f(dir_ + "/blocker/mirukado/ミルカド.ini");
  EXPECT_FALSE(f.write_string("Saver", "Conf", " 7"));
  EXPECT_EQ(f.read_int("Saver", "Conf", 0), 0);
}

// A refused or failed write says which path it concerns and why, in words
// the settings dialog can show as they are.
TEST_F(SettingsFileTest, FailedWritesNameThePathAndTheReason) {
  std::string huge = "[Saver]\n";
  huge.append(host::profile::kMaxSize, 'x');
  const std::string blocker = dir_ + "/blocker";
  const std::string folder_file = dir_ + "/cfg2/mirukado/ミルカド.ini";
  const struct {
    const char* what;
    std::string path;    // the settings file
    std::string prefix;  // what the reason starts with
    const char* why;     // and then contains
  } cases[] = {
      {"read-only file", path_, path_ + ": ", "read-only"},
      {"too large", path_, path_ + ": ", "larger than"},
      {"a folder in the file's place", folder_file, folder_file + ": ", "not a regular file"},
      {"a file in a folder's place", blocker + "/mirukado/ミルカド.ini",
       blocker + "/mirukado/ミルカド.ini: ", "Not a directory"},
  };
  put(blocker, "a file where a folder should be");
  std::system(("mkdir -p '" + folder_file + "'").c_str());
  for (const auto& c : cases) {
    const std::string what = c.what;
    if (what == "read-only file") {
      put(path_, "[Saver]\nConf=1\n");
      ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
    } else if (what == "too large") {
      ASSERT_EQ(chmod(path_.c_str(), 0644), 0);
      put(path_, huge);
    }
    std::string error;
    const host::profile::Entry entry{"Conf", " 7"};
    EXPECT_FALSE(SettingsFile(c.path).write_strings("Saver", {&entry, 1}, &error)) << what;
    EXPECT_EQ(error.rfind(c.prefix, 0), 0u) << what << ": " << error;
    EXPECT_NE(error.find(c.why), std::string::npos) << what << ": " << error;
  }
}

TEST_F(SettingsFileTest, BinaryGarbageReadsAndWritesBack) {
  std::mt19937 rng(7);
  std::string garbage;
  for (int i = 0; i < 5000; ++i) garbage += static_cast<char>(rng() % 256);
  garbage += "\n[Saver]\nConf=\x01\x02\n";
  put(path_, garbage);
  SettingsFile f(path_);
  EXPECT_EQ(f.read_int("Saver", "Conf", 9), 0);  // non-numeric
  ASSERT_TRUE(f.write_string("Saver", "Conf", " 6"));
  EXPECT_EQ(f.read_int("Saver", "Conf", 0), 6);
  EXPECT_EQ(slurp(path_).substr(0, 5000), garbage.substr(0, 5000));
}

// A file the user does not own or made read-only is left exactly as it is:
// same bytes, inode, mode and owner, no temporary beside it; its values still
// read. Decided from owner and mode, so it holds for root as well.
struct ReadOnlyCase {
  const char* name;
  mode_t mode;
  bool other_owner;
  bool through_link;
  bool replaced;
};

class SettingsFileReadOnlyTest : public SettingsFileTest,
                                 public testing::WithParamInterface<ReadOnlyCase> {};

TEST_P(SettingsFileReadOnlyTest, ReplacesOnlyFilesTheUserOwnsAndMayWrite) {
  constexpr uid_t kOtherUser = 4242;
  const ReadOnlyCase& c = GetParam();
  const std::string text = "[Saver]\nConf=2\nSpeed=3\n";
  const std::string file = c.through_link ? dir_ + "/dotfiles/mirukado.ini" : path_;
  put(file, text);
  if (c.through_link) {
    std::system(("mkdir -p '" + dir_ + "/cfg/mirukado'").c_str());
    ASSERT_EQ(symlink(file.c_str(), path_.c_str()), 0);
  }
  ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
  if (c.other_owner && chown(file.c_str(), kOtherUser, kOtherUser) != 0)
    GTEST_SKIP() << "giving a file to another user needs root";
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);

  SettingsFile f(path_);
  EXPECT_EQ(f.write_string("Saver", "Conf", " 5"), c.replaced);
  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_mode, before.st_mode);
  EXPECT_EQ(f.read_int("Saver", "Speed", 0), 3);
  if (c.replaced) {
    EXPECT_EQ(f.read_int("Saver", "Conf", 0), 5);
    return;
  }
  EXPECT_EQ(slurp(file), text);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(after.st_uid, before.st_uid);
  EXPECT_TRUE(temporaries().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, SettingsFileReadOnlyTest,
    testing::Values(ReadOnlyCase{"ReadOnly", 0444, false, false, false},
                    ReadOnlyCase{"OwnerMayNotWrite", 0066, false, false, false},
                    ReadOnlyCase{"OtherUsers", 0644, true, false, false},
                    ReadOnlyCase{"OtherUsersWorldWritable", 0666, true, false, false},
                    ReadOnlyCase{"ReadOnlyBehindLink", 0444, false, true, false},
                    ReadOnlyCase{"Own", 0640, false, false, true},
                    ReadOnlyCase{"OwnBehindLink", 0600, false, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The reader ignores a file larger than the limit, so a write must never
// make one: the edge, one byte each side.
TEST_F(SettingsFileTest, WriteStopsAtTheSizeLimit) {
  const std::string head = "[Saver]\nSpeed=3\nConf=1\n;";
  for (const std::size_t result_size :
       {host::profile::kMaxSize - 1, host::profile::kMaxSize, host::profile::kMaxSize + 1}) {
    // "Conf= 1" is one byte longer than "Conf=1".
    const std::string text = head + std::string(result_size - 1 - head.size() - 1, 'x') + "\n";
    put(path_, text);
    SettingsFile f(path_);
    const bool fits = result_size <= host::profile::kMaxSize;
    EXPECT_EQ(f.write_string("Saver", "Conf", " 1"), fits) << result_size;
    EXPECT_EQ(slurp(path_).size(), fits ? result_size : text.size());
    EXPECT_EQ(f.read_int("Saver", "Speed", 0), 3) << result_size;
  }
}

// A writer killed at any moment leaves the file old or new, whole, and no
// temporary behind once the next write has run. A child rewrites a 500 KB
// file for ever; the parent kills it after a random delay, many times, with
// each of the signals that end a process by default.
TEST_F(SettingsFileTest, KilledWritesLeaveOldOrNewFileAndNoTemporaries) {
  constexpr std::size_t kPaddingLines = 10000;  // 50 bytes each: about 500 KB
  constexpr int kKills = 300;                   // for each way of making temporaries
  std::string padding = "[Notes]\n";
  for (std::size_t i = 0; i < kPaddingLines; ++i)
    padding += "line" + std::to_string(i) + "=" + std::string(40, 'a' + i % 26) + "\n";
  const std::string old_text = "[Saver]\nConf= 1\nSpeed= 2\n" + padding;
  const std::string new_text = "[Saver]\nConf= 2\nSpeed= 2\n" + padding;
  // In memory where possible: a disk's fsync would make each kill wait for it
  // without widening any window that matters here.
  if (struct stat shm{}; stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode)) {
    TearDown();
    char pattern[] = "/dev/shm/mirukado-settings-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    path_ = dir_ + "/cfg/mirukado/ミルカド.ini";
  }
  put(path_, old_text);
  const int signals[] = {SIGKILL, SIGTERM, SIGINT, SIGHUP};
  std::mt19937 rng(20240611);

  for (const auto temporaries_kind :
       {SettingsFile::Temporaries::Unnamed, SettingsFile::Temporaries::Named}) {
    SettingsFile f(path_, temporaries_kind);
    // The delays span a few whole writes, so every phase of one is hit.
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(f.write_string("Saver", "Conf", " 1"));
    const auto one_write = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
    std::uniform_int_distribution<long> delay_us(0, 3 * one_write.count() + 500);

    int torn = 0;
    std::size_t left[4] = {};  // temporaries left by each signal
    for (int i = 0; i < kKills; ++i) {
      const std::set<std::string> before = temporaries();
      const pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        for (unsigned n = 0;; ++n) f.write_string("Saver", "Conf", n % 2 ? " 1" : " 2");
      }
      std::this_thread::sleep_for(std::chrono::microseconds(delay_us(rng)));
      kill(child, signals[i % 4]);
      int status = 0;
      waitpid(child, &status, 0);
      const std::string now = slurp(path_);
      torn += now != old_text && now != new_text;
      for (const std::string& name : temporaries()) left[i % 4] += before.count(name) == 0;
    }
    std::printf("%s: %d kills left %zu temporaries (KILL %zu, TERM %zu, INT %zu, HUP %zu)\n",
                temporaries_kind == SettingsFile::Temporaries::Unnamed ? "unnamed" : "named",
                kKills, temporaries().size(), left[0], left[1], left[2], left[3]);
    EXPECT_EQ(torn, 0);
    // Held signals leave nothing; what a SIGKILL left, the next write removes.
    EXPECT_EQ(left[1] + left[2] + left[3], 0u);
    ASSERT_TRUE(f.write_string("Saver", "Speed", " 2"));
    EXPECT_TRUE(temporaries().empty());
    ASSERT_TRUE(f.write_string("Saver", "Conf", " 1"));
  }
}

}  // namespace
