// Page turns read from where the page on screen ends or begins instead of walking
// every record before it. What they show must be exactly what a page read at its
// offset shows, on tables with gaps, negative and 64-bit row ids and composite
// keys, and after records come and go between the turns.
#include <gtest/gtest.h>

#include <random>

#include "db/paging.h"
#include "page/table_page.h"
#include "tests/support/test_support.h"

namespace {

// All a page shows: label, buttons, blank row and every cell.
std::vector<std::string> shown(const TablePage& page) {
    const PageView view = page.view();
    std::vector<std::string> texts{view.label, view.previous_enabled ? "<<" : "",
                                   view.next_enabled ? ">>" : "", std::to_string(page.blank_row())};
    for (int row = 0; row < page.row_count(); ++row) {
        for (int column = 0; column <= page.column_count(); ++column) {
            texts.push_back(page.cell_text(row, column));
        }
    }
    return texts;
}

// The page as a fresh read at its offset shows it.
std::vector<std::string> at_offset(sqlite3* db, const std::string& table, int page_index) {
    TablePage page;
    EXPECT_TRUE(page.open(db, table));
    page.load(page_index);
    return shown(page);
}

int last_page(TestDb& db, const std::string& table) {
    const long long rows = std::stoll(db.value("SELECT count(*) FROM " + table));
    return rows == 0 ? 0 : static_cast<int>((rows - 1) / kPageSize);
}

// Walks to the end and back, each page against its offset form.
void expect_walk_matches(TestDb& db, const std::string& table) {
    TablePage page;
    ASSERT_TRUE(page.open(db.handle(), table));
    const int last = last_page(db, table);
    for (int index = 0; index <= last; ++index) {
        ASSERT_TRUE(page.load(index));
        ASSERT_EQ(shown(page), at_offset(db.handle(), table, index)) << table << " page " << index;
    }
    for (int index = last; index >= 0; --index) {
        ASSERT_TRUE(page.load(index));
        ASSERT_EQ(shown(page), at_offset(db.handle(), table, index)) << table << " page " << index;
    }
}

// A step count of the statements a load sends, through the progress handler.
int count_steps(void* steps) {
    ++*static_cast<long long*>(steps);
    return 0;
}

}  // namespace

TEST(DeepPaging, EveryPageShowsWhatItsOffsetShows) {
    TempDir dir;
    TestDb db(dir.file("keys.db"));
    db.exec(
        "CREATE TABLE gaps(a, b);"
        "CREATE TABLE alias(id INTEGER PRIMARY KEY, v TEXT);"
        "CREATE TABLE pairs(name TEXT, n INTEGER, v, PRIMARY KEY(name, n)) WITHOUT ROWID;"
        "CREATE TABLE reals(x REAL PRIMARY KEY, v) WITHOUT ROWID;"
        "CREATE TABLE taken(rowid TEXT, v);");
    std::mt19937_64 random(29);
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db.handle(),
                                 "INSERT OR IGNORE INTO gaps(rowid, a, b) VALUES (?1, ?1 % 7, 'x')",
                                 -1, &insert, nullptr),
              SQLITE_OK);
    db.exec("BEGIN");
    for (int i = 0; i < 3400; ++i) {
        // Ids over the whole 64-bit range, negative ones and the extremes included.
        sqlite3_bind_int64(insert, 1, static_cast<sqlite3_int64>(random()));
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    db.exec(
        "INSERT OR IGNORE INTO gaps(rowid, a) VALUES (-9223372036854775808, 1),"
        " (9223372036854775807, 2), (0, 3), (-1, 4);"
        "COMMIT;");
    db.fill("INSERT INTO alias VALUES (?1 * 3 - 5000, 'v')", 2999);
    // Keys that differ only in their second column, and text keys that sort
    // unlike numbers.
    db.fill("INSERT INTO pairs VALUES ('k' || (?1 % 37), ?1, ?1)", 3100);
    db.fill("INSERT INTO reals VALUES (?1 / 7.0 - 100, ?1)", 2100);
    db.fill("INSERT INTO taken VALUES ('r' || ?1, ?1)", 2001);

    for (const char* table : {"gaps", "alias", "pairs", "reals", "taken"}) {
        expect_walk_matches(db, table);
    }
}

// Records deleted and added before the page on screen, by another program and by
// this one, move every later record: the next turn must show them moved.
TEST(DeepPaging, TurnsAfterRecordsComeAndGoShowWhatTheOffsetShows) {
    TempDir dir;
    TestDb db(dir.file("moving.db"));
    db.exec(
        "CREATE TABLE t(v);"
        "CREATE TABLE k(a TEXT, b INTEGER, PRIMARY KEY(a, b)) WITHOUT ROWID;");
    db.fill("INSERT INTO t(rowid, v) VALUES (?1 * 2, ?1)", 5500);
    db.fill("INSERT INTO k VALUES ('a' || (?1 % 5), ?1)", 5500);
    TestDb other(db.path());

    for (const std::string table : {"t", "k"}) {
        const std::string key = table == "t" ? "rowid" : "b";
        TablePage page;
        ASSERT_TRUE(page.open(db.handle(), table));
        ASSERT_TRUE(page.load(0));
        ASSERT_TRUE(page.load(1));
        ASSERT_TRUE(page.load(2));

        // Another connection takes three records from page 0 and adds one there.
        if (table == "t") {
            other.exec(
                "DELETE FROM t WHERE rowid IN (2, 4, 6); INSERT INTO t(rowid, v) VALUES (1, 0)");
        } else {
            other.exec("DELETE FROM k WHERE b IN (5, 10, 15); INSERT INTO k VALUES ('a', -1)");
        }
        ASSERT_TRUE(page.load(3));
        EXPECT_EQ(shown(page), at_offset(db.handle(), table, 3)) << table;
        ASSERT_TRUE(page.load(2));
        EXPECT_EQ(shown(page), at_offset(db.handle(), table, 2)) << table;

        // The same by this program's own connection, then the page read again.
        db.exec("DELETE FROM " + table + " WHERE " + key + " IN (SELECT " + key + " FROM " + table +
                " ORDER BY " + key + " LIMIT 5)");
        ASSERT_TRUE(page.load(2));
        EXPECT_EQ(shown(page), at_offset(db.handle(), table, 2)) << table;
        ASSERT_TRUE(page.load(1));
        EXPECT_EQ(shown(page), at_offset(db.handle(), table, 1)) << table;

        // A page past the end, after another program emptied the table's tail.
        ASSERT_TRUE(page.load(5));
        other.exec("DELETE FROM " + table + " WHERE " + key + " IN (SELECT " + key + " FROM " +
                   table + " ORDER BY " + key + " DESC LIMIT 600)");
        page.load(5);
        EXPECT_EQ(shown(page), at_offset(db.handle(), table, 5)) << table;
        page.load(4);
        EXPECT_EQ(shown(page), at_offset(db.handle(), table, 4)) << table;
    }
}

// A change inside a transaction leaves no trace once it is rolled back: the page
// read meanwhile must not be taken for the table as it is afterwards.
TEST(DeepPaging, ARolledBackChangeLeavesNoStalePageBehind) {
    TempDir dir;
    TestDb db(dir.file("rollback.db"));
    db.exec("CREATE TABLE t(v);");
    db.fill("INSERT INTO t VALUES (?1)", 3500);
    TablePage page;
    ASSERT_TRUE(page.open(db.handle(), "t"));
    ASSERT_TRUE(page.load(0));
    db.exec("BEGIN; DELETE FROM t WHERE rowid <= 10;");
    ASSERT_TRUE(page.load(1));
    EXPECT_EQ(shown(page), at_offset(db.handle(), "t", 1));
    db.exec("ROLLBACK; BEGIN;");
    ASSERT_TRUE(page.load(2));
    EXPECT_EQ(shown(page), at_offset(db.handle(), "t", 2));
    db.exec("ROLLBACK;");
    ASSERT_TRUE(page.load(1));
    EXPECT_EQ(shown(page), at_offset(db.handle(), "t", 1));
}

// The cost of >> and << must not grow with the number of records before the page.
TEST(DeepPaging, ATurnDeepInATableCostsWhatATurnAtItsStartCosts) {
    TempDir dir;
    TestDb db(dir.file("deep.db"));
    db.exec(
        "CREATE TABLE t(a, b);"
        "CREATE TABLE k(a TEXT PRIMARY KEY, b) WITHOUT ROWID;");
    db.fill("INSERT INTO t VALUES (?1, 'value ' || ?1)", 60000);
    db.fill("INSERT INTO k VALUES (printf('key%08d', ?1), ?1)", 60000);
    long long steps = 0;
    sqlite3_progress_handler(db.handle(), 100, count_steps, &steps);
    const auto turn_steps = [&](TablePage& page, int from, int to) {
        page.load(from);
        steps = 0;
        page.load(to);
        return steps;
    };
    for (const char* table : {"t", "k"}) {
        TablePage page;
        ASSERT_TRUE(page.open(db.handle(), table));
        const long long start = turn_steps(page, 0, 1);
        EXPECT_LT(turn_steps(page, 58, 59), 2 * start) << table << ": >> at the end";
        EXPECT_LT(turn_steps(page, 59, 58), 2 * start) << table << ": << at the end";
        EXPECT_LT(turn_steps(page, 30, 30), 2 * start) << table << ": the same page again";
    }
    sqlite3_progress_handler(db.handle(), 0, nullptr, nullptr);
}
