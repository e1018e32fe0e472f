#include <gtest/gtest.h>

#include <string>

#include "db/result_table.h"
#include "db/text_convert.h"
#include "sqleditor/sql_execution.h"
#include "tests/support/test_support.h"

namespace {

class SqlExecutionTest : public testing::Test {
protected:
    SqlExecutionTest() : db(dir.file("free.db")) {}

    // The tests' own texts are written in the code page; the editor hands UTF-8 over.
    SqlOutcome run(const std::string& ansi) { return run_utf8(to_utf8(ansi)); }
    SqlOutcome run_utf8(const std::string& utf8) { return run_sql(db.handle(), utf8.c_str()); }

    // Every value of a rows outcome, row by row; NULL as "<NULL>", a BLOB by its size.
    static std::vector<std::vector<std::string>> values(const SqlOutcome& outcome) {
        std::vector<std::vector<std::string>> rows;
        if (!outcome.table) {
            return rows;
        }
        for (int r = 0; r < outcome.table->rows(); ++r) {
            rows.emplace_back();
            for (int c = 0; c < outcome.table->columns(); ++c) {
                const SqlRows& t = *outcome.table;
                const long long blob = t.blob_size(r, c);
                rows.back().push_back(t.is_null(r, c) ? "<NULL>"
                                      : blob >= 0     ? "<BLOB " + std::to_string(blob) + ">"
                                                      : std::string(t.text(r, c)));
            }
        }
        return rows;
    }

    TempDir dir;
    TestDb db;
};

// A statement with characters Shift-JIS lacks, one beyond the basic plane.
const std::string kUnicodeValue = u8"café ß ñ 한 𠮷 😀";
const std::string kYoshi = u8"𠮷";

}  // namespace

TEST_F(SqlExecutionTest, QueriesGiveTheirRows) {
    SqlOutcome one = run("SELECT 1, 'a'");
    ASSERT_EQ(one.kind, SqlOutcome::Kind::rows);
    EXPECT_EQ(values(one), (std::vector<std::vector<std::string>>{{"1", "a"}}));

    db.exec("CREATE TABLE t(a, b); INSERT INTO t VALUES (1, 'x'), (2, NULL), (3, '');");
    SqlOutcome all = run("SELECT * FROM t");
    ASSERT_EQ(all.kind, SqlOutcome::Kind::rows);
    EXPECT_EQ(values(all),
              (std::vector<std::vector<std::string>>{{"1", "x"}, {"2", "<NULL>"}, {"3", ""}}));
    EXPECT_TRUE(all.message.empty());
}

TEST_F(SqlExecutionTest, StatementsWithoutRowsGiveTheSuccessText) {
    for (const char* text : {"CREATE TABLE x(a)", "INSERT INTO x VALUES (7)", "", "   ",
                             "SELECT * FROM x WHERE a = 8", "-- only a comment", ";"}) {
        // After a failure, so that an earlier run's error cannot stand in for it.
        ASSERT_EQ(run("SELEC 1").kind, SqlOutcome::Kind::error);
        SqlOutcome outcome = run(text);
        EXPECT_EQ(outcome.kind, SqlOutcome::Kind::message) << text;
        EXPECT_EQ(outcome.message, "not an error") << text;
        EXPECT_FALSE(outcome.table) << text;
    }
    EXPECT_EQ(db.value("SELECT a FROM x"), "7");
}

TEST_F(SqlExecutionTest, FailuresGiveTheDatabasesTextAsItStands) {
    SqlOutcome syntax = run("SELEC 1");
    EXPECT_EQ(syntax.kind, SqlOutcome::Kind::error);
    EXPECT_EQ(syntax.message, "near \"SELEC\": syntax error");

    // The name it quotes comes back whole, in UTF-8 as the database wrote it.
    SqlOutcome missing = run("SELECT * FROM 売上表");
    EXPECT_EQ(missing.kind, SqlOutcome::Kind::error);
    EXPECT_EQ(missing.message, u8"no such table: 売上表");
    missing = run_utf8("SELECT * FROM " + kYoshi);
    EXPECT_EQ(missing.message, "no such table: " + kYoshi);
}

TEST_F(SqlExecutionTest, TwoStatementsRunInOneCall) {
    db.exec("CREATE TABLE x(a);");
    SqlOutcome outcome = run("INSERT INTO x VALUES(1); SELECT * FROM x");
    ASSERT_EQ(outcome.kind, SqlOutcome::Kind::rows);
    EXPECT_EQ(values(outcome), (std::vector<std::vector<std::string>>{{"1"}}));

    // What ran before a failing statement stays done.
    SqlOutcome failed = run("INSERT INTO x VALUES(2); SELEC 1; INSERT INTO x VALUES(3)");
    EXPECT_EQ(failed.kind, SqlOutcome::Kind::error);
    EXPECT_EQ(db.rows("SELECT a FROM x ORDER BY a"),
              (std::vector<std::vector<std::string>>{{"1"}, {"2"}}));
}

TEST_F(SqlExecutionTest, LongTextsRunWholeUpToTheEditorsLimit) {
    db.exec("CREATE TABLE t(v TEXT);");
    // 200 Japanese characters: 400 bytes here, 600 in UTF-8.
    std::string japanese;
    for (int i = 0; i < 200; ++i) {
        japanese += "あ";
    }
    SqlOutcome outcome = run("INSERT INTO t VALUES('" + japanese + "'); SELECT length(v) FROM t");
    ASSERT_EQ(outcome.kind, SqlOutcome::Kind::rows);
    EXPECT_EQ(values(outcome), (std::vector<std::vector<std::string>>{{"200"}}));

    // Half-width katakana take one byte here and three in UTF-8: the longest text
    // there is, at the limit, still runs whole.
    const std::string head = "INSERT INTO t VALUES('";
    const std::string tail = "')";
    const std::string kana(kSqlTextLimit - head.size() - tail.size(), '\xB1');  // ｱ
    const std::string longest = head + kana + tail;
    ASSERT_EQ(longest.size(), static_cast<std::size_t>(kSqlTextLimit));
    EXPECT_EQ(run(longest).kind, SqlOutcome::Kind::message);
    EXPECT_EQ(db.value("SELECT max(length(v)) FROM t"), std::to_string(kana.size()));
}

TEST_F(SqlExecutionTest, TooLongATextIsRefusedAndNothingOfItRuns) {
    db.exec("CREATE TABLE t(v);");
    std::string text = "INSERT INTO t VALUES(1); -- ";
    text.resize(kSqlTextLimit + 1, 'x');
    SqlOutcome outcome = run(text);
    EXPECT_EQ(outcome.kind, SqlOutcome::Kind::error);
    EXPECT_EQ(outcome.message, to_utf8(kSqlTooLongText));
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "0");
}

// What the editor hands over reaches the file as it was typed, whatever the
// characters. The limit weighs a character Shift-JIS lacks as two bytes (four
// beyond the basic plane), and half of a surrogate pair is refused, never changed.
TEST_F(SqlExecutionTest, TextsBeyondShiftJisRunAsTheyStandWithinTheLimit) {
    db.exec("CREATE TABLE t(v TEXT);");
    ASSERT_EQ(run_utf8("INSERT INTO t VALUES('" + kUnicodeValue + "')").kind,
              SqlOutcome::Kind::message);
    EXPECT_EQ(db.value("SELECT v FROM t"), kUnicodeValue);
    const SqlOutcome shown = run_utf8("SELECT v, '" + kYoshi + "' FROM t");
    ASSERT_EQ(shown.kind, SqlOutcome::Kind::rows);
    EXPECT_EQ(values(shown), (std::vector<std::vector<std::string>>{{kUnicodeValue, kYoshi}}));

    const std::string head = "INSERT INTO t VALUES('";
    const std::string tail = "')";
    std::string yoshis;
    const std::size_t room = kSqlTextLimit - head.size() - tail.size();
    for (std::size_t i = 0; i < room / 4; ++i) {
        yoshis += kYoshi;
    }
    yoshis += std::string(room % 4, 'x');
    EXPECT_EQ(run_utf8(head + yoshis + tail).kind, SqlOutcome::Kind::message);
    EXPECT_EQ(db.value("SELECT count(*) FROM t WHERE v = '" + yoshis + "'"), "1");
    const SqlOutcome longer = run_utf8(head + yoshis + "x" + tail);
    EXPECT_EQ(longer.message, to_utf8(kSqlTooLongText));

    // A high half without its low half, as Backspace leaves it, and a low half.
    for (const std::string half : {"\xED\xA1\x82", "\xED\xBE\xB7"}) {
        const SqlOutcome refused = run_utf8("INSERT INTO t VALUES('x" + half + "')");
        EXPECT_EQ(refused.kind, SqlOutcome::Kind::error);
        EXPECT_EQ(refused.message, to_utf8(kSqlHalfPairText));
    }
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "2");
}

TEST_F(SqlExecutionTest, NothingIsSentWithoutAConnection) {
    SqlOutcome outcome = run_sql(nullptr, "SELECT 1");
    EXPECT_EQ(outcome.kind, SqlOutcome::Kind::error);
    EXPECT_EQ(outcome.message, to_utf8(kSqlNoDatabaseText));
}

TEST_F(SqlExecutionTest, ColumnsWithoutRowsAreAResultOfNoRows) {
    db.exec("CREATE TABLE t(a, b); PRAGMA empty_result_callbacks = ON;");
    SqlOutcome outcome = run("SELECT * FROM t");
    ASSERT_EQ(outcome.kind, SqlOutcome::Kind::rows);
    EXPECT_EQ(outcome.table->columns(), 2);
    EXPECT_EQ(outcome.table->rows(), 0);
}

TEST(SqlResultText, RowNumbersAndCells) {
    EXPECT_EQ(format_row_number(1), "00001");
    EXPECT_EQ(format_row_number(42), "00042");
    EXPECT_EQ(format_row_number(99999), "99999");
    EXPECT_EQ(format_row_number(100000), "100000");

    EXPECT_EQ(sql_cell_text(""), "");
    EXPECT_EQ(sql_cell_text(u8"値"), u8"値");
    EXPECT_EQ(sql_cell_text(std::string(300, 'x')), std::string(254, 'x'));
    // 100 Japanese characters: 300 bytes of UTF-8, 200 bytes' worth, shown whole.
    std::string japanese;
    for (int i = 0; i < 100; ++i) {
        japanese += u8"あ";
    }
    EXPECT_EQ(sql_cell_text(japanese), japanese);
    EXPECT_EQ(text_weight(sql_cell_text(japanese + japanese)), 254u);
    // Four bytes' worth each: 63 of them fit, never half of one.
    std::string yoshis;
    for (int i = 0; i < 70; ++i) {
        yoshis += kYoshi;
    }
    EXPECT_EQ(sql_cell_text(yoshis), yoshis.substr(0, 63 * kYoshi.size()));
}

// A BLOB's text would end at its first zero byte: the result says what it is.
TEST_F(SqlExecutionTest, BinaryValuesAreKnownByTheirSize) {
    db.exec(
        "CREATE TABLE t(v); INSERT INTO t VALUES (X'89504E4700010203FF'), (X'41424344'), "
        "(X''), ('text'), (NULL), (7);");
    SqlOutcome outcome = run("SELECT v FROM t ORDER BY rowid; SELECT 'after'");
    ASSERT_EQ(outcome.kind, SqlOutcome::Kind::rows);
    ASSERT_EQ(outcome.table->rows(), 7);
    const long long sizes[] = {9, 4, 0, -1, -1, -1, -1};
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(outcome.table->blob_size(row, 0), sizes[row]) << row;
    }
    EXPECT_EQ(
        values(outcome),
        (std::vector<std::vector<std::string>>{
            {"<BLOB 9>"}, {"<BLOB 4>"}, {"<BLOB 0>"}, {"text"}, {"<NULL>"}, {"7"}, {"after"}}));
    EXPECT_EQ(blob_cell_text(9), "(BLOB 9 バイト)");

    // Statements whose columns differ cannot share one list.
    SqlOutcome mixed = run("SELECT 1; SELECT 1, 2");
    EXPECT_EQ(mixed.kind, SqlOutcome::Kind::error);
    EXPECT_FALSE(mixed.message.empty());
}

// The modules and functions that databases in the wild use are built in.
TEST_F(SqlExecutionTest, FullTextSpatialMathAndPageStatisticsAreAvailable) {
    SqlOutcome made =
        run("CREATE VIRTUAL TABLE notes USING fts4(body);"
            "INSERT INTO notes VALUES ('red apple'), ('green apple'), ('red car');"
            "CREATE VIRTUAL TABLE words USING fts5(body);"
            "CREATE VIRTUAL TABLE areas USING rtree(id, x0, x1);"
            "INSERT INTO areas VALUES (1, 0, 10);");
    ASSERT_EQ(made.kind, SqlOutcome::Kind::message) << made.message;
    const SqlOutcome found =
        run("SELECT (SELECT COUNT(*) FROM notes WHERE notes MATCH '(red OR green) AND apple'),"
            " (SELECT id FROM areas WHERE x0 <= 5 AND x1 >= 5), sqrt(16),"
            " (SELECT COUNT(*) > 0 FROM dbstat);");
    ASSERT_EQ(found.kind, SqlOutcome::Kind::rows) << found.message;
    EXPECT_EQ(values(found), (std::vector<std::vector<std::string>>{{"2", "1", "4.0", "1"}}));
}
