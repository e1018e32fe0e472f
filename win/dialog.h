#pragma once

#include <windows.h>

#include "win/dpi.h"
#include "win/gdi_handles.h"

// Base of every dialog of the program. The derived class answers messages through
// its message map (handle_message); what the map leaves unhandled is passed back
// to the child control that sent it, unless the dialog opts out.
class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }

    // Runs the dialog from its template until it ends; returns the EndDialog value,
    // or -1 when the dialog could not be created.
    INT_PTR show_modal(int template_id, HWND owner);
    // Creates the dialog without owner loop; nullptr on failure.
    HWND create_modeless(int template_id, HWND owner);
    void end_dialog(INT_PTR result);

    // The DPI the dialog is laid out for: its monitor's when it was made, then the
    // one each move to another monitor brings.
    int dpi() const { return dpi_; }
    // A length given for 96 DPI, at the dialog's DPI.
    int scale(int length) const { return scale_for_dpi(length, dpi_); }
    // The font of the dialog's controls at its DPI.
    HFONT font() const;
    // The client size that the dialog's template asks for, in pixels. A dialog
    // larger than the screen is made smaller by the system, its controls left
    // where the template puts them: a layout starts from this size.
    SIZE template_client_size() const;
    // A move to a monitor of another DPI (WM_DPICHANGED): the controls get the
    // font of the new DPI and their places and sizes in proportion, and the window
    // takes the rectangle the system suggests.
    void change_dpi(int dpi, const RECT& suggested);

protected:
    virtual bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;
    virtual bool reflects_notifications() const { return true; }
    // Told while the DPI changes (dpi() is the new one): before the controls are
    // given the new font and scaled, and after the window took its new rectangle.
    virtual void dpi_changing(int /*old_dpi*/) {}
    virtual void dpi_changed(int /*old_dpi*/) {}

private:
    static INT_PTR CALLBACK dialog_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    void start_dpi();

    HWND hwnd_ = nullptr;
    int template_id_ = 0;
    int dpi_ = kDefaultDpi;
    // The font the dialog was made with, and the DPI it was made for: the font of
    // any other DPI is made from these, so that moves back and forth do not drift.
    HFONT template_font_ = nullptr;
    LOGFONTA start_font_{};
    int start_dpi_ = kDefaultDpi;
    // The font made for a DPI other than the starting one; none at that DPI.
    FontHandle scaled_font_;
};

// The module whose resources the program uses (the running executable).
HINSTANCE module_instance();

// Removes, translates and dispatches every message waiting in the thread's queue,
// as the program's message loop does.
void drain_message_queue();
