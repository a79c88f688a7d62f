#pragma once
// The settings dialog form_conf as a toolkit-free model: its controls and
// their design layout, the load rules, the OK rule and what OK and Cancel
// write. The GTK and Win32 dialogs only mirror this model on screen.

#include <array>
#include <string>
#include <string_view>

#include "host/settings.hpp"
#include "stage/drill.hpp"

namespace host {

class SettingsStore;

enum class ControlKind { Label, CheckBox, OptionButton, Button };

enum class ControlId {
  Label2,
  ChkKiritu,
  ChkPonpu,
  ChkKahan,
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
  std::string_view name;
  std::string_view caption;      // UTF-8
  int left, top, width, height;  // twips
  int tab_index;                 // -1: takes no focus
};

// Client area of the dialog, twips.
inline constexpr int kDialogWidth = 3525;
inline constexpr int kDialogHeight = 1710;

inline constexpr std::array<ControlSpec, 10> kSettingsControls{{
    {ControlId::Label2, ControlKind::Label, "Label2", "種類", 30, 0, 360, 180, -1},
    {ControlId::ChkKiritu, ControlKind::CheckBox, "chk_kiritu", "訓練礼式", 270, 210, 1245, 285, 0},
    {ControlId::ChkPonpu, ControlKind::CheckBox, "chk_ponpu", "ポンプ車操法", 240, 540, 1755, 285,
     1},
    {ControlId::ChkKahan, ControlKind::CheckBox, "chk_kahan", "可搬ポンプ操法", 240, 870, 1905, 285,
     2},
    {ControlId::Label1, ControlKind::Label, "Label1", "スピード", 30, 1200, 615, 180, -1},
    {ControlId::OptSlow, ControlKind::OptionButton, "opt_slow", "通常", 240, 1410, 705, 270, 3},
    {ControlId::OptNormal, ControlKind::OptionButton, "opt_normal", "中速", 1020, 1410, 675, 255,
     4},
    {ControlId::OptFast, ControlKind::OptionButton, "opt_fast", "高速", 1740, 1410, 675, 270, 5},
    {ControlId::CmdOk, ControlKind::Button, "cmd_ok", "OK", 2190, 30, 1245, 525, 6},
    {ControlId::CmdCancel, ControlKind::Button, "cmd_cancel", "キャンセル", 2190, 600, 1245, 525,
     7},
}};

const ControlSpec& control_spec(ControlId id);

// What the dialogs say when OK could not save the choice; the reason follows
// beneath it (save_error()).
inline constexpr const char* kSaveFailedText = "設定を保存できませんでした。";

// What OK did. Disabled: nothing, the dialog stays open. Saved and NotSaved:
// the dialog closes; NotSaved first shows kSaveFailedText with save_error(),
// and the program then ends with a failure status.
enum class OkResult { Disabled, Saved, NotSaved };

// The three drill check boxes, in the registry's order (platoon, pump truck,
// portable pump); each stands for its drill's Conf bit.
enum class Drill { Kiritu = 0, Ponpu = 1, Kahan = 2 };
// The three option buttons: Speed 1, 2, 3.
enum class SpeedOption { Slow = 1, Normal = 2, Fast = 3 };

class SettingsDialog {
 public:
  // Dialog load: a box is ticked for each drill bit in Conf; the option for
  // Speed 1..3 is selected, any other Speed keeps the designed choice (中速).
  // OK starts enabled: the load does not run the OK rule, so a Conf without
  // any drill bit shows nothing ticked and OK still enabled.
  // `drills`: the drills the three boxes stand for, in box order (the
  // registry); a box without a drill has no bit.
  SettingsDialog(const Settings& loaded, stage::DrillList drills);

  bool checked(Drill d) const { return checked_[static_cast<int>(d)]; }
  SpeedOption speed_option() const { return speed_; }
  bool ok_enabled() const { return ok_enabled_; }

  // A click on a check box sets its new state and runs the OK rule `check`.
  void click_check(Drill d, bool ticked);
  void toggle_check(Drill d) { click_check(d, !checked(d)); }
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
  std::array<bool, 3> checked_{};
  std::array<int, 3> bits_{};
  SpeedOption speed_ = SpeedOption::Normal;
  bool ok_enabled_ = true;
  std::string save_error_;
};

}  // namespace host
