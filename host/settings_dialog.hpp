#pragma once
// The settings dialog form_conf as a toolkit-free model: its controls and
// their design layout, the load rules, the OK rule and what OK and Cancel
// write. The GTK and Win32 dialogs only mirror this model on screen.

#include <string>
#include <string_view>
#include <vector>

#include "host/settings.hpp"
#include "stage/drill.hpp"

namespace host {

class SettingsStore;

enum class ControlKind { Label, CheckBox, OptionButton, Button };

enum class ControlId {
  Label2,
  DrillBox,  // one per drill, in the registry's order
  Label1,
  OptSlow,
  OptNormal,
  OptFast,
  CmdOk,
  CmdCancel,
};

struct ControlSpec {
  ControlId id;
  ControlKind kind;
  std::string name;              // chk_<drill> for a drill's box
  std::string caption;           // UTF-8
  int left, top, width, height;  // twips
  int tab_index;                 // -1: takes no focus
  int box = -1;                  // a drill box: its place among the boxes
};

// Client area of the designed form (three drills), twips.
inline constexpr int kDialogWidth = 3525;
inline constexpr int kDialogHeight = 1710;

// The form as laid out for a list of drills: its client area and controls.
struct DialogLayout {
  int width = 0;  // twips
  int height = 0;
  std::vector<ControlSpec> controls;  // in tab order, labels where they stand

  const ControlSpec& control(ControlId id) const;
  int box_count() const;
};

// The designed form for the first three drills, their boxes where the form
// has them; each further drill gets a box below the last, and the speed
// group and the form's bottom move down by as much.
DialogLayout settings_dialog_layout(stage::DrillList drills);

// What the dialogs say when OK could not save the choice; the reason follows
// beneath it (save_error()).
inline constexpr const char* kSaveFailedText = "設定を保存できませんでした。";

// What OK did. Disabled: nothing, the dialog stays open. Saved and NotSaved:
// the dialog closes; NotSaved first shows kSaveFailedText with save_error(),
// and the program then ends with a failure status.
enum class OkResult { Disabled, Saved, NotSaved };

// The three option buttons: Speed 1, 2, 3.
enum class SpeedOption { Slow = 1, Normal = 2, Fast = 3 };

class SettingsDialog {
 public:
  // Dialog load: a box is ticked for each drill bit in Conf; the option for
  // Speed 1..3 is selected, any other Speed keeps the designed choice (中速).
  // OK starts enabled: the load does not run the OK rule, so a Conf without
  // any drill bit shows nothing ticked and OK still enabled.
  // `drills`: the drills the boxes stand for, one box each, in box order
  // (the registry); each box stands for its drill's Conf bit.
  SettingsDialog(const Settings& loaded, stage::DrillList drills);

  // The form laid out for these drills, which the toolkit dialogs show.
  const DialogLayout& layout() const { return layout_; }
  int box_count() const { return static_cast<int>(checked_.size()); }
  bool checked(int box) const { return checked_.at(static_cast<std::size_t>(box)); }
  SpeedOption speed_option() const { return speed_; }
  bool ok_enabled() const { return ok_enabled_; }

  // A click on a check box sets its new state and runs the OK rule `check`.
  void click_check(int box, bool ticked);
  void toggle_check(int box) { click_check(box, !checked(box)); }
  void select_speed(SpeedOption s) { speed_ = s; }

  // The OK rule: OK is enabled exactly while at least one drill is ticked.
  void check();

  // What OK stores: the mask of the ticked boxes and the selected speed.
  Settings chosen() const;
  // OK: writes "Conf" and then "Speed" under "Saver" in one change, each with
  // its leading blank. Does nothing while OK is disabled.
  OkResult ok(SettingsStore& store);
  // Why the last OK could not save the choice (the store's reason); empty
  // when it could.
  const std::string& save_error() const { return save_error_; }
  // Cancel (button, Esc or close box) writes nothing; nothing to do.

 private:
  DialogLayout layout_;
  std::vector<bool> checked_;
  std::vector<int> bits_;
  SpeedOption speed_ = SpeedOption::Normal;
  bool ok_enabled_ = true;
  std::string save_error_;
};

}  // namespace host
