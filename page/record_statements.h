#pragma once

#include <string>
#include <vector>

#include "db/table_shape.h"

// Statements that reach one record through its condition (see record_condition),
// and the blank row's insert by the table's shape. Everything here is UTF-8: the
// exact table and column names, and values already converted.

std::string delete_where_sql(const std::string& table, const std::string& condition);
std::string select_value_where_sql(const std::string& table,
                                   const std::string& column,
                                   const std::string& condition);

// What a new record from the blank row gives a column the user did not type in.
enum class BlankFill {
    empty_text,  // '' as in every ordinary table
    null_value,  // NULL, so that SQLite chooses the next row id
    omitted,     // left out: its declared default, or NULL
};
// `alias` tells whether the column is the table's alias of the row id.
BlankFill blank_fill(const TableShape& shape, const ShapeColumn& column, bool alias);

// The literal column `column` (an index into shape.columns) is written with: a
// STRICT BLOB column refuses text, so a value goes in there as its bytes.
std::string column_literal(const TableShape& shape, std::size_t column, const std::string& literal);

// The literal each column of the blank row's insert receives (the typed value for
// column `edited`, an index into shape.columns, as value_literal and column_literal
// make it), empty for a column left out.
std::vector<std::string> blank_row_literals(const TableShape& shape,
                                            std::size_t edited,
                                            const std::string& value,
                                            int alias_column);

// INSERT of the literals, leaving out the columns whose literal is empty.
std::string insert_literals_sql(const std::string& table,
                                const TableShape& shape,
                                const std::vector<std::string>& literals);
