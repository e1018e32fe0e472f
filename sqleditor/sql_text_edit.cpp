#include "sqleditor/sql_text_edit.h"

namespace {

constexpr WPARAM kCtrlY = 0x19;
constexpr WPARAM kCtrlZ = 0x1A;

}  // namespace

const MessageEntry<SqlTextEdit> SqlTextEdit::message_map_[] = {
    on_message(WM_KEYDOWN, &SqlTextEdit::on_key_down),
    on_message(WM_UNDO, &SqlTextEdit::on_undo),
    on_message(EM_UNDO, &SqlTextEdit::on_undo),
    on_message(WM_GETDLGCODE, &SqlTextEdit::on_get_dlg_code),
};

bool SqlTextEdit::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    if (msg == WM_CHAR && (wparam == kCtrlZ || wparam == kCtrlY)) {
        // The characters of Ctrl+Z and Ctrl+Y: their keys did their work.
        result = 0;
        return true;
    }
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT SqlTextEdit::on_key_down(WPARAM wparam, LPARAM lparam) {
    const bool control = GetKeyState(VK_CONTROL) < 0;
    if (wparam == VK_F5) {
        SendMessageW(GetParent(hwnd()), WM_SQL_RUN, 0, 0);
        return 0;
    }
    if (control && wparam == 'Z') {
        SendMessageW(GetParent(hwnd()), GetKeyState(VK_SHIFT) < 0 ? WM_SQL_REDO : WM_SQL_UNDO, 0,
                     0);
        return 0;
    }
    if (control && wparam == 'Y') {
        SendMessageW(GetParent(hwnd()), WM_SQL_REDO, 0, 0);
        return 0;
    }
    return call_original(WM_KEYDOWN, wparam, lparam);
}

LRESULT SqlTextEdit::on_undo(WPARAM, LPARAM) {
    SendMessageW(GetParent(hwnd()), WM_SQL_UNDO, 0, 0);
    return TRUE;
}

LRESULT SqlTextEdit::on_get_dlg_code(WPARAM, LPARAM) {
    return DLGC_WANTALLKEYS;
}
