#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/table_shape.h"

// One page of a table's records as the grid shows them. A page holds what a cell
// can show, not what the database holds: a text gives its first bytes, a BLOB only
// its size, so the memory and the time of a page do not grow with its values.
// Whoever needs a whole value (an edit, the text dialog) reads that one value.

// The bytes of a text that a page keeps: enough for every character a cell shows
// (a cell shows at most 254 bytes of the ANSI code page; each character takes at
// least one of those and at most four bytes of UTF-8).
constexpr std::size_t kPageTextBytes = 1024;

struct PageValue {
    enum class Kind { null, value, blob };
    Kind kind = Kind::null;
    // A number or a text (UTF-8), cut before a lead byte after kPageTextBytes.
    std::string text;
    // The size of a BLOB.
    long long blob_bytes = 0;
};

struct PageRecord {
    // The fields that identify the record, as record_page_sql gives them.
    std::vector<std::string> identity;
    // One value for each column of the shape.
    std::vector<PageValue> values;
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

// What tells whether a database may have changed since a moment: a write by
// another connection (data_version), one of our own (the changes this connection
// made) or a change of its tables (schema_version, which VACUUM moves too, as it
// may number the records anew). Taken inside a transaction it is never `valid`:
// a rollback takes back changes without a trace in these numbers.
struct DatabaseStamp {
    bool valid = false;
    std::int64_t data_version = 0;
    std::int64_t schema_version = 0;
    std::int64_t own_changes = 0;

    bool same_as(const DatabaseStamp& other) const {
        return valid && other.valid && data_version == other.data_version &&
               schema_version == other.schema_version && own_changes == other.own_changes;
    }
};
DatabaseStamp read_database_stamp(sqlite3* db);
