#include "platform/raster/temp_file.hpp"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace raster {

TempFile::TempFile(const std::string& destination, std::string* error) : destination_(destination) {
  const auto slash = destination.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? destination : destination.substr(slash + 1);
  std::string pattern = folder + "." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  const int fd = mkstemp(buffer.data());
  if (fd < 0) {
    if (error)
      *error = "cannot create a file in the folder of " + destination + ": " + std::strerror(errno);
    return;
  }
  temp_path_ = buffer.data();
  // mkstemp makes the file private (0600); the finished file gets the
  // permissions any newly created file of the user would have.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  stream_ = fdopen(fd, "wb");
  if (!stream_) {
    if (error) *error = "cannot open " + temp_path_ + ": " + std::strerror(errno);
    close(fd);
  }
}

TempFile::~TempFile() {
  if (stream_) std::fclose(stream_);
  if (!committed_ && !temp_path_.empty()) std::remove(temp_path_.c_str());
}

bool TempFile::commit(std::string* error) {
  if (temp_path_.empty()) return false;
  if (stream_) {
    const bool flushed = std::fflush(stream_) == 0 && !std::ferror(stream_);
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (!flushed || !closed) {
      if (error) *error = "cannot write " + temp_path_ + ": " + std::strerror(errno);
      return false;
    }
  }
  if (std::rename(temp_path_.c_str(), destination_.c_str()) != 0) {
    if (error)
      *error = "cannot rename " + temp_path_ + " to " + destination_ + ": " + std::strerror(errno);
    return false;
  }
  committed_ = true;
  return true;
}

}  // namespace raster
