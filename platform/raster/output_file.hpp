#pragma once
// Where a rendered image goes, and taking it back when the run fails.
//
// A regular file is written beside its destination under a hidden temporary
// name and renamed into place only when complete, so no reader ever sees half
// an image; it keeps the mode (and, where allowed, the owner) of the file it
// replaces. A symbolic link is followed: the file it leads to is replaced (or
// created, for a dangling link) in that file's own folder and the link stays.
// A device or FIFO (/dev/null, /dev/stdout on a pipe) is opened and written in
// place as a stream, never replaced.

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

namespace raster {

class OutputFile {
 public:
  // Opens the stream for destination. On failure stream() is null and *error
  // says why in one line. Opening a FIFO waits for its reader.
  OutputFile(const std::string& destination, std::string* error);
  ~OutputFile();  // an uncommitted file is abandoned: its temporary is removed
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::FILE* stream() const { return stream_; }
  // A device or FIFO written where it is.
  bool in_place() const { return in_place_; }
  // The regular file commit() puts in place; empty when written in place.
  const std::string& target() const { return target_; }
  // Where the bytes go until commit(): the hidden temporary beside the target,
  // or the destination itself when written in place. For writers that open
  // the file again by name (a muxer that moves its index to the front).
  const std::string& writing_path() const { return in_place_ ? destination_ : temp_path_; }
  // One line the user should see (replacing a hard-linked file cuts the
  // other links, which keep the old contents), or empty.
  const std::string& warning() const { return warning_; }

  // Flushes and closes the stream and, for a regular file, renames the
  // temporary into place. False (with *error) if any write failed.
  bool commit(std::string* error);

 private:
  bool open_in_place(std::string* error);
  bool open_beside(const struct stat* replaced, std::string* error);

  std::string destination_;  // as the user wrote it, for messages
  std::string target_;
  std::string temp_path_;
  std::string warning_;
  std::FILE* stream_ = nullptr;
  bool in_place_ = false;
  bool committed_ = false;
};

// What one run has written: the files committed and the folders it created.
// Unless keep() is called, the destructor removes them all again (files
// first, then the folders, deepest first), so a failed or interrupted run
// leaves things as they were before it, short of the files it replaced.
class RunOutputs {
 public:
  RunOutputs() = default;
  ~RunOutputs();
  RunOutputs(const RunOutputs&) = delete;
  RunOutputs& operator=(const RunOutputs&) = delete;

  // Creates folder and any missing parents, remembering the ones it made.
  bool make_folder(const std::string& folder, std::string* error);
  // Remembers the file a committed output put in place (nothing for a stream).
  void wrote(const OutputFile& file);
  void keep() { kept_ = true; }

 private:
  std::vector<std::string> files_;
  std::vector<std::string> folders_;  // outermost first
  bool kept_ = false;
};

}  // namespace raster
