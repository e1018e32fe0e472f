#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/paging.h"
#include "db/record_page.h"
#include "db/sql_text.h"
#include "db/table_shape.h"
#include "page/page_request.h"

// The table the main window shows and the page of it on screen, apart from any
// window: the one place that knows which table, which page, what each row shows
// and which record each row stands for. The grid copies it into its list, the
// main window its label and buttons; edits and deletions read pages through it.
class TablePage {
public:
    // What column 0 of the blank row shows.
    static constexpr const char kBlankRowText[] = "*";

    // Takes the table named exactly `table` (UTF-8) of an open database and reads
    // its shape, which holds for as long as the table stays open. Page 0, no rows
    // yet. False, with nothing open, when its columns cannot be read.
    bool open(sqlite3* db, const std::string& table);
    // Forgets the table, its page and the connection.
    void close();
    bool is_open() const { return db_ != nullptr; }

    // Reads page `page_index` (never below 0): its records, the table's number of
    // records and, on the table's last page, the blank row for a new record. False
    // when the records could not be read; the page then holds no row.
    bool load(int page_index);
    // Reads the page a request asks for (its table open already), from the records
    // it names; the list row of the record it asks to select, or -1.
    int read(const PageRequest& request);
    // Takes the records the next reads come from; a change starts afresh at
    // `page_index`.
    void take_records(const RecordView& records);
    // Drops the rows (the page could not be shown whole); table and page index stay.
    void drop_rows();

    // Reads the page again. The list row of the record with this row id, or -1.
    int show_record(RowId rowid);
    // The same for a record just added: a full last page gives way to the next.
    int show_added_record(RowId rowid);
    // Reads the page that holds the record with these key literals (a table
    // without row ids). Its list row, or -1 when it cannot be found.
    int show_keyed_record(const std::vector<std::string>& key_literals);
    // Reads the page again. The list row of the record this condition finds, or -1.
    int show_found_record(const std::string& condition);
    // Reads the page again after a record on it was deleted: the page before
    // when that record was all it held.
    void show_after_deletion();

    sqlite3* database() const { return db_; }
    // The records the page is taken from, in their order: the user's filters and
    // sort keys (plain: the whole table in its own order).
    const RecordView& records() const { return records_; }
    // The table's exact (UTF-8) name, which every statement uses.
    const std::string& table() const { return table_; }
    const TableShape& shape() const { return shape_; }
    int page_index() const { return page_index_; }
    // What the page label and the paging buttons show.
    PageView view() const { return page_view(page_index_, table_rows_); }
    // No record of the table can be found again: it is shown, never changed.
    bool read_only() const;
    // Whether the blank row may add a record: a view only through its trigger.
    bool takes_new_records() const {
        return !read_only() && (!shape_.is_view || shape_.view_inserts);
    }
    // The database's message (UTF-8) when the last open or load could not read
    // the table; empty after one that could.
    const std::string& read_error() const { return read_error_; }
    int column_count() const { return static_cast<int>(shape_.columns.size()); }

    // The rows of the page: its records, then the blank row if it has one.
    int row_count() const { return static_cast<int>(rows_.size()); }
    int record_count() const { return blank_row_ >= 0 ? blank_row_ : row_count(); }
    // The list row of the blank row, or -1 when the page has none.
    int blank_row() const { return blank_row_; }
    bool is_blank_row(int row) const { return row >= 0 && row == blank_row_; }
    // What a cell shows (column 0: the row id, the record's number in a table
    // without row ids, or "*"), in UTF-8; empty outside the page.
    const std::string& cell_text(int row, int column) const;
    // Puts a text (UTF-8, at most a cell's worth) into one cell of the page.
    void set_cell_text(int row, int column, const std::string& text);
    // Whether a row (or any row of the page) holds a character beyond the basic
    // plane (𠮷, emoji): the list cannot draw such a cell by itself.
    bool row_beyond_basic_plane(int row) const;
    bool any_row_beyond_basic_plane() const { return beyond_basic_plane_rows_ > 0; }

    // The condition (UTF-8) that finds the record of row `row`; empty for the blank
    // row and when the table cannot identify a record.
    std::string record_condition(int row) const;
    // The row of the record that this condition finds, or -1.
    int row_of_condition(const std::string& condition) const;
    // The row of the record with this row id, or -1 when it is not on the page.
    int row_of_record(RowId rowid) const;

private:
    // Where a page read starts and ends, and when: the next or the previous page is
    // read from there while the database is as it was.
    struct PageAnchors {
        DatabaseStamp stamp;
        int page = -1;
        std::vector<std::string> first;
        std::vector<std::string> last;
        // Their values of the sort keys.
        std::vector<std::string> first_order;
        std::vector<std::string> last_order;
        // Records follow the page.
        bool more = false;
    };
    PageStart page_start(const PageAnchors& shown, const DatabaseStamp& now) const;

    sqlite3* db_ = nullptr;
    std::string table_;
    RecordView records_;
    TableShape shape_;
    int page_index_ = 0;
    // The table's number of records as far as the page tells: exact on its last
    // page, one past the page's end on any other.
    std::int64_t table_rows_ = 0;
    PageAnchors anchors_;
    // The cells of each row, column 0 first.
    std::vector<std::vector<std::string>> rows_;
    // For each row: one of its cells holds a character beyond the basic plane.
    std::vector<char> beyond_basic_plane_;
    int beyond_basic_plane_rows_ = 0;
    // The identity of each record row (record_identity.h).
    std::vector<std::vector<std::string>> row_keys_;
    std::string read_error_;
    int blank_row_ = -1;
};
