// mirukado-view.exe: the drills for learning them. A normal resizable window
// plays the drill the command line names (any registered drill) and lets the
// learner pause, step, jump between commands, seek and loop. It reads and
// writes no settings; a bad command line gets one line on stderr and status 2,
// --help the viewer's usage.

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "drills/registry.hpp"
#include "platform/win32/gdi_window.hpp"
#include "platform/win32/viewer.hpp"
#include "viewer_resource.h"

namespace {

constexpr wchar_t kViewerClass[] = L"MirukadoViewer";
// A first window that shows the stage at a readable size on a small screen.
constexpr int kClientWidth = 800;
constexpr int kClientHeight = 500;
// WM_KEYDOWN's and WM_CHAR's lparam bit 30: the key was already down (auto-repeat).
constexpr LPARAM kKeyWasDown = LPARAM{1} << 30;

LRESULT CALLBACK viewer_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* viewer = reinterpret_cast<win32::Viewer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!viewer) return DefWindowProcW(hwnd, message, wparam, lparam);
  const int x = static_cast<short>(LOWORD(lparam)), y = static_cast<short>(HIWORD(lparam));
  switch (message) {
    case WM_TIMER:
      viewer->on_timer(wparam);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // paint() covers the whole client area
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      viewer->paint(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SIZE:
      viewer->on_size(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_KEYDOWN:
      if (!viewer->on_key(wparam, (lparam & kKeyWasDown) != 0)) DestroyWindow(hwnd);
      return 0;
    case WM_CHAR:
      if (!viewer->on_char(static_cast<wchar_t>(wparam), (lparam & kKeyWasDown) != 0))
        DestroyWindow(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      viewer->on_button_down(x, y);
      return 0;
    case WM_MOUSEMOVE:
      viewer->on_mouse_move(x, y);
      return 0;
    case WM_MOUSEWHEEL: {
      // The wheel's position comes in screen coordinates.
      POINT p{x, y};
      ScreenToClient(hwnd, &p);
      viewer->on_wheel(p.x, p.y, GET_WHEEL_DELTA_WPARAM(wparam));
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      viewer->on_button_up();
      return 0;
    case WM_DESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

// One line for whoever started us: their stderr, or a message box when the
// program was started without one (from a shortcut).
void report(const std::string& line) {
  const std::string text = line + "\n";
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD written = 0;
  if (err && err != INVALID_HANDLE_VALUE &&
      WriteFile(err, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
    return;
  MessageBoxW(nullptr, win32::widen(line).c_str(), L"mirukado-view", MB_ICONERROR | MB_OK);
}

// --help: the usage on standard output, or in a message box when the program
// was started without one.
void print_usage(const std::string& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out && out != INVALID_HANDLE_VALUE &&
      WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
    return;
  MessageBoxW(nullptr, win32::widen(text).c_str(), L"mirukado-view", MB_ICONINFORMATION | MB_OK);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  const stage::DrillList drills = drills::registry();
  std::vector<std::string> args;
  for (int i = 1; i < __argc; ++i) args.push_back(win32::narrow(__wargv[i]));
  const host::ViewerCommandLine parsed = host::read_viewer_command_line(args, drills);
  if (parsed.options.help) {
    print_usage(host::viewer_usage("mirukado-view", drills));
    return 0;
  }
  if (!parsed.error.empty()) {
    report("mirukado-view: " + parsed.error);
    return host::kUsageErrorStatus;
  }

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = viewer_proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MIRUKADO_VIEW));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kViewerClass;
  if (!RegisterClassExW(&wc)) return 1;

  RECT frame{0, 0, kClientWidth, kClientHeight};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, kViewerClass, L"mirukado-view", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                              CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                              nullptr, nullptr, instance, nullptr);
  if (!hwnd) return 1;
  auto viewer = std::make_unique<win32::Viewer>(hwnd, drills, parsed.options);
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(viewer.get()));
  ShowWindow(hwnd, show);
  UpdateWindow(hwnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
