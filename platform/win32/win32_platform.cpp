#include "platform/win32/win32_platform.hpp"

#include <imm.h>

#include <cstring>

#include "host/settings.hpp"
#include "host/settings_dialog.hpp"
#include "platform/win32/conf_dialog.hpp"
#include "platform/win32/gdi_window.hpp"

namespace win32 {
namespace {

// Held for the life of the process: a second start finds it already there. Per
// session, like the window captions the single-instance test looks for.
constexpr wchar_t kInstanceMutex[] = L"Local\\Mirukado.ScreenSaver.Instance";
constexpr wchar_t kSinkClass[] = L"MirukadoInputSink";
// SPI_SETSCREENSAVERRUNNING; older headers call it SPI_SCREENSAVERRUNNING.
constexpr UINT kSpiScreenSaverRunning = 97;

HWND to_hwnd(host::WindowHandle h) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(h)); }

std::wstring program_directory() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  const std::size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash);
}

// The 1 x 1 child that holds the keyboard focus in a full-screen run. Its
// keys and clicks are the saver window's: they go to the parent unchanged.
LRESULT CALLBACK sink_proc(HWND sink, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_SYSCHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MOUSEMOVE:
      return SendMessageW(GetParent(sink), message, wparam, lparam);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(sink, &ps);  // the saver window's back buffer shows through
      EndPaint(sink, &ps);
      return 0;
    }
    default:
      return DefWindowProcW(sink, message, wparam, lparam);
  }
}

}  // namespace

std::uint32_t use_password_from_registry_value(DWORD type, const BYTE* data, DWORD size) {
  if (type == REG_DWORD && size >= 4)
    return static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
           static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
  if (type == REG_SZ || type == REG_EXPAND_SZ) {
    // Control Panel writes this value as text; its number is what counts, so
    // "0" means no password (read as raw bytes it would be 48, "on").
    const std::size_t chars = size / sizeof(wchar_t);
    std::uint32_t value = 0;
    std::size_t i = 0;
    auto at = [&](std::size_t k) {
      wchar_t c;
      std::memcpy(&c, data + k * sizeof(wchar_t), sizeof c);
      return c;
    };
    while (i < chars && (at(i) == L' ' || at(i) == L'\t')) ++i;
    for (; i < chars && at(i) >= L'0' && at(i) <= L'9'; ++i) {
      const std::uint32_t digit = static_cast<std::uint32_t>(at(i) - L'0');
      if (value > (0xFFFFFFFFu - digit) / 10) return 0xFFFFFFFFu;  // absurdly long: still "on"
      value = value * 10 + digit;
    }
    return value;
  }
  return 0;
}

ProfileStore::ProfileStore()
    : path_(program_directory() + L"\\" + widen(host::kSettingsFileName)) {}

InstanceMutex::InstanceMutex() {
  // The runtime's previous-instance test: decided once at start, before this
  // process could be mistaken for the other one.
  mutex_ = CreateMutexW(nullptr, FALSE, kInstanceMutex);
  another_instance_ = mutex_ && GetLastError() == ERROR_ALREADY_EXISTS;
}

InstanceMutex::~InstanceMutex() {
  if (mutex_) CloseHandle(mutex_);
}

PasswordDialogs::~PasswordDialogs() {
  if (password_cpl_) FreeLibrary(password_cpl_);
}

bool InstanceMutex::find_window(const std::string& caption) {
  return FindWindowW(nullptr, widen(caption).c_str()) != nullptr;
}

void FormSaver::set_caption(const std::string& caption) {
  SetWindowTextW(saver_, widen(caption).c_str());
}

int ProfileStore::profile_int(const std::string& section, const std::string& key,
                              int default_value) {
  return static_cast<int>(GetPrivateProfileIntW(widen(section).c_str(), widen(key).c_str(),
                                                default_value, path_.c_str()));
}

void ProfileStore::write_profile_string(const std::string& section, const std::string& key,
                                        const std::string& value) {
  WritePrivateProfileStringW(widen(section).c_str(), widen(key).c_str(), widen(value).c_str(),
                             path_.c_str());
}

host::WriteResult ProfileStore::write_profile_strings(const std::string& section,
                                                      std::span<const ProfileEntry> entries) {
  for (const ProfileEntry& e : entries) {
    if (WritePrivateProfileStringW(widen(section).c_str(), widen(e.key).c_str(),
                                   widen(e.value).c_str(), path_.c_str()))
      continue;
    const DWORD error = GetLastError();
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring why = length > 0 && text ? std::wstring(text, length) : L"";
    if (text) LocalFree(text);
    // The system's text ends in a line break; the reason is one line.
    while (!why.empty() && (why.back() == L'\n' || why.back() == L'\r' || why.back() == L' '))
      why.pop_back();
    if (why.empty()) why = L"error " + std::to_wstring(error);
    return {false, narrow(path_) + ": " + narrow(why)};
  }
  return {};
}

std::uint32_t PasswordDialogs::desktop_use_password() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return 0;
  BYTE data[64] = {};
  DWORD size = sizeof data;
  DWORD type = REG_DWORD;
  std::uint32_t value = 0;
  if (RegQueryValueExW(key, L"ScreenSaveUsePassword", nullptr, &type, data, &size) == ERROR_SUCCESS)
    value = use_password_from_registry_value(type, data, size);
  RegCloseKey(key);
  return value;
}

host::WindowHandle PasswordDialogs::foreground_window() {
  return static_cast<host::WindowHandle>(reinterpret_cast<INT_PTR>(GetForegroundWindow()));
}

void PasswordDialogs::change_password(host::WindowHandle owner) {
  // Only Windows 9x had this export; elsewhere there is nothing to call and the
  // start ends as if the dialog had been closed.
  using ChangePassword = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, DWORD);
  HMODULE mpr = LoadLibraryW(L"mpr.dll");
  if (!mpr) return;
  auto change = reinterpret_cast<ChangePassword>(
      reinterpret_cast<void*>(GetProcAddress(mpr, "PwdChangePasswordA")));
  if (change) change("SCRSAVE", to_hwnd(owner), 0, 0);
  FreeLibrary(mpr);
}

bool FormSaver::embed_preview(host::WindowHandle parent) {
  HWND host_window = to_hwnd(parent);
  if (parent == 0 || !IsWindow(host_window)) return false;
  RECT r{};
  GetWindowRect(host_window, &r);
  // A child of the host window, drawing in its client area at the host's size.
  LONG_PTR style = GetWindowLongPtrW(saver_, GWL_STYLE);
  style = (style & ~static_cast<LONG_PTR>(WS_POPUP)) | WS_CHILD;
  SetWindowLongPtrW(saver_, GWL_STYLE, style);
  SetParent(saver_, host_window);
  SetWindowPos(saver_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return true;
}

void FormSaver::enter_full_screen() {
  full_screen_ = true;
  // The primary monitor; WM_GETMINMAXINFO lets the maximised window cover it
  // whole, task bar included.
  SetWindowPos(saver_, nullptr, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
               SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(saver_, SW_SHOWMAXIMIZED);
}

void FormSaver::focus_input_sink() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = sink_proc;
  wc.hInstance = instance_;
  wc.lpszClassName = kSinkClass;
  RegisterClassExW(&wc);
  HWND sink = CreateWindowExW(0, kSinkClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 1, 1, saver_,
                              nullptr, instance_, nullptr);
  if (!sink) return;
  ImmAssociateContext(sink, nullptr);  // keys end the run; no input method may take them
  SetFocus(sink);
}

void ConfDialogRunner::run_settings_dialog(host::SettingsDialog& dialog,
                                           host::SettingsStore& store) {
  run_conf_dialog(instance_, dialog, store);
  // The dialog has shown why; scripts and installers see it in the status.
  if (!dialog.save_error().empty()) not_saved_ = true;
}

void FormSaver::show_cursor(bool show) { ShowCursor(show ? TRUE : FALSE); }

void FormSaver::set_topmost(bool topmost) {
  SetWindowPos(saver_, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
}

void PasswordDialogs::screen_saver_running(bool running) {
  // The call stores the previous state through pvParam, so it gets a BOOL to
  // write to rather than a one-character text buffer.
  BOOL previous = FALSE;
  SystemParametersInfoW(kSpiScreenSaverRunning, running ? TRUE : FALSE, &previous, 0);
}

int PasswordDialogs::verify_password() {
  using Verify = BOOL(WINAPI*)(HWND);
  if (!password_cpl_tried_) {
    password_cpl_tried_ = true;
    password_cpl_ = LoadLibraryW(L"password.cpl");
  }
  // Windows NT and later verify the password at the logon screen instead and
  // have no password.cpl: with nothing to ask, the password counts as accepted.
  if (!password_cpl_) return 1;
  auto verify = reinterpret_cast<Verify>(
      reinterpret_cast<void*>(GetProcAddress(password_cpl_, "VerifyScreenSavePwd")));
  if (!verify) return 1;
  verifying_ = true;
  const BOOL result = verify(saver_);
  verifying_ = false;
  return result;
}

void FormSaver::end_program() {
  if (IsWindow(saver_)) DestroyWindow(saver_);
}

}  // namespace win32
