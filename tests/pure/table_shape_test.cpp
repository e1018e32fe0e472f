#include <gtest/gtest.h>

#include "db/record_identity.h"
#include "db/result_table.h"
#include "db/sql_text.h"
#include "db/table_shape.h"
#include "page/record_statements.h"
#include "tests/support/test_support.h"

namespace {

// "café" in UTF-8: its é is not in code page 932.
const std::string kCafeAccent = "caf\xC3\xA9";

using Rows = std::vector<std::vector<std::string>>;

// One page as the grid reads it, each row as its condition and its cells.
Rows page_of(sqlite3* db, const std::string& table, const TableShape& shape) {
    ResultTable page;
    EXPECT_TRUE(page.run(db, record_page_sql(table, shape, 0, 1000))) << sqlite3_errmsg(db);
    const int ids = identity_field_count(shape);
    Rows rows;
    for (int row = 0; row < page.rows(); ++row) {
        std::vector<std::string> identity;
        for (int field = 0; field < ids; ++field) {
            identity.push_back(page.value(row, field) ? page.value(row, field) : "");
        }
        std::vector<std::string> cells{record_condition(shape, identity)};
        for (int field = ids; field < page.columns(); ++field) {
            cells.push_back(page.value(row, field) ? page.value(row, field) : "<NULL>");
        }
        rows.push_back(cells);
    }
    return rows;
}

TableShape shape_of(TestDb& db, const std::string& table) {
    TableShape shape;
    EXPECT_TRUE(read_table_shape(db.handle(), table, shape)) << table;
    return shape;
}

}  // namespace

// Only a sole key column declared INTEGER stands for the row id, and not when it
// is declared "INTEGER PRIMARY KEY DESC": the blank row leaves the alias to SQLite
// (NULL gives a new row id), where any other key column gets a value of its own.
// Each answer is checked against where SQLite put a record's key.
TEST(TableShape, FindsTheColumnThatIsTheRowidAlias) {
    TempDir dir;
    TestDb db(dir.file("alias.db"));
    db.exec(
        "CREATE TABLE plain(a TEXT, b);"
        "CREATE TABLE first(id INTEGER PRIMARY KEY, name TEXT);"
        "CREATE TABLE second(name TEXT, Id integer primary key);"
        "CREATE TABLE table_key(x TEXT, id INTEGER, PRIMARY KEY(id));"
        "CREATE TABLE table_desc(x TEXT, id INTEGER, PRIMARY KEY(id DESC));"
        "CREATE TABLE column_desc(id INTEGER PRIMARY KEY DESC, x TEXT);"
        "CREATE TABLE int_key(id INT PRIMARY KEY, x TEXT);"
        "CREATE TABLE text_key(id TEXT PRIMARY KEY, x TEXT);"
        "CREATE TABLE pair(id INTEGER, b INTEGER, PRIMARY KEY(id, b));");
    struct Case {
        const char* table;
        int alias;
    };
    for (const Case& c : {Case{"plain", 0}, Case{"first", 1}, Case{"second", 2},
                          Case{"table_key", 2}, Case{"table_desc", 2}, Case{"column_desc", 0},
                          Case{"int_key", 0}, Case{"text_key", 0}, Case{"pair", 0}}) {
        TableShape shape;
        ASSERT_TRUE(read_table_shape(db.handle(), c.table, shape)) << c.table;
        EXPECT_EQ(shape.rowid_alias, c.alias) << c.table;
        if (c.alias > 0) {
            db.exec(std::string("INSERT INTO ") + c.table + "(id) VALUES (9);");
            EXPECT_EQ(db.value(std::string("SELECT rowid FROM ") + c.table), "9") << c.table;
        }
    }
    db.exec("INSERT INTO column_desc(id) VALUES (9); INSERT INTO int_key(id) VALUES (9);");
    EXPECT_NE(db.value("SELECT rowid FROM column_desc"), "9");
    EXPECT_NE(db.value("SELECT rowid FROM int_key"), "9");
}

// Records of a table without row ids are listed in key order and found again by
// every key column, whatever the key's values hold.
TEST(TableShape, ListsAndFindsRecordsOfATableWithoutRowids) {
    TempDir dir;
    TestDb db(dir.file("keys.db"));
    db.exec(
        "CREATE TABLE one(code TEXT PRIMARY KEY, n INTEGER) WITHOUT ROWID;"
        "INSERT INTO one VALUES ('b', 2), ('a''x', 1);"
        "CREATE TABLE two(x, y INTEGER, v, PRIMARY KEY(y, x)) WITHOUT ROWID;"
        "INSERT INTO two VALUES (X'00ff', 1, 'blob'), ('t', 1, 'text'), (2.5, 0, 'real');");

    const TableShape one = shape_of(db, "one");
    EXPECT_EQ(one.identity, IdentityKind::primary_key);
    EXPECT_EQ(page_of(db.handle(), "one", one),
              (Rows{{"\"code\" = 'a''x'", "a'x", "1"}, {"\"code\" = 'b'", "b", "2"}}));

    const TableShape two = shape_of(db, "two");
    EXPECT_EQ(two.key_columns(), (std::vector<std::size_t>{1, 0}));
    const Rows rows = page_of(db.handle(), "two", two);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0][0], "\"y\" = 0 AND \"x\" = 2.5");
    // Each condition reaches its own record, a blob key too.
    for (const std::vector<std::string>& row : rows) {
        ASSERT_EQ(exec_utf8(db.handle(), "UPDATE two SET v = v || '!' WHERE " + row[0] + ";"),
                  SQLITE_OK);
    }
    ASSERT_EQ(exec_utf8(db.handle(), delete_where_sql("two", rows[1][0])), SQLITE_OK);
    TestDb check(db.path());
    EXPECT_EQ(check.rows("SELECT typeof(x), v FROM two ORDER BY y, x"),
              (Rows{{"real", "real!"}, {"blob", "blob!"}}));
}

// Generated columns are listed where they stand, marked; hidden columns of
// virtual tables are not; rowid tables keep their row id.
TEST(TableShape, ReadsGeneratedAndHiddenColumnsAsTheTableHoldsThem) {
    TempDir dir;
    TestDb db(dir.file("generated.db"));
    db.exec(
        "CREATE TABLE t(a TEXT, g AS (a || '!'), b TEXT, s INTEGER GENERATED ALWAYS AS "
        "(length(a)) STORED);"
        "INSERT INTO t(a, b) VALUES ('A', 'B');"
        "CREATE VIRTUAL TABLE docs USING fts5(title, body);"
        "INSERT INTO docs VALUES ('first', 'some words');"
        "CREATE VIRTUAL TABLE boxes USING rtree(id, x0, x1);"
        "INSERT INTO boxes VALUES (7, 1, 2);");

    const TableShape t = shape_of(db, "t");
    ASSERT_EQ(t.columns.size(), 4u);
    EXPECT_EQ(column_header(t.columns[0]), "a [TEXT]");
    EXPECT_EQ(column_header(t.columns[1]), "g [GENERATED]");
    EXPECT_EQ(column_header(t.columns[3]), "s [INTEGER] [GENERATED]");
    EXPECT_EQ(page_of(db.handle(), "t", t), (Rows{{"rowid = 1", "A", "A!", "B", "1"}}));

    const TableShape docs = shape_of(db, "docs");
    EXPECT_TRUE(docs.is_virtual);
    EXPECT_EQ(docs.identity, IdentityKind::rowid);
    EXPECT_EQ(page_of(db.handle(), "docs", docs), (Rows{{"rowid = 1", "first", "some words"}}));
    EXPECT_EQ(page_of(db.handle(), "boxes", shape_of(db, "boxes")),
              (Rows{{"rowid = 7", "7", "1.0", "2.0"}}));
    // Their shadow tables are tables of their own.
    EXPECT_EQ(shape_of(db, "docs_data").identity, IdentityKind::rowid);
    EXPECT_EQ(shape_of(db, "docs_idx").identity, IdentityKind::primary_key);
}

// A new record from the blank row: '' where the column takes text, the declared
// default or NULL where a STRICT column would refuse ''.
TEST(TableShape, BlankRowInsertSuitsEveryColumnOfAStrictTable) {
    TempDir dir;
    TestDb db(dir.file("strict.db"));
    db.exec(
        "CREATE TABLE s(i INTEGER, r REAL DEFAULT 1.5, b BLOB, a ANY, t TEXT) STRICT;"
        "CREATE TABLE plain(i INTEGER, t TEXT);");
    const TableShape s = shape_of(db, "s");
    EXPECT_TRUE(s.strict);
    for (std::size_t edited = 0; edited < s.columns.size(); ++edited) {
        const std::string sql = insert_literals_sql("s", s, blank_row_literals(s, edited, "7", 0));
        EXPECT_EQ(exec_utf8(db.handle(), sql), SQLITE_OK)
            << sql << ": " << sqlite3_errmsg(db.handle());
    }
    const TableShape plain = shape_of(db, "plain");
    EXPECT_EQ(insert_literals_sql("plain", plain, blank_row_literals(plain, 1, "x", 0)),
              "INSERT INTO \"plain\" (\"i\", \"t\") VALUES ('', 'x');");

    TestDb check(db.path());
    EXPECT_EQ(check.rows("SELECT quote(i), quote(r), quote(b), quote(a), quote(t) FROM s"),
              (Rows{{"7", "1.5", "NULL", "''", "''"},
                    {"NULL", "7.0", "NULL", "''", "''"},
                    {"NULL", "1.5", "X'37'", "''", "''"},
                    {"NULL", "1.5", "NULL", "'7'", "''"},
                    {"NULL", "1.5", "NULL", "''", "'7'"}}));
}

// Names that differ only in characters the code page lacks stay two tables.
TEST(TableShape, KeepsExactNamesOfTablesTheCodePageCannotTellApart) {
    TempDir dir;
    TestDb db(dir.file("names.db"));
    db.exec(
        "CREATE TABLE cafe(x); INSERT INTO cafe VALUES ('plain');"
        "CREATE TABLE " +
        kCafeAccent + "(x); INSERT INTO " + kCafeAccent + " VALUES ('accent');");
    std::vector<TableName> tables;
    ASSERT_TRUE(read_tables(db.handle(), tables));
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(tables[0].name, "cafe");
    EXPECT_EQ(tables[1].name, kCafeAccent);
    // Shown as held: the accent stays, so the two names look as different as they are.
    EXPECT_EQ(tables[1].shown, kCafeAccent);

    const TableShape accent = shape_of(db, tables[1].name);
    EXPECT_EQ(page_of(db.handle(), tables[1].name, accent)[0][1], "accent");
    EXPECT_EQ(exec_utf8(db.handle(), drop_table_sql(tables[1].name)), SQLITE_OK);
    TestDb check(db.path());
    EXPECT_EQ(check.rows("SELECT name FROM sqlite_master"), (Rows{{"cafe"}}));
    EXPECT_EQ(check.value("SELECT x FROM cafe"), "plain");
}
