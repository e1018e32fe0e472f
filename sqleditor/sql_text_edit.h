#pragma once

#include <windows.h>

#include "win/message_map.h"
#include "win/window_subclass.h"

// Sent by the editor to its dialog (both parameters 0) to ask for a run.
constexpr UINT WM_SQL_RUN = WM_APP + 14;
// Sent by the editor to its dialog for Ctrl+Z and for Ctrl+Y (both parameters 0):
// the dialog keeps the steps of typing, which colouring takes from the control.
constexpr UINT WM_SQL_UNDO = WM_APP + 15;
constexpr UINT WM_SQL_REDO = WM_APP + 16;

// The SQL text control: F5 asks the dialog for a run, Ctrl+Z and Ctrl+Y (or
// Ctrl+Shift+Z) for an undo and a redo, and every key stays with the control, so
// Tab, Enter and Escape edit the text instead of working the dialog. The control is
// a Unicode one: every character typed reaches it as one WM_CHAR (a character
// beyond the basic plane as its two units), so no byte needs holding back.
class SqlTextEdit : public WindowSubclass {
protected:
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;

private:
    static const MessageEntry<SqlTextEdit> message_map_[];

    LRESULT on_key_down(WPARAM, LPARAM);
    LRESULT on_undo(WPARAM, LPARAM);
    LRESULT on_get_dlg_code(WPARAM, LPARAM);
};
