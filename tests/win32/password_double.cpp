// A stand-in for password.cpl: its VerifyScreenSavePwd refuses the first
// password and accepts every later one, and logs each call to verify.log next
// to the DLL, so a test can see how often the saver asked.

#include <windows.h>

#include <string>

namespace {

HMODULE self = nullptr;

std::wstring log_path() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(self, path, MAX_PATH);
  std::wstring p = path;
  return p.substr(0, p.find_last_of(L"\\/") + 1) + L"verify.log";
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
  HANDLE f = CreateFileW(log_path().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  LARGE_INTEGER size{};
  GetFileSizeEx(f, &size);
  const bool first = size.QuadPart == 0;
  // The owner must be the saver window, still alive while the dialog is up.
  const char* line = !IsWindow(owner) ? "no-owner\n" : first ? "refused\n" : "accepted\n";
  DWORD written = 0;
  WriteFile(f, line, static_cast<DWORD>(std::char_traits<char>::length(line)), &written, nullptr);
  CloseHandle(f);
  return first ? FALSE : TRUE;
}
