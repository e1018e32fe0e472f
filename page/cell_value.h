#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>

#include "db/sql_text.h"

// What an edit of one grid cell reads and writes, apart from any window: the
// value as it is stored (with its kind), whether it may be edited as text, and
// the writes that report how many records they reached.

enum class ValueKind { unknown, null, integer, real, text, blob };

// One cell of one record: the table, the column, and how the record is found.
// Names and the condition are the database's own (UTF-8).
struct CellAddress {
    std::string table;
    std::string column;
    RowId rowid = 0;
    std::string rowid_name = "rowid";
    // The condition that finds the record (a table without row ids gives its key);
    // without one, the row id does.
    std::string condition;
    // False for a table without row ids: a write then reports no row id.
    bool has_rowid = true;

    std::string where() const;
};

struct CellValue {
    ValueKind kind = ValueKind::unknown;
    // The stored bytes: UTF-8 for text (what an edit shows), the number's text
    // for numbers, the bytes of a BLOB.
    std::string stored;
};

enum class ReadOutcome { found, missing, failed };

// Reads the cell's whole value. `missing` when no record meets the address,
// `failed` when the statement cannot run (nothing is known then).
ReadOutcome read_cell_value(sqlite3* db, const CellAddress& cell, CellValue& value);

enum class EditRefusal { none, binary, unrepresentable };

// Whether the value may be edited as text: a BLOB never, and a text only when an
// editor can hold it as stored (valid UTF-8 without a zero byte), so that an edit
// can write back nothing but what the user changed.
EditRefusal edit_refusal(const CellValue& value);

// A number as SQLite's parser reads a literal: an optional sign, digits with at
// most one decimal point, and an optional exponent. No blanks, no hexadecimal.
bool is_number_literal(std::string_view text);

// The SQL literal for a typed text (UTF-8). A number keeps its kind where the cell
// held a number, or, in a column without a declared type, held nothing yet
// (`previous` null or unknown); every other text is written as text.
std::string value_literal(std::string_view text, ValueKind previous, bool column_has_declared_type);

// UPDATE of one cell that names the record's row id afterwards (UTF-8; the
// literal must be UTF-8 too).
std::string update_value_sql(const CellAddress& cell, std::string_view literal);

enum class WriteOutcome {
    written,
    // The statement ran but reached no record (deleted meanwhile, or a trigger
    // skipped the change).
    no_record,
    // The condition found more than one record: nothing was written.
    several,
    failed,
};

struct WriteResult {
    WriteOutcome outcome = WriteOutcome::failed;
    // The record's row id after the write: a new key changes it.
    RowId rowid = 0;
};

// Writes the literal into the cell. On failure the database's message is left
// for the report.
WriteResult update_cell_value(sqlite3* db, const CellAddress& cell, std::string_view literal);

// Deletes the records that meet the condition (UTF-8); `no_record` when there
// was none to delete.
WriteOutcome delete_record_where(sqlite3* db,
                                 const std::string& table,
                                 const std::string& condition);

// Runs `write_sql` (UTF-8), a statement on a view that its INSTEAD OF trigger
// carries out. SQLite counts no change for such a statement, so with a condition
// the records it finds are counted first, in the same savepoint as the write:
// nothing is written unless it finds exactly one. A write that fails is undone
// whole (a trigger may have written part of it), and the database's message
// (UTF-8) is kept in `message`, as undoing overwrites the connection's.
WriteOutcome write_through_view(sqlite3* db,
                                const std::string& view,
                                const std::string& condition,
                                const std::string& write_sql,
                                std::string& message);
