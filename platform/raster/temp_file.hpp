#pragma once
// A file written beside its destination under a temporary name and renamed
// into place only when complete, so a failed write never leaves a partial or
// stray file behind.

#include <cstdio>
#include <string>

namespace raster {

class TempFile {
 public:
  // Creates the temporary file in the destination's folder. On failure
  // stream() is null and *error says why.
  TempFile(const std::string& destination, std::string* error);
  ~TempFile();  // removes the temporary file unless commit() succeeded
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  std::FILE* stream() const { return stream_; }
  const std::string& path() const { return temp_path_; }
  // Closes the stream (if still held) and renames the file into place.
  bool commit(std::string* error);

 private:
  std::string destination_;
  std::string temp_path_;
  std::FILE* stream_ = nullptr;
  bool committed_ = false;
};

}  // namespace raster
