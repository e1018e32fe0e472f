// Imports from real files, read back through a second connection.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "csv/csv_import.h"
#include "db/run_watch.h"
#include "tests/support/test_support.h"

namespace {

class CsvImportTest : public testing::Test {
protected:
    std::string write(const std::string& bytes) {
        const std::string path = dir.file("in.csv");
        std::ofstream file(path, std::ios::binary);
        file << bytes;
        return path;
    }
    CsvImportOutcome import(const std::string& bytes, const CsvImportOptions& options) {
        const std::string path = write(bytes);
        sqlite3* db = nullptr;
        sqlite3_open(utf8_of(dir.file("a.db")).c_str(), &db);
        CsvImportOutcome outcome = import_csv(db, path, options);
        sqlite3_close(db);
        return outcome;
    }
    CsvImportOptions into_new(const std::string& table, FileEncoding encoding) {
        CsvImportOptions options;
        options.encoding = encoding;
        options.table = table;
        return options;
    }

    TempDir dir;
    TestDb check{dir.file("a.db")};
};

}  // namespace

// Japanese text, quotes, commas and line breaks in values, "" against an empty
// field, leading zeros, no break after the last line: all as written.
TEST_F(CsvImportTest, NewTableKeepsEveryValueAsText) {
    const CsvImportOutcome outcome = import(
        "code,名前,note\r\n007,\"山田, 太郎\",\"say "
        "\"\"hi\"\"\r\nthen\"\r\n0123,\"\",\r\n4.50,x,last",
        into_new("t", FileEncoding::shift_jis));
    ASSERT_EQ(outcome.status, CsvImportOutcome::imported) << outcome.message;
    EXPECT_EQ(outcome.rows, 3);
    EXPECT_EQ(check.rows("SELECT name, type FROM pragma_table_info('t')"),
              (std::vector<std::vector<std::string>>{
                  {"code", "TEXT"}, {u8"名前", "TEXT"}, {"note", "TEXT"}}));
    EXPECT_EQ(check.rows(u8"SELECT code, typeof(code), \"名前\", note FROM t ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{
                  {"007", "text", u8"山田, 太郎", "say \"hi\"\r\nthen"},
                  {"0123", "text", "", "<NULL>"},
                  {"4.50", "text", "x", "last"}}));
}

// Typed columns only where every value is a number; codes with zeros stay text.
// Without names on the first line the columns are numbered.
TEST_F(CsvImportTest, TypedColumnsAndNumberedNames) {
    CsvImportOptions options = into_new("n", FileEncoding::utf8);
    options.column_names = false;
    options.typed_columns = true;
    const CsvImportOutcome outcome = import("1,1.5,007,x\r\n-20,3,8,9\r\n,,,\r\n", options);
    ASSERT_EQ(outcome.status, CsvImportOutcome::imported) << outcome.message;
    EXPECT_EQ(check.rows("SELECT name, type FROM pragma_table_info('n')"),
              (std::vector<std::vector<std::string>>{{"column01", "INTEGER"},
                                                     {"column02", "REAL"},
                                                     {"column03", "TEXT"},
                                                     {"column04", "TEXT"}}));
    EXPECT_EQ(check.rows("SELECT column01, typeof(column01), column03 FROM n ORDER BY rowid"),
              (std::vector<std::vector<std::string>>{
                  {"1", "integer", "007"}, {"-20", "integer", "8"}, {"<NULL>", "null", "<NULL>"}}));
}

// A fault anywhere stops the import with its line, and nothing is inserted (nor
// the new table made).
TEST_F(CsvImportTest, AFaultStopsWithItsLineAndInsertsNothing) {
    check.exec("CREATE TABLE e(a, b)");
    check.exec("INSERT INTO e VALUES ('kept', 1)");
    CsvImportOptions existing;
    existing.encoding = FileEncoding::utf8;
    existing.new_table = false;
    existing.table = "e";
    existing.column_names = false;

    CsvImportOutcome outcome = import("1,2\r\n3,4\r\n5\r\n", existing);
    EXPECT_EQ(outcome.status, CsvImportOutcome::wrong_field_count);
    EXPECT_EQ(outcome.line, 3);
    EXPECT_EQ(outcome.expected, 2u);
    EXPECT_EQ(outcome.found, 1u);

    outcome = import("1,2\r\n3,\"4\r\n", existing);
    EXPECT_EQ(outcome.status, CsvImportOutcome::malformed);
    EXPECT_EQ(outcome.line, 2);

    outcome = import("1,2\r\n\x8E\x52,4\r\n", existing);
    EXPECT_EQ(outcome.status, CsvImportOutcome::not_encoded);
    EXPECT_EQ(outcome.line, 2);

    // The table's columns and the file's fields are counted before anything runs.
    outcome = import("1,2,3\r\n", existing);
    EXPECT_EQ(outcome.status, CsvImportOutcome::column_count_differs);
    EXPECT_EQ(outcome.expected, 2u);
    EXPECT_EQ(outcome.found, 3u);

    // A failure of the database half way: the records before it go too.
    check.exec("CREATE TABLE u(a UNIQUE, b)");
    existing.table = "u";
    outcome = import("1,2\r\n3,4\r\n1,5\r\n", existing);
    EXPECT_EQ(outcome.status, CsvImportOutcome::sql_failed);
    EXPECT_EQ(check.value("SELECT COUNT(*) FROM u"), "0");

    EXPECT_EQ(import("a,b\r\n1,\"\r\n", into_new("never", FileEncoding::utf8)).status,
              CsvImportOutcome::malformed);
    EXPECT_EQ(check.value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'never'"), "0");
    EXPECT_EQ(check.rows("SELECT * FROM e"),
              (std::vector<std::vector<std::string>>{{"kept", "1"}}));

    // A sound file goes into the existing table by position, as text.
    existing.table = "e";
    ASSERT_EQ(import(u8"\xEF\xBB\xBF"
                     "007,x\r\n",
                     existing)
                  .status,
              CsvImportOutcome::imported);
    EXPECT_EQ(check.value("SELECT a FROM e WHERE b = 'x'"), "007");
}

// Read, checked and inserted in one pass: Esc half way through a large file, or a
// fault on its last line, still leaves nothing added and no new table.
TEST_F(CsvImportTest, StoppedOrFaultyLargeFileAddsNothing) {
    std::string records = "a,b\r\n";
    for (int i = 0; i < 400000; ++i) {
        records += std::to_string(i) + ",x\r\n";
    }
    const std::string path = write(records + "1\r\n");
    sqlite3* db = nullptr;
    sqlite3_open(utf8_of(dir.file("a.db")).c_str(), &db);
    run_watch::set_poll(db, [] { return true; });
    // A slow disk on which the user presses Esc: however fast the machine, the run
    // lasts long enough for the poll to be asked.
    const auto slow_disk = [db](std::int64_t) {
        for (int i = 0; i < 1000 && !run_watch::tick(db); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };
    const CsvImportOutcome stopped =
        import_csv(db, path, into_new("stopped", FileEncoding::utf8), slow_disk);
    run_watch::set_poll(db, {});
    run_watch::reset(db);
    const CsvImportOutcome faulty = import_csv(db, path, into_new("faulty", FileEncoding::utf8));
    sqlite3_close(db);

    EXPECT_EQ(stopped.status, CsvImportOutcome::stopped);
    EXPECT_EQ(stopped.rows, 0);
    EXPECT_EQ(faulty.status, CsvImportOutcome::wrong_field_count);
    EXPECT_EQ(faulty.line, 400002);
    EXPECT_EQ(faulty.rows, 0);
    EXPECT_EQ(check.value("SELECT COUNT(*) FROM sqlite_master"), "0");
}
