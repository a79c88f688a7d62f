#pragma once
// mirukado-view.exe's own file of what a learner has done:
// %APPDATA%\Mirukado\viewer-progress, the position chosen and the last
// practice scores per drill (stage/progress.hpp's text, kept by
// viewer::ProgressKeeper). Never the saver's settings: the viewer leaves
// those alone.
//
// Two viewers may run at once: every change is made under a lock file beside
// it (LockFileEx), from the file as it is then, and published through a
// temporary of a name no other writer takes and
// MoveFileExW(MOVEFILE_REPLACE_EXISTING), so that a crash leaves the old file
// or the new one, never half of either. A file the user made read-only is
// never replaced, and a damaged one is set aside before a fresh one takes
// its place.

#include <memory>
#include <string>

#include "host/kept_store.hpp"

namespace win32 {

// Empty when the profile names no %APPDATA% (the viewer then remembers in
// memory only). APPDATA is read from the environment rather than asked of the
// shell, so that the viewer needs no DLL beyond those every Windows has.
std::wstring viewer_progress_path();

class ProgressFile : public host::KeptStore {
 public:
  explicit ProgressFile(std::wstring path) : path_(std::move(path)) {}
  host::StoredText read() override;
  bool update(const std::function<host::StoreChange(const host::StoredText&)>& change) override;
  std::string error() const override { return error_; }
  std::string set_aside_name() const override { return set_aside_; }

 private:
  bool fail(const char* why);

  std::wstring path_;
  std::string error_;
  std::string set_aside_;
};

// The store of the file at `path`, none without a path.
std::unique_ptr<ProgressFile> viewer_progress_store(const std::wstring& path);

}  // namespace win32
