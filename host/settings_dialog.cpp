#include "host/settings_dialog.hpp"

#include "host/platform.hpp"

namespace host {

const ControlSpec& control_spec(ControlId id) {
  for (const ControlSpec& c : kSettingsControls)
    if (c.id == id) return c;
  return kSettingsControls.front();  // every id is in the table
}

SettingsDialog::SettingsDialog(const Settings& loaded, stage::DrillList drills) {
  // The boxes take their bits from the drills they stand for, so the dialog
  // and playback can never disagree on a drill's bit.
  for (std::size_t i = 0; i < bits_.size() && i < drills.size(); ++i) bits_[i] = drills[i].conf_bit;
  for (std::size_t i = 0; i < checked_.size(); ++i) checked_[i] = (loaded.conf & bits_[i]) != 0;
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
    if (checked_[i]) s.conf += bits_[i];
  s.speed = static_cast<int>(speed_);
  return s;
}

OkResult SettingsDialog::ok(SettingsStore& store) {
  if (!ok_enabled_) return OkResult::Disabled;
  const Settings s = chosen();
  // One change, so that OK is applied whole or not at all.
  const SettingsStore::ProfileEntry entries[] = {{kKeyConf, format_profile_number(s.conf)},
                                                 {kKeySpeed, format_profile_number(s.speed)}};
  WriteResult written = store.write_profile_strings(kSection, entries);
  if (written.written) {
    save_error_.clear();
    return OkResult::Saved;
  }
  // A store that fails without a word still fails: the user must hear of it.
  save_error_ =
      written.reason.empty() ? "the settings file could not be written" : std::move(written.reason);
  return OkResult::NotSaved;
}

}  // namespace host
