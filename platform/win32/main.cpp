// mirukado.scr: the Windows screen saver. The window form_saver is created
// hidden, the host rules run its load handler (single instance, settings, run
// mode), and in preview and full-screen runs the core's runner plays the stage
// on a GDI window, driven by one Win32 timer set to the delay each tick
// returns, until the window is destroyed. A full-screen run puts form_saver on
// the primary monitor and one more top-most window on each other monitor,
// owned by form_saver (so they go when it goes), each with a stage of its own
// laid out for that monitor's size and DPI; all runners share the one Saver,
// so input on any monitor ends them all, through the password once.

#include <windows.h>

#include <memory>
#include <vector>

#include "host/captions.hpp"
#include "host/runner.hpp"
#include "host/saver.hpp"
#include "platform/win32/gdi_window.hpp"
#include "platform/win32/win32_platform.hpp"
#include "resource.h"

namespace {

constexpr wchar_t kSaverClass[] = L"MirukadoSaver";
// The windows on the other monitors: no caption, so that the single-instance
// search by caption finds form_saver alone.
constexpr wchar_t kMonitorClass[] = L"MirukadoSaverMonitor";
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

// One stage on one window: form_saver's, or another monitor's.
struct Head {
  HWND hwnd = nullptr;
  std::unique_ptr<win32::GdiWindow> window;
  std::unique_ptr<GdiScreen> screen;
  std::unique_ptr<host::Runner> runner;
};

// Everything one run owns. It outlives the windows: the window procedure finds
// it through GWLP_USERDATA and, once a window is destroyed, only flags read
// by code that is still on the stack are touched.
struct Run {
  // The platform's parts, assembled in wWinMain once form_saver exists.
  std::unique_ptr<win32::FormSaver> window;
  win32::ProfileStore settings;
  win32::InstanceMutex instance_guard;
  std::unique_ptr<win32::PasswordDialogs> password;
  std::unique_ptr<win32::ConfDialogRunner> dialog;
  std::unique_ptr<host::Saver> saver;
  HWND saver_window = nullptr;               // form_saver
  std::vector<std::unique_ptr<Head>> heads;  // form_saver's first
  // Mouse positions in twips, on the screen and at one scale, so that the
  // pointer crossing from one monitor's window to the next is one movement.
  win32::TwipsPerPixel tpp = win32::screen_twips_per_pixel();

  Head* head(HWND hwnd) {
    for (auto& h : heads)
      if (h->hwnd == hwnd) return h.get();
    return nullptr;
  }
  // Every runner hands input to the same end-of-run rules.
  host::Runner* input_runner() { return heads.empty() ? nullptr : heads.front()->runner.get(); }
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

POINT screen_point(HWND hwnd, LPARAM lparam) {
  POINT p{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  ClientToScreen(hwnd, &p);
  return p;
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
  const bool verifying = run->password && run->password->verifying();
  host::Saver* saver = verifying ? nullptr : run->saver.get();
  host::Runner* input = verifying ? nullptr : run->input_runner();
  Head* head = run->head(hwnd);
  switch (message) {
    case WM_TIMER:
      if (wparam == kTickTimer && head && head->runner) schedule(hwnd, head->runner->on_timer());
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the back buffer covers the whole client area
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (head && head->window)
        head->window->present(dc);
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
      if (input) {
        const POINT p = screen_point(hwnd, lparam);
        input->on_mouse_move(static_cast<float>(p.x) * run->tpp.x,
                             static_cast<float>(p.y) * run->tpp.y);
      }
      return 0;
    case WM_GETMINMAXINFO:
      if (hwnd == run->saver_window && run->window && run->window->full_screen()) {
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
      if (head && head->runner) head->runner->stop();
      if (head && head->window) head->window->detach();
      // The other monitors' windows go with form_saver, which they belong to.
      if (hwnd == run->saver_window) PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

BOOL CALLBACK add_monitor(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  // The primary monitor is form_saver's.
  if (GetMonitorInfoW(monitor, &info) && !(info.dwFlags & MONITORINFOF_PRIMARY))
    reinterpret_cast<std::vector<RECT>*>(list)->push_back(info.rcMonitor);
  return TRUE;
}

// The monitors besides the primary one, where they are on the virtual screen.
std::vector<RECT> other_monitors() {
  std::vector<RECT> out;
  EnumDisplayMonitors(nullptr, nullptr, add_monitor, reinterpret_cast<LPARAM>(&out));
  return out;
}

// A stage on `hwnd` at its client size and its monitor's DPI.
void add_head(Run& run, HWND hwnd) {
  auto head = std::make_unique<Head>();
  head->hwnd = hwnd;
  RECT client{};
  GetClientRect(hwnd, &client);
  head->window = std::make_unique<win32::GdiWindow>(hwnd, client.right, client.bottom);
  head->screen = std::make_unique<GdiScreen>(*head->window);
  head->runner = std::make_unique<host::Runner>(*head->window, run.saver->settings(), *head->screen,
                                                run.saver.get());
  run.heads.push_back(std::move(head));
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
  wc.lpszClassName = kMonitorClass;
  if (!RegisterClassExW(&wc)) return 1;

  Run run;
  // form_saver as designed: hidden, with its designed caption, until the load
  // handler has decided what it becomes.
  HWND hwnd = CreateWindowExW(0, kSaverClass, win32::widen(host::kCaptionDesigned).c_str(),
                              WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, &run);
  if (!hwnd) return 1;
  run.saver_window = hwnd;
  run.window = std::make_unique<win32::FormSaver>(instance, hwnd);
  run.password = std::make_unique<win32::PasswordDialogs>(hwnd);
  run.dialog = std::make_unique<win32::ConfDialogRunner>(instance);
  run.saver = std::make_unique<host::Saver>(
      *run.window, host::PlatformParts{&run.settings, &run.instance_guard, run.password.get(),
                                       run.dialog.get()});

  const host::StartResult start = run.saver->load(win32::narrow(arguments(command_line)));
  if (start == host::StartResult::Ended || !IsWindow(hwnd)) return run.dialog->not_saved() ? 1 : 0;

  add_head(run, hwnd);
  if (start == host::StartResult::FullScreen) {
    for (const RECT& m : other_monitors()) {
      HWND other =
          CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kMonitorClass, L"", WS_POPUP, m.left,
                          m.top, m.right - m.left, m.bottom - m.top, hwnd, nullptr, instance, &run);
      if (other) add_head(run, other);
    }
  }
  for (auto& head : run.heads) {
    // Only form_saver is activated: its input sink keeps the keyboard focus.
    const bool activate = head->hwnd == hwnd && start == host::StartResult::FullScreen;
    ShowWindow(head->hwnd, activate ? SW_SHOW : SW_SHOWNA);
    // The first activation: geometry, tables, the first picture; the first tick 1 ms later.
    schedule(head->hwnd, head->runner->start());
  }

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
