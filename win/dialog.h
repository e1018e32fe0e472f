#pragma once

#include <windows.h>

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

protected:
    virtual bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) = 0;
    virtual bool reflects_notifications() const { return true; }

private:
    static INT_PTR CALLBACK dialog_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

    HWND hwnd_ = nullptr;
};

// The module whose resources the program uses (the running executable).
HINSTANCE module_instance();

// Removes, translates and dispatches every message waiting in the thread's queue,
// as the program's message loop does.
void drain_message_queue();
