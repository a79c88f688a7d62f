// mirukado.scr: the Windows screen saver. The window form_saver is created
// hidden, the host rules run its load handler (single instance, settings, run
// mode), and in preview and full-screen runs the core's runner plays the stage
// on a GDI window, driven by one Win32 timer set to the delay each tick
// returns, until the window is destroyed.

#include <windows.h>

#include <memory>

#include "host/captions.hpp"
#include "host/runner.hpp"
#include "host/saver.hpp"
#include "platform/win32/gdi_window.hpp"
#include "platform/win32/win32_platform.hpp"
#include "resource.h"

namespace {

constexpr wchar_t kSaverClass[] = L"MirukadoSaver";
constexpr UINT_PTR kTickTimer = 1;

// Shows what the runner asks for. A window that Windows damaged asks for its
// picture itself (WM_PAINT), so a whole redraw needs nothing more here.
class GdiScreen final : public host::Screen {
 public:
  explicit GdiScreen(win32::GdiWindow& window) : window_(window) {}
  void present(bool /*everything*/) override {
    if (window_.attached()) window_.present();
  }

 private:
  win32::GdiWindow& window_;
};

// Everything one run owns. It outlives the window: the window procedure finds
// it through GWLP_USERDATA and, once the window is destroyed, only flags read
// by code that is still on the stack are touched.
struct Run {
  std::unique_ptr<win32::Win32Platform> platform;
  std::unique_ptr<host::Saver> saver;
  std::unique_ptr<win32::GdiWindow> window;
  std::unique_ptr<GdiScreen> screen;
  std::unique_ptr<host::Runner> runner;
  // Mouse positions in twips, at the same scale from the first event on.
  win32::TwipsPerPixel tpp = win32::screen_twips_per_pixel();
};

// One Win32 timer carries the delay the runner returned: SetTimer with the
// same id replaces the interval. A tick that meets its own timer message while
// it lets events through gets kUnchanged, and its own return sets the timer.
void schedule(HWND hwnd, int delay) {
  if (delay > 0)
    SetTimer(hwnd, kTickTimer, static_cast<UINT>(delay), nullptr);
  else if (delay == host::Runner::kStopped)
    KillTimer(hwnd, kTickTimer);
}

void drop_queued_characters() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_CHAR, WM_DEADCHAR, PM_REMOVE)) {
  }
  while (PeekMessageW(&msg, nullptr, WM_SYSCHAR, WM_SYSDEADCHAR, PM_REMOVE)) {
  }
}

float twips_x(const Run& run, LPARAM lparam) {
  return static_cast<float>(static_cast<short>(LOWORD(lparam))) * run.tpp.x;
}
float twips_y(const Run& run, LPARAM lparam) {
  return static_cast<float>(static_cast<short>(HIWORD(lparam))) * run.tpp.y;
}

LRESULT CALLBACK saver_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* run = reinterpret_cast<Run*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  if (!run) return DefWindowProcW(hwnd, message, wparam, lparam);
  // While the password dialog is up its modal loop still delivers our input;
  // that input belongs to the dialog's question, not to a new one.
  const bool verifying = run->platform && run->platform->verifying();
  host::Saver* saver = verifying ? nullptr : run->saver.get();
  host::Runner* input = verifying ? nullptr : run->runner.get();
  switch (message) {
    case WM_TIMER:
      if (wparam == kTickTimer && run->runner) schedule(hwnd, run->runner->on_timer());
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the back buffer covers the whole client area
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (run->window)
        run->window->present(dc);
      else
        FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // One keystroke asks for the password once: its character message is
      // already queued and would call the end of the run a second time (inside
      // the password dialog's own loop, or right after a refusal).
      drop_queued_characters();
      if (input) input->on_key_down();
      return 0;
    case WM_CHAR:
    case WM_SYSCHAR:
      if (input) input->on_key_press();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      if (input) input->on_mouse_down();
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
      if (input) input->on_mouse_up();
      return 0;
    case WM_MOUSEMOVE:
      if (input) input->on_mouse_move(twips_x(*run, lparam), twips_y(*run, lparam));
      return 0;
    case WM_GETMINMAXINFO:
      if (run->platform && run->platform->full_screen()) {
        auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
        info->ptMaxPosition = {0, 0};
        info->ptMaxSize = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        info->ptMaxTrackSize = info->ptMaxSize;
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      // A running saver must not start another one, and Alt+F4 or the system
      // menu must not end a run past the password check.
      if ((wparam & 0xFFF0) == SC_SCREENSAVE || (wparam & 0xFFF0) == SC_CLOSE) return 0;
      break;
    case WM_CLOSE:
      // Anyone asking a full-screen run to close goes through its end, and so
      // through the password; a preview closes as asked.
      if (run->saver && run->saver->saver_mode() == host::SaverMode::FullScreen) {
        if (saver) saver->saver_end();
        return 0;
      }
      break;
    case WM_DESTROY:
      KillTimer(hwnd, kTickTimer);
      if (run->runner) run->runner->stop();
      if (run->window) run->window->detach();
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

// The command line after the program path, as the process received it.
std::wstring arguments(PWSTR command_line) { return command_line ? command_line : L""; }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR command_line, int) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = saver_proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MIRUKADO));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kSaverClass;
  if (!RegisterClassExW(&wc)) return 1;

  Run run;
  // form_saver as designed: hidden, with its designed caption, until the load
  // handler has decided what it becomes.
  HWND hwnd = CreateWindowExW(0, kSaverClass, win32::widen(host::kCaptionDesigned).c_str(),
                              WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, &run);
  if (!hwnd) return 1;
  run.platform = std::make_unique<win32::Win32Platform>(instance, hwnd);
  run.saver = std::make_unique<host::Saver>(*run.platform, run.platform->parts());

  const host::StartResult start = run.saver->load(win32::narrow(arguments(command_line)));
  if (start == host::StartResult::Ended || !IsWindow(hwnd)) return 0;

  RECT client{};
  GetClientRect(hwnd, &client);
  run.window = std::make_unique<win32::GdiWindow>(hwnd, client.right, client.bottom);
  run.screen = std::make_unique<GdiScreen>(*run.window);
  run.runner = std::make_unique<host::Runner>(*run.window, run.saver->settings(), *run.screen,
                                              run.saver.get());
  ShowWindow(hwnd, start == host::StartResult::Preview ? SW_SHOWNA : SW_SHOW);
  // The first activation: geometry, tables, the first picture; the first tick 1 ms later.
  schedule(hwnd, run.runner->start());

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
