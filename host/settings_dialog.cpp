#include "host/settings_dialog.hpp"

#include <algorithm>
#include <iterator>

#include "host/platform.hpp"

namespace host {

namespace {

struct Place {
  int left, top, width, height;
};
// Where the designed form has its three drill boxes.
constexpr Place kDesignedBoxes[] = {
    {270, 210, 1245, 285}, {240, 540, 1755, 285}, {240, 870, 1905, 285}};
// A box added below them: one designed box's pitch further down, as wide as
// the widest.
constexpr int kBoxPitch = 330;
constexpr Place kAddedBox{240, 870, 1905, 285};

}  // namespace

const ControlSpec& DialogLayout::control(ControlId id) const {
  for (const ControlSpec& c : controls)
    if (c.id == id) return c;
  return controls.front();  // every id but DrillBox is in every layout once
}

int DialogLayout::box_count() const {
  return static_cast<int>(std::count_if(controls.begin(), controls.end(), [](const ControlSpec& c) {
    return c.id == ControlId::DrillBox;
  }));
}

DialogLayout settings_dialog_layout(stage::DrillList drills) {
  const int boxes = static_cast<int>(drills.size());
  const int designed = static_cast<int>(std::size(kDesignedBoxes));
  const int down = kBoxPitch * std::max(0, boxes - designed);
  DialogLayout l;
  l.width = kDialogWidth;
  l.height = kDialogHeight + down;
  l.controls.push_back(
      {ControlId::Label2, ControlKind::Label, "Label2", "種類", 30, 0, 360, 180, -1});
  for (int i = 0; i < boxes; ++i) {
    Place at = kAddedBox;
    if (i < designed)
      at = kDesignedBoxes[i];
    else
      at.top += kBoxPitch * (i - designed + 1);
    const stage::DrillDescriptor& d = drills[static_cast<std::size_t>(i)];
    l.controls.push_back({ControlId::DrillBox, ControlKind::CheckBox, std::string("chk_") + d.name,
                          d.checkbox_label, at.left, at.top, at.width, at.height, i, i});
  }
  l.controls.push_back(
      {ControlId::Label1, ControlKind::Label, "Label1", "スピード", 30, 1200 + down, 615, 180, -1});
  l.controls.push_back({ControlId::OptSlow, ControlKind::OptionButton, "opt_slow", "通常", 240,
                        1410 + down, 705, 270, boxes});
  l.controls.push_back({ControlId::OptNormal, ControlKind::OptionButton, "opt_normal", "中速", 1020,
                        1410 + down, 675, 255, boxes + 1});
  l.controls.push_back({ControlId::OptFast, ControlKind::OptionButton, "opt_fast", "高速", 1740,
                        1410 + down, 675, 270, boxes + 2});
  l.controls.push_back(
      {ControlId::CmdOk, ControlKind::Button, "cmd_ok", "OK", 2190, 30, 1245, 525, boxes + 3});
  l.controls.push_back({ControlId::CmdCancel, ControlKind::Button, "cmd_cancel", "キャンセル", 2190,
                        600, 1245, 525, boxes + 4});
  return l;
}

SettingsDialog::SettingsDialog(const Settings& loaded, stage::DrillList drills)
    : layout_(settings_dialog_layout(drills)) {
  // The boxes take their bits from the drills' places in the list, so the dialog
  // and playback can never disagree on a drill's bit.
  for (std::size_t i = 0; i < drills.size(); ++i) {
    bits_.push_back(stage::conf_bit(i));
    checked_.push_back((loaded.conf & stage::conf_bit(i)) != 0);
  }
  if (loaded.speed == 1) speed_ = SpeedOption::Slow;
  if (loaded.speed == 2) speed_ = SpeedOption::Normal;
  if (loaded.speed == 3) speed_ = SpeedOption::Fast;
}

void SettingsDialog::click_check(int box, bool ticked) {
  checked_.at(static_cast<std::size_t>(box)) = ticked;
  check();
}

void SettingsDialog::check() {
  ok_enabled_ = std::find(checked_.begin(), checked_.end(), true) != checked_.end();
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
