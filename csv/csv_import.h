#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "csv/csv_export.h"

// Importing a CSV file into a new or an existing table: every record in one
// transaction (a savepoint, so that it also works inside a transaction the user
// left open), so that a fault anywhere leaves the database as it was.

struct CsvImportOptions {
    FileEncoding encoding = FileEncoding::shift_jis;
    char separator = ',';
    bool column_names = true;
    // A new table of this (UTF-8) name, or else the existing table of this name.
    bool new_table = true;
    std::string table;
    // New table only: a column whose every value is an integer (or a number) gets
    // that type and its values go in as numbers; otherwise every value is text.
    bool typed_columns = false;
};

struct CsvImportOutcome {
    enum Status {
        imported,
        empty_file,
        // An unclosed quote or a stray one (`line`).
        malformed,
        // Bytes not valid in the chosen encoding (`line`).
        not_encoded,
        // A record with another number of fields than the first (`line`,
        // `expected`, `found`).
        wrong_field_count,
        // The file's fields and the existing table's columns differ in number.
        column_count_differs,
        stopped,
        sql_failed,
        file_failed,
    };
    Status status = imported;
    std::int64_t rows = 0;
    std::int64_t line = 0;
    std::size_t expected = 0;
    std::size_t found = 0;
    std::string message;
};

// Reads, checks and inserts every record in one pass through the file; at the
// first fault the savepoint is rolled back, so that nothing is added (nor the new
// table made). `progress` is told the records inserted so far, every few thousand.
CsvImportOutcome import_csv(sqlite3* db,
                            const std::string& path,
                            const CsvImportOptions& options,
                            const CsvProgress& progress = {});

// The column names a new table gets: the first line's fields (blank ones and
// repeats made unique), or column01, column02, ...
std::vector<std::string> csv_column_names(const std::vector<std::string>& first_line,
                                          std::size_t count,
                                          bool from_first_line);

// The type a column gets when its values are typed: INTEGER when every value is
// a whole number written without leading zeros, REAL when every value is such a
// number with a fraction, else TEXT. Empty (NULL) values are left out.
enum class CsvColumnType { integer, real, text, none };
CsvColumnType csv_value_type(const std::string& value);
