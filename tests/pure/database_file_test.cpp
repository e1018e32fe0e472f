#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "db/database_connection.h"
#include "db/read_watch.h"
#include "db/result_table.h"
#include "db/table_shape.h"
#include "tests/support/test_support.h"

namespace {

void write_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) {
    return std::ifstream(path).good();
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(DatabaseFile, OpensExistingFilesOnlyAndRefusesWhatIsNoDatabase) {
    TempDir dir;
    DatabaseConnection connection;

    // A mistyped name leaves no empty file behind.
    const std::string missing = dir.file("nothere.db");
    EXPECT_FALSE(connection.open(missing.c_str()));
    EXPECT_FALSE(connection.is_open);
    EXPECT_EQ(connection.open_result, SQLITE_CANTOPEN);
    EXPECT_FALSE(file_exists(missing));

    const std::string text = dir.file("notes.txt");
    const std::string words = "These are notes, not a database.\r\n";
    write_bytes(text, words);
    EXPECT_FALSE(connection.open(text.c_str()));
    EXPECT_FALSE(connection.is_open);
    EXPECT_EQ(connection.handle, nullptr);
    EXPECT_EQ(connection.open_result, SQLITE_NOTADB);
    EXPECT_EQ(connection.open_message, "file is not a database");
    EXPECT_EQ(file_bytes(text), words);

    // SQLite takes a file of no bytes for an empty database; reading it writes
    // nothing.
    const std::string empty = dir.file("empty.db");
    write_bytes(empty, "");
    ASSERT_TRUE(connection.open(empty.c_str()));
    std::vector<TableName> tables{{"stale", "stale"}};
    EXPECT_TRUE(read_tables(connection.handle, tables));
    EXPECT_TRUE(tables.empty());
    connection.close();
    EXPECT_EQ(file_bytes(empty), "");

    // New keeps creating files.
    const std::string fresh = dir.file("fresh.db");
    ASSERT_TRUE(connection.create(fresh.c_str()));
    EXPECT_EQ(exec_ansi(connection.handle, "CREATE TABLE n(x);"), SQLITE_OK);
    connection.close();
    EXPECT_TRUE(file_exists(fresh));
}

TEST(DatabaseFile, WaitsOutAShortLockAndTellsALongOneOnce) {
    TempDir dir;
    const std::string path = dir.file("locked.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(x); INSERT INTO t VALUES (1);");
    }

    // Another program's write lock, held for a moment: waited out.
    TestDb other(path);
    other.exec("BEGIN EXCLUSIVE; INSERT INTO t VALUES (2);");
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other.handle(), "COMMIT;", nullptr, nullptr, nullptr);
    });
    DatabaseConnection connection;
    ASSERT_TRUE(connection.open(path.c_str()));
    release.join();
    EXPECT_EQ(connection.open_result, SQLITE_OK);
    {
        ReadFailureWatch watch(connection.handle);
        EXPECT_EQ(count_table_rows(connection.handle, "t"), 2);
        EXPECT_FALSE(watch.failed());
    }

    // Held on: the reads fail as busy, and only the first one waits.
    other.exec("BEGIN EXCLUSIVE; INSERT INTO t VALUES (3);");
    {
        ReadFailureWatch watch(connection.handle);
        auto start = std::chrono::steady_clock::now();
        std::vector<TableName> tables;
        EXPECT_FALSE(read_tables(connection.handle, tables));
        EXPECT_GE(seconds_since(start), DatabaseConnection::kBusyTimeoutMs / 1000.0 - 0.5);
        EXPECT_TRUE(watch.busy());
        {
            // A nested step of the same action (the page after the list).
            ReadFailureWatch inner(connection.handle);
            start = std::chrono::steady_clock::now();
            EXPECT_EQ(count_table_rows(connection.handle, "t"), 0);
            EXPECT_LT(seconds_since(start), 0.5);
            EXPECT_TRUE(inner.busy());
            EXPECT_FALSE(inner.outermost());
        }
        EXPECT_TRUE(watch.outermost());
    }
    // Opening while it is held: a real database, open, with the reason kept.
    connection.close();
    ASSERT_TRUE(connection.open(path.c_str()));
    EXPECT_TRUE(connection.is_open);
    EXPECT_EQ(connection.open_result, SQLITE_BUSY);
    EXPECT_EQ(connection.open_message, "database is locked");

    other.exec("COMMIT;");
    {
        // The next action reads again.
        ReadFailureWatch watch(connection.handle);
        EXPECT_EQ(count_table_rows(connection.handle, "t"), 3);
        EXPECT_FALSE(watch.failed());
    }
    // Writes wait too, instead of failing at the first touch of a lock.
    other.exec("BEGIN EXCLUSIVE;");
    std::thread commit([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other.handle(), "COMMIT;", nullptr, nullptr, nullptr);
    });
    EXPECT_EQ(exec_ansi(connection.handle, "INSERT INTO t VALUES (4);"), SQLITE_OK);
    commit.join();
    EXPECT_EQ(other.value("SELECT COUNT(*) FROM t"), "4");
}

#ifndef _WIN32
TEST(DatabaseFile, OpensAFileThatCannotBeWrittenReadOnly) {
    TempDir dir;
    const std::string path = dir.file("fixed.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(x); INSERT INTO t VALUES (1);");
    }
    // Root ignores a missing write bit; an immutable file it cannot write.
    if (std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) != 0) {
        GTEST_SKIP() << "chattr +i is not available here, so no file is read-only for root";
    }
    DatabaseConnection connection;
    const bool opened = connection.open(path.c_str());
    const bool read_only = connection.read_only;
    const int write = opened ? exec_ansi(connection.handle, "INSERT INTO t VALUES (2);") : -1;
    connection.close();
    std::system(("chattr -i '" + path + "'").c_str());
    ASSERT_TRUE(opened);
    EXPECT_TRUE(read_only);
    EXPECT_EQ(write, SQLITE_READONLY);
}
#endif

TEST(DatabaseFile, ReadsThroughAMappingAndStillTellsACutFile) {
    TempDir dir;
    const std::string path = dir.file("mapped.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE b(y);");
        db.fill("INSERT INTO b VALUES (printf('%0500d', ?1));", 200);
    }
    // A 64-bit program maps any file whole; a 32-bit one keeps to a window.
    const std::string expected = sizeof(void*) >= 8 ? "68719476736" : "268435456";
    DatabaseConnection connection;
    ASSERT_TRUE(connection.open(path.c_str()));
    ResultTable mapped;
    ASSERT_TRUE(mapped.run(connection.handle, "PRAGMA mmap_size;"));
    EXPECT_EQ(std::string(mapped.value(0, 0)), expected);
    connection.close();

    ASSERT_TRUE(connection.create(dir.file("new.db").c_str()));
    ASSERT_TRUE(mapped.run(connection.handle, "PRAGMA mmap_size;"));
    EXPECT_EQ(std::string(mapped.value(0, 0)), expected);
    connection.close();

    // A file cut short by a failed copy: its table is told unreadable, nothing crashes.
    std::string bytes = file_bytes(path);
    write_bytes(path, bytes.substr(0, bytes.size() / 2));
    EXPECT_FALSE(connection.open(path.c_str())) << connection.open_result;
    EXPECT_EQ(connection.open_result, SQLITE_CORRUPT) << connection.open_message;
}
