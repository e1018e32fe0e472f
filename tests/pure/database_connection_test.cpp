#include <gtest/gtest.h>

#include "db/database_connection.h"
#include "db/result_table.h"
#include "db/table_shape.h"
#include "tests/support/test_support.h"

TEST(DatabaseConnection, ReadingStatementsFailSilentlyWithoutAConnection) {
    std::vector<TableName> tables{{"stale", "stale"}};
    EXPECT_FALSE(read_tables(nullptr, tables));
    EXPECT_TRUE(tables.empty());
    EXPECT_EQ(count_table_rows(nullptr, "t"), 0);
    ResultTable result;
    EXPECT_FALSE(result.run(nullptr, "SELECT 1"));
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

    // The program's paths are UTF-8; the folder's is ASCII.
    connection.create(utf8_of(dir.file("データ.db")).c_str());
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
    // Each katakana takes three bytes in UTF-8: 200 of them make 600 bytes, over
    // the room of 512 (their 400 bytes of Shift-JIS would fit).
    std::string name;
    for (int i = 0; i < 200; ++i) {
        name += u8"テ";
    }
    EXPECT_FALSE(connection.open(utf8_of(dir.file("")).append(name).c_str()));
    EXPECT_FALSE(connection.is_open);
    EXPECT_FALSE(connection.create(utf8_of(dir.file("")).append(name).c_str()));
    EXPECT_FALSE(connection.is_open);
}

namespace {

int side_effects = 0;

void side_effect(sqlite3_context* context, int, sqlite3_value**) {
    ++side_effects;
    sqlite3_result_int(context, side_effects);
}

}  // namespace

// A file from elsewhere is not trusted: its views and triggers cannot call a
// function that has effects of its own, however the file names it.
TEST(DatabaseConnection, AFilesViewCannotCallAFunctionWithSideEffects) {
    TempDir dir;
    const std::string path = dir.file("foreign.db");
    {
        TestDb db(path);
        db.exec(
            "CREATE TABLE t(a); INSERT INTO t VALUES (1);"
            "CREATE VIEW v AS SELECT side_effect() AS x FROM t;"
            "CREATE TRIGGER tr AFTER INSERT ON t BEGIN SELECT side_effect(); END;");
    }
    for (const bool created : {false, true}) {
        DatabaseConnection connection;
        ASSERT_TRUE(created ? connection.create(path.c_str()) : connection.open(path.c_str()));
        ASSERT_EQ(sqlite3_create_function(connection.handle, "side_effect", 0, SQLITE_UTF8, nullptr,
                                          side_effect, nullptr, nullptr),
                  SQLITE_OK);
        side_effects = 0;
        ResultTable view;
        EXPECT_FALSE(view.run(connection.handle, "SELECT x FROM v;"));
        EXPECT_NE(
            sqlite3_exec(connection.handle, "INSERT INTO t VALUES (2);", nullptr, nullptr, nullptr),
            SQLITE_OK);
        // Called by the user's own statement, it runs.
        EXPECT_TRUE(view.run(connection.handle, "SELECT side_effect();"));
        EXPECT_EQ(side_effects, 1);
    }
}
