#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "db/file_encoding.h"
#include "page/cell_value.h"

// One cell's value to a file and a file into one cell, apart from any window.
// Values move in chunks through SQLite's incremental I/O where the record has a
// row id, so a value of any size costs a chunk of memory; a file appears under
// its name only when it is complete; a load is one savepoint, whole or nothing.
// Both stop when run_watch says so.

// The bytes moved at a time.
constexpr std::size_t kCellFileChunk = std::size_t{256} << 10;

struct CellFileOutcome {
    enum Status {
        done,
        stopped,            // by the user (Esc): no file written, the cell as it was
        null_value,         // the cell holds NULL: there is nothing to save
        missing,            // no record meets the address (deleted meanwhile)
        not_representable,  // a character the chosen encoding cannot hold: no file
        not_text,           // the file is not text in the chosen encoding
        too_large,          // longer than the database takes (SQLITE_LIMIT_LENGTH)
        read_only,          // the database cannot be written
        out_of_memory,      // a value read or written whole did not fit in memory
        sql_failed,         // the database refused (`message`, UTF-8)
        file_failed,        // the file could not be read, written or renamed
    };
    Status status = done;
    // The bytes written to the file, or into the cell.
    std::int64_t bytes = 0;
    std::string message;
};

// Called now and then with the bytes moved so far and all there are.
using CellFileProgress = std::function<void(std::int64_t done, std::int64_t total)>;

// Where a cell lives. `cell.rowid` must be the record's row id where
// `cell.has_rowid`; a view's record is found by `cell.condition` alone.
struct CellFileTarget {
    CellAddress cell;
    bool view = false;
};

// Writes the cell's whole value to `path` (UTF-8, like every path): a BLOB byte
// for byte, a text in `encoding`, a number as its text.
CellFileOutcome save_cell_file(sqlite3* db,
                               const CellFileTarget& target,
                               const std::string& path,
                               FileEncoding encoding,
                               const CellFileProgress& progress = {});

// Replaces the cell's value with the file's bytes, as a BLOB, or with its text
// read in `encoding` when `as_text`.
CellFileOutcome load_cell_file(sqlite3* db,
                               const CellFileTarget& target,
                               const std::string& path,
                               bool as_text,
                               FileEncoding encoding,
                               const CellFileProgress& progress = {});

// A stretch of a cell's value, as stored: its kind as typeof() names it, its
// whole length in bytes and the bytes asked for.
struct ValuePart {
    std::string type;
    std::int64_t total = 0;
    std::string bytes;
};

// Reads `count` bytes from `offset` on (fewer at the end), and no more of the
// value where the record has a row id. A number gives its text.
ReadOutcome read_value_part(sqlite3* db,
                            const CellFileTarget& target,
                            std::int64_t offset,
                            std::size_t count,
                            ValuePart& part);

// The length of the file, or -1 when it cannot be opened.
std::int64_t file_length(const std::string& path);

// Where a UTF-8 text of `size` bytes can be cut without splitting its last
// character: `size` when it ends with a whole one.
std::size_t whole_utf8_prefix(const char* utf8, std::size_t size);
