#include <gtest/gtest.h>

#include "db/database_connection.h"
#include "db/result_table.h"
#include "db/table_shape.h"
#include "tests/support/test_support.h"

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
