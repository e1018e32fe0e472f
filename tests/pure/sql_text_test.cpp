#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "db/result_table.h"
#include "db/sql_text.h"
#include "db/table_shape.h"
#include "tests/support/test_support.h"

TEST(SqlText, QuotesIdentifiersAndValues) {
    EXPECT_EQ(quote_identifier("t"), "\"t\"");
    EXPECT_EQ(quote_identifier("order items"), "\"order items\"");
    EXPECT_EQ(quote_identifier("a\"b"), "\"a\"\"b\"");
    EXPECT_EQ(quote_identifier(""), "\"\"");
    EXPECT_EQ(quote_value("O'Brien"), "'O''Brien'");
    EXPECT_EQ(count_sql("x\"y"), "SELECT COUNT(*) FROM \"x\"\"y\";");
    EXPECT_EQ(drop_table_sql("t"), "DROP TABLE \"t\"");
}

TEST(SqlText, RowIdsAreShownWithFiveDigitsAndReadBackWhole) {
    EXPECT_EQ(format_rowid(42), "00042");
    EXPECT_EQ(format_rowid(7), "00007");
    EXPECT_EQ(format_rowid(0), "00000");
    EXPECT_EQ(format_rowid(-5), "-0005");
    EXPECT_EQ(format_rowid(123456), "123456");
    EXPECT_EQ(format_rowid(4294967297LL), "4294967297");
    const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(format_rowid(lowest), "-9223372036854775808");

    for (std::int64_t id :
         {std::int64_t{0}, std::int64_t{42}, std::int64_t{-5}, std::int64_t{-7},
          std::int64_t{4294967297LL}, lowest, std::numeric_limits<std::int64_t>::max()}) {
        EXPECT_EQ(parse_integer(format_rowid(id).c_str()), id) << id;
    }
    EXPECT_EQ(parse_integer("*"), 0);
    EXPECT_EQ(parse_integer(""), 0);
    EXPECT_EQ(parse_integer(nullptr), 0);
    EXPECT_EQ(parse_integer("12abc"), 12);
}

// Names that need quoting, or that would add a statement if they were not quoted,
// work as names and nothing else happens.
TEST(SqlText, HostileTableNamesAreOnlyNames) {
    TempDir dir;
    TestDb db(dir.file("hostile.db"));
    db.exec(
        "CREATE TABLE y(a); INSERT INTO y VALUES (1);"
        "CREATE TABLE \"x; DROP TABLE y\"(v TEXT); INSERT INTO \"x; DROP TABLE y\" VALUES ('kept');"
        "CREATE TABLE \"order items\"(\"item no\" INTEGER, \"na\"\"me\" TEXT);"
        "INSERT INTO \"order items\" VALUES (5, 'five');");

    for (const char* name : {"x; DROP TABLE y", "order items"}) {
        TableShape shape;
        ASSERT_TRUE(read_table_shape(db.handle(), name, shape)) << name;
        ResultTable page;
        ASSERT_TRUE(page.run(db.handle(), record_page_sql(name, shape, 0, 1000))) << name;
        EXPECT_EQ(page.rows(), 1) << name;
        EXPECT_EQ(count_table_rows(db.handle(), name), 1) << name;
    }
    TableShape shape;
    ASSERT_TRUE(read_table_shape(db.handle(), "order items", shape));
    ASSERT_EQ(shape.columns.size(), 2u);
    EXPECT_EQ(shape.columns[1].name, "na\"me");
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM y"), "1");

    EXPECT_EQ(exec_ansi(db.handle(), drop_table_sql("x; DROP TABLE y")), SQLITE_OK);
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE name='y'"), "1");
}

// A table may have a column of its own named rowid; the statements must still
// reach the real row id, or one edit could change every record with that value.
TEST(SqlText, FindsTheRowIdUnderANameTheTableLeavesFree) {
    EXPECT_EQ(rowid_name_for({"a", "b"}), "rowid");
    EXPECT_EQ(rowid_name_for({"a", "RowID"}), "_rowid_");
    EXPECT_EQ(rowid_name_for({"rowid", "_ROWID_"}), "oid");
    EXPECT_EQ(rowid_name_for({"rowid", "_rowid_", "oid"}), "rowid");

    TempDir dir;
    TestDb db(dir.file("rowid.db"));
    db.exec(
        "CREATE TABLE t(rowid TEXT, v TEXT); INSERT INTO t VALUES ('same', 'a'), ('same', 'b');");
    TableShape shape;
    ASSERT_TRUE(read_table_shape(db.handle(), "t", shape));
    ResultTable page;
    ASSERT_TRUE(page.run(db.handle(), record_page_sql("t", shape, 0, 1000)));
    ASSERT_EQ(page.rows(), 2);
    EXPECT_STREQ(page.value(0, 0), "1");
    EXPECT_STREQ(page.value(1, 0), "2");
    EXPECT_STREQ(page.value(1, 1), "same");
}
