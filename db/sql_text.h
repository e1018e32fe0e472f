#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Building SQL text. Everything here works on bytes and does not care about the
// encoding: names and values in the ANSI code page give a statement in the ANSI
// code page, which is converted to UTF-8 before it is run.

using RowId = std::int64_t;

// Letters A-Z in either case, every other byte exactly: for comparing a name
// with an ASCII keyword or name (a lead byte of a double-byte character never
// matches an ASCII letter, so such a name never equals one).
bool equals_ignoring_ascii_case(std::string_view a, std::string_view b);

// A name from the database as an SQL identifier: in double quotes, with every
// double quote inside doubled, so that any name works and none can add SQL.
std::string quote_identifier(std::string_view name);

// A value as an SQL string literal: in single quotes, every single quote doubled.
std::string quote_value(std::string_view value);

// The grid's row id text: at least five digits, zero-padded after the sign
// (42 -> 00042, -5 -> -0005), longer numbers whole.
std::string format_rowid(RowId rowid);

// The decimal value at the start of a text (leading blanks and zeros ignored): a
// row id, a count, a flag of a PRAGMA's answer. 0 when the text does not start
// with a number. Out-of-range values saturate.
std::int64_t parse_integer(const char* text);

// The condition that finds the record with this row id: "rowid = 42".
std::string rowid_condition(std::string_view rowid_name, RowId rowid);

// The name by which statements reach a table's row id: "rowid", unless the table
// has a column of that name (which would then be meant), else "_rowid_" or "oid".
// When all three are taken by columns, "rowid" is returned.
std::string_view rowid_name_for(const std::vector<std::string>& column_names);

std::string count_sql(std::string_view table);
std::string drop_table_sql(std::string_view table);
std::string drop_view_sql(std::string_view view);

// Tables by name, then views by name: name and "table" or "view".
constexpr const char kTableListSql[] =
    "SELECT name, type FROM sqlite_master WHERE type IN ('table', 'view') "
    "ORDER BY type = 'view', name;";
