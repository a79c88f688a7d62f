#pragma once
// The one writer of the files the programs keep for the user on Linux: the
// saver's settings and the viewer's progress, under
// ${XDG_CONFIG_HOME:-$HOME/.config}/mirukado. Every change is made under a
// lock on the file's folder (flock, so that two programs of the user take turns),
// from the file as it is then, and published through a temporary file, fsync
// and rename: a crash leaves the old file or the new one, never half of
// either, and a killed writer's temporary is removed by the next write.
//
// What is kept is the user's: a link to the file (a dotfiles folder) is
// followed and the file it names is updated; a file the user made read-only,
// or another user's, is never replaced; what cannot be read is never
// overwritten (a damaged file is set aside under another name first); and
// nothing is ever made in a folder that is not the user's alone, so that
// another local user cannot plant a link there.

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "host/kept_store.hpp"

namespace linux_host {

// ${XDG_CONFIG_HOME:-$HOME/.config}/mirukado, from absolute names only (a
// relative one is invalid by the base-directory rules), $HOME or else the
// user's entry in the password database; none when neither names a home.
// There is no shared fallback such as /tmp: without a home nothing is kept.
std::optional<std::string> config_folder();

// The content of a file, read without waiting (a FIFO under our name does not
// block) and without reading more than `max_size` + 1 bytes.
struct FileContent {
  bool missing = false;
  bool unreadable = false;  // special files, folders, no permission
  bool too_big = false;     // more than the size asked for
  int error = 0;            // errno of an unreadable file; 0 for a special one
  std::string text;
  mode_t mode = 0;  // of an existing file
  uid_t owner = 0;
};
FileContent read_bounded(const std::string& path, std::size_t max_size);

// Temporaries start with this, in the kept file's folder.
inline constexpr const char* kTemporaryPrefix = ".mirukado-tmp-";

// How a write makes its temporary file: unnamed (O_TMPFILE, named only for
// the instant between link and rename) where the file system allows it, or
// named from the start (O_EXCL, never following a link); Named is the
// fallback, also chosen by tests.
enum class Temporaries { Unnamed, Named };

// What a change makes of the content it read.
struct FileUpdate {
  enum class Kind { Leave, Write, SetAsideWrite, Refuse };
  Kind kind = Kind::Leave;
  std::string text;     // Write, SetAsideWrite
  std::string refusal;  // Refuse: why, for the error
};

struct KeptFileOptions {
  std::size_t max_size = 0;
  Temporaries temporaries = Temporaries::Unnamed;
};

// Reads the file under its lock, asks `change` what to do, and does it. The
// folders are made when missing (mode 0700). False on any failure, the file
// then untouched, with the reason in *error: the path and the system's word.
// *set_aside names where a damaged file went.
bool update_kept_file(const std::string& path, const KeptFileOptions& options,
                      const std::function<FileUpdate(const FileContent&)>& change,
                      std::string* error = nullptr, std::string* set_aside = nullptr);

// Removes temporary files that no write will finish: those of a process that
// no longer runs, and any older than a minute. Every write runs it first.
void remove_stale_temporaries(const std::string& folder);

// A kept file as the core's viewer sees it (the progress store).
class KeptFile : public host::KeptStore {
 public:
  KeptFile(std::string path, KeptFileOptions options) : path_(std::move(path)), options_(options) {}
  host::StoredText read() override;
  bool update(const std::function<host::StoreChange(const host::StoredText&)>& change) override;
  std::string error() const override { return error_; }
  std::string set_aside_name() const override { return set_aside_; }

 private:
  std::string path_;
  KeptFileOptions options_;
  std::string error_;
  std::string set_aside_;
};

}  // namespace linux_host
