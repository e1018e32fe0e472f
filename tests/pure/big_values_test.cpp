// Pages and results whose values are far larger than what the screen shows: what
// is kept follows the screen, and a run that never ends can be stopped.
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "db/read_watch.h"
#include "db/record_page.h"
#include "db/run_watch.h"
#include "db/table_shape.h"
#include "db/text_convert.h"
#include "sqleditor/sql_execution.h"
#include "tests/support/test_support.h"

namespace {

// What a grid cell shows of a UTF-8 value.
std::string shown(const std::string& utf8) {
    char cell[255] = "";
    convert_cell_text(utf8.c_str(), cell, sizeof(cell));
    return cell;
}

// A Japanese document of `characters` characters, each row's different.
std::string document(int row, int characters) {
    std::string text = "No." + std::to_string(row) + u8"：";
    while (static_cast<int>(text.size()) < characters * 3) {
        text += u8"吾輩は猫である。名前はまだ無い。";
    }
    return text;
}

// The largest amount of memory SQLite held at once while `action` ran.
template <typename Action>
sqlite3_int64 sqlite_peak_during(Action action) {
    sqlite3_int64 current = 0;
    sqlite3_int64 peak = 0;
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &current, &peak, 1);
    action();
    sqlite3_status64(SQLITE_STATUS_MEMORY_USED, &current, &peak, 0);
    return peak - current;
}

// Cells of large BLOBs and long texts cost what they show: no BLOB byte and no
// more of a text than a cell can show is read into memory, in every kind of
// table, and what the cell shows is what the whole value would show.
TEST(BigValues, APageHoldsWhatItsCellsShow) {
    TempDir dir;
    TestDb db(dir.file("big.db"));
    db.exec(
        "CREATE TABLE photos(id INTEGER PRIMARY KEY, name TEXT, data BLOB, doc TEXT);"
        "CREATE TABLE keyed(k TEXT PRIMARY KEY, doc TEXT) WITHOUT ROWID;"
        "CREATE TABLE shadow(\"rowid\" TEXT, doc TEXT, tail TEXT AS (substr(doc, 1, 3000)));");
    sqlite3_stmt* insert = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(
                  db.handle(),
                  "INSERT INTO photos(name, data, doc) VALUES (?1, randomblob(3145728), ?2);", -1,
                  &insert, nullptr),
              SQLITE_OK);
    std::vector<std::string> docs;
    for (int row = 0; row < 8; ++row) {
        docs.push_back(document(row, 87000));
        sqlite3_bind_text(insert, 1, ("photo" + std::to_string(row)).c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 2, docs.back().c_str(), -1, SQLITE_TRANSIENT);
        ASSERT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    db.exec(
        "INSERT INTO photos(name, data, doc) VALUES ('short', X'00FF', 'ab'), ('null', NULL, NULL);"
        "INSERT INTO keyed SELECT name, doc FROM photos;"
        "INSERT INTO shadow(\"rowid\", doc) SELECT name, doc FROM photos;");

    for (const char* table : {"photos", "keyed", "shadow"}) {
        SCOPED_TRACE(table);
        TableShape shape;
        ASSERT_TRUE(read_table_shape(db.handle(), table, shape));
        std::vector<PageRecord> page;
        const sqlite3_int64 peak = sqlite_peak_during([&] {
            ASSERT_TRUE(read_record_page(db.handle(), table, shape, 0, 1000, page))
                << sqlite3_errmsg(db.handle());
        });
        ASSERT_EQ(page.size(), 10u);
        const std::vector<std::vector<std::string>> whole =
            db.rows(std::string("SELECT ") +
                    (std::string(table) == "photos" ? "name, doc" : "doc, doc") + " FROM " + table);
        for (std::size_t row = 0; row < page.size(); ++row) {
            for (const PageValue& value : page[row].values) {
                EXPECT_LE(value.text.size(), kPageTextBytes + 3);
            }
            const PageValue& doc = page[row].values[std::string(table) == "photos" ? 3 : 1];
            const std::string& full = whole[row][1];
            if (full == "<NULL>") {
                EXPECT_EQ(doc.kind, PageValue::Kind::null);
            } else {
                EXPECT_EQ(shown(doc.text), shown(full)) << row;
            }
        }
        if (std::string(table) == "photos") {
            EXPECT_EQ(page[0].values[2].kind, PageValue::Kind::blob);
            EXPECT_EQ(page[0].values[2].blob_bytes, 3145728);
            EXPECT_EQ(page[8].values[2].blob_bytes, 2);
            EXPECT_EQ(page[9].values[2].kind, PageValue::Kind::null);
            // Neither the 24 MiB of pictures nor the documents came into memory.
            EXPECT_LT(peak, 2 << 20);
        }
    }
}

// A result far larger than the budget is listed as far as the budget goes; the
// statement still runs to its end, and the count of rows it returned is kept.
TEST(BigValues, AResultBeyondTheBudgetKeepsItsFirstRowsAndItsCount) {
    TempDir dir;
    TestDb db(dir.file("rows.db"));
    db.exec(
        "CREATE TABLE t(a, b, c, d, e, f, g, h);"
        "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n LIMIT 300)"
        " INSERT INTO t SELECT x, 'name' || x, x * 1.5, NULL, X'0102', 'city', x, "
        " printf('%.*c', 600, 'x') FROM n;");
    constexpr std::size_t kBudget = 2 << 20;
    const SqlOutcome outcome =
        run_sql(db.handle(), "SELECT * FROM t a, t b; UPDATE t SET a = -a WHERE rowid = 1;",
                nullptr, kBudget);
    ASSERT_EQ(outcome.kind, SqlOutcome::Kind::rows) << outcome.message;
    const SqlRows& rows = *outcome.table;
    EXPECT_EQ(rows.rows_returned(), 90000);
    EXPECT_GT(rows.rows(), 1000);
    EXPECT_LT(rows.rows(), 90000);
    EXPECT_LE(rows.bytes_used(), kBudget);
    EXPECT_FALSE(rows.complete());
    EXPECT_FALSE(outcome.interrupted);
    // The statement after the listing ran as well.
    EXPECT_EQ(db.value("SELECT a FROM t WHERE rowid = 1"), "-1");
    // Kept values are right, and a long text is kept by what a cell shows.
    const int last = rows.rows() - 1;
    EXPECT_EQ(rows.text(last, 0), std::to_string(last / 300 + 1));
    EXPECT_EQ(rows.text(last, 9), "name" + std::to_string(last % 300 + 1));
    EXPECT_TRUE(rows.is_null(last, 3));
    EXPECT_EQ(rows.blob_size(last, 4), 2);
    EXPECT_EQ(rows.text(0, 7).size(), SqlRows::kKeptCharacters);
}

// Stopping goes through the poll that Esc answers: a statement that never ends
// stops, one that returns rows forever keeps what it returned, and a long UPDATE
// that is stopped changes nothing.
TEST(BigValues, ARunThatIsStoppedEndsAndChangesNothing) {
    TempDir dir;
    TestDb db(dir.file("stop.db"));
    db.exec("CREATE TABLE t(v); INSERT INTO t VALUES (1), (2);");
    int polls = 0;
    run_watch::set_poll(db.handle(), [&] { return ++polls >= 3; });

    const auto started = std::chrono::steady_clock::now();
    const SqlOutcome endless = run_sql(
        db.handle(),
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c;");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(endless.kind, SqlOutcome::Kind::error);
    EXPECT_EQ(endless.message, "interrupted");
    EXPECT_TRUE(endless.interrupted);

    polls = 0;
    const SqlOutcome rows =
        run_sql(db.handle(),
                "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c;");
    EXPECT_EQ(rows.kind, SqlOutcome::Kind::rows);
    EXPECT_TRUE(rows.interrupted);
    ASSERT_TRUE(rows.table);
    EXPECT_GT(rows.table->rows(), 0);
    EXPECT_EQ(rows.table->text(0, 0), "1");

    polls = 0;
    const SqlOutcome update = run_sql(
        db.handle(),
        "UPDATE t SET v = v + 10 WHERE (WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 "
        "FROM c) SELECT count(*) FROM c) > 0;");
    EXPECT_EQ(update.kind, SqlOutcome::Kind::error);
    EXPECT_EQ(db.rows("SELECT v FROM t ORDER BY v"),
              (std::vector<std::vector<std::string>>{{"1"}, {"2"}}));

    // A page read that is stopped says so, and the action's later reads are refused.
    polls = 0;
    {
        ReadFailureWatch watch(db.handle());
        TableShape shape;
        ASSERT_TRUE(read_table_shape(db.handle(), "t", shape));
        db.exec(
            "CREATE VIEW slow AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c)"
            " SELECT x AS v FROM c WHERE x < 0;");
        std::vector<PageRecord> page;
        TableShape slow;
        ShapeColumn column;
        column.name = "v";
        slow.columns.push_back(column);
        slow.identity = IdentityKind::none;
        EXPECT_FALSE(read_record_page(db.handle(), "slow", slow, 0, 1000, page));
        EXPECT_TRUE(watch.interrupted());
        EXPECT_FALSE(read_record_page(db.handle(), "t", shape, 0, 1000, page));
    }
    run_watch::set_poll(db.handle(), nullptr);
    // Without a poll nothing is stopped.
    EXPECT_EQ(run_sql(db.handle(), "SELECT count(*) FROM t").kind, SqlOutcome::Kind::rows);
}

}  // namespace

namespace {

// A table of as many columns as SQLite allows pages: its row id and its columns
// together are one more than a table may have.
TEST(BigValues, ATableOfTheMostColumnsSQLiteAllowsIsPaged) {
    TempDir dir;
    TestDb db(dir.file("wide.db"));
    std::string columns;
    std::string values;
    for (int c = 1; c <= 2000; ++c) {
        columns += (c > 1 ? ", c" : "c") + std::to_string(c);
        values += (c > 1 ? ", " : "") + std::to_string(c);
    }
    db.exec("CREATE TABLE wide(" + columns + "); INSERT INTO wide VALUES (" + values + ");");
    // As everywhere: no table of more columns can be made.
    sqlite3_limit(db.handle(), SQLITE_LIMIT_COLUMN, 2000);
    TableShape shape;
    ASSERT_TRUE(read_table_shape(db.handle(), "wide", shape));
    std::vector<PageRecord> page;
    ASSERT_TRUE(read_record_page(db.handle(), "wide", shape, 0, 1000, page))
        << sqlite3_errmsg(db.handle());
    ASSERT_EQ(page.size(), 1u);
    EXPECT_EQ(page[0].identity, std::vector<std::string>{"1"});
    EXPECT_EQ(page[0].values.back().text, "2000");
    EXPECT_EQ(sqlite3_limit(db.handle(), SQLITE_LIMIT_COLUMN, -1), 2000);
}

}  // namespace
