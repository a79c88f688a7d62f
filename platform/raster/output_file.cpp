#include "platform/raster/output_file.hpp"

#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

namespace raster {
namespace {

// Links followed before giving up, as the kernel does for a path.
constexpr int kMaxLinkHops = 40;

std::string folder_of(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

std::string why(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
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
    path = link.front() == '/' ? link : folder_of(path) + link;
  }
  errno = ELOOP;
  return {};
}

}  // namespace

OutputFile::OutputFile(const std::string& destination, std::string* error)
    : destination_(destination) {
  std::string message;
  struct stat st {};
  if (stat(destination.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      message = "cannot write " + destination + ": it is a folder";
    } else if (!S_ISREG(st.st_mode)) {
      open_in_place(&message);
    } else {
      // An existing file, perhaps behind links: replace the file itself.
      std::unique_ptr<char, decltype(&free)> real(realpath(destination.c_str(), nullptr), &free);
      if (!real)
        message = why("cannot resolve", destination);
      else
        target_ = real.get();
      if (real) open_beside(&st, &message);
    }
  } else if (errno == ENOENT) {
    target_ = dangling_end(destination);
    if (target_.empty())
      message = why("cannot follow", destination);
    else
      open_beside(nullptr, &message);
  } else {
    message = why("cannot write", destination);
  }
  if (!stream_ && error) *error = message;
}

bool OutputFile::open_in_place(std::string* error) {
  const int fd = open(destination_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    *error = why("cannot open", destination_);
    return false;
  }
  stream_ = fdopen(fd, "wb");
  if (!stream_) {
    *error = why("cannot open", destination_);
    close(fd);
    return false;
  }
  in_place_ = true;
  return true;
}

bool OutputFile::open_beside(const struct stat* replaced, std::string* error) {
  const auto slash = target_.find_last_of('/');
  const std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
  std::string pattern = folder_of(target_) + "." + name + ".XXXXXX";
  const int fd = mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    *error = why("cannot create a file in the folder of", destination_);
    return false;
  }
  temp_path_ = pattern;
  if (replaced) {
    // The new file takes the place of the old one with its owner and mode
    // (the owner first: changing it may clear set-id bits). Not being allowed
    // to give the file away is normal for a user and not worth failing for.
    if (fchown(fd, replaced->st_uid, replaced->st_gid) != 0) {
      [[maybe_unused]] const int group_only = fchown(fd, static_cast<uid_t>(-1), replaced->st_gid);
    }
    fchmod(fd, replaced->st_mode & 07777);
    if (replaced->st_nlink > 1)
      warning_ = "replacing " + destination_ + " cut its " +
                 std::to_string(replaced->st_nlink - 1) +
                 " other hard link(s), which keep the old contents";
  } else {
    // mkstemp makes the file private (0600); a new file gets the permissions
    // any newly created file of the user would have.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
  }
  stream_ = fdopen(fd, "wb");
  if (!stream_) {
    *error = why("cannot open", temp_path_);
    close(fd);
    return false;
  }
  return true;
}

OutputFile::~OutputFile() {
  if (stream_) std::fclose(stream_);
  if (!committed_ && !temp_path_.empty()) unlink(temp_path_.c_str());
}

bool OutputFile::commit(std::string* error) {
  if (!stream_) {
    if (error) *error = "cannot write " + destination_ + ": not open";
    return false;
  }
  const bool flushed = std::fflush(stream_) == 0 && !std::ferror(stream_);
  const int flush_errno = errno;
  const bool closed = std::fclose(stream_) == 0;
  stream_ = nullptr;
  if (!flushed || !closed) {
    if (!flushed) errno = flush_errno;
    if (error) *error = why("cannot write", destination_);
    return false;
  }
  if (!in_place_ && std::rename(temp_path_.c_str(), target_.c_str()) != 0) {
    if (error) *error = why("cannot move the finished file to", target_);
    return false;
  }
  committed_ = true;
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
