#include "platform/linux/settings_file.hpp"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
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

}  // namespace
