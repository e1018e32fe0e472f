#pragma once

#include <sqlite3.h>

#include <string>

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
    // Runs a statement written in the ANSI code page.
    bool run_ansi(sqlite3* db, const std::string& ansi_sql);

    int rows() const { return rows_; }
    int columns() const { return columns_; }
    // Row 0 is the first row of data; a NULL value is a null pointer.
    const char* value(int row, int column) const { return data_[(row + 1) * columns_ + column]; }
    const char* header(int column) const { return data_[column]; }
    int code() const { return code_; }
    void reset();

private:
    char** data_ = nullptr;
    int rows_ = 0;
    int columns_ = 0;
    int code_ = SQLITE_OK;
};

// Runs a statement written in the ANSI code page with sqlite3_exec; returns the
// SQLite result code (SQLITE_MISUSE when there is no connection).
int exec_ansi(sqlite3* db, const std::string& ansi_sql);
// Runs UTF-8 text with sqlite3_exec, the same way.
int exec_utf8(sqlite3* db, const std::string& utf8_sql);
