#include "platform/win32/viewer_progress.hpp"

#include <windows.h>

#include "stage/progress.hpp"

namespace win32 {
namespace {

constexpr wchar_t kFolder[] = L"\\Mirukado";
constexpr wchar_t kFile[] = L"\\viewer-progress";
constexpr wchar_t kTemporarySuffix[] = L".tmp";

// A handle closed on every way out.
class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  // Closes it now; false when the close failed (unwritten data lost).
  bool close() {
    const bool ok = CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

}  // namespace

std::wstring viewer_progress_path() {
  const DWORD needed = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (needed <= 1) return {};
  std::wstring base(needed, L'\0');
  const DWORD length = GetEnvironmentVariableW(L"APPDATA", base.data(), needed);
  if (length == 0 || length >= needed) return {};
  base.resize(length);
  return base + kFolder + kFile;
}

std::optional<std::string> read_viewer_progress(const std::wstring& path) {
  if (path.empty()) return std::nullopt;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return std::string();
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return std::nullopt;
  if (size.QuadPart < 0 ||
      static_cast<unsigned long long>(size.QuadPart) > stage::kMaxProgressBytes)
    return std::string();
  std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), text.data() + done, static_cast<DWORD>(text.size() - done), &got,
                  nullptr) ||
        got == 0)
      return std::nullopt;
    done += got;
  }
  return text;
}

bool write_viewer_progress(const std::wstring& path, std::string_view text) {
  if (path.empty()) return false;
  const std::size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return false;
  // The folder (%APPDATA% itself is the profile's and always there).
  const std::wstring folder = path.substr(0, slash);
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return false;
  const std::wstring temporary = path + kTemporarySuffix;
  {
    Handle file(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return false;
    std::size_t done = 0;
    while (done < text.size()) {
      DWORD wrote = 0;
      if (!WriteFile(file.get(), text.data() + done, static_cast<DWORD>(text.size() - done), &wrote,
                     nullptr) ||
          wrote == 0)
        break;
      done += wrote;
    }
    const bool written = done == text.size() && FlushFileBuffers(file.get());
    if (!file.close() || !written) {
      DeleteFileW(temporary.c_str());
      return false;
    }
  }
  if (!MoveFileExW(temporary.c_str(), path.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DeleteFileW(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace win32
