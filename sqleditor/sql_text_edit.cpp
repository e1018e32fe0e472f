#include "sqleditor/sql_text_edit.h"

bool SqlTextEdit::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    switch (msg) {
        case WM_KEYDOWN:
            if (wparam != VK_F5) {
                return false;
            }
            SendMessageA(GetParent(hwnd()), WM_SQL_RUN, 0, 0);
            result = 0;
            return true;
        case WM_GETDLGCODE:
            result = DLGC_WANTALLKEYS;
            return true;
        default:
            return DoubleByteEdit::handle_message(msg, wparam, lparam, result);
    }
}
