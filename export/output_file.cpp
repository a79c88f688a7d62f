#include "export/output_file.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace raster {
namespace {

// Links followed before giving up, as the kernel does for a path.
constexpr int kMaxLinkHops = 40;
// The temporary is the writer's alone until it is put in place.
constexpr mode_t kPrivateMode = 0600;
// A new file gets what any newly created file of the user would (less the umask).
constexpr mode_t kNewFileMode = 0666;
// Names tried for the hidden link a replacing rename starts from.
constexpr int kNameAttempts = 16;
// The hidden temporary's name, short so that it fits wherever the target's does.
constexpr const char* kTemporaryPrefix = ".mirukado-";

// The folder part of path with its slash ("" for a bare name).
std::string prefix_of(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The folder holding path, as a path of its own ("." for a bare name).
std::string folder_of(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string join(const std::string& folder, const std::string& name) {
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string why(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

bool refuse(std::string* error, std::string message) {
  if (error) *error = std::move(message);
  return false;
}

// Whether the user may write path; access(2) with the effective ids, so that
// root may write anything the kernel lets it.
bool may_write(const std::string& path, int mode = W_OK) {
  return faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

// The last link of a chain whose end does not exist yet: where a dangling
// link says its file should be. Empty (errno set) if the chain is broken in
// another way.
std::string dangling_end(std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT ? path : std::string();
    if (!S_ISLNK(st.st_mode)) {
      errno = EEXIST;  // appeared meanwhile
      return {};
    }
    std::string link(PATH_MAX, '\0');
    const ssize_t n = readlink(path.c_str(), link.data(), link.size());
    if (n < 0) return {};
    link.resize(static_cast<std::size_t>(n));
    path = link.front() == '/' ? link : prefix_of(path) + link;
  }
  errno = ELOOP;
  return {};
}

// What a destination is, found without touching it.
struct Destination {
  bool in_place = false;  // a device or FIFO
  std::string target;     // the regular file that will be put in place
  bool exists = false;    // a file is at target now
  struct stat st {};      // that file's
};

bool examine(const std::string& destination, Replace replace, Destination* out,
             std::string* error) {
  struct stat st {};
  if (replace == Replace::Never && lstat(destination.c_str(), &st) == 0)
    return refuse(error, destination + " already exists; add --force to replace it");
  if (stat(destination.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode))
      return refuse(error, "cannot write " + destination + ": it is a folder");
    if (!S_ISREG(st.st_mode)) {
      out->in_place = true;
      return may_write(destination) || refuse(error, why("cannot write", destination));
    }
    // An existing file, perhaps behind links: the file itself is replaced.
    std::unique_ptr<char, decltype(&free)> real(realpath(destination.c_str(), nullptr), &free);
    if (!real) return refuse(error, why("cannot resolve", destination));
    out->target = real.get();
    out->exists = true;
    out->st = st;
    if (replace == Replace::IfWritable && !may_write(out->target)) {
      if (errno == EACCES)
        return refuse(error, destination + " is write-protected; add --force to replace it");
      return refuse(error, why("cannot write", destination));
    }
  } else if (errno == ENOENT) {
    out->target = dangling_end(destination);
    if (out->target.empty()) return refuse(error, why("cannot follow", destination));
  } else {
    return refuse(error, why("cannot write", destination));
  }
  // The finished file is made in the target's folder and named there.
  const std::string folder = folder_of(out->target);
  if (!may_write(folder, W_OK | X_OK)) {
    if (errno == ENOENT)
      return refuse(error,
                    "cannot write " + destination + ": folder " + folder + " does not exist");
    return refuse(error, "cannot write " + destination + ": cannot create files in " + folder +
                             ": " + std::strerror(errno));
  }
  return true;
}

// Renames from to `to` unless an entry is there (EEXIST then): atomically
// where the file system can.
bool rename_unless_taken(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // No such rename on this file system: a hard link refuses a taken name
  // just as atomically; without hard links (FAT) the check comes just
  // before the rename.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return true;
  }
  if (errno != EPERM && errno != EOPNOTSUPP) return false;
  struct stat st {};
  if (lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return std::rename(from.c_str(), to.c_str()) == 0;
}

std::string appeared_message(const std::string& destination) {
  return destination + " appeared while this run was writing it; add --force to replace it";
}

std::string hard_link_warning(const std::string& destination, const struct stat& st) {
  if (st.st_nlink <= 1) return {};
  return "replacing " + destination + " cut its " + std::to_string(st.st_nlink - 1) +
         " other hard link(s), which keep the old contents";
}

// Copies the finished file at `from` to destination through an OutputFile:
// for a destination no rename reaches.
bool copy_to(const std::string& from, const std::string& destination, Replace replace,
             std::string* error) {
  std::unique_ptr<std::FILE, decltype(&std::fclose)> in(std::fopen(from.c_str(), "rb"),
                                                        &std::fclose);
  if (!in) return refuse(error, why("cannot read", from));
  OutputFile out(destination, replace, error);
  if (!out.stream()) return false;
  constexpr std::size_t kChunk = 1 << 16;
  std::vector<char> buffer(kChunk);
  for (std::size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
    if (std::fwrite(buffer.data(), 1, n, out.stream()) != n) break;
  if (std::ferror(in.get())) return refuse(error, why("cannot read", from));
  return out.commit(error);
}

}  // namespace

bool check_destination(const std::string& destination, Replace replace, std::string* error,
                       bool* in_place) {
  Destination d;
  const bool ok = examine(destination, replace, &d, error);
  if (in_place) *in_place = d.in_place;
  return ok;
}

bool check_folder(const std::string& folder, std::string* error) {
  std::string path = folder;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  // The nearest part of the path that exists decides: the folder itself, or
  // the parent the missing folders will be created in.
  for (;;) {
    struct stat st {};
    if (stat(path.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode))
        return refuse(error,
                      "cannot create folder " + folder + ": " + path + " is a file, not a folder");
      if (!may_write(path, W_OK | X_OK))
        return refuse(error, "cannot write into folder " + folder + ": " + std::strerror(errno));
      return true;
    }
    if (errno != ENOENT) return refuse(error, why("cannot create folder", folder));
    const std::string parent = folder_of(path);
    if (parent == path) return refuse(error, why("cannot create folder", folder));
    path = parent;
  }
}

OutputFile::OutputFile(const std::string& destination, Replace replace, std::string* error,
                       Temporary temporary)
    : destination_(destination), replace_(replace) {
  std::string message;
  Destination d;
  if (examine(destination, replace, &d, &message)) {
    if (d.in_place) {
      open_in_place(&message);
    } else {
      target_ = d.target;
      folder_ = folder_of(target_);
      replaces_existing_ = d.exists;
      replaced_ = d.st;
      if (open_beside(temporary, &message) && d.exists)
        warning_ = hard_link_warning(destination_, d.st);
    }
  }
  if (!stream_ && error) *error = message;
}

bool OutputFile::open_in_place(std::string* error) {
  const int fd = open(destination_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return refuse(error, why("cannot open", destination_));
  stream_ = fdopen(fd, "wb");
  if (!stream_) {
    const std::string message = why("cannot open", destination_);
    close(fd);
    return refuse(error, message);
  }
  in_place_ = true;
  return true;
}

bool OutputFile::open_beside(Temporary temporary, std::string* error) {
  if (temporary == Temporary::Unnamed) {
    fd_ = open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kPrivateMode);
    if (fd_ >= 0) {
      // The file gets its name by a link through /proc; without /proc it
      // never could, so a named temporary has to do.
      writing_path_ = "/proc/self/fd/" + std::to_string(fd_);
      if (access(writing_path_.c_str(), F_OK) != 0) {
        close(fd_);
        fd_ = -1;
      }
    } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      return refuse(error, why("cannot create a file in the folder of", destination_));
    }
  }
  if (fd_ < 0) {
    std::string name = join(folder_, std::string(kTemporaryPrefix) + "XXXXXX");
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) return refuse(error, why("cannot create a file in the folder of", destination_));
    named_temp_ = writing_path_ = name;
  }
  // The stream has a descriptor of its own: the temporary's stays open after
  // the stream is closed, to give the file its owner, mode and name.
  const int stream_fd = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  stream_ = stream_fd < 0 ? nullptr : fdopen(stream_fd, "wb");
  if (!stream_) {
    const std::string message = why("cannot open a file for", destination_);
    if (stream_fd >= 0) close(stream_fd);
    return refuse(error, message);
  }
  return true;
}

OutputFile::~OutputFile() {
  if (stream_) std::fclose(stream_);
  if (!committed_) abandon();
  if (fd_ >= 0) close(fd_);
}

void OutputFile::abandon() {
  if (fd_ >= 0) close(fd_);  // an unnamed temporary ends here
  fd_ = -1;
  if (!named_temp_.empty()) unlink(named_temp_.c_str());
  named_temp_.clear();
}

void OutputFile::take_over_attributes() {
  if (replaces_existing_) {
    // The new file takes the place of the old one with its owner and mode
    // (the owner first: changing it may clear set-id bits). Not being allowed
    // to give the file away is normal for a user and not worth failing for.
    // The mode comes only now, so that a read-only file's mode does not keep
    // a writer that opens the temporary again by name out of it.
    if (fchown(fd_, replaced_.st_uid, replaced_.st_gid) != 0) {
      [[maybe_unused]] const int group_only = fchown(fd_, static_cast<uid_t>(-1), replaced_.st_gid);
    }
    fchmod(fd_, replaced_.st_mode & 07777);
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd_, kNewFileMode & ~mask);
  }
}

bool OutputFile::commit(std::string* error) {
  if (!stream_) return refuse(error, "cannot write " + destination_ + ": not open");
  const bool flushed = std::fflush(stream_) == 0 && !std::ferror(stream_);
  const int flush_errno = errno;
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (!flushed || !closed) {
    if (!flushed) errno = flush_errno;
    refuse(error, why("cannot write", destination_));
    abandon();
    return false;
  }
  if (!in_place_) {
    take_over_attributes();
    if (!named_temp_.empty()) {
      // A named temporary's last descriptor: where a network file system
      // reports a failed write.
      const int fd = fd_;
      fd_ = -1;
      if (close(fd) != 0) {
        refuse(error, why("cannot write", destination_));
        abandon();
        return false;
      }
    }
    if (!publish(error)) {
      abandon();
      return false;
    }
  }
  committed_ = true;
  return true;
}

bool OutputFile::publish(std::string* error) {
  // Replacing was decided when the destination was checked: a file that is
  // there now and was not then is someone else's, and stays.
  const bool may_replace =
      replace_ == Replace::Forced || (replace_ == Replace::IfWritable && replaces_existing_);
  const auto appeared = [&] { return refuse(error, appeared_message(destination_)); };
  const auto failed = [&] {
    return refuse(error, why("cannot put the finished file in place of", destination_));
  };
  if (named_temp_.empty()) {
    // linkat() never replaces: the name is taken or it is ours, atomically.
    if (!may_replace) {
      if (linkat(AT_FDCWD, writing_path_.c_str(), AT_FDCWD, target_.c_str(), AT_SYMLINK_FOLLOW) ==
          0)
        return true;
      return errno == EEXIST ? appeared() : failed();
    }
    // rename() is the one atomic replace, and it needs a name to start from.
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      const auto tick = std::chrono::steady_clock::now().time_since_epoch().count() % 1000000;
      const std::string name =
          join(folder_, kTemporaryPrefix + std::to_string(getpid()) + "-" + std::to_string(tick));
      if (linkat(AT_FDCWD, writing_path_.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        if (errno == EEXIST) continue;
        return failed();
      }
      if (std::rename(name.c_str(), target_.c_str()) == 0) return true;
      const int rename_errno = errno;
      unlink(name.c_str());
      errno = rename_errno;
      return failed();
    }
    return failed();
  }
  if (may_replace) {
    if (std::rename(named_temp_.c_str(), target_.c_str()) != 0) return failed();
  } else if (!rename_unless_taken(named_temp_, target_)) {
    return errno == EEXIST ? appeared() : failed();
  }
  named_temp_.clear();
  return true;
}

StagingFolder::~StagingFolder() {
  if (path_.empty()) return;
  // Only this run's files are in it: the new ones never swapped, or the old
  // ones they took the place of. unlink() takes a link itself, never its file.
  if (DIR* dir = opendir(path_.c_str())) {
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") unlinkat(dirfd(dir), name.c_str(), 0);
    }
    closedir(dir);
  }
  rmdir(path_.c_str());
}

bool StagingFolder::make(const std::string& folder, std::string* error) {
  std::string path = join(folder, std::string(kTemporaryPrefix) + "XXXXXX");
  if (!mkdtemp(path.data())) return refuse(error, why("cannot create a folder in", folder));
  folder_ = folder;
  path_ = std::move(path);
  return true;
}

bool StagingFolder::stage(const std::string& destination, Replace replace, std::string* staged,
                          std::string* error, std::string* warning) {
  Destination d;
  if (!examine(destination, replace, &d, error)) return false;
  Staged file{destination.substr(destination.find_last_of('/') + 1), destination, replace,
              d.exists};
  *staged = join(path_, file.name);
  *warning = d.exists ? hard_link_warning(destination, d.st) : std::string();
  files_.push_back(std::move(file));
  return true;
}

bool StagingFolder::swap(const std::vector<std::string>& removed, std::string* error) {
  // Everything is decided before anything moves: a destination refused now
  // leaves the folder untouched.
  std::vector<Destination> plan(files_.size());
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const Staged& f = files_[i];
    if (!examine(f.destination, f.replace, &plan[i], error)) return false;
    const bool may_replace =
        f.replace == Replace::Forced || (f.replace == Replace::IfWritable && f.existed);
    if (plan[i].exists && !may_replace) return refuse(error, appeared_message(f.destination));
  }
  // Renames to undo, newest last: each took `from` to `to`, or swapped the
  // two when `exchanged`.
  struct Step {
    std::string from;
    std::string to;
    bool exchanged;
  };
  std::vector<Step> done;
  const auto fail = [&](std::string message) {
    for (auto step = done.rbegin(); step != done.rend(); ++step) {
      if (step->exchanged)
        renameat2(AT_FDCWD, step->to.c_str(), AT_FDCWD, step->from.c_str(), RENAME_EXCHANGE);
      else
        std::rename(step->to.c_str(), step->from.c_str());
    }
    return refuse(error, std::move(message));
  };
  for (std::size_t i = 0; i < files_.size(); ++i) {
    const Staged& f = files_[i];
    const Destination& d = plan[i];
    const std::string staged = join(path_, f.name);
    std::string message;
    if (d.in_place) {
      if (!copy_to(staged, f.destination, f.replace, &message)) return fail(message);
      continue;
    }
    bool moved = false;
    if (d.exists) {
      // The new file takes the old one's owner and mode, as OutputFile's
      // does; the owner first, since changing it may clear set-id bits.
      if (chown(staged.c_str(), d.st.st_uid, d.st.st_gid) != 0) {
        [[maybe_unused]] const int group_only =
            chown(staged.c_str(), static_cast<uid_t>(-1), d.st.st_gid);
      }
      chmod(staged.c_str(), d.st.st_mode & 07777);
      // Exchanged, the old file waits in the private folder in case a later
      // step fails; a file system without the exchange replaces it outright.
      if (renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, d.target.c_str(), RENAME_EXCHANGE) == 0) {
        done.push_back({staged, d.target, true});
        continue;
      }
      if (errno == EINVAL || errno == ENOSYS)
        moved = std::rename(staged.c_str(), d.target.c_str()) == 0;
    } else {
      moved = rename_unless_taken(staged, d.target);
      if (moved) {
        done.push_back({staged, d.target, false});
        continue;
      }
      if (errno == EEXIST) return fail(appeared_message(f.destination));
    }
    if (moved) continue;
    // A link that leads to another file system: no rename gets there.
    if (errno == EXDEV) {
      if (!copy_to(staged, f.destination, f.replace, &message)) return fail(message);
      continue;
    }
    return fail(why("cannot put the finished file in place of", f.destination));
  }
  for (const std::string& name : removed) {
    const std::string from = join(folder_, name);
    const std::string to = join(path_, name);
    if (!rename_unless_taken(from, to)) return fail(why("cannot remove", from));
    done.push_back({from, to, false});
  }
  return true;
}

RunOutputs::~RunOutputs() {
  if (kept_) return;
  for (const std::string& file : files_) unlink(file.c_str());
  for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) rmdir(it->c_str());
}

bool RunOutputs::make_folder(const std::string& folder, std::string* error) {
  namespace fs = std::filesystem;
  std::vector<std::string> missing;
  std::error_code ec;
  fs::path start = fs::path(folder).lexically_normal();
  if (!start.has_filename() && start.has_parent_path()) start = start.parent_path();  // "a/b/"
  for (fs::path p = start; !p.empty() && !fs::exists(p, ec); p = p.parent_path()) {
    missing.push_back(p.string());
    if (p == p.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (mkdir(it->c_str(), 0777) != 0 && errno != EEXIST) {
      *error = why("cannot create folder", folder);
      return false;
    }
    folders_.push_back(*it);
  }
  if (!fs::is_directory(folder, ec)) {
    *error = "cannot create folder " + folder + ": " +
             (ec ? ec.message() : std::string("a file of that name is in the way"));
    return false;
  }
  return true;
}

void RunOutputs::wrote(const OutputFile& file) {
  if (!file.target().empty()) files_.push_back(file.target());
}

}  // namespace raster
