#include "grid/table_grid.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "db/catalogue.h"
#include "db/record_page.h"
#include "db/result_table.h"
#include "db/text_convert.h"
#include "grid/cell_editor.h"
#include "win/list_view.h"

int TableGrid::data_column_width(int columns) const {
    int width = list_usable_width(hwnd()) - kRowIdColumnWidth;
    if (columns <= 0) {
        return width;
    }
    width /= columns;
    return width > 0 ? width : 0;
}

void TableGrid::append_row(const char* text) {
    rows_.emplace_back(1, text);
    SendMessageA(hwnd(), LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
}

void TableGrid::remove_all_rows() {
    rows_.clear();
    SendMessageA(hwnd(), LVM_DELETEALLITEMS, 0, 0);
    blank_row_ = -1;
    row_keys_.clear();
}

void TableGrid::remove_all_columns() {
    remove_list_columns(hwnd());
    list_columns_ = 0;
}

void TableGrid::clear() {
    if (cell_editor && cell_editor->edit().active()) {
        // Its record belongs to what is going away.
        cell_editor->abandon();
    }
    remove_all_rows();
    remove_all_columns();
    column_names_.clear();
    shape_ = TableShape();
    rowid_alias_column_ = 0;
    rowid_name_ = "rowid";
    database = nullptr;
    table_name.clear();
    page_index = 0;
}

void TableGrid::load_columns() {
    remove_all_columns();
    column_names_.clear();
    rowid_alias_column_ = 0;
    rowid_name_ = "rowid";

    if (!read_table_shape(database, table_name, shape_)) {
        shape_ = TableShape();
        return;
    }
    const std::vector<ShapeColumn>& columns = shape_.columns;
    if (shape_.identity == RecordIdentity::rowid) {
        std::vector<ColumnInfo> keys;
        for (const ShapeColumn& column : columns) {
            keys.push_back({column.shown, column.type, column.key_position > 0});
        }
        rowid_alias_column_ = ::rowid_alias_column(keys);
    }
    // Column 0 holds the row id only where there is one; elsewhere it numbers the
    // records in the table's order.
    const char* first_header = shape_.identity == RecordIdentity::rowid ? "RowID" : "No.";
    insert_list_column(hwnd(), 0, first_header, kRowIdColumnWidth);
    const int width = data_column_width(static_cast<int>(columns.size()));
    RECT window{};
    GetWindowRect(hwnd(), &window);
    sized_width_ = window.right - window.left;
    column_names_.reserve(columns.size());
    for (std::size_t i = 0; i < columns.size(); ++i) {
        insert_list_column(hwnd(), static_cast<int>(i + 1), column_header(columns[i]).c_str(),
                           width);
        column_names_.push_back(columns[i].shown);
    }
    rowid_name_ = shape_.rowid_name;
    list_columns_ = static_cast<int>(columns.size()) + 1;
}

bool TableGrid::column_generated(int column) const {
    return column >= 1 && column <= static_cast<int>(shape_.columns.size()) &&
           shape_.columns[static_cast<std::size_t>(column - 1)].generated;
}

std::string TableGrid::record_condition(int row) const {
    if (row < 0 || is_blank_row(row)) {
        return std::string();
    }
    switch (shape_.identity) {
        case RecordIdentity::rowid:
            return ::record_condition(shape_, {cell_text(row, 0)});
        case RecordIdentity::primary_key:
            if (static_cast<std::size_t>(row) < row_keys_.size()) {
                return ::record_condition(shape_, row_keys_[static_cast<std::size_t>(row)]);
            }
            break;
        case RecordIdentity::none:
            break;
    }
    return std::string();
}

int TableGrid::row_of_condition(const std::string& condition) const {
    if (condition.empty()) {
        return -1;
    }
    const int rows = row_count();
    for (int row = 0; row < rows; ++row) {
        if (!is_blank_row(row) && record_condition(row) == condition) {
            return row;
        }
    }
    return -1;
}

void TableGrid::load_rows(RowId select_rowid, const std::string& select_condition) {
    if (shape_.columns.empty()) {
        return;
    }
    const std::int64_t offset = page_offset(page_index);
    std::vector<PageRecord> records;
    if (!read_record_page(database, table_name, shape_, offset, kPageSize, records)) {
        return;
    }
    const bool by_rowid = shape_.identity == RecordIdentity::rowid;
    const bool by_key = shape_.identity == RecordIdentity::primary_key;
    const int first_row = row_count();
    if (by_key) {
        row_keys_.resize(static_cast<std::size_t>(first_row));
    }
    rows_.reserve(rows_.size() + records.size() + 1);
    int select = first_row;
    char cell[kCellShownBytes + 1];
    for (std::size_t row = 0; row < records.size(); ++row) {
        PageRecord& record = records[row];
        const int index = first_row + static_cast<int>(row);
        std::vector<std::string> cells;
        cells.reserve(record.values.size() + 1);
        if (by_rowid) {
            const RowId rowid =
                parse_rowid(record.identity.empty() ? "" : record.identity[0].c_str());
            cells.push_back(format_rowid(rowid));
            if (rowid == select_rowid) {
                select = index;
            }
        } else {
            cells.push_back(format_rowid(offset + static_cast<std::int64_t>(row) + 1));
        }
        if (by_key) {
            if (!select_condition.empty() &&
                ::record_condition(shape_, record.identity) == select_condition) {
                select = index;
            }
            row_keys_.push_back(std::move(record.identity));
        }
        for (const PageValue& value : record.values) {
            if (value.kind == PageValue::Kind::blob) {
                // Binary data shows as what it is, not as the text before its first zero.
                cells.push_back(blob_cell_text(value.blob_bytes));
            } else if (value.text.empty()) {
                cells.emplace_back();
            } else {
                cell[0] = '\0';
                convert_cell_text(value.text.c_str(), cell, sizeof(cell));
                cells.emplace_back(cell);
            }
        }
        rows_.push_back(std::move(cells));
    }
    SendMessageA(hwnd(), LVM_SETITEMCOUNT, rows_.size(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
    select_row(select);
}

std::int64_t TableGrid::count_rows() {
    return count_table_rows(database, table_name);
}

void TableGrid::add_blank_row(std::int64_t row_count_of_table) {
    // A table whose records cannot be found again takes none from the grid.
    if (read_only() || !needs_blank_row(page_index, row_count_of_table)) {
        return;
    }
    const int index = row_count();
    append_row(kBlankRowText);
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
    return static_cast<int>(rows_.size());
}

int TableGrid::selected_row() const {
    return static_cast<int>(SendMessageA(hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         MAKELPARAM(LVNI_SELECTED, 0)));
}

std::string TableGrid::cell_text(int row, int column) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0) {
        return std::string();
    }
    const std::vector<std::string>& cells = rows_[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)]
                                                           : std::string();
}

void TableGrid::set_cell_text(int row, int column, const char* text) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0 ||
        column >= list_columns_) {
        return;
    }
    std::vector<std::string>& cells = rows_[static_cast<std::size_t>(row)];
    if (cells.size() <= static_cast<std::size_t>(column)) {
        cells.resize(static_cast<std::size_t>(column) + 1);
    }
    // A cell shows at most kCellShownBytes bytes, as the list view kept them.
    char shown[kCellShownBytes + 1];
    copy_item_text(shown, sizeof(shown), text ? text : "");
    cells[static_cast<std::size_t>(column)] = shown;
    SendMessageA(hwnd(), LVM_REDRAWITEMS, row, row);
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
