#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "structure/table_rebuild.h"
#include "tests/support/test_support.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Denies one kind of action on one object (any object when `object` is empty),
// as a database that refuses a statement would.
struct Denial {
    int action;
    std::string object;
};

int deny(void* data, int action, const char* first, const char*, const char*, const char*) {
    const Denial* denial = static_cast<const Denial*>(data);
    if (action != denial->action) {
        return SQLITE_OK;
    }
    if (!denial->object.empty() &&
        (!first || sqlite3_stricmp(first, denial->object.c_str()) != 0)) {
        return SQLITE_OK;
    }
    return SQLITE_DENY;
}

class TableRebuild : public testing::Test {
protected:
    void SetUp() override {
        db.exec(
            "CREATE TABLE books(title TEXT, price NUMERIC, memo TEXT);"
            "INSERT INTO books VALUES ('Kokoro', 1200, 'a'), ('Sanshiro', 980.5, NULL),"
            " ('Botchan', 'n/a', 'c');");
    }

    std::vector<ColumnDef> loaded(const std::string& table = "books") {
        std::vector<ColumnDef> columns;
        EXPECT_TRUE(load_table_columns(db.handle(), table, columns));
        return columns;
    }

    // What must survive a failed rebuild: the schema text and every row.
    std::string schema(const std::string& utf8_table = "books") {
        return db.value("SELECT sql FROM sqlite_master WHERE name = '" + utf8_table + "';");
    }
    Rows rows(const std::string& utf8_table = "books") {
        return db.rows("SELECT rowid, * FROM \"" + utf8_table + "\" ORDER BY rowid;");
    }
    std::string temp_tables() { return db.value("SELECT COUNT(*) FROM sqlite_temp_master;"); }
    std::string tables() {
        std::string names;
        for (const auto& row :
             db.rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name;")) {
            names += row[0] + ";";
        }
        return names;
    }

    TempDir dir;
    TestDb db{dir.file("rebuild.db")};
    StructureError error;
};

}  // namespace

TEST(RebuildStatements, FollowTheSixStepsWithQuotedNames) {
    std::vector<ColumnDef> columns = {{"title", "title", "TEXT"}, {"price", "cost", "NUMERIC"}};
    const std::vector<std::string> expected = {
        "CREATE TEMPORARY TABLE TEMP_TABLE(\"title\", \"price\");",
        "INSERT INTO TEMP_TABLE SELECT \"title\", \"price\" FROM \"books\";",
        "DROP TABLE \"books\";",
        "create table \"stock\" (\"title\" TEXT, \"cost\" NUMERIC);",
        "INSERT INTO \"stock\"(\"title\", \"cost\") SELECT \"title\", \"price\" FROM TEMP_TABLE;",
        "DROP TABLE TEMP_TABLE;",
    };
    EXPECT_EQ(rebuild_statements("books", columns, "stock"), expected);
    EXPECT_EQ(source_list(columns), "\"title\", \"price\"");
    EXPECT_EQ(target_list(columns), "\"title\", \"cost\"");
    EXPECT_EQ(source_list({}), "");
    EXPECT_EQ(rebuild_statements("t", {}, "t")[0], "CREATE TEMPORARY TABLE TEMP_TABLE();");

    // A table named like the temporary one is named with its schema, or the copies
    // would find TEMP_TABLE itself.
    const std::vector<std::string> shadowed =
        rebuild_statements("Temp_Table", columns, "temp_table");
    EXPECT_EQ(shadowed[1],
              "INSERT INTO TEMP_TABLE SELECT \"title\", \"price\" FROM main.\"Temp_Table\";");
    EXPECT_EQ(shadowed[2], "DROP TABLE main.\"Temp_Table\";");
    EXPECT_EQ(
        shadowed[4],
        "INSERT INTO main.\"temp_table\"(\"title\", \"cost\") SELECT \"title\", \"price\" FROM "
        "TEMP_TABLE;");

    // Lists far beyond any fixed room are built whole.
    std::vector<ColumnDef> many;
    for (int i = 0; i < 100; ++i) {
        const std::string name = std::string(290, 'c') + std::to_string(1000 + i);
        many.push_back({name, name + "x", "TEXT"});
    }
    const std::string sources = source_list(many);
    EXPECT_EQ(sources.size(), 100u * (294 + 2) + 99u * 2);
    EXPECT_EQ(sources.substr(sources.size() - 6), "c1099\"");
    EXPECT_NE(rebuild_statements("t", many, "t")[4].find(std::string(290, 'c') + "1099x\") SELECT"),
              std::string::npos);
}

TEST_F(TableRebuild, RenamesRetypesAndDropsColumnsAndRenamesTheTable) {
    std::vector<ColumnDef> columns = loaded();
    ASSERT_EQ(columns.size(), 3u);
    columns[1].name = "cost";
    columns[0].type = "BLOB";
    columns.erase(columns.begin() + 2);
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "stock", error)) << error.text;

    EXPECT_EQ(tables(), "stock;");
    EXPECT_EQ(schema("stock"), "CREATE TABLE \"stock\" (\"title\" BLOB, \"cost\" NUMERIC)");
    EXPECT_EQ(db.rows("SELECT title, cost, typeof(cost) FROM stock ORDER BY rowid;"),
              (Rows{{"Kokoro", "1200", "integer"},
                    {"Sanshiro", "980.5", "real"},
                    {"Botchan", "n/a", "text"}}));
    EXPECT_EQ(temp_tables(), "0");
    EXPECT_TRUE(sqlite3_get_autocommit(db.handle()));
}

TEST_F(TableRebuild, ANewTypeAppliesItsRulesToTheCopiedValues) {
    std::vector<ColumnDef> columns = loaded();
    columns[1].type = "TEXT";
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "books", error)) << error.text;
    EXPECT_EQ(db.rows("SELECT price, typeof(price) FROM books ORDER BY rowid;"),
              (Rows{{"1200", "text"}, {"980.5", "text"}, {"n/a", "text"}}));
}

TEST_F(TableRebuild, WithoutChangesTheTableComesBackWithItsRows) {
    const Rows before = rows();
    ASSERT_TRUE(rebuild_table(db.handle(), "books", loaded(), "books", error)) << error.text;
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(schema(),
              "CREATE TABLE \"books\" (\"title\" TEXT, \"price\" NUMERIC, \"memo\" TEXT)");
    EXPECT_EQ(tables(), "books;");
    EXPECT_EQ(temp_tables(), "0");
}

TEST_F(TableRebuild, AnIntegerPrimaryKeyHoldsOnlyWhenChosenAgain) {
    db.exec(
        "CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT);"
        "INSERT INTO items VALUES (10, 'ten'), (20, 'twenty'), (5, 'five');");
    std::vector<ColumnDef> columns = loaded("items");
    ASSERT_EQ(columns[0].type, "INTEGER");

    // As loaded, the key is a plain INTEGER column and the rows are numbered afresh.
    ASSERT_TRUE(rebuild_table(db.handle(), "items", columns, "items", error)) << error.text;
    EXPECT_EQ(db.rows("SELECT rowid, id, name FROM items ORDER BY id;"),
              (Rows{{"1", "5", "five"}, {"2", "10", "ten"}, {"3", "20", "twenty"}}));

    columns = loaded("items");
    columns[0].type = "INTEGER PRIMARY KEY";
    ASSERT_TRUE(rebuild_table(db.handle(), "items", columns, "items", error)) << error.text;
    EXPECT_EQ(db.rows("SELECT rowid, id, name FROM items ORDER BY id;"),
              (Rows{{"5", "5", "five"}, {"10", "10", "ten"}, {"20", "20", "twenty"}}));
}

TEST_F(TableRebuild, AFailureAtAnyStepLeavesTheTableAsItWas) {
    db.exec("CREATE INDEX books_title ON books(title);");
    struct Case {
        int step;
        Denial denial;
        const char* text;
    };
    const Case cases[] = {
        {1,
         {SQLITE_CREATE_TEMP_TABLE, ""},
         "テンポラリテーブル作成処理が失敗しました。\nnot authorized"},
        {2,
         {SQLITE_INSERT, "TEMP_TABLE"},
         "テンポラリテーブル複写処理が失敗しました。\nnot authorized"},
        {3, {SQLITE_DROP_TABLE, "books"}, "テーブル削除処理が失敗しました。\nnot authorized"},
        {4, {SQLITE_CREATE_TABLE, "stock"}, "テーブル作成処理が失敗しました。\nnot authorized"},
        {5, {SQLITE_INSERT, "stock"}, "テーブル複写処理が失敗しました。\nnot authorized"},
        {6,
         {SQLITE_DROP_TEMP_TABLE, "TEMP_TABLE"},
         "テンポラリテーブル削除処理が失敗しました。\nnot authorized"},
    };
    const std::string schema_before = schema();
    const Rows rows_before = rows();
    std::vector<ColumnDef> columns = loaded();
    columns[1].name = "cost";
    columns.pop_back();

    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        Denial denial = c.denial;
        sqlite3_set_authorizer(db.handle(), deny, &denial);
        error = {};
        EXPECT_FALSE(rebuild_table(db.handle(), "books", columns, "stock", error));
        sqlite3_set_authorizer(db.handle(), nullptr, nullptr);

        EXPECT_EQ(error.step, c.step);
        EXPECT_EQ(error.text, c.text);
        EXPECT_EQ(error.caption, "SQL エラー");
        EXPECT_EQ(tables(), "books;");
        EXPECT_EQ(schema(), schema_before);
        EXPECT_EQ(rows(), rows_before);
        EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'books_title';"), "1");
        EXPECT_EQ(temp_tables(), "0");
        EXPECT_TRUE(sqlite3_get_autocommit(db.handle()));
    }

    // Nothing was left behind to make the next rebuild fail.
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "stock", error)) << error.text;
    EXPECT_EQ(db.rows("SELECT title, cost FROM stock ORDER BY rowid;"),
              (Rows{{"Kokoro", "1200"}, {"Sanshiro", "980.5"}, {"Botchan", "n/a"}}));
}

TEST_F(TableRebuild, RefusedInputsAndValuesAreUndoneWithTheStepsMessage) {
    db.exec("CREATE TABLE stock(x);");
    const Rows rows_before = rows();
    const std::string schema_before = schema();
    struct Case {
        std::vector<ColumnDef> columns;
        std::string new_name;
        int step;
        std::string text;
        std::string caption;
    };
    std::vector<ColumnDef> all = loaded();
    std::vector<ColumnDef> keyed = all;
    keyed[1].type = "INTEGER PRIMARY KEY";  // 980.5 and 'n/a' are not row ids
    std::vector<ColumnDef> twice = all;
    twice[2].name = "title";
    std::vector<ColumnDef> missing = all;
    missing[0].source_name = "gone";
    const Case cases[] = {
        {{},
         "books",
         1,
         "テンポラリテーブル作成処理が失敗しました。\nnear \")\": syntax error",
         "SQL エラー"},
        {missing, "books", 2,
         "テンポラリテーブル複写処理が失敗しました。\nno such column: \"gone\" - should this be a "
         "string literal in single-quotes?",
         "SQL エラー"},
        {all, "", 4, "テーブル名が未入力です", "エラー"},
        {all, "stock", 4, "テーブル作成処理が失敗しました。\ntable \"stock\" already exists",
         "SQL エラー"},
        {twice, "books", 4, "テーブル作成処理が失敗しました。\nduplicate column name: title",
         "SQL エラー"},
        {keyed, "books", 5, "テーブル複写処理が失敗しました。\ndatatype mismatch", "SQL エラー"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        error = {};
        EXPECT_FALSE(rebuild_table(db.handle(), "books", c.columns, c.new_name, error));
        EXPECT_EQ(error.step, c.step);
        EXPECT_EQ(error.text, c.text);
        EXPECT_EQ(error.caption, c.caption);
        EXPECT_EQ(tables(), "books;stock;");
        EXPECT_EQ(schema(), schema_before);
        EXPECT_EQ(rows(), rows_before);
        EXPECT_EQ(temp_tables(), "0");
    }
}

TEST_F(TableRebuild, AChangeThatCannotBeMadeFinalIsUndone) {
    // Another connection in the middle of reading keeps the file from being written.
    sqlite3* reader = nullptr;
    ASSERT_EQ(sqlite3_open(utf8_of(db.path()).c_str(), &reader), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(reader, "SELECT * FROM books;", -1, &statement, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);

    const Rows rows_before = rows();
    std::vector<ColumnDef> columns = loaded();
    columns[0].name = "heading";
    EXPECT_FALSE(rebuild_table(db.handle(), "books", columns, "stock", error));
    EXPECT_EQ(error.step, 0);
    EXPECT_EQ(error.text, "テーブル構造の変更を確定できませんでした。\ndatabase is locked");
    EXPECT_TRUE(sqlite3_get_autocommit(db.handle()));

    sqlite3_finalize(statement);
    sqlite3_close(reader);
    EXPECT_EQ(tables(), "books;");
    EXPECT_EQ(rows(), rows_before);
    EXPECT_EQ(temp_tables(), "0");
}

TEST_F(TableRebuild, AColumnNameTheCodePageCannotHoldFailsWithoutHarm) {
    // Hangul has no form in code page 932, so the loaded name cannot find its column.
    db.exec(
        u8"CREATE TABLE korean(\"한글\" TEXT, n); INSERT INTO korean VALUES ('a', 1), ('b', 2);");
    const Rows before = rows("korean");
    EXPECT_FALSE(rebuild_table(db.handle(), "korean", loaded("korean"), "korean", error));
    EXPECT_GE(error.step, 1);
    EXPECT_LE(error.step, 2);
    EXPECT_EQ(rows("korean"), before);
    EXPECT_EQ(db.value("SELECT name FROM pragma_table_info('korean') WHERE cid = 0;"),
              "\xED\x95\x9C\xEA\xB8\x80");
    EXPECT_EQ(temp_tables(), "0");
}

TEST_F(TableRebuild, NamesWithBlanksAndQuotesWork) {
    db.exec(
        u8"CREATE TABLE \"my \"\"books\"\"\"(\"unit price\" NUMERIC, \"order\" TEXT, \"名 前\");"
        u8"INSERT INTO \"my \"\"books\"\"\" VALUES (1, 'x', 'い'), (2, 'y', 'ろ');");
    std::vector<ColumnDef> columns = loaded("my \"books\"");
    ASSERT_EQ(columns.size(), 3u);
    columns[0].name = "it's \"net\"";
    columns[2].name = "名 前 2";
    ASSERT_TRUE(rebuild_table(db.handle(), "my \"books\"", columns, "stock's list", error))
        << error.text;
    EXPECT_EQ(db.rows(u8"SELECT \"it's \"\"net\"\"\", \"order\", \"名 前 2\" FROM \"stock's list\" "
                      u8"ORDER BY rowid;"),
              (Rows{{"1", "x", u8"い"}, {"2", "y", u8"ろ"}}));
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'my \"books\"';"), "0");
}

TEST_F(TableRebuild, ATableNamedLikeTheTemporaryOneKeepsItsRows) {
    std::vector<ColumnDef> columns = loaded();
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "temp_table", error)) << error.text;
    EXPECT_EQ(tables(), "temp_table;");
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM main.temp_table;"), "3");

    columns = loaded("temp_table");
    columns[0].name = "heading";
    ASSERT_TRUE(rebuild_table(db.handle(), "temp_table", columns, "TEMP_TABLE", error))
        << error.text;
    EXPECT_EQ(db.rows("SELECT heading, price FROM main.TEMP_TABLE ORDER BY rowid;"),
              (Rows{{"Kokoro", "1200"}, {"Sanshiro", "980.5"}, {"Botchan", "n/a"}}));
    EXPECT_EQ(temp_tables(), "0");
}

TEST_F(TableRebuild, TablesThatReferToTheRebuiltOneKeepTheirRows) {
    db.exec(
        "CREATE TABLE authors(id INTEGER PRIMARY KEY, name TEXT);"
        "INSERT INTO authors VALUES (1, 'Soseki'), (2, 'Ogai');"
        "CREATE TABLE works(title TEXT, author INTEGER REFERENCES authors(id) ON DELETE CASCADE);"
        "INSERT INTO works VALUES ('Kokoro', 1), ('Maihime', 2);");
    const Rows works = rows("works");
    std::vector<ColumnDef> columns = loaded("authors");
    columns[0].type = "INTEGER PRIMARY KEY";

    ASSERT_TRUE(rebuild_table(db.handle(), "authors", columns, "authors", error)) << error.text;
    EXPECT_EQ(rows("works"), works);
    EXPECT_EQ(db.value("PRAGMA foreign_keys;"), "0");

    // Even where enforcement was switched on (in the SQL editor), dropping the old
    // table deletes nothing elsewhere, and enforcement is on again afterwards.
    db.exec("PRAGMA foreign_keys = ON;");
    ASSERT_TRUE(rebuild_table(db.handle(), "authors", columns, "authors", error)) << error.text;
    EXPECT_EQ(rows("works"), works);
    EXPECT_EQ(db.rows("SELECT id, name FROM authors ORDER BY id;"),
              (Rows{{"1", "Soseki"}, {"2", "Ogai"}}));
    EXPECT_EQ(db.value("PRAGMA foreign_keys;"), "1");
}

TEST_F(TableRebuild, InsideTheUsersTransactionOnlyTheRebuildIsUndone) {
    db.exec("BEGIN; INSERT INTO books VALUES ('Kusamakura', 700, NULL);");
    const Rows rows_before = rows();
    std::vector<ColumnDef> columns = loaded();
    Denial denial{SQLITE_DROP_TEMP_TABLE, ""};
    sqlite3_set_authorizer(db.handle(), deny, &denial);
    EXPECT_FALSE(rebuild_table(db.handle(), "books", columns, "stock", error));
    sqlite3_set_authorizer(db.handle(), nullptr, nullptr);
    EXPECT_EQ(error.step, 6);
    EXPECT_FALSE(sqlite3_get_autocommit(db.handle()));
    EXPECT_EQ(rows(), rows_before);
    EXPECT_EQ(temp_tables(), "0");
    db.exec("COMMIT;");
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM books;"), "4");
}

TEST(TableRebuildWithoutConnection, SendsNothing) {
    StructureError error;
    EXPECT_FALSE(rebuild_table(nullptr, "t", {{"a", "a", "TEXT"}}, "t", error));
    EXPECT_EQ(error.step, 1);
    EXPECT_EQ(error.text, "テンポラリテーブル作成処理が失敗しました。\n");
}
