// probe.exe: the Windows side of the end-to-end tests, run under Wine.
//   probe screen MIN         counts the screen's non-black pixels; fails below MIN
//   probe window CLASS       prints the client size, a hash of the client
//                            area's pixels and its non-black pixel count for
//                            the top window of that class (no window: fails)
//   probe monitors           prints each monitor as "LEFT TOP RIGHT BOTTOM", one a line
//   probe lit L T R B MIN    counts the non-black pixels of that screen rectangle;
//                            fails below MIN
//   probe preview SCR        hosts SCR /p in a window of its own, checks that it
//                            embeds itself at the host's size and keeps running,
//                            destroys the window and checks that SCR then exits
//                            with status 0
// Prints what it saw on stdout; exit status 0 when the check holds.

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Capture {
  long lit = 0;
  unsigned long long hash = 0;
};

// Non-black pixels and an FNV-1a hash of a screen rectangle.
Capture capture(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0) return {};
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  Capture c;
  c.hash = 14695981039346656037ull;
  const auto* px = static_cast<const unsigned*>(bits);
  for (long i = 0; i < static_cast<long>(w) * h; ++i) {
    const unsigned rgb = px[i] & 0xFFFFFF;
    if (rgb != 0) ++c.lit;
    c.hash = (c.hash ^ rgb) * 1099511628211ull;
  }
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return c;
}

void pump_for(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(20);
  }
}

int screen(long min_lit) {
  RECT all{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const long lit = capture(all).lit;
  std::printf("screen %ldx%ld: %ld lit pixels (want >= %ld)\n", all.right, all.bottom, lit,
              min_lit);
  return lit >= min_lit ? 0 : 1;
}

int window(const wchar_t* window_class) {
  HWND hwnd = FindWindowW(window_class, nullptr);
  if (!hwnd) {
    std::printf("no window of class %ls\n", window_class);
    return 1;
  }
  RECT r{};
  GetClientRect(hwnd, &r);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
  const Capture c = capture(r);
  std::printf("%ldx%ld %016llx %ld\n", r.right - r.left, r.bottom - r.top, c.hash, c.lit);
  return 0;
}

LRESULT CALLBACK host_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

int preview(const wchar_t* scr) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = host_proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = L"MirukadoPreviewHost";
  RegisterClassW(&wc);
  // A borderless host like the display settings' little monitor: its window
  // rectangle is its client area.
  HWND host = CreateWindowExW(0, wc.lpszClassName, L"preview host", WS_POPUP | WS_VISIBLE, 100, 100,
                              320, 240, nullptr, nullptr, wc.hInstance, nullptr);
  pump_for(300);

  std::wstring command =
      L"\"" + std::wstring(scr) + L"\" /p " + std::to_wstring(reinterpret_cast<INT_PTR>(host));
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<wchar_t> line(command.begin(), command.end());
  line.push_back(L'\0');
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi)) {
    std::printf("cannot start %ls\n", command.c_str());
    return 1;
  }
  int failures = 0;

  // The saver embeds itself as a child of the host, at the host's size. It
  // becomes the host's child a moment before it is sized (re-parent, then
  // move), so wait for both rather than catch it in between on a busy machine.
  HWND child = nullptr;
  RECT sized{};
  for (int i = 0; i < 100 && !(child && sized.right > 0); ++i) {
    pump_for(50);
    child = FindWindowExW(
        host, nullptr, nullptr,
        L"\x30DF\x30EB\x30AB\x30C9\x30B9\x30AF\x30EA\x30FC\x30F3\x30BB\x30FC"
        L"\x30D0\x30FC\x30D7\x30EC\x30D3\x30E5\x30FC");  // ミルカドスクリーンセーバープレビュー
    if (child) GetClientRect(child, &sized);
  }
  if (!child) {
    std::printf("no preview child window in the host\n");
    ++failures;
  } else {
    RECT cr{};
    GetClientRect(child, &cr);
    std::printf("preview child %ldx%ld\n", cr.right, cr.bottom);
    if (cr.right != 320 || cr.bottom != 240) ++failures;
  }

  // Let it play a while; it must keep running as long as its host lives. (What
  // it draws is not checked here: Wine does not show a child window that
  // belongs to another process.)
  pump_for(1500);
  if (WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0) {
    std::printf("the preview ended while its host window was still there\n");
    ++failures;
  }

  // Destroying the host destroys the preview with it; the saver must then end.
  DestroyWindow(host);
  DWORD wait = WAIT_TIMEOUT;
  for (int i = 0; i < 200 && wait == WAIT_TIMEOUT; ++i) {
    pump_for(25);
    wait = WaitForSingleObject(pi.hProcess, 0);
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  if (wait != WAIT_OBJECT_0) {
    std::printf("saver still running after its host window was destroyed\n");
    TerminateProcess(pi.hProcess, 99);
    ++failures;
  } else {
    std::printf("saver exited with %lu\n", code);
    if (code != 0) ++failures;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return failures == 0 ? 0 : 1;
}

BOOL CALLBACK print_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info))
    std::printf("%ld %ld %ld %ld\n", info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right,
                info.rcMonitor.bottom);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 3 && std::wcscmp(argv[1], L"screen") == 0)
    return screen(std::wcstol(argv[2], nullptr, 10));
  if (argc >= 3 && std::wcscmp(argv[1], L"preview") == 0) return preview(argv[2]);
  if (argc >= 3 && std::wcscmp(argv[1], L"window") == 0) return window(argv[2]);
  if (argc >= 2 && std::wcscmp(argv[1], L"monitors") == 0)
    return EnumDisplayMonitors(nullptr, nullptr, print_monitor, 0) ? 0 : 1;
  if (argc >= 7 && std::wcscmp(argv[1], L"lit") == 0) {
    const RECT r{std::wcstol(argv[2], nullptr, 10), std::wcstol(argv[3], nullptr, 10),
                 std::wcstol(argv[4], nullptr, 10), std::wcstol(argv[5], nullptr, 10)};
    const long lit = capture(r).lit;
    std::printf("%ld lit\n", lit);
    return lit >= std::wcstol(argv[6], nullptr, 10) ? 0 : 1;
  }
  std::printf(
      "usage: probe screen MIN | probe preview SCR | probe window CLASS | probe monitors | "
      "probe lit L T R B MIN\n");
  return 2;
}
