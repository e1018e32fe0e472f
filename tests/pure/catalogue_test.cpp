#include <gtest/gtest.h>

#include "db/catalogue.h"
#include "db/database_connection.h"
#include "db/result_table.h"
#include "db/table_shape.h"
#include "tests/support/test_support.h"

namespace {

// The rowid alias of a table, from its columns as the grid reads them.
int alias_of(TestDb& db, const char* table) {
    TableShape shape;
    EXPECT_TRUE(read_table_shape(db.handle(), table, shape)) << table;
    std::vector<ColumnInfo> columns;
    for (const ShapeColumn& column : shape.columns) {
        columns.push_back({column.shown, column.type, column.key_position > 0});
    }
    return rowid_alias_column(columns);
}

}  // namespace

// Only a sole INTEGER primary key stands for rowid; SQLite agrees on every table.
TEST(Catalogue, FindsTheColumnThatIsTheRowidAlias) {
    TempDir dir;
    TestDb db(dir.file("alias.db"));
    db.exec(
        "CREATE TABLE plain(a TEXT, b);"
        "CREATE TABLE first(id INTEGER PRIMARY KEY, name TEXT);"
        "CREATE TABLE second(name TEXT, Id integer primary key);"
        "CREATE TABLE table_key(x TEXT, id INTEGER, PRIMARY KEY(id));"
        "CREATE TABLE int_key(id INT PRIMARY KEY, name TEXT);"
        "CREATE TABLE text_key(code TEXT PRIMARY KEY, name TEXT);"
        "CREATE TABLE pair(a INTEGER, b INTEGER, PRIMARY KEY(a, b));");
    struct Case {
        const char* table;
        int alias;
    };
    for (const Case& c :
         {Case{"plain", 0}, Case{"first", 1}, Case{"second", 2}, Case{"table_key", 2},
          Case{"int_key", 0}, Case{"text_key", 0}, Case{"pair", 0}}) {
        EXPECT_EQ(alias_of(db, c.table), c.alias) << c.table;
    }
    EXPECT_EQ(rowid_alias_column({}), 0);

    // Where a column is the alias, a record's value in it is its rowid.
    db.exec("INSERT INTO first(id, name) VALUES (9, 'x'); INSERT INTO int_key VALUES (9, 'x');");
    EXPECT_EQ(db.value("SELECT rowid FROM first"), "9");
    EXPECT_NE(db.value("SELECT rowid FROM int_key"), "9");
}

TEST(Catalogue, ReadingStatementsFailSilentlyWithoutAConnection) {
    std::vector<TableName> tables{{"stale", "stale"}};
    EXPECT_FALSE(read_tables(nullptr, tables));
    EXPECT_TRUE(tables.empty());
    EXPECT_EQ(count_table_rows(nullptr, "t"), 0);
    ResultTable result;
    EXPECT_FALSE(result.run(nullptr, "SELECT 1"));
    EXPECT_EQ(exec_ansi(nullptr, "SELECT 1"), SQLITE_MISUSE);
}

TEST(DatabaseConnection, OpensCreatesAndCloses) {
    TempDir dir;
    {
        TestDb db(dir.file("first.db"));
        db.exec("CREATE TABLE t(x); INSERT INTO t VALUES (1);");
    }
    DatabaseConnection connection;
    EXPECT_FALSE(connection.is_open);
    connection.close();  // closing a closed connection does nothing
    EXPECT_FALSE(connection.is_open);

    ASSERT_TRUE(connection.open(dir.file("first.db").c_str()));
    EXPECT_TRUE(connection.is_open);
    EXPECT_EQ(count_table_rows(connection.handle, "t"), 1);
    // Hold a write lock on the first file: opening another must release it.
    ASSERT_EQ(exec_ansi(connection.handle, "BEGIN EXCLUSIVE;"), SQLITE_OK);

    connection.create(dir.file("データ.db").c_str());
    EXPECT_TRUE(connection.is_open);
    EXPECT_EQ(exec_ansi(connection.handle, "CREATE TABLE n(x);"), SQLITE_OK);
    {
        TestDb first(dir.file("first.db"));
        first.exec("INSERT INTO t VALUES (2);");
        EXPECT_EQ(first.value("SELECT COUNT(*) FROM t"), "2");
    }
    connection.close();
    EXPECT_FALSE(connection.is_open);
    EXPECT_EQ(connection.handle, nullptr);
    TestDb created(dir.file("データ.db"));
    EXPECT_EQ(created.value("SELECT name FROM sqlite_master"), "n");
}

TEST(DatabaseConnection, FailedOpenLeavesItClosed) {
    TempDir dir;
    DatabaseConnection connection;
    { TestDb existing(dir.file("a.db")); }
    ASSERT_TRUE(connection.open(dir.file("a.db").c_str()));
    // A folder that does not exist cannot hold the file.
    EXPECT_FALSE(connection.open(dir.file("missing-folder/b.db").c_str()));
    EXPECT_FALSE(connection.is_open);
    EXPECT_EQ(connection.handle, nullptr);
}

TEST(DatabaseConnection, RefusesAPathThatDoesNotFitRatherThanCuttingIt) {
    TempDir dir;
    DatabaseConnection connection;
    // Each katakana takes three bytes in UTF-8: 200 of them make 600 bytes.
    std::string name;
    for (int i = 0; i < 200; ++i) {
        name += "テ";
    }
    EXPECT_FALSE(connection.open(dir.file(name).c_str()));
    EXPECT_FALSE(connection.is_open);
    EXPECT_FALSE(connection.create(dir.file(name).c_str()));
    EXPECT_FALSE(connection.is_open);
}
