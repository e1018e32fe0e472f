#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "db/catalogue.h"
#include "db/sql_text.h"

// The statements by which the grid changes a table, and the limits on the values
// it writes. Names and values are in the ANSI code page; every name goes in as a
// quoted identifier and every value as a quoted literal.

// A cell text longer than this opens the text edit dialog instead of the
// in-place editor.
constexpr std::size_t kInPlaceCellLimit = 64;
// The longest text the in-place editor writes.
constexpr std::size_t kInPlaceTextLimit = 100;
// The longest value the grid writes.
constexpr std::size_t kLongestWrittenValue = 32768;
// What a grid cell shows of a value written through the text edit dialog.
constexpr std::size_t kCellShownBytes = 254;

// The column (1-based) that is the table's alias of rowid: declared INTEGER and
// the table's only primary-key column. 0 when the table has none.
int rowid_alias_column(const std::vector<ColumnInfo>& columns);

std::string update_cell_sql(std::string_view table,
                            std::string_view column,
                            std::string_view value,
                            RowId rowid,
                            std::string_view rowid_name = "rowid");

// A new record holding `value` in column `edited_column` (1-based). Every other
// column receives the empty string, except the rowid alias (`alias_column`, 0 for
// none), which receives NULL so that SQLite chooses the next key.
std::string insert_record_sql(std::string_view table,
                              const std::vector<std::string>& columns,
                              int edited_column,
                              std::string_view value,
                              int alias_column);

// The same with the edited column's value already written as an SQL literal.
std::string insert_record_literal_sql(std::string_view table,
                                      const std::vector<std::string>& columns,
                                      int edited_column,
                                      std::string_view literal,
                                      int alias_column);

std::string delete_record_sql(std::string_view table,
                              RowId rowid,
                              std::string_view rowid_name = "rowid");

// The whole value of one cell.
std::string select_value_sql(std::string_view table,
                             std::string_view column,
                             RowId rowid,
                             std::string_view rowid_name = "rowid");
