#include "platform/linux/saver_parts.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "host/settings_dialog.hpp"
#include "platform/linux/gtk_dialog.hpp"
#include "stage/assets.hpp"

namespace linux_host {
namespace {

std::string executable_folder() {
  std::vector<char> buffer(4096);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

const IconImage& program_icon() {
  static const IconImage icon = [] {
    IconImage decoded;
    std::string error;
    if (!decode_icon(stage::find_asset("mirukado.ico"), &decoded, &error)) decoded = {};
    return decoded;
  }();
  return icon;
}

void print_refusal(const std::string& why) { std::fprintf(stderr, "mirukado: %s\n", why.c_str()); }

int SettingsFileStore::profile_int(const std::string& section, const std::string& key, int def) {
  return file_.read_int(section, key, def);
}

void SettingsFileStore::write_profile_string(const std::string& section, const std::string& key,
                                             const std::string& value) {
  file_.write_string(section, key, value);
}

host::WriteResult SettingsFileStore::write_profile_strings(const std::string& section,
                                                           std::span<const ProfileEntry> entries) {
  std::vector<host::profile::Entry> views;
  for (const ProfileEntry& e : entries) views.push_back({e.key, e.value});
  host::WriteResult result;
  result.written = file_.write_strings(section, views, &result.reason);
  return result;
}

bool DisplayLockGuard::find_window(const std::string& caption) {
  return x11_.find_window_by_caption(caption);
}

bool DisplayLockGuard::claim() {
  if (!lock_.try_hold()) {
    print_refusal("another full-screen run is playing on this display (" + lock_.path() + ")");
    return false;
  }
  if (!lock_.held() && !lock_.problem().empty())
    print_refusal(lock_.problem() + ": running without the one-run-per-display lock");
  return true;
}

bool DisplayLockGuard::another_instance() {
  // A full-screen run took the lock at start (claim), so no other
  // full-screen run is playing.
  if (lock_.held()) return false;
  // Previews and xscreensaver hacks are not held off: xscreensaver may run us
  // on its own lock window while a full-screen run plays.
  if (preview_) return false;
  return lock_.held_elsewhere();
}

void NoPasswordGate::change_password(host::WindowHandle) {
  std::puts(
      "mirukado: on Linux the desktop's screen locker manages the password; "
      "there is no screen-saver password to change.");
  std::fflush(stdout);
}

void GtkDialogRunner::refuse(const std::string& why) {
  print_refusal(why);
  exit_status_ = 1;
}

void GtkDialogRunner::run_settings_dialog(host::SettingsDialog& dialog,
                                          host::SettingsStore& store) {
  // GTK is loaded here only: linking it into the program would map its whole
  // library tree into every full-screen run.
  const std::string here = executable_folder();
  const std::string candidates[] = {
      here + "/" + kGtkDialogModule,                                       // build tree
      here + "/" + MIRUKADO_MODULE_FROM_PROGRAM + "/" + kGtkDialogModule,  // installed
      std::string(MIRUKADO_MODULE_DIR) + "/" + kGtkDialogModule};
  for (const std::string& path : candidates) {
    void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) continue;
    auto* run = reinterpret_cast<GtkDialogEntry>(dlsym(module, kGtkDialogEntry));
    if (run) {
      const IconImage& icon = program_icon();
      if (run(&dialog, &store, icon.side > 0 ? icon.pixels.data() : nullptr, icon.side) != 0)
        refuse("cannot open the settings dialog (no display?)");
      // The dialog has shown why; scripts and logs see it in the status.
      else if (!dialog.save_error().empty())
        refuse("the settings could not be saved: " + dialog.save_error());
      // GTK cannot be unloaded safely; the program ends right after anyway.
      return;
    }
  }
  refuse(std::string("the settings dialog module ") + kGtkDialogModule + " is missing");
}

}  // namespace linux_host
