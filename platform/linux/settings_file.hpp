#pragma once
// The settings file on Linux: ${XDG_CONFIG_HOME:-$HOME/.config}/mirukado/ミルカド.ini,
// read and written with private-profile rules. Reads never block or fail
// loudly; writes replace the file atomically or not at all.

#include <optional>
#include <string>

namespace linux_host {

// The settings file's path for this user's environment.
std::string settings_file_path();

class SettingsFile {
 public:
  explicit SettingsFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // GetPrivateProfileInt semantics over the file's current content.
  int read_int(const std::string& section, const std::string& key, int default_value) const;
  // WritePrivateProfileString semantics: every other byte of the file is kept,
  // the folder is created when missing, and the file is replaced through a
  // temporary file, fsync and rename. Returns false on any failure (callers
  // ignore it); the old file is then untouched.
  bool write_string(const std::string& section, const std::string& key,
                    const std::string& value) const;

 private:
  std::string path_;
};

// The content of a file for the profile rules: nullopt when the file is
// missing; a text longer than the profile size limit when it is too big (the
// rules read that as empty and refuse to rewrite it). Special files (FIFOs,
// devices, folders) and unreadable files read as `unreadable`.
struct FileContent {
  bool missing = false;
  bool unreadable = false;
  std::string text;
};
FileContent read_bounded(const std::string& path);

}  // namespace linux_host
