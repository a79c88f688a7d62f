#include "host/saver.hpp"

#include <string>

#include "drills/registry.hpp"
#include "host/captions.hpp"
#include "host/settings_dialog.hpp"

namespace host {

Saver::Saver(SaverWindow& window, PlatformParts parts)
    : window_(window),
      store_(parts.settings ? *parts.settings : no_settings_),
      guard_(parts.instance_guard ? *parts.instance_guard : no_guard_),
      password_(parts.password ? *parts.password : no_password_),
      dialog_(parts.dialog ? *parts.dialog : no_dialog_) {}

StartResult Saver::load(const std::string& line) {
  // Both conditions are needed: a stale window with our caption (a crashed
  // run) or a second process of another kind must not lock the saver out. The
  // test runs before our own caption is set so that we never find ourselves.
  const bool window_found = guard_.find_window(kCaptionMain);
  const bool other_instance = guard_.another_instance();
  if (window_found && other_instance) {
    end_program();
    return StartResult::Ended;
  }
  window_.set_caption(kCaptionMain);

  load_settings();

  switch (parse_run_mode(line)) {
    case RunMode::PasswordChange: {
      WindowHandle owner = parse_window_handle(line);
      if (owner == 0) owner = password_.foreground_window();
      password_.change_password(owner);
      end_program();
      return StartResult::Ended;
    }
    case RunMode::Preview: {
      window_.set_caption(kCaptionPreview);
      // A handle that names no window would leave an invisible 0 x 0 window
      // running for ever with nobody to end it: end at once instead.
      if (!window_.embed_preview(parse_window_handle(line))) {
        end_program();
        return StartResult::Ended;
      }
      saver_mode_ = SaverMode::Preview;
      return StartResult::Preview;
    }
    case RunMode::FullScreen:
      window_.enter_full_screen();
      saver_mode_ = SaverMode::FullScreen;
      use_password_ = password_.desktop_use_password();
      window_.set_topmost(true);
      window_.show_cursor(false);
      move_count_ = 0;
      window_.focus_input_sink();
      return StartResult::FullScreen;
    case RunMode::Settings: {
      SettingsDialog dialog(settings_, drills::registry());
      dialog_.run_settings_dialog(dialog, store_);
      end_program();
      return StartResult::Ended;
    }
  }
  return StartResult::Ended;
}

int Saver::load_setting(const char* key, int default_value) {
  // A stored 0 counts as missing; nothing else is tested here.
  int value = store_.profile_int(kSection, key, 0);
  if (value == 0) {
    store_.write_profile_string(kSection, key, format_profile_number(default_value));
    value = default_value;
  }
  return value;
}

void Saver::load_settings() {
  settings_.conf = load_setting(kKeyConf, stage::all_drills_conf(drills::registry()));
  settings_.speed = load_setting(kKeySpeed, kDefaultSpeed);
}

void Saver::on_mouse_move(float x, float y) {
  // Only "first event or not" matters, so the count stops growing at 2 rather
  // than overflowing on a long run of events at the first position.
  if (move_count_ < 2) ++move_count_;
  if (move_count_ == 1) {
    first_x_ = x;
    first_y_ = y;
  }
  if (x != first_x_ || y != first_y_) saver_end();
}

void Saver::saver_end() {
  if (ended_ || saver_mode_ == SaverMode::Preview) return;
  window_.show_cursor(true);
  // No longer top-most, so that the password dialog can appear above us.
  window_.set_topmost(false);
  if (use_password_ == 0) {
    window_.set_topmost(false);
    end_program();
    return;
  }
  password_.screen_saver_running(true);
  const int result = password_.verify_password();
  if ((result & 0xFFFF) == 0) {
    // Refused or cancelled: the run goes on and the pointer hides again.
    window_.show_cursor(false);
    return;
  }
  password_.screen_saver_running(false);
  window_.set_topmost(false);
  end_program();
}

void Saver::end_program() {
  ended_ = true;
  window_.end_program();
}

}  // namespace host
