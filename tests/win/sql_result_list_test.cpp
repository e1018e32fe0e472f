#include <algorithm>

#include "tests/win/sql_editor_fixture.h"

namespace {

using Texts = std::vector<std::string>;

}  // namespace

TEST_F(SqlEditorTest, ASelectListsItsRowNumberedUnderEmptyHeaders) {
    run("SELECT 1, 'a'");
    EXPECT_EQ(headers(), (Texts{"行番号", "", ""}));
    ASSERT_EQ(list_row_count(list()), 1);
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "1", "a"}));
    EXPECT_EQ(image_of(0), 0);
    EXPECT_EQ(list_selected_row(list()), 0);
    EXPECT_EQ(SendMessageA(list(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 0);

    const int width = usable_list_width();
    EXPECT_EQ(list_column_width(list(), 0), 60);
    EXPECT_EQ(list_column_width(list(), 1), (width - 60) / 2);
    EXPECT_EQ(list_column_width(list(), 2), (width - 60) / 2);
}

TEST_F(SqlEditorTest, TableRowsAreNumberedAndItsColumnNamesAppearNowhere) {
    db.exec(
        "CREATE TABLE t(name, price); INSERT INTO t VALUES ('pen', 120), (NULL, ''), "
        "('', NULL);");
    run("SELECT * FROM t");
    EXPECT_EQ(headers(), (Texts{"行番号", "", ""}));
    ASSERT_EQ(list_row_count(list()), 3);
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "pen", "120"}));
    // NULL and the empty text both show blank.
    EXPECT_EQ(list_row(list(), 1), (Texts{"00002", "", ""}));
    EXPECT_EQ(list_row(list(), 2), (Texts{"00003", "", ""}));
    EXPECT_EQ(list_selected_row(list()), 0);
}

TEST_F(SqlEditorTest, AStatementWithoutRowsShowsTheSuccessMessage) {
    for (const char* text : {"CREATE TABLE x(a)", "", "INSERT INTO x VALUES (1)"}) {
        run(text);
        EXPECT_EQ(headers(), (Texts{"SQL メッセージ"})) << text;
        ASSERT_EQ(list_row_count(list()), 1) << text;
        EXPECT_EQ(list_text(list(), 0, 0), "not an error") << text;
        EXPECT_EQ(image_of(0), 2) << text;
        EXPECT_EQ(list_column_width(list(), 0), usable_list_width()) << text;
    }
    EXPECT_EQ(db.value("SELECT count(*) FROM x"), "1");
}

TEST_F(SqlEditorTest, AFailureShowsTheDatabasesErrorLine) {
    run("SELEC 1");
    EXPECT_EQ(headers(), (Texts{"SQL エラーメッセージ"}));
    ASSERT_EQ(list_row_count(list()), 1);
    EXPECT_EQ(list_text(list(), 0, 0), "near \"SELEC\": syntax error");
    EXPECT_EQ(image_of(0), 1);

    // Japanese names in the message read as they were typed.
    run("SELECT * FROM 在庫");
    EXPECT_EQ(list_text(list(), 0, 0), "no such table: 在庫");
}

TEST_F(SqlEditorTest, EachOutcomeReplacesAllColumnsOfTheLast) {
    run("SELECT 1, 2, 3, 4, 5");
    EXPECT_EQ(list_column_count(list()), 6);
    run("SELECT 'a', 'b'");
    EXPECT_EQ(headers(), (Texts{"行番号", "", ""}));
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "a", "b"}));
    run("SELEC");
    EXPECT_EQ(headers(), (Texts{"SQL エラーメッセージ"}));
    run("SELECT 1, 2, 3, 4, 5");
    EXPECT_EQ(list_column_count(list()), 6);
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(dialog.result_list().column_count(), 6);
}

TEST_F(SqlEditorTest, TwoStatementsRunTogether) {
    db.exec("CREATE TABLE x(a);");
    run("INSERT INTO x VALUES(1); SELECT * FROM x");
    ASSERT_EQ(list_row_count(list()), 1);
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "1"}));
    EXPECT_EQ(db.value("SELECT count(*) FROM x"), "1");
}

TEST_F(SqlEditorTest, LongCellsShowTheirFirst254Bytes) {
    db.exec("CREATE TABLE t(v); INSERT INTO t VALUES (printf('%.300c', 'x'));");
    run("SELECT v FROM t");
    EXPECT_EQ(list_text(list(), 0, 1), std::string(254, 'x'));
}

TEST_F(SqlEditorTest, AJapaneseQueryLongerThan511Utf8BytesRunsWhole) {
    db.exec("CREATE TABLE memo(v TEXT);");
    std::string value;
    for (int i = 0; i < 200; ++i) {
        value += "日本";
    }
    run("INSERT INTO memo VALUES('" + value + "'); SELECT length(v) FROM memo");
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "400"}));
    EXPECT_EQ(db.value("SELECT v FROM memo"), utf8_of(value));
}

TEST_F(SqlEditorTest, ATextTooLongIsRefusedWithAMessage) {
    db.exec("CREATE TABLE t(v);");
    std::string text = "INSERT INTO t VALUES(1);\r\n-- ";
    text.resize(kSqlTextLimit + 1, 'x');
    run(text);
    EXPECT_EQ(headers(), (Texts{"SQL エラーメッセージ"}));
    EXPECT_EQ(list_text(list(), 0, 0), kSqlTooLongText);
    EXPECT_EQ(image_of(0), 1);
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "0");
}

TEST_F(SqlEditorTest, LargeResultsAreNumberedToTheEnd) {
    run("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100001) "
        "SELECT x, 'v' || x FROM c");
    ASSERT_EQ(list_row_count(list()), 100001);
    EXPECT_EQ(list_row(list(), 99998), (Texts{"99999", "99999", "v99999"}));
    EXPECT_EQ(list_row(list(), 100000), (Texts{"100001", "100001", "v100001"}));
    EXPECT_EQ(list_selected_row(list()), 0);
}

TEST_F(SqlEditorTest, TheRowNumberColumnFitsTheLargestNumber) {
    run("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 1000000) "
        "SELECT x FROM c");
    ASSERT_EQ(list_row_count(list()), 1000000);
    EXPECT_EQ(list_text(list(), 999999, 0), "1000000");
    auto text_width = [&](const char* text) {
        return static_cast<int>(
            SendMessageA(list(), LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text)));
    };
    // The usual width holds five digits; the column grows by what two more need.
    EXPECT_GE(list_column_width(list(), 0), 60 + text_width("1000000") - text_width("00001"));
    EXPECT_GT(text_width("1000000"), text_width("00001"));
    EXPECT_EQ(list_column_width(list(), 1), usable_list_width() - list_column_width(list(), 0));

    // A small result keeps the usual width.
    run("SELECT 1");
    EXPECT_EQ(list_column_width(list(), 0), 60);
}

TEST_F(SqlEditorTest, ColumnsWithoutRowsShowTheHeaderRowOnly) {
    db.exec("CREATE TABLE t(a, b);");
    run("PRAGMA empty_result_callbacks = ON; SELECT * FROM t");
    EXPECT_EQ(headers(), (Texts{"行番号", "", ""}));
    EXPECT_EQ(list_row_count(list()), 0);
    EXPECT_EQ(list_selected_row(list()), -1);
}

TEST_F(SqlEditorTest, BinaryValuesShowTheirSizeNotTheirBytes) {
    db.exec(
        "CREATE TABLE t(v, n); INSERT INTO t VALUES (X'89504E4700010203FF', 1), "
        "(X'41424344', 2);");
    run("SELECT v, n FROM t ORDER BY n");
    ASSERT_EQ(list_row_count(list()), 2);
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "(BLOB 9 バイト)", "1"}));
    EXPECT_EQ(list_row(list(), 1), (Texts{"00002", "(BLOB 4 バイト)", "2"}));
}

TEST_F(SqlEditorTest, ATransactionLeftOpenIsNotedUnderEveryOutcome) {
    const std::string note =
        "トランザクションが開いたままです。COMMIT するまで変更は確定されず、"
        "データベースは他のプログラムからロックされます。";
    db.exec("CREATE TABLE t(x); INSERT INTO t VALUES (1);");

    run("BEGIN; UPDATE t SET x = 2");
    ASSERT_EQ(list_row_count(list()), 2);
    EXPECT_EQ(list_text(list(), 0, 0), "not an error");
    EXPECT_EQ(list_text(list(), 1, 0), note);
    EXPECT_EQ(image_of(1), 2);
    EXPECT_EQ(dialog.result_list().note_row(), 1);

    // Rows: the note follows them, unnumbered, in the first value column.
    run("SELECT x FROM t");
    ASSERT_EQ(list_row_count(list()), 2);
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "2"}));
    EXPECT_EQ(list_row(list(), 1), (Texts{"", note}));
    EXPECT_EQ(image_of(1), 2);

    // A COMMIT that never ran because an earlier statement failed.
    run("UPDATE t SET x = 3; SELEC 1; COMMIT");
    ASSERT_EQ(list_row_count(list()), 2);
    EXPECT_EQ(image_of(0), 1);
    EXPECT_EQ(list_text(list(), 1, 0), note);

    run("COMMIT");
    ASSERT_EQ(list_row_count(list()), 1);
    EXPECT_EQ(dialog.result_list().note_row(), -1);
    EXPECT_EQ(db.value("SELECT x FROM t"), "3");
}
