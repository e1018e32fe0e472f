#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "structure/rebuild_plan.h"
#include "tests/support/test_support.h"

// The rebuild's plan from plain data: a table as the database would describe it,
// the editor's list, and the statements that come out. The database's part
// (ALTER TABLE rewriting the statement) is stood in for by the text it would
// leave.

namespace {

using Texts = std::vector<std::string>;

TableSchema schema_of(const std::string& table, const std::string& sql) {
    TableSchema schema;
    schema.table = table;
    EXPECT_TRUE(parse_create_table(sql, schema.definition)) << sql;
    for (const ColumnSql& column : schema.definition.columns) {
        const std::string type =
            schema.definition.sql.substr(column.type_begin, column.type_end - column.type_begin);
        schema.columns.push_back({{column.name, column.name, type}, false, false});
    }
    schema.schema_names = {table};
    return schema;
}

std::vector<ColumnDef> listed(const TableSchema& schema) {
    std::vector<ColumnDef> columns;
    for (const TableColumn& column : schema.columns) {
        columns.push_back(column.column);
    }
    return columns;
}

// Plans the change and runs its ALTER TABLE part on the state as a database that
// accepts every statement would, dropping the columns `drops_accepted` says.
struct Planned {
    ChangePlan plan;
    TableState state{ChangePlan()};
    Texts alters;
};

Planned plan(const TableSchema& schema,
             const std::vector<ColumnDef>& columns,
             const std::string& new_name,
             bool drops_accepted = true) {
    Planned planned;
    StructureError error;
    EXPECT_TRUE(plan_change(schema, columns, new_name, planned.plan, error)) << error.text;
    planned.state = TableState(planned.plan);
    for (const ColumnDrop& drop : column_drops(planned.plan, planned.state)) {
        planned.alters.push_back(drop.sql);
        if (drops_accepted) {
            planned.state.remove(drop.original);
        }
    }
    for (const AlterStep& step : alter_steps(planned.plan, planned.state)) {
        planned.alters.push_back(step.sql);
        apply(step, planned.state);
    }
    return planned;
}

// The copy's statements for the table whose statement ALTER TABLE left as `sql`.
Texts copy_of(const Planned& planned,
              const std::string& sql,
              const std::vector<SchemaObject>& objects = {},
              const std::optional<std::string>& counter = std::nullopt) {
    TableSql definition;
    EXPECT_TRUE(parse_create_table(sql, definition)) << sql;
    std::vector<RebuildStep> steps;
    StructureError error;
    EXPECT_TRUE(copy_steps(planned.plan, planned.state, definition, objects, counter, steps, error))
        << error.text;
    Texts texts;
    for (const RebuildStep& step : steps) {
        texts.push_back(step.sql);
    }
    return texts;
}

}  // namespace

TEST(RebuildPlan, ANewNameIsWhatTheCopyReadsAndWrites) {
    const TableSchema books =
        schema_of("books", "CREATE TABLE books(title TEXT, price NUMERIC, memo TEXT)");
    std::vector<ColumnDef> columns = listed(books);
    columns[0].type = "BLOB";
    columns[1].name = "cost";
    const Planned renamed = plan(books, columns, "books");
    EXPECT_EQ(renamed.alters,
              Texts{"ALTER TABLE main.\"books\" RENAME COLUMN \"price\" TO \"cost\";"});
    ASSERT_TRUE(needs_copy(renamed.plan, renamed.state));
    const Texts copy =
        copy_of(renamed, "CREATE TABLE books(title TEXT, \"cost\" NUMERIC, memo TEXT)");
    ASSERT_EQ(copy.size(), 6u);
    EXPECT_EQ(copy[1],
              "INSERT INTO TEMP_TABLE(rowid, \"title\", \"cost\", \"memo\") SELECT rowid, "
              "\"title\", \"cost\", \"memo\" FROM \"books\";");
    EXPECT_EQ(copy[3], "CREATE TABLE books(title BLOB, \"cost\" NUMERIC, memo TEXT)");

    // Names that trade places pass through names no column bears, or the second
    // rename would meet the first one's name.
    columns = listed(books);
    columns[0].name = "memo";
    columns[2].name = "title";
    EXPECT_EQ(plan(books, columns, "books").alters,
              (Texts{"ALTER TABLE main.\"books\" RENAME COLUMN \"title\" TO \"column_1\";",
                     "ALTER TABLE main.\"books\" RENAME COLUMN \"memo\" TO \"column_2\";",
                     "ALTER TABLE main.\"books\" RENAME COLUMN \"column_1\" TO \"memo\";",
                     "ALTER TABLE main.\"books\" RENAME COLUMN \"column_2\" TO \"title\";"}));

    // A new name that differs only in case passes through a free name too.
    TableSchema taken = books;
    taken.schema_names = {"books", "table_1", "books_title"};
    EXPECT_EQ(plan(taken, listed(books), "BOOKS").alters,
              (Texts{"ALTER TABLE main.\"books\" RENAME TO \"table_2\";",
                     "ALTER TABLE main.\"table_2\" RENAME TO \"BOOKS\";"}));
}

TEST(RebuildPlan, ADeletedColumnIsNeitherCopiedNorNamedAgain) {
    const TableSchema books =
        schema_of("books",
                  "CREATE TABLE books(id INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, memo TEXT, "
                  "CHECK (memo <> ''), UNIQUE (title))");
    const std::vector<SchemaObject> objects = {
        {"index", "by_memo", "CREATE INDEX by_memo ON books(\"memo\")"},
        {"index", "memo", "CREATE INDEX memo ON books(title)"},
        {"trigger", "stamp",
         "CREATE TRIGGER stamp AFTER INSERT ON books BEGIN UPDATE books SET memo = 'new' "
         "WHERE id = new.id; END"},
    };
    const std::vector<SchemaObject> views = {
        {"view", "memos", "CREATE VIEW memos AS SELECT [memo] FROM books"},
        {"view", "titles", "CREATE VIEW titles AS SELECT title FROM books"},
    };
    std::vector<ColumnDef> columns = listed(books);
    columns.erase(columns.begin() + 2);

    // ALTER TABLE takes the column out where the database lets it; where it
    // refuses, the copy does.
    const Planned dropped = plan(books, columns, "books");
    EXPECT_EQ(dropped.alters, Texts{"ALTER TABLE main.\"books\" DROP COLUMN \"memo\";"});
    EXPECT_FALSE(needs_copy(dropped.plan, dropped.state));
    const Planned refused = plan(books, columns, "books", false);
    ASSERT_TRUE(needs_copy(refused.plan, refused.state));
    EXPECT_EQ(copy_of(refused, books.definition.sql, objects, std::string("42")),
              (Texts{"CREATE TEMPORARY TABLE TEMP_TABLE(\"id\", \"title\");",
                     "INSERT INTO TEMP_TABLE(rowid, \"id\", \"title\") SELECT rowid, \"id\", "
                     "\"title\" FROM \"books\";",
                     "DROP TABLE \"books\";",
                     "CREATE TABLE books(id INTEGER PRIMARY KEY AUTOINCREMENT, title TEXT, "
                     "UNIQUE (title))",
                     "INSERT INTO \"books\"(rowid, \"id\", \"title\") SELECT rowid, \"id\", "
                     "\"title\" FROM TEMP_TABLE;",
                     "DELETE FROM main.sqlite_sequence WHERE name = 'books'; INSERT INTO "
                     "main.sqlite_sequence(name, seq) VALUES ('books', '42');",
                     "DROP TABLE TEMP_TABLE;", "CREATE INDEX memo ON books(title)"}));

    // With a new type there is no ALTER TABLE to try; the user is told first what
    // goes with the column.
    columns[1].type = "BLOB";
    const Planned retyped = plan(books, columns, "books");
    EXPECT_TRUE(retyped.alters.empty());
    EXPECT_EQ(copy_of(retyped, books.definition.sql)[3],
              "CREATE TABLE books(id INTEGER PRIMARY KEY AUTOINCREMENT, title BLOB, "
              "UNIQUE (title))");
    EXPECT_EQ(objects_lost(retyped.plan, books.definition, objects, views),
              (Texts{utf8_of("インデックス by_memo（削除されます）"),
                     utf8_of("トリガー stamp（削除されます）"),
                     utf8_of("制約 CHECK (memo <> '')（削除されます）"),
                     utf8_of("ビュー memos（使えなくなります）")}));
}

TEST(RebuildPlan, HostileNamesStayWholeInEveryStatement) {
    const TableSchema books =
        schema_of("my \"books\"", "CREATE TABLE \"my \"\"books\"\"\"(\"a\"\"b\" TEXT, [it's] INT)");
    std::vector<ColumnDef> columns = listed(books);
    ASSERT_EQ(columns[1].name, "it's");
    columns[0].type = "BLOB";
    columns[1].name = "x\"); DROP TABLE t; --";
    // Named like the temporary table, the table is named with its schema in the copy.
    const Planned hostile = plan(books, columns, "temp_table");
    EXPECT_EQ(hostile.alters,
              (Texts{"ALTER TABLE main.\"my \"\"books\"\"\" RENAME COLUMN \"it's\" TO "
                     "\"x\"\"); DROP TABLE t; --\";",
                     "ALTER TABLE main.\"my \"\"books\"\"\" RENAME TO \"temp_table\";"}));
    const Texts copy = copy_of(
        hostile, "CREATE TABLE \"temp_table\"(\"a\"\"b\" TEXT, \"x\"\"); DROP TABLE t; --\" INT)");
    EXPECT_EQ(copy[1],
              "INSERT INTO TEMP_TABLE(rowid, \"a\"\"b\", \"x\"\"); DROP TABLE t; --\") SELECT "
              "rowid, \"a\"\"b\", \"x\"\"); DROP TABLE t; --\" FROM main.\"temp_table\";");
    EXPECT_EQ(copy[2], "DROP TABLE main.\"temp_table\";");
}

TEST(RebuildPlan, AListThatDoesNotFitTheTableIsRefused) {
    const TableSchema books = schema_of("books", "CREATE TABLE books(title TEXT, memo TEXT)");
    const std::vector<ColumnDef> fits = listed(books);
    struct Case {
        std::vector<ColumnDef> columns;
        const char* text;
    };
    const Case cases[] = {
        {{fits[0], {"price", "price", "TEXT"}}, kUnknownColumnText},
        {{fits[0], fits[0]}, kUnknownColumnText},
        {{fits[0], {"", "added", "TEXT"}}, kUnknownColumnText},
    };
    for (const Case& c : cases) {
        ChangePlan plan;
        StructureError error;
        EXPECT_FALSE(plan_change(books, c.columns, "books", plan, error));
        EXPECT_EQ(error.text, utf8_of(c.text));
    }

    // The table's statement and its column list disagree: nothing can be matched.
    TableSchema disagreeing = books;
    disagreeing.columns.pop_back();
    ChangePlan plan;
    StructureError error;
    EXPECT_FALSE(plan_change(disagreeing, fits, "books", plan, error));
    EXPECT_EQ(error.text, utf8_of(kUnreadableTableText));
}
