// A database's views in the table list and in pages, read through the TablePage
// the grid uses, against real files.
#include <gtest/gtest.h>

#include "db/result_table.h"
#include "db/sql_text.h"
#include "page/table_page.h"
#include "tests/support/test_support.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

}  // namespace

// Views come after the tables, marked, each keeping its exact name: a table
// literally named with the mark stays a table, and dropping the view leaves it.
TEST(ViewPage, ListsViewsAfterTablesByTheirExactNames) {
    TempDir dir;
    TestDb db(dir.file("list.db"));
    const std::string marked = "v" + utf8_of(kViewMark);
    db.exec(
        "CREATE TABLE z(a); CREATE VIEW v AS SELECT a FROM z; CREATE VIEW a_view AS SELECT 1;"
        "CREATE TABLE \"" +
        marked + "\"(a); INSERT INTO \"" + marked + "\" VALUES (7);");
    std::vector<TableName> tables;
    ASSERT_TRUE(read_tables(db.handle(), tables));
    ASSERT_EQ(tables.size(), 4u);
    EXPECT_EQ(tables[0].name, marked);
    EXPECT_FALSE(tables[0].view);
    EXPECT_EQ(tables[1].name, "z");
    EXPECT_EQ(tables[2].name, "a_view");
    EXPECT_TRUE(tables[2].view);
    EXPECT_EQ(tables[3].name, "v");
    EXPECT_TRUE(tables[3].view);
    // Shown alike, told apart by the exact name.
    EXPECT_EQ(tables[3].shown, tables[0].shown);

    EXPECT_EQ(exec_utf8(db.handle(), drop_view_sql(tables[3].name)), SQLITE_OK);
    TestDb check(db.path());
    EXPECT_EQ(check.rows("SELECT type, name FROM sqlite_master ORDER BY name"),
              (Rows{{"view", "a_view"}, {"table", marked}, {"table", "z"}}));
    EXPECT_EQ(check.value("SELECT a FROM \"" + marked + "\""), "7");
}

// A view over a join pages like a table, 1,000 records a page, in the view's own
// order, numbered from 1; it takes no new record without a trigger for it.
TEST(ViewPage, PagesAViewOverAJoinInItsOwnOrder) {
    TempDir dir;
    TestDb db(dir.file("join.db"));
    db.exec(
        "CREATE TABLE item(id INTEGER PRIMARY KEY, name TEXT, kind INTEGER);"
        "CREATE TABLE kind(id INTEGER PRIMARY KEY, label VARCHAR(10));"
        "INSERT INTO kind VALUES (1, 'odd'), (2, 'even');"
        "CREATE VIEW listing AS SELECT item.id AS n, item.name, kind.label, item.id * 2 AS twice"
        " FROM item JOIN kind ON kind.id = 2 - item.id % 2 ORDER BY item.id DESC;");
    db.fill("INSERT INTO item(id, name) VALUES (?1, 'item ' || ?1)", 1500);

    TablePage page;
    ASSERT_TRUE(page.open(db.handle(), "listing"));
    ASSERT_EQ(page.column_count(), 4);
    EXPECT_EQ(page.shape().columns[0].type, "INTEGER");
    EXPECT_EQ(page.shape().columns[2].type, "VARCHAR(10)");
    EXPECT_EQ(page.shape().columns[3].type, "");

    ASSERT_TRUE(page.load(0));
    EXPECT_TRUE(page.view().next_enabled);
    EXPECT_EQ(page.row_count(), 1000);
    EXPECT_EQ(page.blank_row(), -1);
    EXPECT_EQ(page.view().label, "1-1000");
    EXPECT_EQ(page.cell_text(0, 0), format_rowid(1));
    EXPECT_EQ(page.cell_text(0, 1), "1500");
    EXPECT_EQ(page.cell_text(0, 3), "even");
    EXPECT_EQ(page.cell_text(999, 1), "501");

    ASSERT_TRUE(page.load(1));
    EXPECT_EQ(page.row_count(), 500);
    EXPECT_EQ(page.blank_row(), -1);
    EXPECT_EQ(page.cell_text(0, 0), format_rowid(1001));
    EXPECT_EQ(page.cell_text(499, 1), "1");
    EXPECT_EQ(page.cell_text(499, 4), "2");
    EXPECT_FALSE(page.view().next_enabled);
}

// A view whose definition no longer holds cannot be opened, and the database's
// message says why.
TEST(ViewPage, AViewThatNoLongerHoldsKeepsTheDatabasesMessage) {
    TempDir dir;
    TestDb db(dir.file("broken.db"));
    db.exec(
        "CREATE TABLE gone(a); CREATE VIEW orphan AS SELECT a FROM gone; DROP TABLE gone;"
        "CREATE VIEW odd AS SELECT no_such_function(1) AS x;");
    TablePage page;
    EXPECT_FALSE(page.open(db.handle(), "orphan"));
    EXPECT_NE(page.read_error().find("no such table"), std::string::npos) << page.read_error();
    EXPECT_FALSE(page.open(db.handle(), "odd"));
    EXPECT_NE(page.read_error().find("no such function"), std::string::npos) << page.read_error();
}
