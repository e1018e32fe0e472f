#pragma once

#include <windows.h>

#include "win/dialog.h"
#include "win/gdi_handles.h"
#include "win/message_map.h"

// The version box: name, version and icon from its template, closed by OK, Enter,
// Esc or the close box.
class AboutDialog : public Dialog {
public:
    // Runs the box modally; IDOK or IDCANCEL, as the user closed it.
    INT_PTR show(HWND owner);

protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    bool reflects_notifications() const override { return false; }

private:
    LRESULT on_init_dialog(WPARAM, LPARAM);
    LRESULT on_close(WPARAM, LPARAM);
    void dpi_changed(int old_dpi) override;
    // The program's icon in the size of the dialog's DPI.
    void show_icon();

    static const MessageEntry<AboutDialog> message_map_[];
    IconHandle icon_;
};

// Shows the version box modally.
void show_about_box(HWND owner);
