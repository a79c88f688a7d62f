#pragma once
// The GTK3 settings dialog lives in a module of its own that the program
// loads only in settings mode, so that full-screen runs never map GTK.

namespace host {
class SettingsStore;
class SettingsDialog;
}  // namespace host

namespace linux_host {

inline constexpr const char* kGtkDialogModule = "mirukado-gtk-dialog.so";
inline constexpr const char* kGtkDialogEntry = "mirukado_gtk_settings_dialog";

// Shows the dialog modally, driving `dialog` and writing to `store` on OK.
// Returns 0 when the dialog was shown, non-zero when GTK could not start.
using GtkDialogEntry = int (*)(host::SettingsDialog* dialog, host::SettingsStore* store);

}  // namespace linux_host
