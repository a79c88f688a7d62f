#include "platform/win32/conf_dialog.hpp"

#include <array>
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

// Check boxes in the model's bit order, option buttons in Speed order.
constexpr std::array<int, 3> kDrillBoxes{IDC_CHK_KIRITU, IDC_CHK_PONPU, IDC_CHK_KAHAN};
constexpr std::array<int, 3> kSpeedButtons{IDC_OPT_SLOW, IDC_OPT_NORMAL, IDC_OPT_FAST};

void show_model(HWND dialog, const host::SettingsDialog& model) {
  for (int i = 0; i < 3; ++i)
    CheckDlgButton(dialog, kDrillBoxes[static_cast<std::size_t>(i)],
                   model.checked(static_cast<host::Drill>(i)) ? BST_CHECKED : BST_UNCHECKED);
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
      show_model(dialog, ctx->model);
      SetForegroundWindow(dialog);
      return TRUE;
    }
    case WM_COMMAND: {
      if (!ctx) return FALSE;
      const int id = LOWORD(wparam);
      const int code = HIWORD(wparam);
      for (int i = 0; i < 3; ++i) {
        if (id == kDrillBoxes[static_cast<std::size_t>(i)] && code == BN_CLICKED) {
          ctx->model.click_check(static_cast<host::Drill>(i),
                                 IsDlgButtonChecked(dialog, id) == BST_CHECKED);
          EnableWindow(GetDlgItem(dialog, IDOK), ctx->model.ok_enabled());
          return TRUE;
        }
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
