#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "structure/table_definition.h"
#include "tests/support/test_support.h"

namespace {

std::vector<ColumnDef> new_columns(
    std::initializer_list<std::pair<const char*, const char*>> list) {
    std::vector<ColumnDef> columns;
    for (const auto& [name, type] : list) {
        columns.push_back({"", name, type});
    }
    return columns;
}

// name|type of each column of a table, as the database reports them (UTF-8).
std::vector<std::string> table_columns(TestDb& db, const std::string& utf8_table) {
    std::vector<std::string> result;
    for (const auto& row :
         db.rows("SELECT name, type FROM pragma_table_info('" + utf8_table + "') ORDER BY cid;")) {
        result.push_back(row[0] + "|" + row[1]);
    }
    return result;
}

}  // namespace

TEST(TableDefinition, DefaultColumnNamesCountFromZeroWithTwoDigitsAtLeast) {
    EXPECT_EQ(default_column_name(0), "column00");
    EXPECT_EQ(default_column_name(1), "column01");
    EXPECT_EQ(default_column_name(9), "column09");
    EXPECT_EQ(default_column_name(10), "column10");
    EXPECT_EQ(default_column_name(99), "column99");
    EXPECT_EQ(default_column_name(100), "column100");
    EXPECT_EQ(default_column_name(1234), "column1234");
}

TEST(TableDefinition, OffersTheTypesInTheirOrderWithTextFirst) {
    ASSERT_EQ(kTypeChoices.size(), 4u);
    EXPECT_STREQ(kTypeChoices[0], "TEXT");
    EXPECT_STREQ(kTypeChoices[1], "NUMERIC");
    EXPECT_STREQ(kTypeChoices[2], "BLOB");
    EXPECT_STREQ(kTypeChoices[3], "INTEGER PRIMARY KEY");
}

TEST(TableDefinition, CreateStatementQuotesNamesAndKeepsTypesVerbatim) {
    EXPECT_EQ(create_table_sql("books", new_columns({{"title", "TEXT"}, {"price", "NUMERIC"}})),
              "create table \"books\" (\"title\" TEXT, \"price\" NUMERIC);");
    // An empty type leaves the name and one blank.
    EXPECT_EQ(create_table_sql("t", new_columns({{"a", ""}})), "create table \"t\" (\"a\" );");
    EXPECT_EQ(
        create_table_sql("my \"list\"", new_columns({{"order", "INTEGER NOT NULL DEFAULT 0"}})),
        "create table \"my \"\"list\"\"\" (\"order\" INTEGER NOT NULL DEFAULT 0);");

    // Nothing is cut: 200 columns with 300-byte names make a statement far beyond
    // any fixed room, and every name arrives whole.
    std::vector<ColumnDef> many;
    for (int i = 0; i < 200; ++i) {
        many.push_back({"", std::string(297, 'n') + std::to_string(100 + i), "TEXT"});
    }
    const std::string sql = create_table_sql(std::string(400, 't'), many);
    EXPECT_GT(sql.size(), 60000u);
    EXPECT_NE(sql.find("\"" + std::string(297, 'n') + "299\" TEXT);"), std::string::npos);
}

TEST(TableDefinition, CreationChecksNameThenColumnsBeforeSendingAnything) {
    TempDir dir;
    TestDb db(dir.file("checks.db"));
    StructureError error;

    EXPECT_FALSE(create_table(db.handle(), "", {}, error));
    EXPECT_EQ(error.text, u8"テーブル名が未入力です");
    EXPECT_EQ(error.caption, "エラー");

    EXPECT_FALSE(create_table(db.handle(), "", new_columns({{"a", "TEXT"}}), error));
    EXPECT_EQ(error.text, u8"テーブル名が未入力です");

    EXPECT_FALSE(create_table(db.handle(), "t", {}, error));
    EXPECT_EQ(error.text, u8"カラム設定がありません");
    EXPECT_EQ(error.caption, "エラー");

    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master;"), "0");
}

TEST(TableDefinition, CreatesTheTableWithTheListsNamesAndTypes) {
    TempDir dir;
    TestDb db(dir.file("create.db"));
    StructureError error;
    ASSERT_TRUE(create_table(db.handle(), u8"書籍",
                             new_columns({{u8"題名", "TEXT"},
                                          {"price", "NUMERIC"},
                                          {"memo", ""},
                                          {"id", "INTEGER PRIMARY KEY"}}),
                             error))
        << error.text;
    EXPECT_EQ(table_columns(db, u8"書籍"),
              (std::vector<std::string>{u8"題名|TEXT", "price|NUMERIC", "memo|", "id|INTEGER"}));
    // The key column is the row key.
    db.exec(u8"INSERT INTO 書籍(id, 題名) VALUES (41, 'x');");
    EXPECT_EQ(db.value(u8"SELECT rowid FROM 書籍;"), "41");
}

TEST(TableDefinition, NamesWithBlanksKeywordsAndQuotesCannotAddStatements) {
    TempDir dir;
    TestDb db(dir.file("names.db"));
    db.exec("CREATE TABLE victim(x); INSERT INTO victim VALUES (1);");
    StructureError error;
    const std::string sneaky = "x\" (a); DROP TABLE victim; --";
    ASSERT_TRUE(create_table(
        db.handle(), sneaky,
        new_columns({{"order", "TEXT"}, {"unit price", "NUMERIC"}, {"say \"hi\"", "TEXT"}}), error))
        << error.text;
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM victim;"), "1");
    EXPECT_EQ(db.value("SELECT name FROM sqlite_master WHERE name <> 'victim';"), sneaky);
    EXPECT_EQ(table_columns(db, sneaky),
              (std::vector<std::string>{"order|TEXT", "unit price|NUMERIC", "say \"hi\"|TEXT"}));
}

// A type is kept as typed, but whatever it holds runs as one statement or not at all.
TEST(TableDefinition, ATypeCannotCarryASecondStatement) {
    TempDir dir;
    TestDb db(dir.file("types.db"));
    db.exec("CREATE TABLE x(v); INSERT INTO x VALUES (1);");
    StructureError error;
    for (const char* type :
         {"TEXT); DROP TABLE x; --", "TEXT); DROP TABLE x", "TEXT);;DROP TABLE x;"}) {
        SCOPED_TRACE(type);
        EXPECT_FALSE(create_table(db.handle(), "t", new_columns({{"a", type}}), error));
        EXPECT_EQ(error.text.rfind(u8"テーブル作成処理が失敗しました。\n", 0), 0u) << error.text;
        EXPECT_EQ(error.caption, "SQL エラー");
        EXPECT_EQ(db.value("SELECT group_concat(name) FROM sqlite_master"), "x");
        EXPECT_EQ(db.value("SELECT COUNT(*) FROM x"), "1");
    }
    // A comment after the definition is no statement.
    ASSERT_TRUE(create_table(db.handle(), "t", new_columns({{"a", "TEXT); -- note"}}), error))
        << error.text;
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master"), "2");
}

TEST(TableDefinition, CreationFailureCarriesTheDatabasesMessage) {
    TempDir dir;
    TestDb db(dir.file("refused.db"));
    db.exec("CREATE TABLE books(x);");
    StructureError error;

    // The default name after a deletion can repeat a name still in the list.
    EXPECT_FALSE(create_table(db.handle(), "t",
                              new_columns({{"column01", "TEXT"}, {"column01", "TEXT"}}), error));
    EXPECT_EQ(error.text, u8"テーブル作成処理が失敗しました。\nduplicate column name: column01");
    EXPECT_EQ(error.caption, "SQL エラー");

    EXPECT_FALSE(create_table(
        db.handle(), "t", new_columns({{"a", "INTEGER PRIMARY KEY"}, {"b", "INTEGER PRIMARY KEY"}}),
        error));
    EXPECT_EQ(error.text,
              u8"テーブル作成処理が失敗しました。\ntable \"t\" has more than one primary key");

    EXPECT_FALSE(create_table(db.handle(), "books", new_columns({{"a", "TEXT"}}), error));
    EXPECT_EQ(error.text, u8"テーブル作成処理が失敗しました。\ntable \"books\" already exists");

    EXPECT_FALSE(create_table(nullptr, "t", new_columns({{"a", "TEXT"}}), error));
    EXPECT_EQ(error.text, u8"テーブル作成処理が失敗しました。\n");
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM sqlite_master;"), "1");
}

TEST(TableDefinition, LoadsColumnsInTableOrderWithDeclaredTypesWhole) {
    TempDir dir;
    TestDb db(dir.file("load.db"));
    const std::string long_name(300, 'n');
    const std::string long_type = "VARCHAR(" + std::string(280, '9') + ")";
    db.exec(u8"CREATE TABLE \"my books\"(id INTEGER PRIMARY KEY, \"題 名\" TEXT, untyped, \"" +
            long_name + "\" " + long_type + ", \"q\"\"uote\" NUMERIC NOT NULL);");

    std::vector<ColumnDef> columns;
    ASSERT_TRUE(load_table_columns(db.handle(), "my books", columns));
    ASSERT_EQ(columns.size(), 5u);
    // The column that holds the row ids shows its key, so that OK keeps it.
    EXPECT_EQ(columns[0].name, "id");
    EXPECT_EQ(columns[0].type, "INTEGER PRIMARY KEY");
    EXPECT_EQ(columns[1].name, u8"題 名");
    EXPECT_EQ(columns[1].type, "TEXT");
    EXPECT_EQ(columns[2].type, "");
    EXPECT_EQ(columns[3].name, long_name);
    EXPECT_EQ(columns[3].type, long_type);
    EXPECT_EQ(columns[4].name, "q\"uote");
    for (const ColumnDef& column : columns) {
        EXPECT_EQ(column.source_name, column.name);
    }

    // A table that does not exist is read as one without columns.
    EXPECT_TRUE(load_table_columns(db.handle(), "missing", columns));
    EXPECT_TRUE(columns.empty());

    columns = {{"keep", "keep", "TEXT"}};
    EXPECT_FALSE(load_table_columns(nullptr, "my books", columns));
    ASSERT_EQ(columns.size(), 1u);
    EXPECT_EQ(columns[0].name, "keep");
}
