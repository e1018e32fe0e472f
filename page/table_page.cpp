#include "page/table_page.h"

#include <algorithm>
#include <climits>

#include "db/record_identity.h"
#include "db/record_page.h"
#include "db/result_table.h"
#include "db/text_convert.h"
#include "page/cell_edit.h"
#include "page/picture_kind.h"

namespace {

const std::string kNoText;

// A character beyond the basic plane takes four bytes of UTF-8, led by 0xF0-0xF4.
bool beyond_basic_plane(const std::string& text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0xF0) {
            return true;
        }
    }
    return false;
}

bool row_beyond_basic_plane(const std::vector<std::string>& cells) {
    for (const std::string& cell : cells) {
        if (beyond_basic_plane(cell)) {
            return true;
        }
    }
    return false;
}

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
    records_ = RecordView();
    page_index_ = 0;
    table_rows_ = 0;
    anchors_ = PageAnchors();
    read_error_.clear();
    drop_rows();
}

void TablePage::drop_rows() {
    anchors_ = PageAnchors();
    rows_.clear();
    row_keys_.clear();
    beyond_basic_plane_.clear();
    beyond_basic_plane_rows_ = 0;
    blank_row_ = -1;
}

bool TablePage::load(int page_index) {
    // What the page on screen was, for reading its neighbour from where it ends.
    const PageAnchors shown = std::move(anchors_);
    anchors_ = PageAnchors();
    drop_rows();
    page_index_ = std::max(0, page_index);
    table_rows_ = 0;
    if (!is_open()) {
        return false;
    }
    const std::int64_t offset = page_offset(page_index_);
    std::vector<PageRecord> records;
    // One record past the page tells whether another page follows, with no count
    // of the whole table.
    bool read = false;
    bool more = false;
    // A change of our own shows before the read; one by another program only in
    // what the read itself found, so the records next to the page on screen are
    // read first and taken only when nothing had changed.
    const PageStart start = page_start(shown, read_database_stamp(db_));
    if (start.from != PageStart::From::offset) {
        const bool backwards = start.from == PageStart::From::before;
        read = read_record_page(db_, table_, shape_, records_, start,
                                backwards ? kPageSize : kPageSize + 1, records) &&
               read_database_stamp(db_).same_as(shown.stamp);
        // Every page before one on screen is full: anything else means the table
        // is not as it was, and the page is read from its offset after all.
        read = read && (!backwards || records.size() == static_cast<std::size_t>(kPageSize));
        more = backwards || records.size() > static_cast<std::size_t>(kPageSize);
    }
    if (!read) {
        PageStart at_offset;
        at_offset.offset = offset;
        read = read_record_page(db_, table_, shape_, records_, at_offset, kPageSize + 1, records);
        more = records.size() > static_cast<std::size_t>(kPageSize);
    }
    if (more) {
        records.resize(static_cast<std::size_t>(kPageSize));
    }
    read_error_ = read ? std::string() : std::string(sqlite3_errmsg(db_));
    const DatabaseStamp stamp = read_database_stamp(db_);
    if (read && !records.empty() && stamp.valid && pages_by_key(shape_)) {
        anchors_.stamp = stamp;
        anchors_.page = page_index_;
        anchors_.first = records.front().identity;
        anchors_.last = records.back().identity;
        anchors_.first_order = records.front().order_values;
        anchors_.last_order = records.back().order_values;
        anchors_.more = more;
    }
    const RecordIdentity& identity = record_identity(shape_);
    rows_.reserve(records.size() + 1);
    row_keys_.reserve(records.size());
    for (std::size_t row = 0; row < records.size(); ++row) {
        PageRecord& record = records[row];
        std::vector<std::string> cells;
        cells.reserve(record.values.size() + 1);
        cells.push_back(
            identity.row_label(record.identity, offset + static_cast<std::int64_t>(row) + 1));
        row_keys_.push_back(std::move(record.identity));
        for (PageValue& value : record.values) {
            if (value.kind == PageValue::Kind::blob) {
                // Binary data shows as what it is, not as the text before its first zero.
                const PictureKind kind = picture_kind(
                    reinterpret_cast<const unsigned char*>(value.head.data()), value.head.size());
                cells.push_back(to_utf8(kind == PictureKind::none
                                            ? blob_cell_text(value.blob_bytes)
                                            : "(" + std::string(picture_kind_name(kind)) + " " +
                                                  short_byte_size(value.blob_bytes) + ")"));
            } else {
                // Kept as read (UTF-8), up to a cell's worth: the screen shows the
                // characters the database holds. A cut never splits a character.
                value.text.resize(cut_to_weight(value.text, kCellShownBytes));
                cells.push_back(std::move(value.text));
            }
        }
        const bool beyond = ::row_beyond_basic_plane(cells);
        beyond_basic_plane_.push_back(beyond ? 1 : 0);
        beyond_basic_plane_rows_ += beyond ? 1 : 0;
        rows_.push_back(std::move(cells));
    }
    // The label and the blank row need only know whether the table ends on this
    // page, and where. A page past the end (records another program deleted) and
    // one that could not be read count the table, as the label always showed it.
    const std::int64_t on_page = static_cast<std::int64_t>(records.size());
    if (!read || (records.empty() && page_index_ > 0)) {
        table_rows_ = std::max<std::int64_t>(0, count_view_records(db_, table_, shape_, records_));
    } else {
        table_rows_ = offset + on_page + (more ? 1 : 0);
    }
    // A table whose records cannot be found again takes none from the grid, nor
    // does a view without a trigger that inserts.
    if (takes_new_records() && needs_blank_row(page_index_, table_rows_)) {
        blank_row_ = row_count();
        rows_.push_back({kBlankRowText});
    }
    return read;
}

PageStart TablePage::page_start(const PageAnchors& shown, const DatabaseStamp& now) const {
    PageStart start;
    start.offset = page_offset(page_index_);
    // The records are where the page on screen left them only while nothing has
    // written to the database since it was read.
    if (shown.page < 0 || !shown.stamp.same_as(now) || !pages_by_key(shape_)) {
        return start;
    }
    if (page_index_ == shown.page) {
        start.from = PageStart::From::at;
        start.identity = shown.first;
        start.order_values = shown.first_order;
    } else if (page_index_ == shown.page + 1 && shown.more) {
        start.from = PageStart::From::after;
        start.identity = shown.last;
        start.order_values = shown.last_order;
    } else if (page_index_ == shown.page - 1) {
        start.from = PageStart::From::before;
        start.identity = shown.first;
        start.order_values = shown.first_order;
    }
    return start;
}

namespace {

bool same_values(const std::vector<FilterValue>& a, const std::vector<FilterValue>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].kind != b[i].kind || a[i].text != b[i].text || a[i].integer != b[i].integer ||
            a[i].real != b[i].real) {
            return false;
        }
    }
    return true;
}

bool same_records(const RecordView& a, const RecordView& b) {
    return a.order == b.order && a.filter.condition == b.filter.condition &&
           same_values(a.filter.values, b.filter.values);
}

}  // namespace

void TablePage::take_records(const RecordView& records) {
    if (same_records(records, records_)) {
        return;
    }
    records_ = records;
    // Pages of other records: nothing of the page on screen says where they start.
    anchors_ = PageAnchors();
}

int TablePage::read(const PageRequest& request) {
    take_records(request.records);
    switch (request.place) {
        case PageRequest::Place::page:
            load(request.page_index);
            break;
        case PageRequest::Place::shown_page:
            load(page_index_);
            break;
        case PageRequest::Place::added_record:
            return show_added_record(request.rowid);
        case PageRequest::Place::keyed_record:
            return show_keyed_record(request.key_literals);
        case PageRequest::Place::after_deletion:
            show_after_deletion();
            break;
    }
    if (request.rowid >= 0) {
        return row_of_record(request.rowid);
    }
    return request.condition.empty() ? -1 : row_of_condition(request.condition);
}

int TablePage::show_record(RowId rowid) {
    load(page_index_);
    return row_of_record(rowid);
}

int TablePage::show_added_record(RowId rowid) {
    // A full last page (its records and the blank row): the new record starts
    // the next one.
    if (row_count() <= kPageSize) {
        return show_record(rowid);
    }
    const int shown = page_index_++;
    const int row = show_record(rowid);
    // A record the filter leaves out starts no page: the user stays where he was.
    if (row < 0 && record_count() == 0) {
        page_index_ = shown;
        return show_record(rowid);
    }
    return row;
}

int TablePage::show_keyed_record(const std::vector<std::string>& key_literals) {
    // The literals are what was written; the record holds them as its columns'
    // affinities made them, so its key is read back before it is looked for.
    const std::vector<std::string> key =
        read_record_identity(db_, table_, shape_, ::record_condition(shape_, key_literals));
    ResultTable before;
    // Where it lands among filtered or sorted records is not the table's order of
    // keys: the page on screen is read again.
    if (records_.plain() && !key.empty() &&
        before.run(db_, record_identity(shape_).records_before_sql(table_, shape_, key)) &&
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
    if (static_cast<std::size_t>(row) < beyond_basic_plane_.size()) {
        const char beyond = ::row_beyond_basic_plane(cells) ? 1 : 0;
        beyond_basic_plane_rows_ += beyond - beyond_basic_plane_[static_cast<std::size_t>(row)];
        beyond_basic_plane_[static_cast<std::size_t>(row)] = beyond;
    }
}

bool TablePage::row_beyond_basic_plane(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < beyond_basic_plane_.size() &&
           beyond_basic_plane_[static_cast<std::size_t>(row)] != 0;
}

bool TablePage::read_only() const {
    return !record_identity(shape_).finds_records();
}

std::string TablePage::record_condition(int row) const {
    if (row < 0 || row >= record_count() || static_cast<std::size_t>(row) >= row_keys_.size()) {
        return std::string();
    }
    return ::record_condition(shape_, row_keys_[static_cast<std::size_t>(row)]);
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
    const RecordIdentity& identity = record_identity(shape_);
    if (!identity.has_rowid()) {
        return -1;
    }
    const int records = std::min(record_count(), static_cast<int>(row_keys_.size()));
    for (int row = 0; row < records; ++row) {
        if (identity.rowid(row_keys_[static_cast<std::size_t>(row)]) == rowid) {
            return row;
        }
    }
    return -1;
}
