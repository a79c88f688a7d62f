#include "platform/win32/viewer_progress.hpp"

#include <windows.h>

#include <cstdio>

#include "viewer/progress.hpp"

namespace win32 {
namespace {

constexpr wchar_t kFolder[] = L"\\Mirukado";
constexpr wchar_t kFile[] = L"\\viewer-progress";
constexpr wchar_t kLockSuffix[] = L".lock";
constexpr wchar_t kTemporaryInfix[] = L".tmp";
// How long a change waits for another viewer's before it gives up (one that
// hangs holding the lock must not hang this one).
constexpr DWORD kLockPatienceMs = 2000;
constexpr DWORD kLockRetryMs = 10;
// A write takes milliseconds; a temporary older than this is a killed
// writer's, removed by the next write.
constexpr ULONGLONG kStaleTicks = 60ULL * 10'000'000ULL;  // 100 ns ticks
constexpr int kNameAttempts = 16;

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

std::wstring folder_of(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

std::string narrow(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), out.data(), n, nullptr,
                      nullptr);
  return out;
}

host::StoredText read_file(const std::wstring& path) {
  using State = host::StoredText::State;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return {GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND
                ? State::Missing
                : State::Unreadable,
            {}};
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {State::Unreadable, {}};
  Handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return {State::Unreadable, {}};
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return {State::Unreadable, {}};
  if (static_cast<unsigned long long>(size.QuadPart) > viewer::kMaxProgressBytes)
    return {State::TooBig, {}};
  std::string text(static_cast<std::size_t>(size.QuadPart), '\0');
  std::size_t done = 0;
  while (done < text.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), text.data() + done, static_cast<DWORD>(text.size() - done), &got,
                  nullptr) ||
        got == 0)
      return {State::Unreadable, {}};
    done += got;
  }
  return {State::Text, std::move(text)};
}

// The lock file beside the progress file: the file itself cannot carry the
// lock, since every write replaces it by another.
class FileLock {
 public:
  explicit FileLock(const std::wstring& path)
      : file_(CreateFileW((path + kLockSuffix).c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_HIDDEN, nullptr)) {
    if (!file_.valid()) return;
    const ULONGLONG until = GetTickCount64() + kLockPatienceMs;
    while (true) {
      OVERLAPPED at{};
      if (LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                     &at)) {
        held_ = true;
        return;
      }
      if (GetTickCount64() > until) return;
      Sleep(kLockRetryMs);
    }
  }
  ~FileLock() {
    if (held_) {
      OVERLAPPED at{};
      UnlockFileEx(file_.get(), 0, 1, 0, &at);
    }
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool held() const { return held_; }

 private:
  Handle file_;
  bool held_ = false;
};

// Temporaries of writers that were killed (and the one fixed name of earlier
// versions) go before a new one is made.
void remove_stale_temporaries(const std::wstring& path) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((path + kTemporaryInfix + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  FILETIME now_ft{};
  GetSystemTimeAsFileTime(&now_ft);
  const ULONGLONG now = (ULONGLONG{now_ft.dwHighDateTime} << 32) | now_ft.dwLowDateTime;
  const std::wstring folder = folder_of(path);
  do {
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    const ULONGLONG written = (ULONGLONG{found.ftLastWriteTime.dwHighDateTime} << 32) |
                              found.ftLastWriteTime.dwLowDateTime;
    if (now > written && now - written > kStaleTicks)
      DeleteFileW((folder + L"\\" + found.cFileName).c_str());
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

bool write_temporary(const std::wstring& name, const std::string& text) {
  Handle file(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
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
    DeleteFileW(name.c_str());
    return false;
  }
  return true;
}

// NAME.bad-YYYYMMDD-HHMMSS beside it, never over another file.
bool set_aside_file(const std::wstring& path, std::wstring* moved_to) {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  wchar_t stamp[32];
  std::swprintf(stamp, 32, L".bad-%04u%02u%02u-%02u%02u%02u", t.wYear, t.wMonth, t.wDay, t.wHour,
                t.wMinute, t.wSecond);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::wstring name = path + stamp;
    if (attempt > 0) name += L"-" + std::to_wstring(attempt);
    if (MoveFileExW(path.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH)) {
      *moved_to = name;
      return true;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) return false;
  }
  return false;
}

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

std::unique_ptr<ProgressFile> viewer_progress_store(const std::wstring& path) {
  if (path.empty()) return nullptr;
  return std::make_unique<ProgressFile>(path);
}

host::StoredText ProgressFile::read() { return read_file(path_); }

bool ProgressFile::fail(const char* why) {
  error_ = narrow(path_) + ": " + why;
  return false;
}

bool ProgressFile::update(const std::function<host::StoreChange(const host::StoredText&)>& change) {
  error_.clear();
  // The folder (%APPDATA% itself is the profile's and always there).
  const std::wstring folder = folder_of(path_);
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return fail("the folder cannot be made");
  const FileLock lock(path_);
  if (!lock.held()) return fail("another program is writing it");
  const host::StoredText now = read_file(path_);
  const host::StoreChange what = change(now);
  if (what.kind == host::StoreChange::Kind::Leave) return true;
  // What cannot be read is not overwritten, and a file made read-only stays so.
  if (now.state == host::StoredText::State::Unreadable) return fail("it cannot be read");
  const DWORD attributes = GetFileAttributesW(path_.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    return fail("the file is read-only");
  remove_stale_temporaries(path_);
  if (what.kind == host::StoreChange::Kind::SetAsideWrite &&
      now.state != host::StoredText::State::Missing) {
    std::wstring moved_to;
    if (!set_aside_file(path_, &moved_to)) return fail("it cannot be set aside");
    set_aside_ = narrow(moved_to.substr(moved_to.rfind(L'\\') + 1));
  }
  // A name of this process and moment: two viewers never share a temporary.
  const std::wstring stem = path_ + kTemporaryInfix + L"-" +
                            std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(GetTickCount64()) + L"-";
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::wstring temporary = stem + std::to_wstring(attempt);
    if (!write_temporary(temporary, what.text)) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      return fail("it cannot be written");
    }
    if (MoveFileExW(temporary.c_str(), path_.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      return true;
    DeleteFileW(temporary.c_str());
    return fail("it cannot be replaced");
  }
  return fail("no temporary name is free");
}

}  // namespace win32
