#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "structure/table_rebuild.h"
#include "structure/table_sql.h"
#include "tests/support/test_support.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string span(const TableSql& table, std::size_t begin, std::size_t end) {
    return table.sql.substr(begin, end - begin);
}

std::string type_of(const TableSql& table, std::size_t column) {
    return span(table, table.columns[column].type_begin, table.columns[column].type_end);
}

std::vector<ColumnEdit> unchanged(const TableSql& table) {
    std::vector<ColumnEdit> edits;
    for (std::size_t index = 0; index < table.columns.size(); ++index) {
        edits.push_back({index, false, "", false});
    }
    return edits;
}

}  // namespace

TEST(TableSql, SplitsColumnsAndFindsTypesAcrossQuotesStringsCommentsAndParentheses) {
    const std::string sql =
        "CREATE TABLE \"my \"\"books\"\"\" ( -- the list, with a comma\n"
        "  id INTEGER PRIMARY KEY AUTOINCREMENT,\n"
        "  [title, main] VARCHAR ( 20 ) NOT NULL DEFAULT 'a, (b' COLLATE NOCASE,\n"
        "  `price` DECIMAL(10, 2) CHECK (price > 0 AND price < (1000)) /* , */,\n"
        "  'memo' UNSIGNED BIG INT,\n"
        "  untyped,\n"
        "  total REAL GENERATED ALWAYS AS (price * 2) STORED,\n"
        "  half AS (CAST(price AS INT) / 2),\n"
        "  UNIQUE (title, \"main\"), FOREIGN KEY (id) REFERENCES other(x)\n"
        ") WITHOUT ROWID, STRICT";
    TableSql table;
    ASSERT_TRUE(parse_create_table(sql, table));
    ASSERT_EQ(table.columns.size(), 7u);
    const char* const names[] = {"id", "title, main", "price", "memo", "untyped", "total", "half"};
    const char* const types[] = {
        "INTEGER", "VARCHAR ( 20 )", "DECIMAL(10, 2)", "UNSIGNED BIG INT", "", "REAL", ""};
    for (std::size_t index = 0; index < 7; ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(table.columns[index].name, names[index]);
        EXPECT_EQ(type_of(table, index), types[index]);
        EXPECT_EQ(table.columns[index].generated, index >= 5);
    }
    EXPECT_EQ(span(table, table.columns[2].begin, table.columns[2].end),
              "`price` DECIMAL(10, 2) CHECK (price > 0 AND price < (1000))");
    ASSERT_EQ(table.constraints.size(), 2u);
    EXPECT_EQ(span(table, table.constraints[0].begin, table.constraints[0].end),
              "UNIQUE (title, \"main\")");
    EXPECT_EQ(sql.substr(table.list_end), ") WITHOUT ROWID, STRICT");

    // Taken apart and put together without a change, the text is what it was.
    EXPECT_EQ(edited_create_table(table, unchanged(table), {}), sql);

    // Not a table's column list.
    for (const char* other :
         {"CREATE VIRTUAL TABLE v USING fts5(a, b)", "CREATE TABLE t AS SELECT 1", "CREATE TABLE t",
          "CREATE TABLE t(", "CREATE TABLE t()", "CREATE INDEX i ON t(a)", "",
          "CREATE TABLE t(UNIQUE(a))", "CREATE TABLE t(a CHECK (a > 0)"}) {
        EXPECT_FALSE(parse_create_table(other, table)) << other;
    }
}

TEST(TableSql, EditsChangeOnlyWhatTheyName) {
    TableSql table;
    ASSERT_TRUE(parse_create_table(
        "CREATE TABLE t(a INTEGER CONSTRAINT k PRIMARY KEY DESC ON CONFLICT ABORT AUTOINCREMENT "
        "NOT NULL, b TEXT /* b */, c, d NUMERIC DEFAULT 1, CHECK (c <> d), UNIQUE (a, b))",
        table));
    std::vector<ColumnEdit> edits = unchanged(table);

    // Leaving columns out at the start, the middle and the end keeps the rest as written.
    EXPECT_EQ(edited_create_table(table, {edits[1], edits[3]}, {0}),
              "CREATE TABLE t(b TEXT /* b */, d NUMERIC DEFAULT 1, UNIQUE (a, b))");
    EXPECT_EQ(edited_create_table(table, {edits[0]}, {0, 1}),
              "CREATE TABLE t(a INTEGER CONSTRAINT k PRIMARY KEY DESC ON CONFLICT ABORT "
              "AUTOINCREMENT NOT NULL)");

    // A new type takes the place of the old, or stands after a name that had none.
    edits[1] = {1, true, "BLOB", false};
    edits[2] = {2, true, "REAL", false};
    edits[3] = {3, true, "", false};
    EXPECT_EQ(edited_create_table(table, edits, {}),
              "CREATE TABLE t(a INTEGER CONSTRAINT k PRIMARY KEY DESC ON CONFLICT ABORT "
              "AUTOINCREMENT NOT NULL, b BLOB /* b */, c REAL, d  DEFAULT 1, CHECK (c <> d), "
              "UNIQUE (a, b))");

    // The key clause goes whole, with its name, order, conflict clause and counter.
    edits = unchanged(table);
    edits[0] = {0, true, "TEXT", true};
    EXPECT_EQ(edited_create_table(table, {edits[0]}, {0, 1}), "CREATE TABLE t(a TEXT  NOT NULL)");
}

TEST(TableSql, NamesAreFoundOnlyAsNames) {
    EXPECT_TRUE(sql_names_any("CREATE INDEX i ON t(\"Price\")", {"price"}));
    EXPECT_TRUE(sql_names_any("SELECT [price] FROM t", {"x", "PRICE"}));
    EXPECT_FALSE(sql_names_any("SELECT 'price' /* price */ -- price", {"price"}));
    EXPECT_FALSE(sql_names_any("SELECT prices FROM t", {"price"}));
    EXPECT_FALSE(sql_names_any("", {"price"}));
}

// Random definitions that SQLite accepts: each is created, and what the parser
// finds must be what SQLite reports; the text must come back whole, and a table
// made from every column given its own type again must be the same table.
TEST(TableSql, RandomDefinitionsAgreeWithSqlite) {
    TempDir dir;
    TestDb db(dir.file("fuzz.db"));
    db.exec("PRAGMA synchronous = OFF;");
    std::mt19937 random(20261207);
    auto pick = [&](const std::vector<std::string>& choices) {
        return choices[random() % choices.size()];
    };
    const std::vector<std::string> names = {"a",          "\"b c\"", "[d,e]",      "`f``g`", "'h'",
                                            "\"i\"\"j\"", "k_1",     u8"\"名前\"", "\"(x)\""};
    const std::vector<std::string> types = {"",
                                            "INTEGER",
                                            "TEXT",
                                            "VARCHAR(20)",
                                            "NUMERIC",
                                            "DECIMAL ( 10 , 2 )",
                                            "UNSIGNED BIG INT",
                                            "BLOB",
                                            "\"odd type\"",
                                            "DOUBLE PRECISION"};
    const std::vector<std::string> constraints = {"",
                                                  " NOT NULL",
                                                  " DEFAULT 'x, y'",
                                                  " DEFAULT (1 + 2)",
                                                  " CHECK (length('a,b') > 0)",
                                                  " COLLATE NOCASE",
                                                  " UNIQUE",
                                                  " REFERENCES parent(id) ON DELETE CASCADE",
                                                  " /* a, comment */ NULL",
                                                  " CONSTRAINT c1 NOT NULL -- line\n",
                                                  " DEFAULT -1"};
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        std::vector<std::string> chosen = names;
        std::shuffle(chosen.begin(), chosen.end(), random);
        const std::size_t count = 1 + random() % 6;
        std::string sql = "CREATE TABLE fuzz (";
        for (std::size_t index = 0; index < count; ++index) {
            sql += index ? ",\n " : "";
            sql += chosen[index] + " " + pick(types) + pick(constraints);
            if (random() % 8 == 0) {
                sql += " AS (1)";
            }
        }
        if (random() % 3 == 0) {
            sql += ", CHECK (1 <> 2)";
        }
        sql += ")";
        db.exec("DROP TABLE IF EXISTS fuzz; DROP TABLE IF EXISTS again;");
        if (sqlite3_exec(db.handle(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
            continue;  // a combination SQLite refuses (two generated columns only, ...)
        }
        const std::string stored = db.value("SELECT sql FROM sqlite_master WHERE name = 'fuzz';");
        TableSql table;
        ASSERT_TRUE(parse_create_table(stored, table)) << stored;
        const Rows info =
            db.rows("SELECT name, type, hidden FROM pragma_table_xinfo('fuzz') ORDER BY cid;");
        ASSERT_EQ(table.columns.size(), info.size()) << stored;
        for (std::size_t index = 0; index < info.size(); ++index) {
            EXPECT_EQ(table.columns[index].name, info[index][0]) << stored;
            // SQLite reports a quoted type without its quotes.
            std::string type = type_of(table, index);
            if (type.size() > 1 && type[0] == '"') {
                type = sql_token_name(type, sql_tokens(type)[0]);
            }
            EXPECT_EQ(type, info[index][1]) << stored;
            EXPECT_EQ(table.columns[index].generated, info[index][2] != "0") << stored;
        }
        EXPECT_EQ(edited_create_table(table, unchanged(table), {}), stored);

        std::vector<ColumnEdit> retyped = unchanged(table);
        for (ColumnEdit& edit : retyped) {
            edit.retype = true;
            edit.type = type_of(table, edit.column);
        }
        std::string again = edited_create_table(table, retyped, {});
        again.replace(again.find("fuzz"), 4, "again");
        db.exec(again);
        EXPECT_EQ(db.rows("SELECT * FROM pragma_table_xinfo('again') ORDER BY cid;"),
                  db.rows("SELECT * FROM pragma_table_xinfo('fuzz') ORDER BY cid;"))
            << again;

        // The rebuild itself: unchanged, nothing moves; with the first column's
        // type changed, only that type does.
        if (round % 5 != 0) {
            continue;
        }
        std::vector<ColumnDef> columns;
        ASSERT_TRUE(load_table_columns(db.handle(), "fuzz", columns));
        StructureError error;
        const Rows master = db.rows("SELECT * FROM sqlite_master ORDER BY name;");
        EXPECT_TRUE(rebuild_table(db.handle(), "fuzz", columns, "fuzz", error)) << error.text;
        EXPECT_EQ(db.rows("SELECT * FROM sqlite_master ORDER BY name;"), master);
        Rows expected = db.rows("SELECT * FROM pragma_table_xinfo('fuzz') ORDER BY cid;");
        expected[0][2] = "BLOB";
        columns[0].type = "BLOB";
        EXPECT_TRUE(rebuild_table(db.handle(), "fuzz", columns, "fuzz", error)) << stored << "\n"
                                                                                << error.text;
        EXPECT_EQ(db.rows("SELECT * FROM pragma_table_xinfo('fuzz') ORDER BY cid;"), expected)
            << stored;
    }
}
