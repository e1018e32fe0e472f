#pragma once

#include <sqlite3.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "db/filter_value.h"

// The result of sqlite3_get_table, released when the object goes.
class ResultTable {
public:
    ResultTable() = default;
    ResultTable(const ResultTable&) = delete;
    ResultTable& operator=(const ResultTable&) = delete;
    ~ResultTable() { reset(); }

    // Runs the UTF-8 text; false (and no table) when it fails or when there is no
    // connection to run it on.
    bool run(sqlite3* db, const std::string& utf8_sql);
    // As run (every statement of the text, rows gathered the same way), and
    // remembers which values are BLOBs and how long they are: their text would
    // show only the bytes before the first zero.
    bool run_typed(sqlite3* db, const std::string& utf8_sql);
    // As run_typed, with `values` bound to the parameters ?1, ?2, ... of each
    // statement (those it has; the rest are left unbound).
    bool run_typed(sqlite3* db,
                   const std::string& utf8_sql,
                   const std::vector<FilterValue>& values);

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    // Row 0 is the first row of data; a NULL value is a null pointer.
    const char* value(int row, int column) const { return data_[(row + 1) * columns_ + column]; }
    const char* header(int column) const { return data_[column]; }
    // After run_typed: the size of a BLOB value, -1 for any other value.
    long long blob_size(int row, int column) const;
    int code() const { return code_; }
    // A failure of run_typed's own (statements whose columns do not agree); empty
    // when the database's message tells what went wrong.
    const std::string& message() const { return message_; }
    void reset();

private:
    // Values of run_typed, owned here; data_ then points into `pointers_`.
    std::vector<std::string> cells_;
    std::vector<char> is_null_;
    std::vector<long long> blob_sizes_;
    std::vector<char*> pointers_;
    std::string message_;
    bool from_get_table_ = false;
    char** data_ = nullptr;
    int rows_ = 0;
    int columns_ = 0;
    int code_ = SQLITE_OK;
};

// Steps every statement of the UTF-8 text in turn, as sqlite3_exec would, and
// hands over each row. `on_columns` comes before the first row, with the statement
// that gives it (and for a statement without rows when the connection reports
// empty results); every later statement that gives rows must have as many
// columns, or the run fails with `message` set. The SQLite result code
// (SQLITE_MISUSE without a connection).
int step_statements(sqlite3* db,
                    const std::string& utf8_sql,
                    const std::function<void(sqlite3_stmt*)>& on_columns,
                    const std::function<void(sqlite3_stmt*)>& on_row,
                    std::string& message);
// The same with `values` bound to each statement's parameters.
int step_statements(sqlite3* db,
                    const std::string& utf8_sql,
                    const std::vector<FilterValue>& values,
                    const std::function<void(sqlite3_stmt*)>& on_columns,
                    const std::function<void(sqlite3_stmt*)>& on_row,
                    std::string& message);

// The same for a reader that writes the rows out as they come: the columns are
// those of the first statement that has any, whether it gives rows or not, and
// every later one must agree with it; `on_row` returns false to stop the run,
// which then ends with SQLITE_ABORT.
int stream_statements(sqlite3* db,
                      const std::string& utf8_sql,
                      const std::vector<FilterValue>& values,
                      const std::function<void(sqlite3_stmt*)>& on_columns,
                      const std::function<bool(sqlite3_stmt*)>& on_row,
                      std::string& message);

// Binds a filter's values to a statement's parameters (?1, ?2, ...), as far as it
// has room for them. The SQLite result code.
int bind_filter_values(sqlite3_stmt* statement, const std::vector<FilterValue>& values);

// Runs UTF-8 text that must be exactly one statement: when the text holds
// anything after it but blanks and comments, nothing runs, `more` is set and
// SQLITE_ERROR returned.
int exec_single_utf8(sqlite3* db, const std::string& utf8_sql, bool& more);

// How a BLOB value shows in a cell: its size, never its bytes.
std::string blob_cell_text(long long bytes);

// Runs UTF-8 text with sqlite3_exec; returns the SQLite result code
// (SQLITE_MISUSE when there is no connection).
int exec_utf8(sqlite3* db, const std::string& utf8_sql);
