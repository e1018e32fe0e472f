#include "grid/table_grid.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "db/catalogue.h"
#include "db/record_page.h"
#include "db/result_table.h"
#include "db/text_convert.h"
#include "grid/cell_editor.h"
#include "grid/column_widths.h"
#include "win/list_view.h"

namespace {

// The header's margins on either side of its text, with a little room for the
// cells below it.
constexpr int kHeaderTextMargins = 16;

}  // namespace

int TableGrid::data_column_width(int columns) const {
    return shared_column_width(list_usable_width(hwnd()) - kRowIdColumnWidth, columns);
}

std::vector<int> TableGrid::data_column_widths() const {
    return ::data_column_widths(list_usable_width(hwnd()) - kRowIdColumnWidth, header_widths_);
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
    shown_headers_.clear();
}

void TableGrid::clear() {
    if (cell_editor && cell_editor->edit().active()) {
        // Its record belongs to what is going away.
        cell_editor->abandon();
    }
    remove_all_rows();
    remove_all_columns();
    column_names_.clear();
    header_widths_.clear();
    shape_ = TableShape();
    rowid_alias_column_ = 0;
    rowid_name_ = "rowid";
    database = nullptr;
    table_name.clear();
    page_index = 0;
}

void TableGrid::load_columns() {
    column_names_.clear();
    header_widths_.clear();
    rowid_alias_column_ = 0;
    rowid_name_ = "rowid";

    if (!read_table_shape(database, table_name, shape_)) {
        remove_all_columns();
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
    std::vector<std::string> headers;
    headers.reserve(columns.size() + 1);
    headers.push_back(shape_.identity == RecordIdentity::rowid ? "RowID" : "No.");
    for (const ShapeColumn& column : columns) {
        headers.push_back(column_header(column));
    }
    header_widths_ = list_text_widths(hwnd(), headers);
    header_widths_.erase(header_widths_.begin());
    for (int& width : header_widths_) {
        width += kHeaderTextMargins;
    }
    RECT window{};
    GetWindowRect(hwnd(), &window);
    sized_width_ = window.right - window.left;
    column_names_.reserve(columns.size());
    for (const ShapeColumn& column : columns) {
        column_names_.push_back(column.shown);
    }
    rowid_name_ = shape_.rowid_name;
    if (headers == shown_headers_) {
        // The same columns again (another page of the table): they get their
        // widths back as a rebuild would, without the list moving a couple of
        // thousand columns for it.
        set_column_width(0, kRowIdColumnWidth);
        set_data_column_widths();
        return;
    }
    remove_all_columns();
    const std::vector<int> widths = data_column_widths();
    insert_list_column(hwnd(), 0, headers[0].c_str(), kRowIdColumnWidth);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        insert_list_column(hwnd(), static_cast<int>(i + 1), headers[i + 1].c_str(), widths[i]);
    }
    list_columns_ = static_cast<int>(headers.size());
    shown_headers_ = std::move(headers);
    // Another table starts at its first column.
    const int scrolled = GetScrollPos(hwnd(), SB_HORZ);
    if (scrolled > 0) {
        SendMessageA(hwnd(), LVM_SCROLL, static_cast<WPARAM>(-scrolled), 0);
    }
}

void TableGrid::set_column_width(int column, int width) {
    if (SendMessageA(hwnd(), LVM_GETCOLUMNWIDTH, column, 0) != width) {
        LVCOLUMNA item{};
        item.mask = LVCF_WIDTH;
        item.cx = width;
        SendMessageA(hwnd(), LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&item));
    }
}

void TableGrid::set_data_column_widths() {
    // Most columns of a wide table keep their width: only the others are set.
    const std::vector<int> widths = data_column_widths();
    const int columns = std::min(list_columns_ - 1, static_cast<int>(widths.size()));
    for (int column = 1; column <= columns; ++column) {
        set_column_width(column, widths[static_cast<std::size_t>(column - 1)]);
    }
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

void TableGrid::ensure_column_visible(int column) {
    // Every row has the same column edges; the first one serves.
    RECT cell;
    if (row_count() > 0 && cell_rect(0, column, cell)) {
        scroll_into_view_sideways(hwnd(), cell.left, cell.right);
    }
}

bool TableGrid::cell_rect(int row, int column, RECT& rect) const {
    rect = RECT{};
    rect.top = column;
    rect.left = LVIR_LABEL;
    return SendMessageA(hwnd(), LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&rect)) != 0;
}
