#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "db/file_encoding.h"
#include "db/record_view.h"
#include "db/table_shape.h"

// Writing the rows of a query to a CSV file. The rows are read from the database
// as the file is written, one at a time, so a table of any size goes out in
// bounded memory. The file appears under its name only when it is complete: it is
// written beside it under another name and renamed at the end.

struct CsvExportOptions {
    FileEncoding encoding = FileEncoding::shift_jis;
    char separator = ',';
    bool column_names = true;
};

struct CsvExportOutcome {
    enum Status {
        written,
        // Values that Shift-JIS cannot hold were found; no file was written.
        not_representable,
        // Stopped by the user (Esc); no file was written.
        stopped,
        // The text holds a statement that would change the database: running it
        // again to read its rows would change it once more, so nothing ran.
        not_read_only,
        // A statement failed (`message` holds the database's words, UTF-8).
        sql_failed,
        // The file could not be written or renamed.
        file_failed,
    };
    Status status = written;
    std::int64_t rows = 0;
    // The values (column names included) that Shift-JIS cannot hold.
    std::int64_t unrepresentable = 0;
    std::string message;
};

// Called now and then with the rows written so far.
using CsvProgress = std::function<void(std::int64_t rows)>;

// Runs the UTF-8 SQL text (every statement of it; those that give rows must agree
// on their columns) and writes its rows to `path` (UTF-8, like every path).
// Stops when run_watch says so.
// `values` are bound to each statement's parameters.
CsvExportOutcome export_csv(sqlite3* db,
                            const std::string& utf8_sql,
                            const std::string& path,
                            const CsvExportOptions& options,
                            const CsvProgress& progress = {},
                            const std::vector<FilterValue>& values = {});

// Whether the text can be exported, before anything is asked or runs: `written`
// when it can, else not_read_only or sql_failed (with the database's message).
CsvExportOutcome check_csv_source(sqlite3* db, const std::string& utf8_sql);

// The statement that reads a whole table or view, by its exact (UTF-8) name.
std::string csv_table_sql(const std::string& utf8_table);
// The statement that reads the records a filter and sort show of a table, in the
// order the grid shows them; the filter's values are its parameters.
std::string csv_view_sql(const std::string& utf8_table,
                         const TableShape& shape,
                         const RecordView& view);
