#include "grid/table_grid.h"

#include <commctrl.h>

#include <algorithm>

#include "db/text_convert.h"
#include "grid/cell_editor.h"
#include "res/resource.h"
#include "win/dialog.h"
#include "win/list_view.h"
#include "win/text_drawing.h"
#include "win/wide_text.h"

// The order of the rows is the order of the tests.
const MessageEntry<TableGrid> TableGrid::message_map_[] = {
    on_message(WM_SIZE, &TableGrid::on_size),
    on_message(WM_KEYDOWN, &TableGrid::on_key_down),
    on_message(WM_GETDLGCODE, &TableGrid::on_get_dlg_code),
    on_message(WM_VSCROLL, &TableGrid::on_vertical_scroll),
    on_message(WM_HSCROLL, &TableGrid::on_horizontal_scroll),
    on_message(WM_MOUSEWHEEL, &TableGrid::on_mouse_wheel),
    on_message(WM_MOUSEHWHEEL, &TableGrid::on_mouse_horizontal_wheel),
    on_message(WM_CTLCOLOREDIT, &TableGrid::on_ctl_color_edit),
    on_message(WM_CELL_EDIT_ENTER, &TableGrid::on_cell_edit_enter),
    on_message(WM_CELL_EDIT_KILL_FOCUS, &TableGrid::on_cell_edit_kill_focus),
    on_message(WM_CONTEXTMENU, &TableGrid::on_context_menu),
    on_reflected_notify(NM_DBLCLK, &TableGrid::on_double_click),
    on_reflected_notify(NM_CLICK, &TableGrid::on_click),
    on_reflected_notify(LVN_DELETEALLITEMS, &TableGrid::on_delete_all_items),
    on_reflected_notify(LVN_GETDISPINFOW, &TableGrid::on_get_display_info),
    on_reflected_notify(LVN_ODFINDITEMW, &TableGrid::on_find_item),
    on_reflected_notify(LVN_COLUMNCLICK, &TableGrid::on_column_click),
    on_reflected_notify(NM_CUSTOMDRAW, &TableGrid::on_custom_draw),
    on_message(WM_NOTIFY, &TableGrid::on_notify),
};

bool TableGrid::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT TableGrid::on_size(WPARAM, LPARAM) {
    // A scroll bar coming or going changes only the client area: the columns keep
    // the widths the user may have dragged them to.
    RECT window{};
    GetWindowRect(hwnd(), &window);
    // While the DPI changes the columns keep the widths scaled from theirs.
    if (changing_dpi_ || window.right - window.left == sized_width_) {
        return 0;
    }
    sized_width_ = window.right - window.left;
    set_data_column_widths();
    tell_columns_moved();
    return 0;
}

LRESULT TableGrid::on_column_click(WPARAM, LPARAM lparam) {
    const auto* click = reinterpret_cast<const NMLISTVIEW*>(lparam);
    sort_by_click(click->iSubItem, (GetKeyState(VK_CONTROL) & 0x8000) != 0);
    return 0;
}

LRESULT TableGrid::on_notify(WPARAM wparam, LPARAM lparam) {
    const LRESULT result = call_original(WM_NOTIFY, wparam, lparam);
    // The header tells its list of a column dragged wider or narrower.
    const UINT code = reinterpret_cast<const NMHDR*>(lparam)->code;
    if (code == HDN_ITEMCHANGEDA || code == HDN_ITEMCHANGEDW || code == HDN_TRACKA ||
        code == HDN_TRACKW) {
        tell_columns_moved();
    }
    return result;
}

LRESULT TableGrid::on_key_down(WPARAM wparam, LPARAM lparam) {
    if (wparam == VK_RETURN) {
        begin_cell_edit(1);
    }
    return call_original(WM_KEYDOWN, wparam, lparam);
}

LRESULT TableGrid::on_get_dlg_code(WPARAM, LPARAM) {
    return DLGC_WANTALLKEYS;
}

LRESULT TableGrid::on_vertical_scroll(WPARAM wparam, LPARAM lparam) {
    // The edit stays open: its text still goes to the cell it was opened on.
    cell_editor_.hide_keeping_focus();
    return call_original(WM_VSCROLL, wparam, lparam);
}

LRESULT TableGrid::on_horizontal_scroll(WPARAM wparam, LPARAM lparam) {
    // Sideways as up and down: the edit stays open for the cell it was opened on.
    cell_editor_.hide_keeping_focus();
    const LRESULT result = call_original(WM_HSCROLL, wparam, lparam);
    tell_columns_moved();
    return result;
}

LRESULT TableGrid::on_mouse_wheel(WPARAM wparam, LPARAM lparam) {
    const LRESULT result = call_original(WM_MOUSEWHEEL, wparam, lparam);
    hide_editor_if_moved();
    return result;
}

LRESULT TableGrid::on_mouse_horizontal_wheel(WPARAM wparam, LPARAM lparam) {
    const LRESULT result = call_original(WM_MOUSEHWHEEL, wparam, lparam);
    hide_editor_if_moved();
    tell_columns_moved();
    return result;
}

void TableGrid::hide_editor_if_moved() {
    // Left in place, the editor would float over another cell than its own.
    if (!cell_editor_.edit().active() || !IsWindowVisible(cell_editor_.hwnd())) {
        return;
    }
    RECT cell;
    RECT placed;
    GetWindowRect(cell_editor_.hwnd(), &placed);
    MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&placed), 2);
    const EditedCell& edited = cell_editor_.edit().cell();
    if (!cell_rect(edited.row, edited.column, cell) || cell.left != placed.left ||
        cell.top != placed.top) {
        cell_editor_.hide_keeping_focus();
    }
}

LRESULT TableGrid::on_ctl_color_edit(WPARAM wparam, LPARAM lparam) {
    if (!editor_brush_ || reinterpret_cast<HWND>(lparam) != cell_editor_.hwnd()) {
        return call_original(WM_CTLCOLOREDIT, wparam, lparam);
    }
    HDC dc = reinterpret_cast<HDC>(wparam);
    SetTextColor(dc, kCellEditorTextColour);
    SetBkColor(dc, kCellEditorBackColour);
    return reinterpret_cast<LRESULT>(editor_brush_.get());
}

LRESULT TableGrid::on_cell_edit_enter(WPARAM, LPARAM) {
    commit_cell_edit(true);
    return 0;
}

LRESULT TableGrid::on_cell_edit_kill_focus(WPARAM, LPARAM) {
    commit_cell_edit(false);
    return 0;
}

int TableGrid::column_at(POINT point) const {
    RECT client;
    GetClientRect(hwnd(), &client);
    // Columns scrolled out of sight lie outside the list, where no click lands.
    if (row_count() == 0 || point.x < client.left || point.x >= client.right) {
        return 0;
    }
    // Every row has the same column edges, so the first one serves.
    const int columns = column_count();
    for (int column = 1; column <= columns; ++column) {
        RECT cell;
        // Columns lie left to right: none further on can be under the point.
        if (!cell_rect(0, column, cell) || cell.left > cell.right || cell.left >= point.x) {
            break;
        }
        if (point.x < cell.right) {
            return column;
        }
    }
    return 0;
}

LRESULT TableGrid::on_double_click(WPARAM, LPARAM) {
    // The row is the one the first click selected; only the column comes from
    // the cursor.
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(hwnd(), &cursor);
    const int column = column_at(cursor);
    if (column == 0) {
        return 0;
    }
    clicked_column_ = column;
    const int row = selected_row();
    ValuePart head;
    // A BLOB is not text to edit: it is shown instead.
    if (row >= 0 && !is_blank_row(row) &&
        read_value_part(page_.database(), cell_target(row, column), 0, 0, head) ==
            ReadOutcome::found &&
        head.type == "blob") {
        view_cell(row, column);
        return 0;
    }
    begin_cell_edit(column);
    return 0;
}

LRESULT TableGrid::on_click(WPARAM, LPARAM lparam) {
    const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(lparam);
    if (const int column = column_at(activate->ptAction)) {
        clicked_column_ = column;
    }
    return 0;
}

LRESULT TableGrid::on_context_menu(WPARAM, LPARAM lparam) {
    POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
    int row = selected_row();
    if (lparam == -1) {
        // From the keyboard: at the selected row's cell.
        RECT cell;
        if (row < 0 || !cell_rect(row, command_column(), cell)) {
            return 0;
        }
        at = POINT{cell.left, cell.bottom};
        ClientToScreen(hwnd(), &at);
    } else {
        LVHITTESTINFO hit{};
        hit.pt = at;
        ScreenToClient(hwnd(), &hit.pt);
        SendMessageA(hwnd(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
        if (hit.iItem < 0 || hit.iSubItem < 1) {
            return 0;
        }
        row = hit.iItem;
        clicked_column_ = hit.iSubItem;
        if (row != selected_row()) {
            select_row(row);
        }
    }
    const bool record = row >= 0 && !is_blank_row(row);
    HMENU menu = LoadMenuA(module_instance(), MAKEINTRESOURCEA(IDR_CELL_MENU));
    if (!menu) {
        return 0;
    }
    HMENU popup = GetSubMenu(menu, 0);
    const UINT state = record ? MF_ENABLED : MF_GRAYED;
    EnableMenuItem(popup, IDM_CELL_VIEW, MF_BYCOMMAND | state);
    EnableMenuItem(popup, IDM_CELL_SAVE, MF_BYCOMMAND | state);
    EnableMenuItem(popup, IDM_CELL_LOAD, MF_BYCOMMAND | state);
    const UINT chosen = choose_from_menu
                            ? choose_from_menu(popup, at)
                            : static_cast<UINT>(TrackPopupMenu(
                                  popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y,
                                  0, hwnd(), nullptr));
    DestroyMenu(menu);
    if (chosen != 0) {
        // The main window runs the command, as it does for the menu bar and keys.
        SendMessageA(GetParent(hwnd()), WM_COMMAND, MAKEWPARAM(chosen, 0), 0);
    }
    return 0;
}

LRESULT TableGrid::on_delete_all_items(WPARAM, LPARAM) {
    // Nothing is kept per row in the list, so a page is let go at once rather than
    // with a notification for each of its records.
    return TRUE;
}

LRESULT TableGrid::on_get_display_info(WPARAM, LPARAM lparam) {
    // The list is a Unicode window: it asks in wide characters, and a cell's text
    // (UTF-8) reaches it as the database holds it.
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(lparam)->item;
    if (item.mask & LVIF_IMAGE) {
        item.iImage = 0;
    }
    if (item.mask & LVIF_TEXT) {
        copy_item_text_utf8(item.pszText, item.cchTextMax, cell_text(item.iItem, item.iSubItem));
    }
    return 0;
}

LRESULT TableGrid::on_custom_draw(WPARAM, LPARAM lparam) {
    // The list draws its cells through GDI, which cannot draw a character beyond
    // the basic plane (𠮷, emoji): a cell holding one is drawn here. Pages without
    // one are not asked about, row by row or cell by cell.
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(lparam);
    const int row = static_cast<int>(draw->nmcd.dwItemSpec);
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return page_.any_row_beyond_basic_plane() ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
        case CDDS_ITEMPREPAINT:
            return page_.row_beyond_basic_plane(row) ? CDRF_NOTIFYSUBITEMDRAW : CDRF_DODEFAULT;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
            const std::wstring text = wide_of_utf8(cell_text(row, draw->iSubItem));
            if (draw->iSubItem < 1 || !needs_fallback_drawing(text)) {
                return CDRF_DODEFAULT;
            }
            draw_list_cell(hwnd(), *draw, text);
            return CDRF_SKIPDEFAULT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

LRESULT TableGrid::on_find_item(WPARAM, LPARAM lparam) {
    // Typing in the list jumps to the next row whose first column begins with
    // what was typed, as in a list that holds its own texts.
    const auto* find = reinterpret_cast<const NMLVFINDITEMW*>(lparam);
    return find_row(find->lvfi.psz ? find->lvfi.psz : L"", find->lvfi.flags, find->iStart);
}

int TableGrid::find_row(const std::wstring& wanted, UINT flags, int start) const {
    const int rows = row_count();
    if (rows == 0 || wanted.empty() || !(flags & (LVFI_STRING | LVFI_PARTIAL))) {
        return -1;
    }
    const int wanted_length = static_cast<int>(wanted.size());
    const bool partial = (flags & LVFI_PARTIAL) != 0;
    const bool wrap = (flags & LVFI_WRAP) != 0;
    if (start < 0 || start >= rows) {
        start = 0;
    }
    for (int step = 0; step < rows; ++step) {
        const int row = (start + step) % rows;
        if (row < start && !wrap) {
            break;
        }
        const std::wstring text = wide_of_utf8(cell_text(row, 0));
        const int text_length = static_cast<int>(text.size());
        if (partial && text_length < wanted_length) {
            continue;
        }
        if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text.c_str(),
                           partial ? wanted_length : text_length, wanted.c_str(),
                           wanted_length) == CSTR_EQUAL) {
            return row;
        }
    }
    return -1;
}
