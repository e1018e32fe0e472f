#include "grid/table_grid.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "db/catalogue.h"
#include "db/result_table.h"
#include "db/text_convert.h"
#include "grid/cell_editor.h"
#include "grid/grid_statements.h"
#include "win/list_view.h"

RedrawOff::RedrawOff(HWND hwnd) : hwnd_(hwnd), was_visible_(hwnd && IsWindowVisible(hwnd)) {
    if (was_visible_) {
        SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    }
}

RedrawOff::~RedrawOff() {
    if (was_visible_) {
        SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

int TableGrid::data_column_width(int columns) const {
    int width = list_usable_width(hwnd()) - kRowIdColumnWidth;
    if (columns <= 0) {
        return width;
    }
    width /= columns;
    return width > 0 ? width : 0;
}

void TableGrid::insert_row(int index, const char* text) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text);
    item.iImage = 0;
    SendMessageA(hwnd(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

void TableGrid::remove_all_rows() {
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
    blank_row_ = -1;
}

void TableGrid::remove_all_columns() {
    remove_list_columns(hwnd());
    list_columns_ = 0;
}

void TableGrid::clear() {
    if (cell_editor && cell_editor->active) {
        // Its record belongs to what is going away.
        cell_editor->abandon();
    }
    remove_all_rows();
    remove_all_columns();
    column_names_.clear();
    column_typed_.clear();
    rowid_alias_column_ = 0;
    rowid_name_ = "rowid";
    database = nullptr;
    table_name.clear();
    page_index = 0;
}

void TableGrid::load_columns() {
    remove_all_columns();
    column_names_.clear();
    column_typed_.clear();
    rowid_alias_column_ = 0;
    rowid_name_ = "rowid";

    std::vector<ColumnInfo> columns;
    if (!read_column_info(database, table_name, columns)) {
        return;
    }
    rowid_alias_column_ = ::rowid_alias_column(columns);
    insert_list_column(hwnd(), 0, "RowID", kRowIdColumnWidth);
    const int width = data_column_width(static_cast<int>(columns.size()));
    RECT window{};
    GetWindowRect(hwnd(), &window);
    sized_width_ = window.right - window.left;
    column_names_.reserve(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const ColumnInfo& column = columns[i];
        std::string header = column.name;
        if (!column.type.empty()) {
            header += " [" + column.type + "]";
        }
        insert_list_column(hwnd(), static_cast<int>(i + 1), header.c_str(), width);
        column_names_.push_back(column.name);
        column_typed_.push_back(!column.type.empty());
    }
    rowid_name_ = rowid_name_for(column_names_);
    list_columns_ = static_cast<int>(columns.size()) + 1;
}

void TableGrid::load_rows(RowId select_rowid) {
    ResultTable result;
    if (!result.run_typed_ansi(
            database, page_sql(table_name, page_offset(page_index), kPageSize, rowid_name_))) {
        return;
    }
    const int first_row = row_count();
    SendMessageA(hwnd(), LVM_SETITEMCOUNT, first_row + result.rows() + 1, LVSICF_NOINVALIDATEALL);
    int select = first_row;
    char cell[kCellTextSize];
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    for (int row = 0; row < result.rows(); ++row) {
        const RowId rowid = parse_rowid(result.value(row, 0));
        const int index = first_row + row;
        insert_row(index, format_rowid(rowid).c_str());
        if (rowid == select_rowid) {
            select = index;
        }
        item.iItem = index;
        for (int field = 1; field < result.columns(); ++field) {
            const char* value = result.value(row, field);
            const long long blob = result.blob_size(row, field);
            if (blob >= 0) {
                // Binary data shows as what it is, not as the text before its first zero.
                std::snprintf(cell, sizeof(cell), "%s", blob_cell_text(blob).c_str());
            } else if (!value || !*value) {
                continue;
            } else {
                cell[0] = '\0';
                convert_cell_text(value, cell, sizeof(cell));
            }
            item.iSubItem = field;
            item.pszText = cell;
            SendMessageA(hwnd(), LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
        }
    }
    select_row(select);
}

std::int64_t TableGrid::count_rows() {
    return count_table_rows(database, table_name);
}

void TableGrid::add_blank_row(std::int64_t row_count_of_table) {
    if (!needs_blank_row(page_index, row_count_of_table)) {
        return;
    }
    const int index = row_count();
    insert_row(index, kBlankRowText);
    blank_row_ = index;
}

void TableGrid::reload_page(RowId select_rowid) {
    RedrawOff redraw(hwnd());
    remove_all_rows();
    load_columns();
    load_rows(select_rowid);
    const std::int64_t count = count_rows();
    add_blank_row(count);
    if (on_page_reloaded) {
        on_page_reloaded(page_index, count);
    }
}

int TableGrid::row_count() const {
    return static_cast<int>(SendMessageA(hwnd(), LVM_GETITEMCOUNT, 0, 0));
}

int TableGrid::selected_row() const {
    return static_cast<int>(SendMessageA(hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         MAKELPARAM(LVNI_SELECTED, 0)));
}

std::string TableGrid::cell_text(int row, int column) const {
    // A cell holds at most kCellTextSize - 1 bytes, so this room is enough.
    char text[kCellTextSize + 1] = "";
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(hwnd(), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

void TableGrid::set_cell_text(int row, int column, const char* text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(hwnd(), LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void TableGrid::select_row(int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(hwnd(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void TableGrid::ensure_visible(int row) {
    SendMessageA(hwnd(), LVM_ENSUREVISIBLE, row, TRUE);
}

int TableGrid::row_of_record(RowId rowid) const {
    const std::string text = format_rowid(rowid);
    const int rows = row_count();
    for (int row = 0; row < rows; ++row) {
        if (!is_blank_row(row) && cell_text(row, 0) == text) {
            return row;
        }
    }
    return -1;
}

bool TableGrid::cell_rect(int row, int column, RECT& rect) const {
    rect = RECT{};
    rect.top = column;
    rect.left = LVIR_LABEL;
    return SendMessageA(hwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rect)) != 0;
}
