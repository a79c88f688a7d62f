#pragma once
// The settings file on Linux: ${XDG_CONFIG_HOME:-$HOME/.config}/mirukado/ミルカド.ini,
// read and written with private-profile rules. Reads never block or fail
// loudly; writes replace the file atomically or not at all.

#include <span>
#include <string>

#include "host/profile_file.hpp"
#include "platform/linux/kept_file.hpp"

namespace linux_host {

// The settings file's path for this user's environment; empty when the user
// has no home folder (the settings then read as defaults and are not saved).
std::string settings_file_path();

class SettingsFile {
 public:
  using Temporaries = linux_host::Temporaries;

  explicit SettingsFile(std::string path, Temporaries temporaries = Temporaries::Unnamed)
      : path_(std::move(path)), temporaries_(temporaries) {}

  const std::string& path() const { return path_; }

  // GetPrivateProfileInt semantics over the file's current content.
  int read_int(const std::string& section, const std::string& key, int default_value) const;
  // WritePrivateProfileString semantics over the file as it is at the moment
  // of writing (read again under the kept file's lock, so that a change
  // made meanwhile by another program stays): every other byte of the file is
  // kept, and the file is replaced as kept_file.hpp describes. Returns false
  // on any failure, the old file then untouched, with the reason in *error
  // when given: the path that failed and the system's word (the settings
  // dialog shows it). Refused, leaving the file as it is: a file the user
  // does not own or has made read-only, one that cannot be read, and a change
  // that would make the file larger than the profile size limit.
  bool write_string(const std::string& section, const std::string& key, const std::string& value,
                    std::string* error = nullptr) const;
  // Several keys of one section in one replacement, in the given order.
  bool write_strings(const std::string& section, std::span<const host::profile::Entry> entries,
                     std::string* error = nullptr) const;

 private:
  std::string path_;
  Temporaries temporaries_;
};

}  // namespace linux_host
