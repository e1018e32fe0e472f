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

void AboutDialog::dpi_changed(int) {
    show_icon();
}

void AboutDialog::show_icon() {
    // The template's icon control, which has no identifier of its own.
    HWND picture = nullptr;
    for (HWND child = GetWindow(hwnd(), GW_CHILD); child && !picture;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            picture = child;
        }
    }
    IconHandle icon(load_icon(IDI_APPLICATION_ICON, system_metric_for_dpi(SM_CXICON, dpi())));
    if (!picture || !icon) {
        return;
    }
    SendMessageA(picture, STM_SETICON, reinterpret_cast<WPARAM>(icon.get()), 0);
    icon_ = std::move(icon);
}

LRESULT AboutDialog::on_init_dialog(WPARAM, LPARAM) {
    show_icon();
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
