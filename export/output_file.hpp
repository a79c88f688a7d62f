#pragma once
// Where a rendered image goes, and taking it back when the run fails.
//
// A regular file is written into an unnamed temporary file in its folder
// (O_TMPFILE) and linked into place only when complete, so no reader ever
// sees half an image and a run killed outright leaves nothing at all. Where
// the file system has no unnamed files, a temporary with a short hidden name
// takes its place (short, so that any name the folder accepts can be
// written). The new file keeps the mode (and, where allowed, the owner) of
// the file it replaces. A symbolic link is followed: the file it leads to is
// replaced (or created, for a dangling link) in that file's own folder and the
// link stays. A device or FIFO (/dev/null, /dev/stdout on a pipe) is opened
// and written in place as a stream, never replaced.
//
// Whether an existing file may be replaced is decided when the destination is
// checked, and decided again when the finished file is put in place: a file
// that was not there at the start and appeared meanwhile (another run, the
// user) is only replaced under Replace::Forced.

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

namespace raster {

// What may happen to a file already at the destination.
enum class Replace {
  Never,       // a name the user did not choose: any existing entry is refused
  IfWritable,  // a name the user chose: replaced when the user may write it
  Forced,      // replaced even when write-protected or when it appeared meanwhile
};

// How the finished file waits for its name. Unnamed falls back to Named where
// the file system cannot make unnamed files; Named is there to exercise that
// fallback.
enum class Temporary { Unnamed, Named };

// Checks, without creating anything, that destination can be written under
// `replace`: a folder is refused, an existing file by the rule, and the folder
// that will hold a regular file must exist and let the user create files. On
// failure *error names the destination in one line. *in_place, if given,
// tells whether the destination is a device or FIFO written in place.
bool check_destination(const std::string& destination, Replace replace, std::string* error,
                       bool* in_place = nullptr);

// Checks that folder is a folder the user may create files in, or that it can
// be created (the nearest existing parent is such a folder).
bool check_folder(const std::string& folder, std::string* error);

class OutputFile {
 public:
  // Checks the destination as check_destination() does and opens the stream.
  // On failure stream() is null and *error says why in one line. Opening a
  // FIFO waits for its reader.
  OutputFile(const std::string& destination, Replace replace, std::string* error,
             Temporary temporary = Temporary::Unnamed);
  ~OutputFile();  // an uncommitted file is abandoned: its temporary goes
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  std::FILE* stream() const { return stream_; }
  // A device or FIFO written where it is.
  bool in_place() const { return in_place_; }
  // The regular file commit() puts in place; empty when written in place.
  const std::string& target() const { return target_; }
  // A name that opens the file being written, for writers that open it again
  // themselves (a muxer that moves its index to the front): /proc/self/fd/N
  // for an unnamed temporary, the hidden temporary's name, or the destination
  // itself when written in place.
  const std::string& writing_path() const { return in_place_ ? destination_ : writing_path_; }
  // One line the user should see (replacing a hard-linked file cuts the
  // other links, which keep the old contents), or empty.
  const std::string& warning() const { return warning_; }

  // Flushes and closes the stream and, for a regular file, gives it the
  // replaced file's owner and mode and puts it in place. False (with *error,
  // and the temporary removed) if any write failed or a file that may not be
  // replaced is there now.
  bool commit(std::string* error);

 private:
  bool open_in_place(std::string* error);
  bool open_beside(Temporary temporary, std::string* error);
  bool publish(std::string* error);
  void take_over_attributes();
  void abandon();  // removes the temporary

  std::string destination_;  // as the user wrote it, for messages
  std::string target_;
  std::string folder_;        // the target's, never empty
  std::string writing_path_;  // see writing_path()
  std::string named_temp_;    // the hidden temporary's name, when not unnamed
  std::string warning_;
  Replace replace_ = Replace::Never;
  bool replaces_existing_ = false;  // a file was at the target when it was opened
  struct stat replaced_ {};
  int fd_ = -1;  // the temporary, open until it is in place
  std::FILE* stream_ = nullptr;
  bool in_place_ = false;
  bool committed_ = false;
};

// Files that go into place together, once the last of them is complete. Each
// is written whole into a private folder made inside the folder it is bound
// for (a fresh name mkdtemp picks, so no other run shares it and no planted
// link leads elsewhere; the same file system, so each goes into place by a
// rename), and the destinations keep what they hold until swap(). A folder
// never swapped (the run failed or was stopped) goes with everything in it
// when the object does, so the destinations are left as they were found.
class StagingFolder {
 public:
  StagingFolder() = default;
  ~StagingFolder();
  StagingFolder(const StagingFolder&) = delete;
  StagingFolder& operator=(const StagingFolder&) = delete;

  // Makes the private folder inside folder, which must exist.
  bool make(const std::string& folder, std::string* error);
  // Checks destination (a file of the folder, perhaps a link leading out of
  // it) under `replace` as OutputFile does and gives in *staged the name to
  // write its contents to, with an OutputFile under Replace::Never. Whether a
  // file is at the destination now decides, as for OutputFile, whether one
  // found there at the swap may be replaced. *warning as OutputFile::warning().
  bool stage(const std::string& destination, Replace replace, std::string* staged,
             std::string* error, std::string* warning);
  // Puts every staged file in place and takes the entries named `removed`
  // (bare names in the folder) out of it, checking every destination again
  // first. A step that fails takes the steps before it back, so the folder
  // holds either the old files or the new ones; the old go with the private
  // folder. Only a file that has to be copied (a device or FIFO at the
  // destination, a link to another file system) cannot be taken back, and a
  // file system without an exchanging rename cannot keep the file it replaced.
  bool swap(const std::vector<std::string>& removed, std::string* error);

 private:
  struct Staged {
    std::string name;         // in the private folder
    std::string destination;  // as given, for messages and the checks
    Replace replace;
    bool existed;  // a file was at the destination when it was staged
  };
  std::string folder_;  // the one the files are bound for
  std::string path_;    // the private folder, empty until made
  std::vector<Staged> files_;
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
