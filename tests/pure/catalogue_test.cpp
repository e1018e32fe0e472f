#include <gtest/gtest.h>

#include "db/catalogue.h"
#include "db/database_connection.h"
#include "db/result_table.h"
#include "tests/support/test_support.h"

TEST(Catalogue, ListsTablesInTheDatabasesOrderOfNames) {
    TempDir dir;
    TestDb db(dir.file("order.db"));
    db.exec(
        u8"CREATE TABLE b(x); CREATE TABLE a(x); CREATE TABLE テーブル(x);"
        u8"CREATE TABLE t(id INTEGER PRIMARY KEY AUTOINCREMENT); CREATE VIEW v AS SELECT 1;"
        u8"CREATE INDEX i ON b(x);");
    std::vector<std::string> names;
    ASSERT_TRUE(read_table_names(db.handle(), names));
    // Internal tables are listed too; views and indexes are not.
    const std::vector<std::string> expected = {"a", "b", "sqlite_sequence", "t", "テーブル"};
    EXPECT_EQ(names, expected);
}

TEST(Catalogue, ReadsColumnsWholeWithTheirDeclaredTypes) {
    TempDir dir;
    TestDb db(dir.file("columns.db"));
    const std::string long_name(300, 'n');
    db.exec(u8"CREATE TABLE t(id INTEGER PRIMARY KEY, 名前 TEXT, untyped, \"" + long_name +
            u8"\" VARCHAR(20) NOT NULL);");
    std::vector<ColumnInfo> columns;
    ASSERT_TRUE(read_column_info(db.handle(), "t", columns));
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].name, "id");
    EXPECT_EQ(columns[0].type, "INTEGER");
    EXPECT_TRUE(columns[0].primary_key);
    EXPECT_EQ(columns[1].name, "名前");
    EXPECT_FALSE(columns[1].primary_key);
    EXPECT_EQ(columns[2].type, "");
    EXPECT_EQ(columns[3].name, long_name);
    EXPECT_EQ(columns[3].type, "VARCHAR(20)");

    EXPECT_FALSE(read_column_info(db.handle(), "missing", columns));
    EXPECT_TRUE(columns.empty());
}

TEST(Catalogue, ReadingStatementsFailSilentlyWithoutAConnection) {
    std::vector<std::string> names{"stale"};
    EXPECT_FALSE(read_table_names(nullptr, names));
    EXPECT_TRUE(names.empty());
    std::vector<ColumnInfo> columns;
    EXPECT_FALSE(read_column_info(nullptr, "t", columns));
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
