#include <gtest/gtest.h>

#include "page/cell_value.h"
#include "tests/support/test_support.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

CellAddress cell(const char* table, const char* column, RowId rowid) {
    CellAddress address;
    address.table = table;
    address.column = column;
    address.rowid = rowid;
    return address;
}

// What an edit of the cell to `typed` writes, as the grid does it.
WriteResult edit(TestDb& db,
                 const CellAddress& address,
                 const std::string& typed,
                 bool typed_column) {
    CellValue value;
    EXPECT_EQ(read_cell_value(db.handle(), address, value), ReadOutcome::found);
    return update_cell_value(db.handle(), address, value_literal(typed, value.kind, typed_column));
}

}  // namespace

TEST(CellValue, ALiteralIsANumberOnlyAsSQLiteWouldReadOne) {
    for (const char* number : {"0", "42", "-5", "+7", "1.5", ".5", "5.", "007", "1e10", "2.25E-3",
                               "99999999999999999999"}) {
        EXPECT_TRUE(is_number_literal(number)) << number;
    }
    for (const char* text : {"", "-", ".", "--5", "- 5", " 5", "5 ", "1e", "1e+", "0x10", "1.2.3",
                             "5;", "1,5", "five", "5'", "１２"}) {
        EXPECT_FALSE(is_number_literal(text)) << text;
    }
}

// A column without a declared type keeps what it is given: a number typed over a
// number must go in as a number, and text stays text.
TEST(CellValue, AnEditKeepsTheKindOfTheValue) {
    TempDir dir;
    TestDb db(dir.file("kinds.db"));
    db.exec(
        "CREATE TABLE t(a, b TEXT);"
        "INSERT INTO t VALUES (NULL, '007'), (42, 'x'), (1.5, 'y'), ('word', 'z'), (NULL, NULL);");

    EXPECT_EQ(edit(db, cell("t", "a", 2), "423", false).outcome, WriteOutcome::written);
    EXPECT_EQ(edit(db, cell("t", "a", 3), "2.25", false).outcome, WriteOutcome::written);
    EXPECT_EQ(edit(db, cell("t", "b", 1), "008", true).outcome, WriteOutcome::written);
    // Text over a number is text; a number over text stays text.
    EXPECT_EQ(edit(db, cell("t", "b", 2), "12", true).outcome, WriteOutcome::written);
    EXPECT_EQ(edit(db, cell("t", "a", 4), "13", false).outcome, WriteOutcome::written);
    // An empty cell of a column without a type takes a number as a number.
    EXPECT_EQ(edit(db, cell("t", "a", 1), "-5", false).outcome, WriteOutcome::written);
    EXPECT_EQ(edit(db, cell("t", "a", 5), "O'Brien", false).outcome, WriteOutcome::written);

    EXPECT_EQ(db.rows("SELECT a, typeof(a), b, typeof(b) FROM t ORDER BY rowid"),
              (Rows{{"-5", "integer", "008", "text"},
                    {"423", "integer", "12", "text"},
                    {"2.25", "real", "y", "text"},
                    {"13", "text", "z", "text"},
                    {"O'Brien", "text", "<NULL>", "null"}}));
    EXPECT_EQ(db.value("SELECT rowid FROM t WHERE a = 423"), "2");
    EXPECT_EQ(db.value("SELECT sum(a) FROM t WHERE typeof(a) <> 'text'"), "420.25");

    // The literal goes into SQL only as checked; anything else is quoted.
    EXPECT_EQ(value_literal("1;DROP TABLE t", ValueKind::integer, false), "'1;DROP TABLE t'");
    EXPECT_EQ(value_literal("5", ValueKind::null, true), "'5'");
    EXPECT_EQ(value_literal("5", ValueKind::real, true), "5");
}

TEST(CellValue, OnlyValuesThatComeBackExactlyMayBeEdited) {
    TempDir dir;
    TestDb db(dir.file("refuse.db"));
    db.exec(
        u8"CREATE TABLE t(v);"
        u8"INSERT INTO t VALUES (X'89504E4700010203FF'), (X'41424344'), ('x'), "
        "('M\xC3\xBCller \xE3\x80\x9C caf\xC3\xA9'), (CAST"
        u8"(X'955C8E8E' AS TEXT)), ('テーブル 表'), (42), (1.5), (NULL),"
        u8"('a' || char(0) || 'b');");
    struct Case {
        RowId rowid;
        EditRefusal refusal;
        ValueKind kind;
    };
    const Case cases[] = {
        {1, EditRefusal::binary, ValueKind::blob},
        {2, EditRefusal::binary, ValueKind::blob},
        {3, EditRefusal::none, ValueKind::text},
        // Characters Shift-JIS lacks: the editor holds them as they are.
        {4, EditRefusal::none, ValueKind::text},
        // Shift-JIS bytes stored as text by an older program: not UTF-8.
        {5, EditRefusal::unrepresentable, ValueKind::text},
        {6, EditRefusal::none, ValueKind::text},
        {7, EditRefusal::none, ValueKind::integer},
        {8, EditRefusal::none, ValueKind::real},
        {9, EditRefusal::none, ValueKind::null},
        {10, EditRefusal::unrepresentable, ValueKind::text},
    };
    for (const Case& c : cases) {
        CellValue value;
        ASSERT_EQ(read_cell_value(db.handle(), cell("t", "v", c.rowid), value), ReadOutcome::found)
            << c.rowid;
        EXPECT_EQ(value.kind, c.kind) << c.rowid;
        EXPECT_EQ(edit_refusal(value), c.refusal) << c.rowid;
    }
    CellValue blob;
    read_cell_value(db.handle(), cell("t", "v", 1), blob);
    EXPECT_EQ(blob.stored, std::string("\x89PNG\x00\x01\x02\x03\xFF", 9));
    CellValue number;
    read_cell_value(db.handle(), cell("t", "v", 8), number);
    EXPECT_EQ(number.stored, "1.5");
    CellValue accents;
    read_cell_value(db.handle(), cell("t", "v", 4), accents);
    EXPECT_EQ(accents.stored, "M\xC3\xBCller \xE3\x80\x9C caf\xC3\xA9");

    CellValue none;
    EXPECT_EQ(read_cell_value(db.handle(), cell("t", "v", 99), none), ReadOutcome::missing);
    EXPECT_EQ(read_cell_value(db.handle(), cell("nope", "v", 1), none), ReadOutcome::failed);
    EXPECT_EQ(read_cell_value(nullptr, cell("t", "v", 1), none), ReadOutcome::failed);
}

// Every write says whether it reached a record, and where the record is now.
TEST(CellValue, WritesReportTheRecordTheyReached) {
    TempDir dir;
    TestDb db(dir.file("writes.db"));
    db.exec(
        "CREATE TABLE k(id INTEGER PRIMARY KEY, name TEXT CHECK(name <> 'bad'));"
        "INSERT INTO k VALUES (5, 'five'), (6, 'six'), (7, 'seven');"
        "CREATE TRIGGER skip BEFORE UPDATE ON k WHEN new.name = 'skip' BEGIN SELECT RAISE(IGNORE); "
        "END;"
        "CREATE TRIGGER keep BEFORE DELETE ON k WHEN old.id = 7 BEGIN SELECT RAISE(IGNORE); END;");

    const WriteResult key = update_cell_value(db.handle(), cell("k", "id", 5), "50");
    EXPECT_EQ(key.outcome, WriteOutcome::written);
    EXPECT_EQ(key.rowid, 50);
    const WriteResult name = update_cell_value(db.handle(), cell("k", "name", 6), "'renamed'");
    EXPECT_EQ(name.outcome, WriteOutcome::written);
    EXPECT_EQ(name.rowid, 6);

    // The old key names no record any more; a trigger may skip the change.
    EXPECT_EQ(update_cell_value(db.handle(), cell("k", "name", 5), "'lost'").outcome,
              WriteOutcome::no_record);
    EXPECT_EQ(update_cell_value(db.handle(), cell("k", "name", 6), "'skip'").outcome,
              WriteOutcome::no_record);
    EXPECT_EQ(update_cell_value(db.handle(), cell("k", "name", 6), "'bad'").outcome,
              WriteOutcome::failed);
    EXPECT_NE(std::string(sqlite3_errmsg(db.handle())).find("CHECK constraint failed"),
              std::string::npos);
    EXPECT_EQ(update_cell_value(db.handle(), cell("k", "id", 6), "7").outcome,
              WriteOutcome::failed);
    EXPECT_EQ(update_cell_value(nullptr, cell("k", "id", 6), "8").outcome, WriteOutcome::failed);

    EXPECT_EQ(delete_record_where(db.handle(), "k", "rowid = 5"), WriteOutcome::no_record);
    EXPECT_EQ(delete_record_where(db.handle(), "k", "rowid = 7"), WriteOutcome::no_record);
    EXPECT_EQ(delete_record_where(db.handle(), "k", "rowid = 50"), WriteOutcome::written);
    EXPECT_EQ(delete_record_where(db.handle(), "missing", "rowid = 6"), WriteOutcome::failed);

    TestDb check(db.path());
    EXPECT_EQ(check.rows("SELECT id, name FROM k ORDER BY id"),
              (Rows{{"6", "renamed"}, {"7", "seven"}}));
}
