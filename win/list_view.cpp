#include "win/list_view.h"

#include <commctrl.h>

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
