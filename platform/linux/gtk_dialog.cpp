// The settings dialog form_conf in GTK3, mirroring host::SettingsDialog.
// Controls sit at their design positions (twips / 15 = pixels at 96 DPI) in a
// GtkFixed; Tab follows the designed tab order; Enter presses OK (or Cancel
// when it has the focus), Esc and the close box cancel.

#include "platform/linux/gtk_dialog.hpp"

#include <gdk/gdkkeysyms.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "host/captions.hpp"
#include "host/platform.hpp"
#include "host/settings_dialog.hpp"

namespace {

constexpr int kTwipsPerPixel = 15;

int px(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

struct DialogUi {
  host::SettingsDialog* model = nullptr;
  host::SettingsStore* store = nullptr;
  GtkWidget* window = nullptr;
  std::vector<GtkWidget*> checks;       // one per drill, in box order
  std::array<GtkWidget*, 3> options{};  // slow, normal, fast
  GtkWidget* ok = nullptr;
  GtkWidget* cancel = nullptr;
  std::vector<GtkWidget*> tab_order;
  bool syncing = false;
};

void close_dialog(DialogUi* ui) {
  if (ui->window) gtk_widget_hide(ui->window);
  gtk_main_quit();
}

// Says, over the settings dialog, that the choice was not kept and why (the
// file and the system's reason), and waits until the user has read it.
void show_save_error(DialogUi* ui) {
  GtkWidget* box =
      gtk_message_dialog_new(ui->window ? GTK_WINDOW(ui->window) : nullptr, GTK_DIALOG_MODAL,
                             GTK_MESSAGE_ERROR, GTK_BUTTONS_OK, "%s", host::kSaveFailedText);
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(box), "%s",
                                           ui->model->save_error().c_str());
  gtk_window_set_title(GTK_WINDOW(box), host::kCaptionSettings);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

void press_ok(DialogUi* ui) {
  switch (ui->model->ok(*ui->store)) {
    case host::OkResult::Disabled:
      return;
    case host::OkResult::NotSaved:
      show_save_error(ui);
      break;
    case host::OkResult::Saved:
      break;
  }
  close_dialog(ui);
}

void on_check_toggled(GtkToggleButton* button, gpointer data) {
  auto* ui = static_cast<DialogUi*>(data);
  if (ui->syncing) return;
  for (std::size_t i = 0; i < ui->checks.size(); ++i) {
    if (ui->checks[i] == GTK_WIDGET(button))
      ui->model->click_check(static_cast<int>(i), gtk_toggle_button_get_active(button));
  }
  gtk_widget_set_sensitive(ui->ok, ui->model->ok_enabled());
}

void on_option_toggled(GtkToggleButton* button, gpointer data) {
  auto* ui = static_cast<DialogUi*>(data);
  if (ui->syncing || !gtk_toggle_button_get_active(button)) return;
  for (int i = 0; i < 3; ++i) {
    if (ui->options[static_cast<std::size_t>(i)] == GTK_WIDGET(button))
      ui->model->select_speed(static_cast<host::SpeedOption>(i + 1));
  }
}

void on_ok_clicked(GtkButton*, gpointer data) { press_ok(static_cast<DialogUi*>(data)); }
void on_cancel_clicked(GtkButton*, gpointer data) { close_dialog(static_cast<DialogUi*>(data)); }

gboolean on_delete(GtkWidget*, GdkEvent*, gpointer data) {
  close_dialog(static_cast<DialogUi*>(data));
  return TRUE;
}

// Another client destroyed our window (xdotool windowclose, a session
// manager): GTK destroys the widget, and with nothing left to show the dialog
// ends as a Cancel would, writing nothing.
void on_destroyed(GtkWidget*, gpointer data) {
  static_cast<DialogUi*>(data)->window = nullptr;
  if (gtk_main_level() > 0) gtk_main_quit();
}

// Moves the focus along the designed tab order, skipping disabled controls.
void move_focus(DialogUi* ui, int step) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(ui->window));
  const int count = static_cast<int>(ui->tab_order.size());
  int at = -1;
  for (int i = 0; i < count; ++i)
    if (ui->tab_order[static_cast<std::size_t>(i)] == focus) at = i;
  for (int n = 1; n <= count; ++n) {
    const int i = ((at < 0 ? (step > 0 ? -1 : 0) : at) + step * n + 2 * count) % count;
    GtkWidget* w = ui->tab_order[static_cast<std::size_t>(i)];
    if (gtk_widget_is_sensitive(w)) {
      gtk_widget_grab_focus(w);
      return;
    }
  }
}

gboolean on_key(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* ui = static_cast<DialogUi*>(data);
  switch (event->keyval) {
    case GDK_KEY_Escape:
      close_dialog(ui);
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      // Enter presses the default button unless another push button has the focus.
      if (gtk_window_get_focus(GTK_WINDOW(ui->window)) == ui->cancel)
        close_dialog(ui);
      else if (ui->model->ok_enabled())
        press_ok(ui);
      return TRUE;
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
      move_focus(ui, (event->state & GDK_SHIFT_MASK) ? -1 : 1);
      return TRUE;
    case GDK_KEY_ISO_Left_Tab:
      move_focus(ui, -1);
      return TRUE;
    default:
      return FALSE;
  }
}

GtkWidget* make_control(const host::ControlSpec& spec, GSList** group) {
  const std::string caption(spec.caption);
  switch (spec.kind) {
    case host::ControlKind::Label: {
      GtkWidget* label = gtk_label_new(caption.c_str());
      gtk_label_set_xalign(GTK_LABEL(label), 0.0f);
      return label;
    }
    case host::ControlKind::CheckBox:
      return gtk_check_button_new_with_label(caption.c_str());
    case host::ControlKind::OptionButton: {
      GtkWidget* option = gtk_radio_button_new_with_label(*group, caption.c_str());
      *group = gtk_radio_button_get_group(GTK_RADIO_BUTTON(option));
      return option;
    }
    case host::ControlKind::Button:
      return gtk_button_new_with_label(caption.c_str());
  }
  return nullptr;
}

// The program icon on the dialog's window, from the pixels the program decoded.
void set_icon(GtkWindow* window, const std::uint32_t* icon, int side) {
  if (!icon || side <= 0) return;
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, side, side);
  if (!pixbuf) return;
  guchar* rows = gdk_pixbuf_get_pixels(pixbuf);
  const int stride = gdk_pixbuf_get_rowstride(pixbuf);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const std::uint32_t p = icon[y * side + x];
      guchar* out = rows + y * stride + 3 * x;
      out[0] = static_cast<guchar>(p >> 16);
      out[1] = static_cast<guchar>(p >> 8);
      out[2] = static_cast<guchar>(p);
    }
  gtk_window_set_icon(window, pixbuf);
  g_object_unref(pixbuf);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int mirukado_gtk_settings_dialog(
    host::SettingsDialog* model, host::SettingsStore* store, const std::uint32_t* icon, int side) {
  // The same X display the rest of the program checked and uses, whatever
  // other backend the session offers.
  gdk_set_allowed_backends("x11");
  if (!gtk_init_check(nullptr, nullptr)) return 1;
  DialogUi ui;
  ui.model = model;
  ui.store = store;
  ui.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(ui.window), host::kCaptionSettings);
  gtk_window_set_resizable(GTK_WINDOW(ui.window), FALSE);
  gtk_window_set_position(GTK_WINDOW(ui.window), GTK_WIN_POS_CENTER);
  gtk_window_set_type_hint(GTK_WINDOW(ui.window), GDK_WINDOW_TYPE_HINT_DIALOG);
  set_icon(GTK_WINDOW(ui.window), icon, side);

  GtkWidget* fixed = gtk_fixed_new();
  const host::DialogLayout& layout = model->layout();
  gtk_widget_set_size_request(fixed, px(layout.width), px(layout.height));
  gtk_container_add(GTK_CONTAINER(ui.window), fixed);

  GSList* group = nullptr;
  ui.tab_order.resize(static_cast<std::size_t>(
      std::count_if(layout.controls.begin(), layout.controls.end(),
                    [](const host::ControlSpec& c) { return c.tab_index >= 0; })));
  for (const host::ControlSpec& spec : layout.controls) {
    GtkWidget* w = make_control(spec, &group);
    gtk_widget_set_size_request(w, px(spec.width), px(spec.height));
    gtk_fixed_put(GTK_FIXED(fixed), w, px(spec.left), px(spec.top));
    if (spec.tab_index >= 0) ui.tab_order[static_cast<std::size_t>(spec.tab_index)] = w;
    switch (spec.id) {
      case host::ControlId::DrillBox:
        ui.checks.push_back(w);  // the layout lists the boxes in their order
        break;
      case host::ControlId::OptSlow:
        ui.options[0] = w;
        break;
      case host::ControlId::OptNormal:
        ui.options[1] = w;
        break;
      case host::ControlId::OptFast:
        ui.options[2] = w;
        break;
      case host::ControlId::CmdOk:
        ui.ok = w;
        break;
      case host::ControlId::CmdCancel:
        ui.cancel = w;
        break;
      default:
        break;
    }
  }

  // Show the model's state before connecting the handlers: the load does not
  // run the OK rule.
  ui.syncing = true;
  for (std::size_t i = 0; i < ui.checks.size(); ++i)
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ui.checks[i]),
                                 model->checked(static_cast<int>(i)));
  const int option = static_cast<int>(model->speed_option()) - 1;
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(ui.options[static_cast<std::size_t>(option)]),
                               TRUE);
  gtk_widget_set_sensitive(ui.ok, model->ok_enabled());
  ui.syncing = false;

  for (GtkWidget* check : ui.checks)
    g_signal_connect(check, "toggled", G_CALLBACK(on_check_toggled), &ui);
  for (GtkWidget* opt : ui.options)
    g_signal_connect(opt, "toggled", G_CALLBACK(on_option_toggled), &ui);
  g_signal_connect(ui.ok, "clicked", G_CALLBACK(on_ok_clicked), &ui);
  g_signal_connect(ui.cancel, "clicked", G_CALLBACK(on_cancel_clicked), &ui);
  g_signal_connect(ui.window, "delete-event", G_CALLBACK(on_delete), &ui);
  g_signal_connect(ui.window, "destroy", G_CALLBACK(on_destroyed), &ui);
  g_signal_connect(ui.window, "key-press-event", G_CALLBACK(on_key), &ui);

  gtk_widget_set_can_default(ui.ok, TRUE);
  gtk_window_set_default(GTK_WINDOW(ui.window), ui.ok);
  gtk_widget_show_all(ui.window);
  gtk_widget_grab_focus(ui.tab_order[0]);
  gtk_main();
  if (ui.window) gtk_widget_destroy(ui.window);
  while (gtk_events_pending()) gtk_main_iteration();
  return 0;
}
