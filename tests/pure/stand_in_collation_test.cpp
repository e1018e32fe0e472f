#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "csv/csv_import.h"
#include "db/database_connection.h"
#include "db/paging.h"
#include "db/record_page.h"
#include "db/record_view.h"
#include "db/sql_error.h"
#include "db/stand_in_collation.h"
#include "db/table_shape.h"
#include "history/change_history.h"
#include "sqleditor/sql_execution.h"
#include "tests/support/test_support.h"

namespace {

// The file's own program sorts by collations this program lacks; here they sort
// backwards, so that any use of the stand-in's order where the file's is kept
// shows.
int backwards(void*, int size_a, const void* a, int size_b, const void* b) {
    const int common = size_a < size_b ? size_a : size_b;
    const int order = std::memcmp(a, b, static_cast<std::size_t>(common));
    return -(order != 0 ? order : size_a - size_b);
}

void add_phone_collations(sqlite3* db) {
    for (const char* name : {"LOCALIZED", "UNICODE"}) {
        sqlite3_create_collation(db, name, SQLITE_UTF8, nullptr, backwards);
    }
}

std::string key_of(int i) {
    char text[16];
    std::snprintf(text, sizeof(text), "k%04d", i * 7 % 1200);
    return text;
}

// A contacts file as a phone writes it: an index in the language's order, and a
// table without row ids keyed in it.
class StandInTest : public testing::Test {
protected:
    void SetUp() override {
        TestDb phone(path);
        add_phone_collations(phone.handle());
        phone.exec(
            "CREATE TABLE raw_contacts(_id INTEGER PRIMARY KEY, display_name TEXT, sort_key TEXT);"
            "CREATE INDEX raw_contact_sort_key1_index ON raw_contacts (sort_key COLLATE "
            "LOCALIZED);"
            "CREATE TABLE keyed(k TEXT COLLATE UNICODE PRIMARY KEY, v) WITHOUT ROWID;"
            "CREATE TABLE plain(a, b);");
        phone.fill("INSERT INTO raw_contacts(display_name, sort_key) VALUES ('n' || ?1, 's' || ?1)",
                   40);
        phone.exec("BEGIN;");
        for (int i = 0; i < 1200; ++i) {
            phone.exec("INSERT INTO keyed VALUES ('" + key_of(i) + "', " + std::to_string(i) +
                       ");");
        }
        phone.exec("COMMIT;");
        ASSERT_TRUE(connection.open(path.c_str()));
        db = connection.handle;
    }

    // What the file's own program finds when it checks the file.
    std::string integrity_under_real_order() {
        connection.close();
        TestDb phone(path);
        add_phone_collations(phone.handle());
        return phone.value("PRAGMA integrity_check;");
    }

    int run(const std::string& sql) {
        return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    }

    TempDir dir;
    std::string path = dir.file("contacts2.db");
    DatabaseConnection connection;
    sqlite3* db = nullptr;
};

TEST_F(StandInTest, EveryRecordIsReadPageByPageInTheFileOwnOrder) {
    TableShape shape;
    ASSERT_TRUE(read_table_shape(db, "keyed", shape));
    EXPECT_EQ(count_table_rows(db, "keyed"), 1200);

    // Page after page as the grid turns them: next to the last record read.
    std::vector<std::string> keys;
    std::vector<PageRecord> page;
    ASSERT_TRUE(read_record_page(db, "keyed", shape, 0, kPageSize, page));
    for (const PageRecord& record : page) {
        keys.push_back(record.values[0].text);
    }
    PageStart next;
    next.from = PageStart::From::after;
    next.offset = kPageSize;
    next.identity = page.back().identity;
    ASSERT_TRUE(read_record_page(db, "keyed", shape, next, kPageSize, page));
    for (const PageRecord& record : page) {
        keys.push_back(record.values[0].text);
    }
    ASSERT_EQ(keys.size(), 1200u);
    EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), 1200u);
    for (std::size_t i = 1; i < keys.size(); ++i) {
        ASSERT_GT(keys[i - 1], keys[i]) << "at " << i;
    }

    // The table with the index reads in its row ids' order, as before.
    ASSERT_TRUE(read_table_shape(db, "raw_contacts", shape));
    ASSERT_TRUE(read_record_page(db, "raw_contacts", shape, 0, kPageSize, page));
    EXPECT_EQ(page.size(), 40u);
    EXPECT_EQ(connection_message(db, SQLITE_OK), std::string("not an error"));
}

// Whatever would place a value in, or take one from, an index or key in the
// stand-in's order is refused before it writes; the rest goes through, and the
// file's own program finds its file sound.
TEST_F(StandInTest, WritesInTheStandInOrderAreRefusedAndTheRestIsDone) {
    EXPECT_EQ(run("UPDATE raw_contacts SET display_name = 'changed' WHERE _id = 1;"), SQLITE_OK);
    EXPECT_EQ(run("UPDATE plain SET a = 1;"), SQLITE_OK);
    EXPECT_EQ(run("INSERT INTO plain VALUES (1, 2);"), SQLITE_OK);

    for (const char* refused : {
             "UPDATE raw_contacts SET sort_key = 'x' WHERE _id = 1;",
             "UPDATE raw_contacts SET _id = 100 WHERE _id = 1;",
             "INSERT INTO raw_contacts(display_name, sort_key) VALUES ('new', 'new');",
             "DELETE FROM raw_contacts WHERE _id = 2;",
             "UPDATE keyed SET v = 0 WHERE k = 'k0007';",
             "DELETE FROM keyed WHERE k = 'k0014';",
             "INSERT INTO keyed VALUES ('k9999', 0);",
             "DROP TABLE keyed;",
             "ALTER TABLE raw_contacts DROP COLUMN display_name;",
             "CREATE INDEX by_key ON keyed(k);",
             "REINDEX raw_contact_sort_key1_index;",
         }) {
        EXPECT_EQ(run(refused), SQLITE_AUTH) << refused;
    }
    const std::string message = connection_message(db, SQLITE_AUTH);
    EXPECT_NE(message.find("LOCALIZED"), std::string::npos) << message;

    // The SQL editor: statements that would build an index in the stand-in's
    // order are refused, with the program's words.
    for (const char* refused : {
             "CREATE TABLE copy(k TEXT COLLATE UNICODE PRIMARY KEY) WITHOUT ROWID;",
             "VACUUM;",
             "SELECT 1; UPDATE raw_contacts SET sort_key = NULL;",
         }) {
        const SqlOutcome outcome = run_sql(db, refused);
        EXPECT_EQ(outcome.kind, SqlOutcome::Kind::error) << refused;
        EXPECT_EQ(outcome.message.find("not authorized"), std::string::npos) << outcome.message;
    }
    EXPECT_EQ(
        run_sql(db, "SELECT count(*) FROM raw_contacts ORDER BY sort_key COLLATE LOCALIZED;").kind,
        SqlOutcome::Kind::rows);
    // A table made in the editor is looked at before the next statement writes it.
    EXPECT_EQ(run_sql(db,
                      "CREATE TABLE later(a TEXT, b); CREATE INDEX later_a ON later(a COLLATE "
                      "UNICODE);")
                  .kind,
              SqlOutcome::Kind::error);

    // An import into the table adds nothing.
    const std::string csv = dir.file("rows.csv");
    {
        std::FILE* file = std::fopen(csv.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fputs("display_name,sort_key\r\nimported,imported\r\n", file);
        std::fclose(file);
    }
    CsvImportOptions options;
    options.new_table = false;
    options.table = "raw_contacts";
    EXPECT_NE(import_csv(db, csv, options).status, CsvImportOutcome::imported);

    // Undo writes every column of the record back, the indexed one too: refused,
    // whole. In a table without such an index it is done.
    ChangeHistory history;
    history.attach(db);
    {
        RecordedStep step(&history);
        EXPECT_EQ(run("UPDATE raw_contacts SET display_name = 'again' WHERE _id = 3;"), SQLITE_OK);
    }
    const ChangeHistory::Outcome refused = history.undo();
    EXPECT_EQ(refused.result, ChangeHistory::Applied::failed);
    EXPECT_EQ(refused.code & 0xff, SQLITE_AUTH);
    {
        RecordedStep step(&history);
        EXPECT_EQ(run("UPDATE plain SET b = 'again';"), SQLITE_OK);
    }
    EXPECT_EQ(history.undo().result, ChangeHistory::Applied::done);
    history.attach(nullptr);
    EXPECT_EQ(count_table_rows(db, "plain"), 1);

    EXPECT_EQ(count_table_rows(db, "raw_contacts"), 40);
    EXPECT_EQ(count_table_rows(db, "keyed"), 1200);
    EXPECT_EQ(integrity_under_real_order(), "ok");
}

// A filter on a column that a key in a stand-in's order orders finds every match:
// a seek by the stand-in's comparison through the file's order would pass them by.
// A change of such a record is known to be refused before it is tried.
TEST_F(StandInTest, FiltersFindEveryMatchAndRefusedChangesAreKnownFirst) {
    TableShape shape;
    ASSERT_TRUE(read_table_shape(db, "keyed", shape));
    const auto matches = [&](const std::string& typed) {
        RecordView view;
        std::size_t bad = 0;
        std::string message;
        EXPECT_TRUE(parse_filters(shape, {typed, ""}, view.filter, bad, message)) << typed;
        return count_view_records(db, "keyed", shape, view);
    };
    EXPECT_EQ(matches("=k0007"), 1);
    std::int64_t in_range = 0;
    for (int i = 0; i < 1200; ++i) {
        in_range += key_of(i) >= "k0100" && key_of(i) <= "k0200";
    }
    EXPECT_EQ(matches("k0100~k0200"), in_range);

    EXPECT_TRUE(stand_in::refuses_record_change(db, "keyed", "v"));
    EXPECT_NE(std::string(stand_in::refusal_message(db)).find("UNICODE"), std::string::npos);
    EXPECT_TRUE(stand_in::refuses_record_change(db, "raw_contacts", ""));
    EXPECT_TRUE(stand_in::refuses_record_change(db, "raw_contacts", "sort_key"));
    EXPECT_FALSE(stand_in::refuses_record_change(db, "raw_contacts", "display_name"));
    EXPECT_FALSE(stand_in::refuses_record_change(db, "plain", ""));
}

}  // namespace
