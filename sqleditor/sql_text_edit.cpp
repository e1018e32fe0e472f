#include "sqleditor/sql_text_edit.h"

const MessageEntry<SqlTextEdit> SqlTextEdit::message_map_[] = {
    on_message(WM_KEYDOWN, &SqlTextEdit::on_key_down),
    on_message(WM_GETDLGCODE, &SqlTextEdit::on_get_dlg_code),
};

bool SqlTextEdit::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result) ||
           DoubleByteEdit::handle_message(msg, wparam, lparam, result);
}

LRESULT SqlTextEdit::on_key_down(WPARAM wparam, LPARAM lparam) {
    if (wparam != VK_F5) {
        return call_original(WM_KEYDOWN, wparam, lparam);
    }
    SendMessageA(GetParent(hwnd()), WM_SQL_RUN, 0, 0);
    return 0;
}

LRESULT SqlTextEdit::on_get_dlg_code(WPARAM, LPARAM) {
    return DLGC_WANTALLKEYS;
}
