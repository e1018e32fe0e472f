#include "app/about_dialog.h"

#include "res/resource.h"
#include "win/dialog_layout.h"

const MessageEntry<AboutDialog> AboutDialog::message_map_[] = {
    on_message(WM_INITDIALOG, &AboutDialog::on_init_dialog),
    on_command(IDOK, &AboutDialog::on_close),
    on_command(IDCANCEL, &AboutDialog::on_close),
};

INT_PTR AboutDialog::show(HWND owner) {
    return show_modal(IDD_ABOUT, owner);
}

bool AboutDialog::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT AboutDialog::on_init_dialog(WPARAM, LPARAM) {
    center_window(hwnd());
    // TRUE lets the dialog manager focus the first tab stop, the OK button.
    return TRUE;
}

LRESULT AboutDialog::on_close(WPARAM wparam, LPARAM) {
    end_dialog(LOWORD(wparam));
    return 0;
}

void show_about_box(HWND owner) {
    AboutDialog dialog;
    dialog.show(owner);
}
