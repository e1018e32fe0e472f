#include "win/list_view.h"

#include <commctrl.h>

#include <cstring>

void insert_list_column(HWND list, int index, const char* heading, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(heading);
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void remove_list_columns(HWND list) {
    while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {
    }
}

int list_usable_width(HWND list) {
    RECT r{};
    GetWindowRect(list, &r);
    return (r.right - r.left) - GetSystemMetrics(SM_CXVSCROLL) - 2 * GetSystemMetrics(SM_CXEDGE);
}

void copy_item_text(char* destination, int room, const char* text) {
    if (!destination || room <= 0) {
        return;
    }
    std::size_t length = std::strlen(text);
    if (length >= static_cast<std::size_t>(room)) {
        // Whole characters only: stop before the one that would not fit.
        const char* end = text;
        while (*end) {
            const char* next = CharNextA(end);
            if (next - text > room - 1) {
                break;
            }
            end = next;
        }
        length = static_cast<std::size_t>(end - text);
    }
    std::memcpy(destination, text, length);
    destination[length] = '\0';
}
