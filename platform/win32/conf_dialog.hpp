#pragma once
// form_conf, the settings dialog, as the dialog resource IDD_FORM_CONF driven
// by the host's dialog model.

#include <windows.h>

namespace host {
class SettingsStore;
class SettingsDialog;
}  // namespace host

namespace win32 {

// Shows the dialog modally; OK writes the settings to store.
void run_conf_dialog(HINSTANCE instance, host::SettingsDialog& model, host::SettingsStore& store);

}  // namespace win32
