#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/record_view.h"
#include "db/table_shape.h"

// One page of a table's records as the grid shows them. A page holds what a cell
// can show, not what the database holds: a text gives its first bytes, a BLOB only
// its size, so the memory and the time of a page do not grow with its values.
// Whoever needs a whole value (an edit, the text dialog) reads that one value.

// The bytes of a text that a page keeps: enough for every character a cell shows
// (a cell shows at most 254 bytes' worth, as text_weight counts them; no character
// takes more than three bytes of UTF-8 for each byte it counts).
constexpr std::size_t kPageTextBytes = 1024;

// The first bytes of a BLOB that a page keeps, where the record has a row id:
// enough to tell a picture's kind by its signature.
constexpr std::size_t kBlobHeadBytes = 12;

struct PageValue {
    enum class Kind { null, value, blob };
    Kind kind = Kind::null;
    // A number or a text (UTF-8), cut before a lead byte after kPageTextBytes.
    std::string text;
    // The size of a BLOB.
    long long blob_bytes = 0;
    // A BLOB's first kBlobHeadBytes (fewer when it is shorter); empty where they
    // could not be read without reading the rest.
    std::string head;
};

struct PageRecord {
    // The fields that identify the record, as record_page_sql gives them.
    std::vector<std::string> identity;
    // One value for each column of the shape.
    std::vector<PageValue> values;
    // The record's values of the view's sort keys, as SQL literals (none when the
    // view has no order): with the identity, where a sorted page starts.
    std::vector<std::string> order_values;
};

// Reads the `count` records from `offset` on, in the table's order. False when the
// read failed (the database's message tells why); `records` then holds nothing.
bool read_record_page(sqlite3* db,
                      const std::string& table,
                      const TableShape& shape,
                      std::int64_t offset,
                      int count,
                      std::vector<PageRecord>& records);
// The same from where `start` says, in the table's order whichever way it reads.
bool read_record_page(sqlite3* db,
                      const std::string& table,
                      const TableShape& shape,
                      const PageStart& start,
                      int count,
                      std::vector<PageRecord>& records);

// The same for the records that a view selects, in its order (ties in the table's
// own order). `start` gives the offset among them, or a record of the view's
// order (its identity and order_values) to start next to.
bool read_record_page(sqlite3* db,
                      const std::string& table,
                      const TableShape& shape,
                      const RecordView& view,
                      const PageStart& start,
                      int count,
                      std::vector<PageRecord>& records);

// What tells whether a database may have changed since a page was read: every
// commit to it, by this connection or another (the pager's data version, which
// each read brings up to date without a read of its own; VACUUM and a change of
// the tables commit too), and the changes this connection made. Taken inside a
// transaction it is never `valid`: a rollback takes back changes without a trace.
struct DatabaseStamp {
    bool valid = false;
    unsigned data_version = 0;
    std::int64_t own_changes = 0;

    bool same_as(const DatabaseStamp& other) const {
        return valid && other.valid && data_version == other.data_version &&
               own_changes == other.own_changes;
    }
};
// The stamp as of the connection's last read of its main database: a commit by
// another connection shows only once a statement has read since.
DatabaseStamp read_database_stamp(sqlite3* db);
