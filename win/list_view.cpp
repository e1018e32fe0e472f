#include "win/list_view.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "db/text_convert.h"
#include "win/dpi.h"
#include "win/gdi_handles.h"
#include "win/text_drawing.h"
#include "win/wide_text.h"

void insert_list_column(HWND list, int index, const char* heading, int width) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(heading);
    column.iSubItem = index;
    SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
}

void insert_list_column_utf8(HWND list, int index, std::string_view heading, int width) {
    std::wstring text = wide_of_utf8(heading);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void remove_list_columns(HWND list) {
    // Last first: taking the first away moves every column after it, which for a
    // table of a couple of thousand columns takes a second.
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    int count = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    while (count > 0 && SendMessageA(list, LVM_DELETECOLUMN, count - 1, 0)) {
        --count;
    }
    while (SendMessageA(list, LVM_DELETECOLUMN, 0, 0)) {
    }
}

int list_usable_width(HWND list, int dpi) {
    RECT r{};
    GetWindowRect(list, &r);
    return (r.right - r.left) - system_metric_for_dpi(SM_CXVSCROLL, dpi) -
           2 * system_metric_for_dpi(SM_CXEDGE, dpi);
}

void scale_list_columns(HWND list, int old_dpi, int new_dpi) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int count = header ? static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    for (int column = 0; column < count; ++column) {
        const int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
        SendMessageA(list, LVM_SETCOLUMNWIDTH, column,
                     MAKELPARAM(MulDiv(width, new_dpi, old_dpi), 0));
    }
}

std::vector<int> list_text_widths(HWND list, const std::vector<std::string>& texts) {
    // One context for all: a table may have a couple of thousand headers.
    std::vector<int> widths(texts.size(), 0);
    WindowFontDc dc(list);
    if (!dc.get()) {
        return widths;
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SIZE extent{};
        if (GetTextExtentPoint32A(dc.get(), texts[i].c_str(), static_cast<int>(texts[i].size()),
                                  &extent)) {
            widths[i] = extent.cx;
        }
    }
    return widths;
}

std::vector<int> list_text_widths_utf8(HWND list, const std::vector<std::string>& texts) {
    std::vector<int> widths(texts.size(), 0);
    WindowFontDc dc(list);
    if (!dc.get()) {
        return widths;
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::wstring text = wide_of_utf8(texts[i]);
        SIZE extent{};
        if (GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent)) {
            widths[i] = extent.cx;
        }
    }
    return widths;
}

void scroll_into_view_sideways(HWND list, int left, int right) {
    RECT client{};
    if (!GetClientRect(list, &client)) {
        return;
    }
    int dx = 0;
    if (right > client.right) {
        dx = right - client.right;
    }
    if (left - dx < client.left) {
        dx = left - client.left;
    }
    if (dx != 0) {
        SendMessageA(list, LVM_SCROLL, dx, 0);
    }
}

namespace {

constexpr LONG kScrollBars = WS_HSCROLL | WS_VSCROLL;

// Marks the window's frame (its border and scroll bars) for drawing at the next
// paint, and nothing of its client area.
void invalidate_frame(HWND window) {
    RECT outer;
    RECT client;
    if (!GetWindowRect(window, &outer) || !GetClientRect(window, &client)) {
        return;
    }
    MapWindowPoints(HWND_DESKTOP, window, reinterpret_cast<POINT*>(&outer), 2);
    RegionHandle frame(CreateRectRgnIndirect(&outer));
    RegionHandle inside(CreateRectRgnIndirect(&client));
    if (!frame || !inside ||
        CombineRgn(frame.get(), frame.get(), inside.get(), RGN_DIFF) == ERROR) {
        RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
        return;
    }
    RedrawWindow(window, nullptr, frame.get(), RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN);
}

}  // namespace

void set_owner_data_row_count(HWND list, int rows) {
    const LONG style = GetWindowLongA(list, GWL_STYLE);
    const WPARAM flags = LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL;
    // Switched off already (a caller's RedrawOff): it draws everything at its end.
    if (!(style & WS_VISIBLE)) {
        SendMessageA(list, LVM_SETITEMCOUNT, rows, flags);
        return;
    }
    // Switching drawing off throws away what was marked for the next paint, of
    // the list and of its header alike (Wine validates the window and its
    // children): a header just given other columns would keep the old ones on
    // the screen. What was marked is marked again afterwards.
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    RegionHandle list_marked(CreateRectRgn(0, 0, 0, 0));
    RegionHandle header_marked(CreateRectRgn(0, 0, 0, 0));
    const bool list_pending =
        list_marked && GetUpdateRgn(list, list_marked.get(), FALSE) > NULLREGION;
    const bool header_pending =
        header && header_marked && GetUpdateRgn(header, header_marked.get(), FALSE) > NULLREGION;
    // The window's own drawing flag, not the list's: the list still works out its
    // scroll bars, and the system draws nothing of them meanwhile.
    DefWindowProcA(list, WM_SETREDRAW, FALSE, 0);
    SendMessageA(list, LVM_SETITEMCOUNT, rows, flags);
    DefWindowProcA(list, WM_SETREDRAW, TRUE, 0);
    if (list_pending) {
        RedrawWindow(list, nullptr, list_marked.get(), RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
    }
    if (header_pending) {
        RedrawWindow(header, nullptr, header_marked.get(), RDW_INVALIDATE | RDW_ERASE);
    }
    if (((GetWindowLongA(list, GWL_STYLE) ^ style) & kScrollBars) != 0) {
        // A bar came or went: the frame, the header and the rows all moved.
        RedrawWindow(list, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    } else {
        invalidate_frame(list);
    }
}

void invalidate_list_rows(HWND list) {
    RECT rows;
    GetClientRect(list, &rows);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    RECT header_rect;
    if (header && IsWindowVisible(header) && GetWindowRect(header, &header_rect)) {
        MapWindowPoints(HWND_DESKTOP, list, reinterpret_cast<POINT*>(&header_rect), 2);
        rows.top = std::max(rows.top, header_rect.bottom);
    }
    InvalidateRect(list, &rows, FALSE);
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

void copy_item_text(wchar_t* destination, int room, std::wstring_view text) {
    if (!destination || room <= 0) {
        return;
    }
    std::size_t length = text.size();
    if (length >= static_cast<std::size_t>(room)) {
        length = static_cast<std::size_t>(room - 1);
        // A lead surrogate left at the end would stand alone.
        if (length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) {
            --length;
        }
    }
    std::wmemcpy(destination, text.data(), length);
    destination[length] = L'\0';
}

void copy_item_text_utf8(wchar_t* destination, int room, std::string_view text) {
    if (!destination || room <= 0) {
        return;
    }
    const std::size_t written = utf8_to_utf16(text, reinterpret_cast<char16_t*>(destination),
                                              static_cast<std::size_t>(room - 1));
    destination[written] = L'\0';
}

namespace {

// The room a report list leaves before a cell's text, in pixels.
constexpr int kCellTextMargin = 5;

}  // namespace

void draw_list_cell(HWND list, const NMLVCUSTOMDRAW& draw, std::wstring_view text) {
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    RECT bounds{};
    bounds.top = draw.iSubItem;
    bounds.left = LVIR_BOUNDS;
    if (!SendMessageW(list, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&bounds))) {
        return;
    }
    // The colours the list gives the row: a selected row's, or the window's.
    const bool selected =
        (SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    const bool focused = GetFocus() == list;
    COLORREF back = draw.clrTextBk;
    COLORREF fore = draw.clrText;
    if (selected) {
        back = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
        fore = GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
    }
    if (back == CLR_DEFAULT || back == CLR_NONE) {
        back = GetSysColor(COLOR_WINDOW);
    }
    if (fore == CLR_DEFAULT || fore == CLR_NONE) {
        fore = GetSysColor(COLOR_WINDOWTEXT);
    }
    HDC dc = draw.nmcd.hdc;
    const COLORREF old_back = SetBkColor(dc, back);
    const COLORREF old_fore = SetTextColor(dc, fore);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &bounds, nullptr, 0, nullptr);
    RECT text_box = bounds;
    text_box.left += kCellTextMargin;
    const int old_mode = SetBkMode(dc, TRANSPARENT);
    draw_cell_text(dc, text_box, text);
    SetBkMode(dc, old_mode);
    SetTextColor(dc, old_fore);
    SetBkColor(dc, old_back);
}
