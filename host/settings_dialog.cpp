#include "host/settings_dialog.hpp"

#include "drills/registry.hpp"
#include "host/platform.hpp"

namespace host {

const ControlSpec& control_spec(ControlId id) {
  for (const ControlSpec& c : kSettingsControls)
    if (c.id == id) return c;
  return kSettingsControls.front();  // every id is in the table
}

namespace {

// The check boxes stand for the registry's drills, in its order; their bits
// come from there, so the dialog and playback can never disagree on a drill.
int conf_bit(int box) { return drills::registry()[static_cast<std::size_t>(box)].conf_bit; }

}  // namespace

SettingsDialog::SettingsDialog(const Settings& loaded) {
  for (std::size_t i = 0; i < checked_.size(); ++i)
    checked_[i] = (loaded.conf & conf_bit(static_cast<int>(i))) != 0;
  if (loaded.speed == 1) speed_ = SpeedOption::Slow;
  if (loaded.speed == 2) speed_ = SpeedOption::Normal;
  if (loaded.speed == 3) speed_ = SpeedOption::Fast;
}

void SettingsDialog::click_check(Drill d, bool ticked) {
  checked_[static_cast<int>(d)] = ticked;
  check();
}

void SettingsDialog::check() {
  ok_enabled_ = false;
  if (checked_[0] || checked_[1] || checked_[2]) ok_enabled_ = true;
}

Settings SettingsDialog::chosen() const {
  Settings s;
  for (std::size_t i = 0; i < checked_.size(); ++i)
    if (checked_[i]) s.conf += conf_bit(static_cast<int>(i));
  s.speed = static_cast<int>(speed_);
  return s;
}

bool SettingsDialog::ok(SettingsStore& store) {
  if (!ok_enabled_) return false;
  const Settings s = chosen();
  // One change, so that OK is applied whole or not at all.
  const SettingsStore::ProfileEntry entries[] = {{kKeyConf, format_profile_number(s.conf)},
                                                 {kKeySpeed, format_profile_number(s.speed)}};
  store.write_profile_strings(kSection, entries);
  return true;
}

}  // namespace host
