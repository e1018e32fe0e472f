#pragma once

#include <sqlite3.h>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

// A table's definition as the structure editor holds it, and its creation. Names
// and types are UTF-8, as the database holds them, every character as it is, and
// held whole: a name cut short would name another column.

struct ColumnDef {
    // The column's exact name in the table the list was loaded from; empty for a
    // column added in the editor. The rebuild finds the column's values by it.
    std::string source_name;
    std::string name;
    // The declared type, free text (the user's own SQL), possibly empty.
    std::string type;
};

// The types offered for a column, in the order shown; the first is the type of a
// newly added column.
constexpr std::array<const char*, 4> kTypeChoices = {"TEXT", "NUMERIC", "BLOB",
                                                     "INTEGER PRIMARY KEY"};

// The caption of the structure editor's messages about what it was given or could not
// change (the grid's edits say "入力エラー" instead).
constexpr const char kStructureErrorCaption[] = "エラー";
constexpr const char kNoTableNameText[] = "テーブル名が未入力です";
constexpr const char kNoColumnsText[] = "カラム設定がありません";

// What a refused or failed change tells the user: the text (UTF-8, as it may quote
// names and the database's words) and caption (the program's own) of an OK box
// with the information icon.
struct StructureError {
    std::string text;
    std::string caption;
    // The rebuild step that failed (1 to 6); 0 outside the steps.
    int step = 0;
};

// The default name of a column added to a list of `count` columns: column00,
// column01, ... column99, column100. A count, not a counter, so it may repeat a
// name still in the list.
std::string default_column_name(std::size_t count);

// "create table <name> (<name> <type>, ...);" with the names quoted and the types
// as the user wrote them.
std::string create_table_sql(const std::string& table_name, const std::vector<ColumnDef>& columns);

// A column as the database describes it. The type shown for the table's INTEGER
// PRIMARY KEY (the column that holds the row ids) is its declared type with
// " PRIMARY KEY", so that the editor offers it as it is and leaves it so.
struct TableColumn {
    ColumnDef column;
    bool generated = false;
    bool rowid_key = false;
};

constexpr const char kPrimaryKeySuffix[] = " PRIMARY KEY";

// Reads the columns of the table named exactly `table_name` (UTF-8) in their
// order, generated ones included, with source_name = name. A table that does not
// exist gives an empty list. False, with `columns` untouched, when the column list
// cannot be read.
bool read_table_columns(sqlite3* db,
                        const std::string& table_name,
                        std::vector<TableColumn>& columns);

// The same as the editor lists them.
bool load_table_columns(sqlite3* db,
                        const std::string& table_name,
                        std::vector<ColumnDef>& columns);

// Checks the name and the list (in that order, before anything is sent) and
// creates the table. False with `error` filled when the input is refused or the
// database refuses the statement.
bool create_table(sqlite3* db,
                  const std::string& table_name,
                  const std::vector<ColumnDef>& columns,
                  StructureError& error);
