#pragma once
// The settings file on Linux: ${XDG_CONFIG_HOME:-$HOME/.config}/mirukado/ミルカド.ini,
// read and written with private-profile rules. Reads never block or fail
// loudly; writes replace the file atomically or not at all.

#include <sys/types.h>

#include <span>
#include <string>

#include "host/profile_file.hpp"

namespace linux_host {

// The settings file's path for this user's environment.
std::string settings_file_path();

// Temporary files of a write start with this, beside the settings file.
inline constexpr const char* kTemporaryPrefix = ".mirukado-ini-";

class SettingsFile {
 public:
  // How a write makes its temporary file: unnamed (O_TMPFILE, named only for
  // the instant between link and rename) where the file system allows it, or
  // named from the start; Named is the fallback, also chosen by tests.
  enum class Temporaries { Unnamed, Named };

  explicit SettingsFile(std::string path, Temporaries temporaries = Temporaries::Unnamed)
      : path_(std::move(path)), temporaries_(temporaries) {}

  const std::string& path() const { return path_; }

  // GetPrivateProfileInt semantics over the file's current content.
  int read_int(const std::string& section, const std::string& key, int default_value) const;
  // WritePrivateProfileString semantics: every other byte of the file is kept,
  // the folder is created when missing, and the file is replaced through a
  // temporary file, fsync and rename. Returns false on any failure, the old
  // file then untouched, with the reason in *error when given: the path that
  // failed and the system's word (the settings dialog shows it). Refused,
  // leaving the file as it is: a file the user does not own or has made
  // read-only, and a change that would make the file larger than the profile
  // size limit.
  bool write_string(const std::string& section, const std::string& key, const std::string& value,
                    std::string* error = nullptr) const;
  // Several keys of one section in one replacement, in the given order.
  bool write_strings(const std::string& section, std::span<const host::profile::Entry> entries,
                     std::string* error = nullptr) const;

 private:
  std::string path_;
  Temporaries temporaries_;
};

// Removes temporary files that no write will finish: those of a process that
// no longer runs, and any older than a minute. Every write runs it first.
void remove_stale_temporaries(const std::string& folder);

// The content of a file for the profile rules: nullopt when the file is
// missing; a text longer than the profile size limit when it is too big (the
// rules read that as empty and refuse to rewrite it). Special files (FIFOs,
// devices, folders) and unreadable files read as `unreadable`.
struct FileContent {
  bool missing = false;
  bool unreadable = false;
  int error = 0;  // errno of an unreadable file; 0 for a special one
  std::string text;
  mode_t mode = 0;  // of an existing file
  uid_t owner = 0;
};
FileContent read_bounded(const std::string& path);

}  // namespace linux_host
