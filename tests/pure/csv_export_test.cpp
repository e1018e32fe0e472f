// Exports to a real file, read back byte for byte: what a spreadsheet would open.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "csv/csv_export.h"
#include "db/run_watch.h"
#include "db/text_convert.h"
#include "tests/support/test_support.h"

namespace {

bool exists(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return file.good();
}

class CsvExportTest : public testing::Test {
protected:
    void SetUp() override {
        db.exec("CREATE TABLE t(code TEXT, name TEXT, note TEXT, n INTEGER, x REAL, b BLOB)");
        db.exec(
            u8"INSERT INTO t VALUES ('007', '山田 太郎', 'say \"hi\", then' || char(13,10) || "
            u8"'go', "
            u8"42, 1.5, x'00FF10')");
        db.exec("INSERT INTO t VALUES ('00123', '', NULL, NULL, NULL, x'')");
    }

    CsvExportOutcome run(const std::string& utf8_sql, const CsvExportOptions& options) {
        return export_csv(db.handle(), utf8_sql, path, options);
    }

    TempDir dir;
    TestDb db{dir.file("a.db")};
    std::string path = dir.file("out.csv");
};

}  // namespace

// Quotes, separators and line breaks in a value are quoted; a NULL is an empty
// field and an empty text is ""; leading zeros stay; BLOBs are hexadecimal; CR LF.
TEST_F(CsvExportTest, WritesEveryKindOfValueSoThatItReadsBack) {
    CsvExportOptions options;
    options.encoding = FileEncoding::utf8;
    CsvExportOutcome outcome = run(csv_table_sql("t"), options);
    ASSERT_EQ(outcome.status, CsvExportOutcome::written);
    EXPECT_EQ(outcome.rows, 2);
    EXPECT_EQ(file_bytes(path),
              u8"code,name,note,n,x,b\r\n"
              u8"007,山田 太郎,\"say \"\"hi\"\", then\r\ngo\",42,1.5,00FF10\r\n"
              u8"00123,\"\",,,,\"\"\r\n");

    // Shift-JIS: the same fields in the program's code page, no byte-order mark.
    options.encoding = FileEncoding::shift_jis;
    ASSERT_EQ(run(csv_table_sql("t"), options).status, CsvExportOutcome::written);
    const std::string ansi = file_bytes(path);
    EXPECT_EQ(ansi.find("\xEF\xBB\xBF"), std::string::npos);
    EXPECT_NE(ansi.find("007,山田 太郎,"), std::string::npos) << ansi;

    // UTF-8 with its mark, tab-separated, without the names: a comma needs no quotes.
    options.encoding = FileEncoding::utf8_bom;
    options.separator = '\t';
    options.column_names = false;
    ASSERT_EQ(run("SELECT code, note FROM t WHERE n = 42", options).status,
              CsvExportOutcome::written);
    EXPECT_EQ(file_bytes(path),
              u8"\xEF\xBB\xBF"
              "007\t\"say \"\"hi\"\", then\r\ngo\"\r\n");
}

// A value Shift-JIS lacks is never replaced: the values are counted, nothing is
// written (an earlier file under the name stays), and UTF-8 with a mark holds them.
TEST_F(CsvExportTest, CountsValuesShiftJisCannotHoldAndWritesNothing) {
    db.exec(
        u8"INSERT INTO t(code, name, note) VALUES ('1', '\xF0\x9F\x98\x80', "
        u8"'\xED\x95\x9C\xEA\xB5\xAD')");
    {
        std::ofstream earlier(path, std::ios::binary);
        earlier << "earlier";
    }
    CsvExportOptions options;
    CsvExportOutcome outcome = run(csv_table_sql("t"), options);
    EXPECT_EQ(outcome.status, CsvExportOutcome::not_representable);
    EXPECT_EQ(outcome.unrepresentable, 2);
    EXPECT_EQ(file_bytes(path), "earlier");
    EXPECT_FALSE(exists(path + ".part"));

    options.encoding = FileEncoding::utf8_bom;
    outcome = run(csv_table_sql("t"), options);
    ASSERT_EQ(outcome.status, CsvExportOutcome::written);
    EXPECT_NE(file_bytes(path).find(u8"1,\xF0\x9F\x98\x80,\xED\x95\x9C\xEA\xB5\xAD,,,\r\n"),
              std::string::npos);
}

// A result of several blocks: the Shift-JIS bytes are those of a small one, and
// values Shift-JIS lacks are counted wherever they lie, with nothing written.
TEST_F(CsvExportTest, ResultsOfManyBlocksAreWrittenAndCheckedWhole) {
    db.exec(
        u8"CREATE TABLE big(n INTEGER, name TEXT);"
        u8"WITH RECURSIVE c(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM c WHERE i < 60000) "
        u8"INSERT INTO big SELECT i, '山田 太郎 ' || i FROM c;");
    std::string expected = "n,name\r\n";
    for (int i = 1; i <= 60000; ++i) {
        expected += std::to_string(i) + ",山田 太郎 " + std::to_string(i) + "\r\n";
    }
    CsvExportOptions options;
    CsvExportOutcome outcome = run("SELECT * FROM big", options);
    ASSERT_EQ(outcome.status, CsvExportOutcome::written);
    EXPECT_EQ(outcome.rows, 60000);
    EXPECT_TRUE(file_bytes(path) == expected);

    db.exec(u8"UPDATE big SET name = '\xF0\x9F\x98\x80' WHERE n IN (2, 59999)");
    outcome = run("SELECT * FROM big", options);
    EXPECT_EQ(outcome.status, CsvExportOutcome::not_representable);
    EXPECT_EQ(outcome.unrepresentable, 2);
    EXPECT_TRUE(file_bytes(path) == expected);
    EXPECT_FALSE(exists(path + ".part"));
}

// A result without rows still gives its column names; statements whose columns
// differ are refused in the result list's words.
TEST_F(CsvExportTest, ColumnsComeFromTheFirstStatementThatHasThem) {
    CsvExportOptions options;
    options.encoding = FileEncoding::utf8;
    CsvExportOutcome outcome = run("SELECT code, name FROM t WHERE 0", options);
    ASSERT_EQ(outcome.status, CsvExportOutcome::written);
    EXPECT_EQ(outcome.rows, 0);
    EXPECT_EQ(file_bytes(path), "code,name\r\n");

    outcome = run("SELECT code FROM t WHERE 0; SELECT code, name FROM t", options);
    EXPECT_EQ(outcome.status, CsvExportOutcome::sql_failed);
    EXPECT_EQ(outcome.message, "sqlite3_get_table() called with two or more incompatible queries");
    EXPECT_EQ(file_bytes(path), "code,name\r\n");
}

// Running the text again to read its rows must not change the database again.
TEST_F(CsvExportTest, RefusesTextThatWouldChangeTheDatabase) {
    CsvExportOptions options;
    EXPECT_EQ(run("SELECT * FROM t; INSERT INTO t(code) VALUES ('x'); SELECT 1", options).status,
              CsvExportOutcome::not_read_only);
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM t"), "2");
    EXPECT_FALSE(exists(path));

    CsvExportOutcome failed = run("SELECT * FROM missing", options);
    EXPECT_EQ(failed.status, CsvExportOutcome::sql_failed);
    EXPECT_NE(failed.message.find("missing"), std::string::npos);
    EXPECT_FALSE(exists(path));
}

// Esc during a run that would never end: no file under the name, none beside it.
TEST_F(CsvExportTest, StoppedExportLeavesNoFile) {
    run_watch::reset(db.handle());
    run_watch::set_poll(db.handle(), [] { return true; });
    CsvExportOptions options;
    CsvExportOutcome outcome = run(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT x FROM c", options);
    run_watch::set_poll(db.handle(), {});
    EXPECT_EQ(outcome.status, CsvExportOutcome::stopped);
    EXPECT_GT(outcome.rows, 0);
    EXPECT_FALSE(exists(path));
    EXPECT_FALSE(exists(path + ".part"));
}

// A filtered and sorted table exports what the grid shows, in its order: the
// filter's values bound (a quote in one changes nothing), ties in the table's order.
TEST_F(CsvExportTest, AFilteredAndSortedTableExportsWhatTheGridShows) {
    db.exec(
        "CREATE TABLE s(id INTEGER PRIMARY KEY, name TEXT, n INTEGER);"
        "INSERT INTO s VALUES (1, 'a''b', 2), (2, 'c', 1), (3, 'a''b', 3), (4, 'd', 2),"
        "(5, 'a''b', 2);");
    TableShape shape;
    ASSERT_TRUE(read_table_shape(db.handle(), "s", shape));
    RecordView view;
    std::size_t bad = 0;
    std::string message;
    ASSERT_TRUE(parse_filters(shape, {"", "a'b", ""}, view.filter, bad, message)) << message;
    view.order = {OrderKey{2, true}};
    CsvExportOptions options;
    options.encoding = FileEncoding::utf8;
    const CsvExportOutcome outcome = export_csv(db.handle(), csv_view_sql("s", shape, view), path,
                                                options, {}, view.filter.values);
    ASSERT_EQ(outcome.status, CsvExportOutcome::written) << outcome.message;
    EXPECT_EQ(file_bytes(path), "id,name,n\r\n3,a'b,3\r\n1,a'b,2\r\n5,a'b,2\r\n");
    EXPECT_EQ(db.value("SELECT count(*) FROM s;"), "5");
}
