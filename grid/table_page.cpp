#include "grid/table_page.h"

#include <algorithm>
#include <climits>

#include "db/record_page.h"
#include "db/result_table.h"
#include "db/text_convert.h"
#include "grid/cell_edit.h"

namespace {

const std::string kNoText;

}  // namespace

bool TablePage::open(sqlite3* db, const std::string& table) {
    close();
    TableShape shape;
    if (!db) {
        return false;
    }
    if (!read_table_shape(db, table, shape)) {
        read_error_ = sqlite3_errmsg(db);
        return false;
    }
    db_ = db;
    table_ = table;
    shape_ = std::move(shape);
    return true;
}

void TablePage::close() {
    db_ = nullptr;
    table_.clear();
    shape_ = TableShape();
    page_index_ = 0;
    table_rows_ = 0;
    read_error_.clear();
    drop_rows();
}

void TablePage::drop_rows() {
    rows_.clear();
    row_keys_.clear();
    blank_row_ = -1;
}

bool TablePage::load(int page_index) {
    drop_rows();
    page_index_ = std::max(0, page_index);
    table_rows_ = 0;
    if (!is_open()) {
        return false;
    }
    const std::int64_t offset = page_offset(page_index_);
    std::vector<PageRecord> records;
    const bool read = read_record_page(db_, table_, shape_, offset, kPageSize, records);
    read_error_ = read ? std::string() : std::string(sqlite3_errmsg(db_));
    const bool by_rowid = shape_.identity == RecordIdentity::rowid;
    // A view's record is found again by the values it showed, kept whole.
    const bool by_key =
        shape_.identity == RecordIdentity::primary_key || shape_.identity == RecordIdentity::values;
    rows_.reserve(records.size() + 1);
    if (by_key) {
        row_keys_.reserve(records.size());
    }
    char cell[kCellShownBytes + 1];
    for (std::size_t row = 0; row < records.size(); ++row) {
        PageRecord& record = records[row];
        std::vector<std::string> cells;
        cells.reserve(record.values.size() + 1);
        if (by_rowid) {
            // Column 0 holds the row id only where there is one; elsewhere it
            // numbers the records in the table's order.
            cells.push_back(format_rowid(
                parse_integer(record.identity.empty() ? "" : record.identity[0].c_str())));
        } else {
            cells.push_back(format_rowid(offset + static_cast<std::int64_t>(row) + 1));
        }
        if (by_key) {
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
    // One count serves both the blank row and the label.
    table_rows_ = count_table_rows(db_, table_);
    // A table whose records cannot be found again takes none from the grid, nor
    // does a view without a trigger that inserts.
    if (takes_new_records() && needs_blank_row(page_index_, table_rows_)) {
        blank_row_ = row_count();
        rows_.push_back({kBlankRowText});
    }
    return read;
}

int TablePage::show_record(RowId rowid) {
    load(page_index_);
    return row_of_record(rowid);
}

int TablePage::show_added_record(RowId rowid) {
    // A full last page (its records and the blank row): the new record starts
    // the next one.
    if (row_count() > kPageSize) {
        ++page_index_;
    }
    return show_record(rowid);
}

int TablePage::show_keyed_record(const std::vector<std::string>& key_literals) {
    // The literals are what was written; the record holds them as its columns'
    // affinities made them, so its key is read back before it is looked for.
    const std::vector<std::string> key =
        read_record_identity(db_, table_, shape_, ::record_condition(shape_, key_literals));
    ResultTable before;
    if (!key.empty() && before.run(db_, records_before_key_sql(table_, shape_, key)) &&
        before.rows() == 1) {
        const std::int64_t page = parse_integer(before.value(0, 0)) / kPageSize;
        page_index_ = page < INT_MAX ? static_cast<int>(page) : INT_MAX;
    }
    load(page_index_);
    return row_of_condition(::record_condition(shape_, key));
}

int TablePage::show_found_record(const std::string& condition) {
    load(page_index_);
    return row_of_condition(condition);
}

void TablePage::show_after_deletion() {
    // The record and the blank row were all the page held: show the one before.
    if (row_count() <= 2) {
        page_index_ = std::max(0, page_index_ - 1);
    }
    load(page_index_);
}

const std::string& TablePage::cell_text(int row, int column) const {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0) {
        return kNoText;
    }
    const std::vector<std::string>& cells = rows_[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)]
                                                           : kNoText;
}

void TablePage::set_cell_text(int row, int column, const std::string& text) {
    if (row < 0 || static_cast<std::size_t>(row) >= rows_.size() || column < 0 ||
        column > column_count()) {
        return;
    }
    std::vector<std::string>& cells = rows_[static_cast<std::size_t>(row)];
    if (cells.size() <= static_cast<std::size_t>(column)) {
        cells.resize(static_cast<std::size_t>(column) + 1);
    }
    cells[static_cast<std::size_t>(column)] = text;
}

std::string TablePage::record_condition(int row) const {
    if (row < 0 || row >= row_count() || is_blank_row(row)) {
        return std::string();
    }
    switch (shape_.identity) {
        case RecordIdentity::rowid:
            return ::record_condition(shape_, {cell_text(row, 0)});
        case RecordIdentity::primary_key:
        case RecordIdentity::values:
            if (static_cast<std::size_t>(row) < row_keys_.size()) {
                return ::record_condition(shape_, row_keys_[static_cast<std::size_t>(row)]);
            }
            break;
        case RecordIdentity::none:
            break;
    }
    return std::string();
}

int TablePage::row_of_condition(const std::string& condition) const {
    if (condition.empty()) {
        return -1;
    }
    const int records = record_count();
    for (int row = 0; row < records; ++row) {
        if (record_condition(row) == condition) {
            return row;
        }
    }
    return -1;
}

int TablePage::row_of_record(RowId rowid) const {
    if (shape_.identity != RecordIdentity::rowid) {
        return -1;
    }
    const std::string text = format_rowid(rowid);
    const int records = record_count();
    for (int row = 0; row < records; ++row) {
        if (cell_text(row, 0) == text) {
            return row;
        }
    }
    return -1;
}
