#include "platform/win32/conf_dialog.hpp"

#include <array>
#include <cmath>
#include <string>

#include "host/captions.hpp"
#include "host/settings_dialog.hpp"
#include "platform/win32/gdi_window.hpp"
#include "resource.h"

namespace win32 {
namespace {

struct DialogContext {
  host::SettingsDialog& model;
  host::SettingsStore& store;
};

// Option buttons in Speed order.
constexpr std::array<int, 3> kSpeedButtons{IDC_OPT_SLOW, IDC_OPT_NORMAL, IDC_OPT_FAST};
// The form was designed in twips; its dialog units are 22.5 twips both ways
// (mirukado.rc), each figure rounded on its own as the resource's are.
constexpr double kTwipsPerDialogUnit = 22.5;

int dialog_units(int twips) { return static_cast<int>(std::lround(twips / kTwipsPerDialogUnit)); }
int box_id(int box) { return IDC_DRILL_BOX_FIRST + box; }

// One check box per drill, where the model's layout puts it, in the tab
// order after 種類; a form with more drills than the designed three grows,
// its speed group moving down.
void add_drill_boxes(HWND dialog, HINSTANCE instance, const host::DialogLayout& layout) {
  const auto font = static_cast<WPARAM>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  HWND after = GetDlgItem(dialog, IDC_LABEL2);
  for (const host::ControlSpec& c : layout.controls) {
    if (c.id != host::ControlId::DrillBox) continue;
    const int x = dialog_units(c.left), y = dialog_units(c.top);
    RECT r{x, y, x + dialog_units(c.width), y + dialog_units(c.height)};
    MapDialogRect(dialog, &r);
    const DWORD style =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX | (c.box == 0 ? WS_GROUP : 0);
    HWND box = CreateWindowExW(0, L"BUTTON", widen(c.caption).c_str(), style, r.left, r.top,
                               r.right - r.left, r.bottom - r.top, dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(box_id(c.box))),
                               instance, nullptr);
    SendMessageW(box, WM_SETFONT, font, FALSE);
    SetWindowPos(box, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    after = box;
  }
  const int down_twips = layout.height - host::kDialogHeight;
  if (down_twips <= 0) return;
  RECT down{0, 0, 0, dialog_units(down_twips)};
  MapDialogRect(dialog, &down);
  for (const int id : {IDC_LABEL1, IDC_OPT_SLOW, IDC_OPT_NORMAL, IDC_OPT_FAST}) {
    HWND control = GetDlgItem(dialog, id);
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    SetWindowPos(control, nullptr, r.left, r.top + down.bottom, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT w{};
  GetWindowRect(dialog, &w);
  SetWindowPos(dialog, nullptr, 0, 0, w.right - w.left, w.bottom - w.top + down.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void show_model(HWND dialog, const host::SettingsDialog& model) {
  for (int i = 0; i < model.box_count(); ++i)
    CheckDlgButton(dialog, box_id(i), model.checked(i) ? BST_CHECKED : BST_UNCHECKED);
  CheckRadioButton(
      dialog, IDC_OPT_SLOW, IDC_OPT_FAST,
      kSpeedButtons[static_cast<std::size_t>(static_cast<int>(model.speed_option()) - 1)]);
  EnableWindow(GetDlgItem(dialog, IDOK), model.ok_enabled());
}

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* ctx = reinterpret_cast<DialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      ctx = reinterpret_cast<DialogContext*>(lparam);
      HINSTANCE instance = GetModuleHandleW(nullptr);
      SendMessageW(dialog, WM_SETICON, ICON_BIG,
                   reinterpret_cast<LPARAM>(LoadIconW(instance, MAKEINTRESOURCEW(IDI_MIRUKADO))));
      add_drill_boxes(dialog, instance, ctx->model.layout());
      show_model(dialog, ctx->model);
      SetForegroundWindow(dialog);
      // The first drill's box has the focus, as the designed tab order says.
      SetFocus(GetDlgItem(dialog, box_id(0)));
      return FALSE;
    }
    case WM_COMMAND: {
      if (!ctx) return FALSE;
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      const int box = id - IDC_DRILL_BOX_FIRST;
      if (box >= 0 && box < ctx->model.box_count() && code == BN_CLICKED) {
        ctx->model.click_check(box, IsDlgButtonChecked(dialog, id) == BST_CHECKED);
        EnableWindow(GetDlgItem(dialog, IDOK), ctx->model.ok_enabled());
        return TRUE;
      }
      for (int i = 0; i < 3; ++i) {
        if (id == kSpeedButtons[static_cast<std::size_t>(i)] && code == BN_CLICKED) {
          ctx->model.select_speed(static_cast<host::SpeedOption>(i + 1));
          return TRUE;
        }
      }
      if (id == IDOK) {
        // Enter reaches here even while OK is disabled; the model then refuses.
        switch (ctx->model.ok(ctx->store)) {
          case host::OkResult::Disabled:
            return TRUE;
          case host::OkResult::NotSaved: {
            // Said over the dialog, which then closes as after any OK.
            const std::string text =
                std::string(host::kSaveFailedText) + "\n\n" + ctx->model.save_error();
            MessageBoxW(dialog, widen(text).c_str(), widen(host::kCaptionSettings).c_str(),
                        MB_OK | MB_ICONERROR);
            break;
          }
          case host::OkResult::Saved:
            break;
        }
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {  // the button, Esc and the close box
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace

void run_conf_dialog(HINSTANCE instance, host::SettingsDialog& model, host::SettingsStore& store) {
  DialogContext ctx{model, store};
  DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_FORM_CONF), nullptr, dialog_proc,
                  reinterpret_cast<LPARAM>(&ctx));
}

}  // namespace win32
