#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The text of a CREATE TABLE statement as the database keeps it, taken apart at
// the places a restructuring changes: the column definitions, each column's
// declared type, and the table constraints. Everything else (comments, spacing,
// the constraints of each column, the options after the list) is carried over
// as written. Works on bytes, so UTF-8 text stays whole.

struct SqlToken {
    enum Kind { kWord, kQuotedName, kString, kOther };
    Kind kind;
    std::size_t begin;
    std::size_t end;
};

// SQLite's tokens in order, without blanks and comments: words (keywords, bare
// names, numbers), names in "", `` or [], strings in '', and single characters.
// An unterminated quote or comment runs to the end of the text.
std::vector<SqlToken> sql_tokens(std::string_view sql);

// A name token as the database reads it: quotes removed, doubled quotes single.
std::string sql_token_name(std::string_view sql, const SqlToken& token);

struct ColumnSql {
    std::string name;
    // The whole definition, from the name to its last constraint.
    std::size_t begin = 0;
    std::size_t end = 0;
    // The declared type; an empty span just after the name when there is none.
    std::size_t type_begin = 0;
    std::size_t type_end = 0;
    bool generated = false;
};

struct TableConstraintSql {
    std::size_t begin = 0;
    std::size_t end = 0;
};

struct TableSql {
    std::string sql;
    // Just after "(" and at ")" of the definition list.
    std::size_t list_begin = 0;
    std::size_t list_end = 0;
    std::vector<ColumnSql> columns;
    std::vector<TableConstraintSql> constraints;
};

// False for any text that is not "CREATE [TEMP] TABLE name (...)" with at least
// one column, such as a virtual table's statement.
bool parse_create_table(std::string_view sql, TableSql& table);

// What becomes of one column of the table in a rebuild.
struct ColumnEdit {
    // Index into TableSql::columns.
    std::size_t column = 0;
    // Empty to keep the definition's type as written.
    bool retype = false;
    std::string type;
    // Takes an inline PRIMARY KEY (with its order, conflict clause and
    // AUTOINCREMENT) out of the definition.
    bool drop_primary_key = false;
};

// The statement with the columns in `edits` (in their order; columns not named
// are left out), each keeping its definition but for the edit, and the table
// constraints whose index is not in `dropped_constraints`. Without changes the
// text comes back exactly as it was.
std::string edited_create_table(const TableSql& table,
                                const std::vector<ColumnEdit>& edits,
                                const std::vector<std::size_t>& dropped_constraints);

// True when one of the names, bare or quoted, stands in the text (strings and
// comments do not count); compared as SQLite compares names.
bool sql_names_any(std::string_view sql, const std::vector<std::string>& names);
