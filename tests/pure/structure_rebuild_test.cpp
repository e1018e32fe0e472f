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

TEST(RebuildStatements, FollowTheSixStepsWithQuotedNamesAndRowIds) {
    const std::string create = "CREATE TABLE books(title TEXT, cost NUMERIC)";
    const std::vector<std::string> expected = {
        "CREATE TEMPORARY TABLE TEMP_TABLE(\"title\", \"cost\");",
        "INSERT INTO TEMP_TABLE(rowid, \"title\", \"cost\") SELECT rowid, \"title\", \"cost\" FROM "
        "\"books\";",
        "DROP TABLE \"books\";",
        create,
        "INSERT INTO \"books\"(rowid, \"title\", \"cost\") SELECT rowid, \"title\", \"cost\" FROM "
        "TEMP_TABLE;",
        "DROP TABLE TEMP_TABLE;",
    };
    EXPECT_EQ(rebuild_statements("books", {"title", "cost"}, "rowid", create), expected);
    EXPECT_EQ(rebuild_statements("t", {}, "", "")[0], "CREATE TEMPORARY TABLE TEMP_TABLE();");
    EXPECT_EQ(rebuild_statements("t", {"a"}, "", "")[4],
              "INSERT INTO \"t\"(\"a\") SELECT \"a\" FROM TEMP_TABLE;");

    // A table named like the temporary one is named with its schema, or the copies
    // would find TEMP_TABLE itself.
    const std::vector<std::string> shadowed =
        rebuild_statements("Temp_Table", {"title"}, "oid", create);
    EXPECT_EQ(
        shadowed[1],
        "INSERT INTO TEMP_TABLE(oid, \"title\") SELECT oid, \"title\" FROM main.\"Temp_Table\";");
    EXPECT_EQ(shadowed[2], "DROP TABLE main.\"Temp_Table\";");
    EXPECT_EQ(
        shadowed[4],
        "INSERT INTO main.\"Temp_Table\"(oid, \"title\") SELECT oid, \"title\" FROM TEMP_TABLE;");
}

TEST_F(TableRebuild, RenamesRetypesAndDropsColumnsAndRenamesTheTable) {
    std::vector<ColumnDef> columns = loaded();
    ASSERT_EQ(columns.size(), 3u);
    columns[1].name = "cost";
    columns[0].type = "BLOB";
    columns.erase(columns.begin() + 2);
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "stock", error)) << error.text;

    EXPECT_EQ(tables(), "stock;");
    EXPECT_EQ(schema("stock"), "CREATE TABLE \"stock\"(title BLOB, \"cost\" NUMERIC)");
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

TEST_F(TableRebuild, AnIntegerPrimaryKeyIsShownAsSuchKeptAndCanBeTakenAway) {
    db.exec(
        "CREATE TABLE items(id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT);"
        "INSERT INTO items VALUES (10, 'ten'), (20, 'twenty'), (5, 'five');"
        "DELETE FROM items WHERE id = 20;"
        "CREATE TABLE keyed(id integer, name TEXT, PRIMARY KEY (id));"
        "CREATE TABLE ordered(id INTEGER PRIMARY KEY DESC, name TEXT);"
        "CREATE TABLE plain(id INTEGER, name TEXT);");
    EXPECT_EQ(loaded("items")[0].type, "INTEGER PRIMARY KEY");
    EXPECT_EQ(loaded("keyed")[0].type, "INTEGER PRIMARY KEY");
    // A key declared DESC does not hold the row ids; nor does a plain INTEGER.
    EXPECT_EQ(loaded("ordered")[0].type, "INTEGER");
    EXPECT_EQ(loaded("plain")[0].type, "INTEGER");

    // Another column's new type makes the table anew; the key, its counter and
    // the row ids stay.
    std::vector<ColumnDef> columns = loaded("items");
    columns[1].type = "BLOB";
    ASSERT_TRUE(rebuild_table(db.handle(), "items", columns, "items", error)) << error.text;
    EXPECT_EQ(schema("items"),
              "CREATE TABLE items(id INTEGER PRIMARY KEY AUTOINCREMENT, name BLOB)");
    EXPECT_EQ(db.value("SELECT seq FROM sqlite_sequence WHERE name = 'items';"), "20");
    db.exec("INSERT INTO items(name) VALUES ('next');");
    EXPECT_EQ(db.rows("SELECT rowid, id, name FROM items ORDER BY id;"),
              (Rows{{"5", "5", "five"}, {"10", "10", "ten"}, {"21", "21", "next"}}));

    // Choosing a type without the key takes the key away, and with it the counter.
    columns = loaded("items");
    columns[0].type = "INTEGER";
    ASSERT_TRUE(rebuild_table(db.handle(), "items", columns, "items", error)) << error.text;
    EXPECT_EQ(schema("items"), "CREATE TABLE items(id INTEGER , name BLOB)");
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_sequence WHERE name = 'items';"), "0");
    EXPECT_EQ(db.rows("SELECT rowid, id FROM items ORDER BY id;"),
              (Rows{{"5", "5"}, {"10", "10"}, {"21", "21"}}));

    // And choosing it gives it back; the copied values become the row ids.
    columns = loaded("items");
    columns[0].type = "INTEGER PRIMARY KEY";
    ASSERT_TRUE(rebuild_table(db.handle(), "items", columns, "items", error)) << error.text;
    EXPECT_EQ(db.value("SELECT pk FROM pragma_table_info('items') WHERE name = 'id';"), "1");
    EXPECT_EQ(loaded("items")[0].type, "INTEGER PRIMARY KEY");
}

TEST_F(TableRebuild, AFailureAtAnyStepLeavesTheTableAsItWas) {
    db.exec(
        "CREATE INDEX books_title ON books(title);"
        "CREATE TRIGGER books_priced AFTER UPDATE OF price ON books BEGIN SELECT 1; END;"
        "CREATE VIEW titles AS SELECT title FROM books;");
    const Rows master_before = db.rows("SELECT * FROM sqlite_master ORDER BY name;");
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
        // The new names are given first, so the copy finds the table under its new name.
        {3, {SQLITE_DROP_TABLE, "stock"}, "テーブル削除処理が失敗しました。\nnot authorized"},
        {4, {SQLITE_CREATE_TABLE, "stock"}, "テーブル作成処理が失敗しました。\nnot authorized"},
        {0,
         {SQLITE_ALTER_TABLE, ""},
         "テーブル名または列名の変更処理が失敗しました。\nnot authorized"},
        {0,
         {SQLITE_CREATE_INDEX, "books_title"},
         "インデックスまたはトリガーの再作成処理が失敗しました。\nnot authorized"},
        {0,
         {SQLITE_CREATE_TRIGGER, "books_priced"},
         "インデックスまたはトリガーの再作成処理が失敗しました。\nnot authorized"},
        {5, {SQLITE_INSERT, "stock"}, "テーブル複写処理が失敗しました。\nnot authorized"},
        {6,
         {SQLITE_DROP_TEMP_TABLE, "TEMP_TABLE"},
         "テンポラリテーブル削除処理が失敗しました。\nnot authorized"},
    };
    const std::string schema_before = schema();
    const Rows rows_before = rows();
    std::vector<ColumnDef> columns = loaded();
    columns[1].name = "cost";
    columns[0].type = "BLOB";
    columns.pop_back();

    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        Denial denial = c.denial;
        sqlite3_set_authorizer(db.handle(), deny, &denial);
        error = {};
        EXPECT_FALSE(rebuild_table(db.handle(), "books", columns, "stock", error));
        sqlite3_set_authorizer(db.handle(), nullptr, nullptr);

        EXPECT_EQ(error.step, c.step);
        EXPECT_EQ(error.text, utf8_of(c.text));
        EXPECT_EQ(error.caption, "SQL エラー");
        EXPECT_EQ(tables(), "books;");
        EXPECT_EQ(schema(), schema_before);
        EXPECT_EQ(rows(), rows_before);
        EXPECT_EQ(db.rows("SELECT * FROM sqlite_master ORDER BY name;"), master_before);
        EXPECT_EQ(temp_tables(), "0");
        EXPECT_TRUE(sqlite3_get_autocommit(db.handle()));
    }

    // Nothing was left behind to make the next rebuild fail.
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "stock", error)) << error.text;
    EXPECT_EQ(db.rows("SELECT title, cost FROM stock ORDER BY rowid;"),
              (Rows{{"Kokoro", "1200"}, {"Sanshiro", "980.5"}, {"Botchan", "n/a"}}));
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'books_title';"),
              "CREATE INDEX books_title ON \"stock\"(title)");
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
        {missing, "books", 0, "テーブルにない列があるため、構造を変更できませんでした。", "エラー"},
        {all, "", 4, "テーブル名が未入力です", "エラー"},
        {all, "stock", 0,
         "テーブル名または列名の変更処理が失敗しました。\nthere is already another table or index "
         "with this name: stock",
         "SQL エラー"},
        {twice, "books", 0,
         "テーブル名または列名の変更処理が失敗しました。\nerror in table books after rename: "
         "duplicate column name: title",
         "SQL エラー"},
        {keyed, "books", 5, "テーブル複写処理が失敗しました。\ndatatype mismatch", "SQL エラー"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        error = {};
        EXPECT_FALSE(rebuild_table(db.handle(), "books", c.columns, c.new_name, error));
        EXPECT_EQ(error.step, c.step);
        EXPECT_EQ(error.text, utf8_of(c.text));
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
    EXPECT_EQ(error.text, u8"テーブル構造の変更を確定できませんでした。\ndatabase is locked");
    EXPECT_TRUE(sqlite3_get_autocommit(db.handle()));

    sqlite3_finalize(statement);
    sqlite3_close(reader);
    EXPECT_EQ(tables(), "books;");
    EXPECT_EQ(rows(), rows_before);
    EXPECT_EQ(temp_tables(), "0");
}

// cafe and café show alike in code page 932, and a column may bear a name it has
// no form for: the change reaches the table and the columns the user left as
// they were by their exact names, and names the user typed as typed.
TEST_F(TableRebuild, NamesTheCodePageCannotShowReachExactlyTheirOwnTableAndColumns) {
    const std::string cafe = "caf\xC3\xA9";
    const std::string hangul = "\xED\x95\x9C\xEA\xB8\x80";
    db.exec(
        "CREATE TABLE cafe(x TEXT, n); INSERT INTO cafe VALUES ('plain', 1);"
        "CREATE INDEX cafe_x ON cafe(x);"
        "CREATE TABLE " +
        cafe + "(\"" + hangul +
        "\" TEXT, n, memo TEXT);"
        "INSERT INTO " +
        cafe +
        " VALUES ('a', '1', 'm'), ('b', '2', NULL);"
        "CREATE INDEX accent_key ON " +
        cafe + "(\"" + hangul + "\", n);");
    const std::string plain_schema = schema("cafe");
    const Rows plain_rows = rows("cafe");

    std::vector<ColumnDef> columns;
    ASSERT_TRUE(load_table_columns(db.handle(), cafe, columns));
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[0].source_name, hangul);
    // A new type and a removed column: the rows go through TEMP_TABLE.
    columns[1].type = "INTEGER";
    columns.erase(columns.begin() + 2);
    ASSERT_TRUE(rebuild_table(db.handle(), cafe, columns, cafe, error)) << error.text;

    TestDb check(db.path());
    const auto stored_schema = [&](const std::string& name) {
        return check.value("SELECT sql FROM sqlite_master WHERE name = '" + name + "';");
    };
    EXPECT_EQ(check.rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name;"),
              (Rows{{"books"}, {"cafe"}, {cafe}}));
    EXPECT_EQ(stored_schema("cafe"), plain_schema);
    EXPECT_EQ(check.rows("SELECT rowid, * FROM cafe;"), plain_rows);
    EXPECT_EQ(stored_schema("cafe_x"), "CREATE INDEX cafe_x ON cafe(x)");
    EXPECT_EQ(stored_schema(cafe), "CREATE TABLE " + cafe + "(\"" + hangul + "\" TEXT, n INTEGER)");
    EXPECT_EQ(check.rows("SELECT rowid, \"" + hangul + "\", n, typeof(n) FROM " + cafe +
                         " ORDER BY rowid;"),
              (Rows{{"1", "a", "1", "integer"}, {"2", "b", "2", "integer"}}));
    EXPECT_EQ(stored_schema("accent_key"),
              "CREATE INDEX accent_key ON " + cafe + "(\"" + hangul + "\", n)");
    check.close();

    // New names typed by the user: the column and the table take them as typed.
    ASSERT_TRUE(load_table_columns(db.handle(), cafe, columns));
    columns[0].name = u8"名前";
    ASSERT_TRUE(rebuild_table(db.handle(), cafe, columns, "tea", error)) << error.text;
    TestDb renamed(db.path());
    EXPECT_EQ(renamed.rows("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name;"),
              (Rows{{"books"}, {"cafe"}, {"tea"}}));
    EXPECT_EQ(renamed.rows(u8"SELECT \"名前\", n FROM tea ORDER BY rowid;"),
              (Rows{{"a", "1"}, {"b", "2"}}));
    EXPECT_EQ(renamed.rows("SELECT rowid, * FROM cafe;"), plain_rows);
    EXPECT_EQ(temp_tables(), "0");
}

TEST_F(TableRebuild, NamesWithBlanksAndQuotesWork) {
    db.exec(
        u8"CREATE TABLE \"my \"\"books\"\"\"(\"unit price\" NUMERIC, \"order\" TEXT, \"名 前\");"
        u8"INSERT INTO \"my \"\"books\"\"\" VALUES (1, 'x', 'い'), (2, 'y', 'ろ');");
    std::vector<ColumnDef> columns = loaded("my \"books\"");
    ASSERT_EQ(columns.size(), 3u);
    columns[0].name = "it's \"net\"";
    columns[2].name = u8"名 前 2";
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
    ASSERT_EQ(columns[0].type, "INTEGER PRIMARY KEY");
    columns[1].type = "BLOB";

    ASSERT_TRUE(rebuild_table(db.handle(), "authors", columns, "authors", error)) << error.text;
    EXPECT_EQ(rows("works"), works);
    EXPECT_EQ(db.value("PRAGMA foreign_keys;"), "0");

    // Even where enforcement was switched on (in the SQL editor), dropping the old
    // table deletes nothing elsewhere, and enforcement is on again afterwards.
    db.exec("PRAGMA foreign_keys = ON;");
    columns[1].type = "TEXT";
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
    columns[2].type = "BLOB";
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
    EXPECT_EQ(error.text, u8"テンポラリテーブル作成処理が失敗しました。\n");
}

namespace {

// The table of a user who relies on more than names and types: a key, a unique
// title, an index, a trigger and a view over it.
class KeptSchema : public testing::Test {
protected:
    void SetUp() override {
        db.exec(
            "CREATE TABLE books(id INTEGER PRIMARY KEY, title TEXT UNIQUE, price INT);"
            "CREATE INDEX books_price ON books(price);"
            "CREATE TABLE log(what TEXT);"
            "CREATE TRIGGER books_added AFTER INSERT ON books BEGIN"
            " INSERT INTO log VALUES (new.title || ':' || new.price); END;"
            "CREATE VIEW cheap AS SELECT title, price FROM books WHERE price < 1000;"
            "INSERT INTO books VALUES (3, 'Kokoro', 1200), (7, 'Sanshiro', 980), (9, 'Botchan', "
            "500);"
            "DELETE FROM log;");
    }

    std::vector<ColumnDef> loaded() {
        std::vector<ColumnDef> columns;
        EXPECT_TRUE(load_table_columns(db.handle(), "books", columns));
        return columns;
    }
    Rows master() {
        return db.rows("SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY name;");
    }
    Rows rows(const std::string& table = "books") {
        return db.rows("SELECT rowid, * FROM \"" + table + "\" ORDER BY rowid;");
    }
    // What the user's own statements find: the key, the unique title, the trigger.
    void expect_constraints_work(const std::string& table, const std::string& title_column) {
        EXPECT_NE(sqlite3_exec(
                      db.handle(),
                      ("INSERT INTO \"" + table + "\"(\"" + title_column + "\") VALUES ('Kokoro');")
                          .c_str(),
                      nullptr, nullptr, nullptr),
                  SQLITE_OK);
        db.exec("INSERT INTO \"" + table + "\"(\"" + title_column + "\") VALUES ('Kusamakura');");
        EXPECT_EQ(db.value("SELECT max(rowid) FROM \"" + table + "\";"), "10");
        EXPECT_EQ(db.value("SELECT COUNT(*) FROM log;"), "1");
        EXPECT_EQ(db.value("SELECT group_concat(title) FROM (SELECT title FROM cheap ORDER BY 1);"),
                  "Botchan,Sanshiro");
    }

    TempDir dir;
    TestDb db{dir.file("kept.db")};
    StructureError error;
};

}  // namespace

TEST_F(KeptSchema, OkWithoutAChangeChangesNothing) {
    const Rows schema = master();
    const Rows before = rows();
    ASSERT_TRUE(rebuild_table(db.handle(), "books", loaded(), "books", error)) << error.text;
    EXPECT_EQ(master(), schema);
    EXPECT_EQ(rows(), before);
    expect_constraints_work("books", "title");
}

TEST_F(KeptSchema, ANewTypeChangesOnlyTheTypeAndEverythingComesBack) {
    const Rows before = rows();
    std::vector<ColumnDef> columns = loaded();
    ASSERT_EQ(columns[0].type, "INTEGER PRIMARY KEY");
    columns[2].type = "NUMERIC";
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "books", error)) << error.text;

    Rows expected = master();
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'books';"),
              "CREATE TABLE books(id INTEGER PRIMARY KEY, title TEXT UNIQUE, price NUMERIC)");
    EXPECT_EQ(db.rows("SELECT name FROM sqlite_master ORDER BY name;"),
              (Rows{{"books"},
                    {"books_added"},
                    {"books_price"},
                    {"cheap"},
                    {"log"},
                    {"sqlite_autoindex_books_1"}}));
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_temp_master;"), "0");
    expect_constraints_work("books", "title");
}

TEST_F(KeptSchema, NewNamesReachTheIndexTheTriggerAndTheView) {
    const Rows before = rows();
    std::vector<ColumnDef> columns = loaded();
    columns[1].name = "heading";
    columns[2].name = "cost";
    columns[2].type = "NUMERIC";  // a type change too, so that the table is made anew
    // Even where the user asked for the old ALTER TABLE, which renames nothing else.
    db.exec("PRAGMA legacy_alter_table = ON;");
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "stock", error)) << error.text;
    EXPECT_EQ(db.value("PRAGMA legacy_alter_table;"), "1");

    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'stock';"),
              "CREATE TABLE \"stock\"(id INTEGER PRIMARY KEY, \"heading\" TEXT UNIQUE, \"cost\" "
              "NUMERIC)");
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'books_price';"),
              "CREATE INDEX books_price ON \"stock\"(\"cost\")");
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE tbl_name = 'books';"), "0");
    EXPECT_EQ(rows("stock"), before);
    db.exec("INSERT INTO stock(heading, cost) VALUES ('Kusamakura', 700);");
    EXPECT_EQ(db.value("SELECT what FROM log;"), "Kusamakura:700");
    EXPECT_EQ(db.value("SELECT group_concat(heading) FROM (SELECT heading FROM cheap ORDER BY 1);"),
              "Botchan,Kusamakura,Sanshiro");
}

TEST_F(KeptSchema, ADeletedColumnTakesOnlyWhatNamesItAfterTheUserIsTold) {
    std::vector<ColumnDef> columns = loaded();
    columns.erase(columns.begin() + 2);  // price: indexed, in the trigger and the view
    EXPECT_EQ(objects_lost_by_change(db.handle(), "books", columns),
              (std::vector<std::string>{u8"インデックス books_price（削除されます）",
                                        u8"トリガー books_added（削除されます）",
                                        u8"ビュー cheap（使えなくなります）"}));
    // Deleting a column nothing depends on loses nothing.
    db.exec("ALTER TABLE books ADD COLUMN memo TEXT;");
    std::vector<ColumnDef> memo_gone = loaded();
    memo_gone.pop_back();
    EXPECT_TRUE(objects_lost_by_change(db.handle(), "books", memo_gone).empty());
    ASSERT_TRUE(rebuild_table(db.handle(), "books", memo_gone, "books", error)) << error.text;
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'books';"),
              "CREATE TABLE books(id INTEGER PRIMARY KEY, title TEXT UNIQUE, price INT)");

    const Rows before = db.rows("SELECT id, title FROM books ORDER BY id;");
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "books", error)) << error.text;
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'books';"),
              "CREATE TABLE books(id INTEGER PRIMARY KEY, title TEXT UNIQUE)");
    EXPECT_EQ(db.rows("SELECT name FROM sqlite_master WHERE tbl_name = 'books' ORDER BY name;"),
              (Rows{{"books"}, {"sqlite_autoindex_books_1"}}));
    EXPECT_EQ(db.rows("SELECT id, title FROM books ORDER BY id;"), before);
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'cheap';"), "1");
}

TEST_F(KeptSchema, ATableConstraintOnADeletedColumnGoesWithIt) {
    db.exec(
        "CREATE TABLE pairs(a INTEGER NOT NULL DEFAULT 1 CHECK (a > 0), b TEXT COLLATE NOCASE,"
        " c, UNIQUE (b, c), CHECK (a < 100));"
        "INSERT INTO pairs VALUES (1, 'x', 2), (2, 'y', 3);");
    std::vector<ColumnDef> columns;
    ASSERT_TRUE(load_table_columns(db.handle(), "pairs", columns));
    columns.pop_back();
    EXPECT_EQ(objects_lost_by_change(db.handle(), "pairs", columns),
              std::vector<std::string>{u8"制約 UNIQUE (b, c)（削除されます）"});
    ASSERT_TRUE(rebuild_table(db.handle(), "pairs", columns, "pairs", error)) << error.text;
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'pairs';"),
              "CREATE TABLE pairs(a INTEGER NOT NULL DEFAULT 1 CHECK (a > 0), b TEXT COLLATE "
              "NOCASE, CHECK (a < 100))");
    EXPECT_EQ(rows("pairs"), (Rows{{"1", "1", "x"}, {"2", "2", "y"}}));
}

TEST_F(KeptSchema, TablesWithoutRowIdsStrictTablesAndGeneratedColumnsKeepTheirForm) {
    db.exec(
        "CREATE TABLE codes(code TEXT PRIMARY KEY, n INT NOT NULL, label TEXT) WITHOUT ROWID;"
        "INSERT INTO codes VALUES ('b', 2, 'two'), ('a', 1, 'one');"
        "CREATE TABLE strict_items(id INTEGER PRIMARY KEY, qty INTEGER, twice INT AS (qty * 2),"
        " memo ANY) STRICT;"
        "INSERT INTO strict_items(id, qty, memo) VALUES (4, 2, x'00'), (8, 5, 'x');");
    std::vector<ColumnDef> columns;
    ASSERT_TRUE(load_table_columns(db.handle(), "codes", columns));
    columns[2].type = "BLOB";
    ASSERT_TRUE(rebuild_table(db.handle(), "codes", columns, "codes", error)) << error.text;
    EXPECT_EQ(
        db.value("SELECT sql FROM sqlite_master WHERE name = 'codes';"),
        "CREATE TABLE codes(code TEXT PRIMARY KEY, n INT NOT NULL, label BLOB) WITHOUT ROWID");
    EXPECT_EQ(db.rows("SELECT * FROM codes;"), (Rows{{"a", "1", "one"}, {"b", "2", "two"}}));

    ASSERT_TRUE(load_table_columns(db.handle(), "strict_items", columns));
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[2].name, "twice");
    columns[1].type = "REAL";
    columns[2].name = "double";
    ASSERT_TRUE(rebuild_table(db.handle(), "strict_items", columns, "strict_items", error))
        << error.text;
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'strict_items';"),
              "CREATE TABLE strict_items(id INTEGER PRIMARY KEY, qty REAL, \"double\" INT AS (qty "
              "* 2), memo ANY) STRICT");
    EXPECT_EQ(db.rows("SELECT id, qty, \"double\", typeof(memo) FROM strict_items ORDER BY id;"),
              (Rows{{"4", "2.0", "4", "blob"}, {"8", "5.0", "10", "text"}}));
    EXPECT_NE(sqlite3_exec(db.handle(), "INSERT INTO strict_items(qty) VALUES ('many');", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
}

TEST_F(KeptSchema, AnExpressionIndexAndSwappedNamesComeThrough) {
    db.exec("CREATE INDEX books_lower ON books(lower(title)) WHERE price > 0;");
    std::vector<ColumnDef> columns = loaded();
    columns[1].name = "price";
    columns[2].name = "title";
    columns[1].type = "BLOB";
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "books", error)) << error.text;
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'books_lower';"),
              "CREATE INDEX books_lower ON books(lower(\"price\")) WHERE \"title\" > 0");
    EXPECT_EQ(db.rows("SELECT id, price, title FROM books ORDER BY id;"),
              (Rows{{"3", "Kokoro", "1200"}, {"7", "Sanshiro", "980"}, {"9", "Botchan", "500"}}));
}

TEST_F(KeptSchema, AChangeThatBreaksAForeignKeyIsUndoneWithTheReason) {
    db.exec(
        "CREATE TABLE reviews(book INTEGER REFERENCES books(id), stars INT);"
        "INSERT INTO reviews VALUES (3, 5), (9, 4);");
    // Renaming the parent's key reaches the child's reference.
    std::vector<ColumnDef> columns = loaded();
    columns[0].name = "book_id";
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "books", error)) << error.text;
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'reviews';"),
              "CREATE TABLE reviews(book INTEGER REFERENCES books(\"book_id\"), stars INT)");
    EXPECT_TRUE(db.rows("PRAGMA foreign_key_check;").empty());

    // Without its key the referred column no longer identifies a book.
    const Rows schema = master();
    const Rows before = rows();
    columns = loaded();
    columns[0].type = "INTEGER";
    EXPECT_FALSE(rebuild_table(db.handle(), "books", columns, "books", error));
    EXPECT_EQ(error.text,
              u8"外部キーの参照先がないレコードができるため、変更を取り消しました。\nforeign key "
              "mismatch - \"reviews\" referencing \"books\"");
    EXPECT_EQ(master(), schema);
    EXPECT_EQ(rows(), before);
}

// A trigger may name a column in double quotes; where the connection reads a
// quoted name it cannot find as a string, it would outlive the column it names,
// testing the text 'memo' from then on instead of going as the user was told.
TEST_F(KeptSchema, ATriggerNamingADeletedColumnInDoubleQuotesGoesWithIt) {
    db.exec(
        "ALTER TABLE books ADD COLUMN memo TEXT;"
        "CREATE TRIGGER books_tidy AFTER UPDATE ON books BEGIN"
        " DELETE FROM log WHERE what = \"memo\"; END;");
    std::vector<ColumnDef> columns = loaded();
    columns.pop_back();
    EXPECT_EQ(objects_lost_by_change(db.handle(), "books", columns),
              std::vector<std::string>{u8"トリガー books_tidy（削除されます）"});
    const Rows before = db.rows("SELECT id, title, price FROM books ORDER BY id;");
    ASSERT_TRUE(rebuild_table(db.handle(), "books", columns, "books", error)) << error.text;
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'books_tidy';"), "0");
    EXPECT_EQ(db.value("SELECT sql FROM sqlite_master WHERE name = 'books';"),
              "CREATE TABLE books(id INTEGER PRIMARY KEY, title TEXT UNIQUE, price INT)");
    EXPECT_EQ(db.rows("SELECT id, title, price FROM books ORDER BY id;"), before);
    // The user's own setting is back afterwards.
    int strings_in_double_quotes = -1;
    sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_DQS_DML, -1, &strings_in_double_quotes);
    EXPECT_EQ(strings_in_double_quotes, 1);
}

// A new type under which the children's values no longer equal their parent's:
// the check after the change finds rows without a parent, and all of it is undone.
TEST_F(KeptSchema, AChangeThatLeavesRowsWithoutTheirParentIsUndone) {
    db.exec(
        "CREATE TABLE codes(code TEXT UNIQUE, label TEXT);"
        "INSERT INTO codes VALUES ('1', 'one'), ('2', 'two');"
        "CREATE TABLE uses(code INTEGER REFERENCES codes(code), note TEXT);"
        "INSERT INTO uses VALUES (1, 'a'), (2, 'b');");
    ASSERT_TRUE(db.rows("PRAGMA foreign_key_check;").empty());
    const Rows schema = master();
    const Rows before = rows("codes");
    std::vector<ColumnDef> columns;
    ASSERT_TRUE(load_table_columns(db.handle(), "codes", columns));
    columns[0].type = "BLOB";
    columns[1].name = "caption";
    EXPECT_FALSE(rebuild_table(db.handle(), "codes", columns, "codes", error));
    EXPECT_EQ(error.text,
              u8"外部キーの参照先がないレコードができるため、変更を取り消しました。\nuses");
    EXPECT_EQ(error.caption, "SQL エラー");
    EXPECT_EQ(master(), schema);
    EXPECT_EQ(rows("codes"), before);
    EXPECT_EQ(db.rows("SELECT typeof(code) FROM codes;"), (Rows{{"text"}, {"text"}}));
    EXPECT_TRUE(sqlite3_get_autocommit(db.handle()));
}
