#pragma once
// The GTK3 settings dialog lives in a module of its own that the program
// loads only in settings mode, so that full-screen runs never map GTK.

#include <cstdint>

namespace host {
class SettingsStore;
class SettingsDialog;
}  // namespace host

namespace linux_host {

inline constexpr const char* kGtkDialogModule = "mirukado-gtk-dialog.so";
inline constexpr const char* kGtkDialogEntry = "mirukado_gtk_settings_dialog";

// Shows the dialog modally, driving `dialog` and writing to `store` on OK, with
// the program icon (side x side pixels 0x00RRGGBB, row 0 at the top; none when
// icon is null) as the window's icon. Returns 0 when the dialog was shown,
// non-zero when GTK could not start.
using GtkDialogEntry = int (*)(host::SettingsDialog* dialog, host::SettingsStore* store,
                               const std::uint32_t* icon, int side);

}  // namespace linux_host
