#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

// What the grid needs to know of a table to list its records and find one again.
// Names here are the database's own (UTF-8), so that statements reach exactly the
// table and column meant, and the screen shows them as they are.

struct TableName {
    std::string name;   // exact, UTF-8
    std::string shown;  // UTF-8: the name, and kViewMark after a view's
    bool view = false;
};

// What follows a view's name in the table list (the program's own text, in the
// ANSI code page).
constexpr const char kViewMark[] = " (ビュー)";

// The tables of the main database (internal ones included) in the catalogue's
// order of names, then its views; false when the catalogue could not be read.
bool read_tables(sqlite3* db, std::vector<TableName>& tables);

// How a statement finds one record again (record_identity.h has what each kind
// asks of a statement).
enum class IdentityKind {
    rowid,        // by the row id
    primary_key,  // by every column of the primary key (a table WITHOUT ROWID)
    values,       // by every value the record shows (a view, which has no key)
    none,         // not at all: the table can only be read
};

struct ShapeColumn {
    std::string name;  // exact, UTF-8
    std::string type;  // the declared type, UTF-8, possibly empty
    bool generated = false;
    bool not_null = false;
    bool has_default = false;
    // Place in the primary key, from 1; 0 for a column outside it.
    int key_position = 0;
    // In a view: an INSTEAD OF UPDATE trigger takes a change of this column.
    bool view_updates = false;
    // An index or key orders it by a collation the program has only a stand-in
    // for: a filter reads it without the indexes, which keep the file's order.
    bool stand_in_collation = false;
};

struct TableShape {
    // The columns a user sees, in the table's order; hidden columns of virtual
    // tables are left out, generated ones are kept.
    std::vector<ShapeColumn> columns;
    IdentityKind identity = IdentityKind::rowid;
    // How statements name the row id (a column may have taken "rowid").
    std::string rowid_name = "rowid";
    bool strict = false;
    bool is_virtual = false;
    // The column (1-based) that is the table's alias of rowid; 0 for none.
    int rowid_alias = 0;
    // A view is written only through its INSTEAD OF triggers.
    bool is_view = false;
    bool view_inserts = false;
    bool view_deletes = false;
    // Its key, or a column, is ordered by a collation the program has only a
    // stand-in for (see stand_in_collation.h).
    bool stand_in_order = false;

    // Indexes into `columns` of the primary key's columns, in key order.
    std::vector<std::size_t> key_columns() const;
};

// Reads the shape of a table named exactly `table` (UTF-8); false when its
// columns cannot be read or it has none.
bool read_table_shape(sqlite3* db, const std::string& table, TableShape& shape);

// Whether a table with row ids takes its primary key for its row id: a key of one
// column declared exactly INTEGER, with no index of its own. A key declared
// "INTEGER PRIMARY KEY DESC" has one, and is an ordinary column.
bool key_is_rowid_alias(const std::string& key_type, int key_columns, bool key_has_index);

// The number of records of a table (UTF-8 name); 0 when it cannot be counted.
// Only reads: a failure gives no message.
std::int64_t count_table_rows(sqlite3* db, const std::string& table);

// The text (UTF-8) a column's header shows: name, declared type and a mark for a
// generated column.
std::string column_header(const ShapeColumn& column);

// One page of records in the table's own order (row id, primary key, or a view's
// own). Each row starts with the fields that identify the record (the row id, each
// key column as an SQL literal, every column of a view as a literal of its whole
// value; none when the table has no identity), followed by
// the shape's columns as a cell shows them: a BLOB as a BLOB of the digits of
// its size, a text by its first 1024 characters, or, in a table with row ids, a
// text longer than 1024 bytes as an empty BLOB (read_record_page reads its first
// bytes). A NULL identifying field reads as an empty text.
std::string record_page_sql(const std::string& table,
                            const TableShape& shape,
                            std::int64_t offset,
                            int count);
// The fields of a row of record_page_sql, identifying fields first.
std::string record_fields(const TableShape& shape);
// The table's own order (record_identity's order, each term followed by
// `direction`); empty where it has none of its own.
std::string identity_order(const TableShape& shape, const char* direction);

// Where a page's records start: at an offset in the table's order, or next to a
// record already read, which costs a page however deep the table.
struct PageStart {
    enum class From {
        offset,  // the records from `offset` on
        at,      // the record with `identity` and those after it
        after,   // the records after the one with `identity`
        before,  // the records before it, nearest first (the caller turns them round)
    };
    From from = From::offset;
    std::int64_t offset = 0;
    // The identifying fields of the record, as record_page_sql gives them.
    std::vector<std::string> identity;
    // In a sorted view: the record's values of the sort keys (PageRecord).
    std::vector<std::string> order_values;
};
std::string record_page_sql(const std::string& table,
                            const TableShape& shape,
                            const PageStart& start,
                            int count);
