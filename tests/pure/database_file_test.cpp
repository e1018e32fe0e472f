#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "db/catalogue.h"
#include "db/database_connection.h"
#include "db/read_watch.h"
#include "db/result_table.h"
#include "tests/support/test_support.h"

namespace {

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

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

// A database of two tables: a few rows in `a`, enough in `b` for many pages.
void make_two_tables(const std::string& path) {
    TestDb db(path);
    db.exec("CREATE TABLE a(x); INSERT INTO a VALUES (1), (2);");
    db.exec("CREATE TABLE b(x);");
    db.fill("INSERT INTO b VALUES (printf('%0500d', ?1));", 400);
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

    const std::string cut = dir.file("cut.db");
    make_two_tables(cut);
    const std::string whole = file_bytes(cut);
    ASSERT_GT(whole.size(), 40000u);
    const std::string half = whole.substr(0, whole.size() / 2);
    write_bytes(cut, half);
    EXPECT_FALSE(connection.open(cut.c_str()));
    EXPECT_FALSE(connection.is_open);
    EXPECT_EQ(connection.open_result, SQLITE_CORRUPT);
    EXPECT_EQ(file_bytes(cut), half);
    EXPECT_FALSE(file_exists(cut + "-journal"));

    // SQLite takes a file of no bytes for an empty database; reading it writes
    // nothing.
    const std::string empty = dir.file("empty.db");
    write_bytes(empty, "");
    ASSERT_TRUE(connection.open(empty.c_str()));
    std::vector<std::string> names{"stale"};
    EXPECT_TRUE(read_table_names(connection.handle, names));
    EXPECT_TRUE(names.empty());
    connection.close();
    EXPECT_EQ(file_bytes(empty), "");

    // New keeps creating files.
    const std::string fresh = dir.file("fresh.db");
    ASSERT_TRUE(connection.create(fresh.c_str()));
    EXPECT_EQ(exec_ansi(connection.handle, "CREATE TABLE n(x);"), SQLITE_OK);
    connection.close();
    EXPECT_TRUE(file_exists(fresh));
}

TEST(DatabaseFile, ReadableTablesStillReadWhenAnotherTableIsDamaged) {
    TempDir dir;
    const std::string path = dir.file("damaged.db");
    make_two_tables(path);
    int root = 0;
    int page_size = 0;
    {
        TestDb db(path);
        root = std::atoi(db.value("SELECT rootpage FROM sqlite_master WHERE name = 'b'").c_str());
        page_size = std::atoi(db.value("PRAGMA page_size").c_str());
    }
    ASSERT_GT(root, 1);
    std::string bytes = file_bytes(path);
    // Overwrites b's root page with rubbish.
    bytes.replace(static_cast<std::size_t>(root - 1) * page_size, page_size,
                  std::string(page_size, '\x7f'));
    write_bytes(path, bytes);

    DatabaseConnection connection;
    ASSERT_TRUE(connection.open(path.c_str()));
    EXPECT_EQ(connection.open_result, SQLITE_OK);
    std::vector<std::string> names;
    ASSERT_TRUE(read_table_names(connection.handle, names));
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b"}));
    {
        ReadFailureWatch watch;
        EXPECT_EQ(count_table_rows(connection.handle, "a"), 2);
        EXPECT_FALSE(watch.failed());
    }
    {
        ReadFailureWatch watch;
        EXPECT_EQ(count_table_rows(connection.handle, "b"), 0);
        EXPECT_EQ(watch.code(), SQLITE_CORRUPT);
        EXPECT_FALSE(watch.busy());
    }
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
        ReadFailureWatch watch;
        EXPECT_EQ(count_table_rows(connection.handle, "t"), 2);
        EXPECT_FALSE(watch.failed());
    }

    // Held on: the reads fail as busy, and only the first one waits.
    other.exec("BEGIN EXCLUSIVE; INSERT INTO t VALUES (3);");
    {
        ReadFailureWatch watch;
        auto start = std::chrono::steady_clock::now();
        std::vector<std::string> names;
        EXPECT_FALSE(read_table_names(connection.handle, names));
        EXPECT_GE(seconds_since(start), DatabaseConnection::kBusyTimeoutMs / 1000.0 - 0.5);
        EXPECT_TRUE(watch.busy());
        {
            // A nested step of the same action (the page after the list).
            ReadFailureWatch inner;
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
        ReadFailureWatch watch;
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

TEST(DatabaseFile, EndsATransactionLeftOpenAsAsked) {
    TempDir dir;
    const std::string path = dir.file("open-transaction.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(x); INSERT INTO t VALUES (1);");
    }
    DatabaseConnection connection;
    ASSERT_TRUE(connection.open(path.c_str()));
    EXPECT_FALSE(connection.in_transaction());
    ASSERT_EQ(exec_ansi(connection.handle, "BEGIN; UPDATE t SET x = 2;"), SQLITE_OK);
    EXPECT_TRUE(connection.in_transaction());
    EXPECT_EQ(connection.end_transaction(true), SQLITE_OK);
    EXPECT_FALSE(connection.in_transaction());
    ASSERT_EQ(exec_ansi(connection.handle, "BEGIN; UPDATE t SET x = 3;"), SQLITE_OK);
    EXPECT_EQ(connection.end_transaction(false), SQLITE_OK);
    connection.close();
    EXPECT_FALSE(connection.in_transaction());
    TestDb check(path);
    EXPECT_EQ(check.value("SELECT x FROM t"), "2");
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
