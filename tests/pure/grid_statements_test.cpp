#include <gtest/gtest.h>

#include "db/catalogue.h"
#include "db/result_table.h"
#include "grid/grid_statements.h"
#include "tests/support/test_support.h"

namespace {

int alias_of(TestDb& db, const char* table) {
    std::vector<ColumnInfo> columns;
    EXPECT_TRUE(read_column_info(db.handle(), table, columns)) << table;
    return rowid_alias_column(columns);
}

std::vector<std::string> names_of(TestDb& db, const char* table) {
    std::vector<ColumnInfo> columns;
    read_column_info(db.handle(), table, columns);
    std::vector<std::string> names;
    for (const ColumnInfo& column : columns) {
        names.push_back(column.name);
    }
    return names;
}

}  // namespace

// Only a sole INTEGER primary key stands for rowid; SQLite agrees on every table.
TEST(GridStatements, FindsTheColumnThatIsTheRowidAlias) {
    TempDir dir;
    TestDb db(dir.file("alias.db"));
    db.exec(
        "CREATE TABLE plain(a TEXT, b);"
        "CREATE TABLE first(id INTEGER PRIMARY KEY, name TEXT);"
        "CREATE TABLE second(name TEXT, Id integer primary key);"
        "CREATE TABLE table_key(x TEXT, id INTEGER, PRIMARY KEY(id));"
        "CREATE TABLE int_key(id INT PRIMARY KEY, name TEXT);"
        "CREATE TABLE text_key(code TEXT PRIMARY KEY, name TEXT);"
        "CREATE TABLE pair(a INTEGER, b INTEGER, PRIMARY KEY(a, b));");
    struct Case {
        const char* table;
        int alias;
    };
    for (const Case& c :
         {Case{"plain", 0}, Case{"first", 1}, Case{"second", 2}, Case{"table_key", 2},
          Case{"int_key", 0}, Case{"text_key", 0}, Case{"pair", 0}}) {
        EXPECT_EQ(alias_of(db, c.table), c.alias) << c.table;
    }
    EXPECT_EQ(rowid_alias_column({}), 0);

    // Where a column is the alias, a record's value in it is its rowid.
    db.exec("INSERT INTO first(id, name) VALUES (9, 'x'); INSERT INTO int_key VALUES (9, 'x');");
    EXPECT_EQ(db.value("SELECT rowid FROM first"), "9");
    EXPECT_NE(db.value("SELECT rowid FROM int_key"), "9");
}

// A new record gets the value in its column and the empty string elsewhere; the
// rowid alias gets NULL, so that SQLite picks the next key, unless it was edited.
TEST(GridStatements, NewRecordsTakeTheValueAndLetSQLitePickTheKey) {
    EXPECT_EQ(insert_record_sql("t", {"a", "b"}, 1, "x", 0),
              "INSERT INTO \"t\" (\"a\", \"b\") VALUES ('x', '');");
    EXPECT_EQ(insert_record_sql("t", {"id", "b"}, 2, "O'Brien", 1),
              "INSERT INTO \"t\" (\"id\", \"b\") VALUES (NULL, 'O''Brien');");

    TempDir dir;
    TestDb db(dir.file("insert.db"));
    db.exec(
        "CREATE TABLE t(a TEXT, b TEXT);"
        "CREATE TABLE k(id INTEGER PRIMARY KEY, name TEXT NOT NULL, note);"
        "INSERT INTO k VALUES (41, 'old', NULL);"
        "CREATE TABLE pair(a INTEGER, b INTEGER, PRIMARY KEY(a, b));");

    ASSERT_EQ(exec_ansi(db.handle(), insert_record_sql("t", names_of(db, "t"), 1, "x", 0)),
              SQLITE_OK);
    EXPECT_EQ(db.rows("SELECT a, b, typeof(b) FROM t"),
              (std::vector<std::vector<std::string>>{{"x", "", "text"}}));

    const int alias = alias_of(db, "k");
    ASSERT_EQ(exec_ansi(db.handle(), insert_record_sql("k", names_of(db, "k"), 2, "new", alias)),
              SQLITE_OK);
    ASSERT_EQ(exec_ansi(db.handle(), insert_record_sql("k", names_of(db, "k"), 1, "50", alias)),
              SQLITE_OK);
    EXPECT_EQ(db.rows("SELECT id, name, note FROM k ORDER BY id"),
              (std::vector<std::vector<std::string>>{
                  {"41", "old", "<NULL>"}, {"42", "new", ""}, {"50", "", ""}}));

    // Not an alias: the key columns take the empty string like any other column.
    ASSERT_EQ(exec_ansi(db.handle(), insert_record_sql("pair", names_of(db, "pair"), 1, "3",
                                                       alias_of(db, "pair"))),
              SQLITE_OK);
    EXPECT_EQ(db.rows("SELECT a, typeof(b) FROM pair"),
              (std::vector<std::vector<std::string>>{{"3", "text"}}));
}

// Names and values stay names and values, however they are spelled, and rowids
// keep all 64 bits.
TEST(GridStatements, UpdateDeleteAndReadTouchOnlyTheNamedRecord) {
    EXPECT_EQ(update_cell_sql("t", "a", "O'Brien", 5),
              "UPDATE \"t\" SET \"a\"='O''Brien' WHERE rowid = 5;");
    EXPECT_EQ(delete_record_sql("t", -7), "DELETE FROM \"t\" WHERE rowid=-7;");
    EXPECT_EQ(select_value_sql("t", "a", 4294967297LL),
              "SELECT \"a\" from \"t\" where rowid = 4294967297;");

    TempDir dir;
    TestDb db(dir.file("update.db"));
    db.exec(
        u8"CREATE TABLE y(a); INSERT INTO y VALUES (1);"
        u8"CREATE TABLE \"x; DROP TABLE y\"(\"na\"\"me\" TEXT, 名前 TEXT);"
        u8"INSERT INTO \"x; DROP TABLE y\"(rowid, \"na\"\"me\", 名前) VALUES"
        u8" (1, 'low', 'a'), (4294967297, 'high', 'b'), (-7, 'negative', 'c');");
    const char* table = "x; DROP TABLE y";

    ASSERT_EQ(exec_ansi(db.handle(), update_cell_sql(table, "na\"me", "O'Brien", 4294967297LL)),
              SQLITE_OK);
    ASSERT_EQ(exec_ansi(db.handle(), update_cell_sql(table, "名前", "テーブル", -7)), SQLITE_OK);
    EXPECT_EQ(
        db.rows(u8"SELECT rowid, \"na\"\"me\", 名前 FROM \"x; DROP TABLE y\" ORDER BY rowid"),
        (std::vector<std::vector<std::string>>{
            {"-7", "negative", u8"テーブル"}, {"1", "low", "a"}, {"4294967297", "O'Brien", "b"}}));

    ResultTable value;
    ASSERT_TRUE(value.run_ansi(db.handle(), select_value_sql(table, "na\"me", 4294967297LL)));
    ASSERT_EQ(value.rows(), 1);
    EXPECT_STREQ(value.value(0, 0), "O'Brien");

    // 4294967297 has the low 32 bits of 1: record 1 must stay.
    ASSERT_EQ(exec_ansi(db.handle(), delete_record_sql(table, 4294967297LL)), SQLITE_OK);
    EXPECT_EQ(db.rows("SELECT rowid FROM \"x; DROP TABLE y\" ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{{"-7"}, {"1"}}));
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM y"), "1");
}
