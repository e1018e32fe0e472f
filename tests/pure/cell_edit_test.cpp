// The life of one cell edit against a real file, with a page that stands in for
// the grid: whom it writes to, how often, and what it tells.
#include <gtest/gtest.h>

#include <functional>

#include "page/cell_edit.h"
#include "page/record_statements.h"
#include "page/table_page.h"
#include "tests/support/test_support.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;
using Notices = std::vector<EditNotice>;

// The grid's page of a table, its first page, without the window: what the edit
// reads and shows goes through the TablePage the program uses.
class FakePage : public EditTarget {
public:
    FakePage(sqlite3* db, const std::string& table) {
        EXPECT_TRUE(page_.open(db, table));
        page_.load(0);
    }

    sqlite3* edited_database() const override { return page_.database(); }
    const std::string& edited_table() const override { return page_.table(); }
    const TableShape& shape() const override { return page_.shape(); }
    std::string record_condition(int row) const override { return page_.record_condition(row); }
    int row_of_condition(const std::string& condition) const override {
        return page_.row_of_condition(condition);
    }
    bool is_blank_row(int row) const override { return page_.is_blank_row(row); }
    std::string cell_text(int row, int column) const override {
        return page_.cell_text(row, column);
    }

    void show_cell_text(int row, int column, const std::string& text) override {
        page_.set_cell_text(row, column, text);
    }
    int show_record(RowId rowid) override { return page_.show_record(rowid); }
    int show_added_record(RowId rowid) override { return page_.show_added_record(rowid); }
    int show_keyed_record(const std::vector<std::string>& key_literals) override {
        return page_.show_keyed_record(key_literals);
    }
    void report_record_missing(int row) override {
        missing.push_back(row);
        page_.load(page_.page_index());
    }
    void tell(EditNotice notice) override { notices.push_back(notice); }
    void tell_failed(EditNotice notice, const std::string& message) override {
        notices.push_back(notice);
        failure = message;
    }
    int show_found_record(const std::string& condition) override {
        return page_.show_found_record(condition);
    }
    const TablePage& page() const { return page_; }
    void hide_editor() override {
        // A hidden editor hands the focus on, and tells its loss.
        if (editor_focused && on_focus_lost) {
            editor_focused = false;
            on_focus_lost();
        }
    }

    // What the edit told the user, the message of a failed write, and the rows
    // it reported gone.
    Notices notices;
    std::string failure;
    std::vector<int> missing;
    // The editor holds the focus (it opened), and what its loss of focus does.
    bool editor_focused = false;
    std::function<void()> on_focus_lost;

private:
    TablePage page_;
};

// Opens the in-place edit of a cell as the grid does; false when it is refused
// or would take the text dialog.
bool open_edit(CellEdit& edit, FakePage& page, int row, int column) {
    EditedCell cell;
    if (CellEdit::prepare(page, row, column, false, cell) != EditStart::in_place) {
        return false;
    }
    edit.open(cell, cell.text);
    page.editor_focused = true;
    return true;
}

}  // namespace

// Hiding the editor takes the focus from it, and the loss of focus commits again
// with whatever the editor holds: one edit, one write.
TEST(CellEdit, AnEditIsWrittenOnceThoughItsCommitLosesTheFocus) {
    TempDir dir;
    TestDb db(dir.file("once.db"));
    db.exec(
        "CREATE TABLE t(a TEXT CHECK(a <> 'bad'), b TEXT); INSERT INTO t VALUES ('1a', '1b');"
        "CREATE TABLE z_log(x);"
        "CREATE TRIGGER w AFTER UPDATE ON t BEGIN INSERT INTO z_log VALUES (new.a); END;");
    FakePage page(db.handle(), "t");
    CellEdit edit;
    int second_commits = 0;
    page.on_focus_lost = [&] { second_commits += edit.commit(page, "again", false).finished; };

    ASSERT_TRUE(open_edit(edit, page, 0, 1));
    const CommitOutcome enter = edit.commit(page, "typed", true);
    EXPECT_TRUE(enter.finished);
    EXPECT_EQ(enter.next_column, 2);
    // The loss of focus after Enter finds the edit ended.
    EXPECT_FALSE(edit.commit(page, "later", false).finished);
    EXPECT_FALSE(edit.active());

    // A refused write is told once, and nothing else is tried.
    ASSERT_TRUE(open_edit(edit, page, 0, 1));
    EXPECT_EQ(edit.commit(page, "bad", true).next_column, 0);
    EXPECT_EQ(page.notices, Notices{EditNotice::update_failed});

    EXPECT_EQ(second_commits, 0);
    EXPECT_EQ(db.rows("SELECT a, b FROM t"), (Rows{{"typed", "1b"}}));
    EXPECT_EQ(db.rows("SELECT x FROM z_log"), (Rows{{"typed"}}));
}

// A new key gives the record another place; the rest of the edit, and the delete
// command after it, must reach the record there, by its new key.
TEST(CellEdit, AfterAKeyEditTheEditFollowsTheRecord) {
    TempDir dir;
    TestDb db(dir.file("keys.db"));
    db.exec(
        "CREATE TABLE k(id INTEGER PRIMARY KEY, name TEXT);"
        "INSERT INTO k VALUES (1, 'one'), (5, 'five');"
        "CREATE TABLE w(a TEXT, b INTEGER, v TEXT, PRIMARY KEY(a, b)) WITHOUT ROWID;"
        "INSERT INTO w VALUES ('x', 1, 'first'), ('x', 2, 'second'), ('y', 1, 'third');");

    // The record keeps its list row; only its id tells it apart.
    FakePage ids(db.handle(), "k");
    CellEdit edit;
    ASSERT_TRUE(open_edit(edit, ids, 1, 1));
    EXPECT_EQ(edit.commit(ids, "6", true).next_column, 2);
    EXPECT_EQ(edit.cell().row, 1);
    EXPECT_EQ(edit.cell().rowid, 6);
    EXPECT_EQ(ids.row_of_condition(edit.cell().condition), 1);
    ASSERT_TRUE(open_edit(edit, ids, 1, 2));
    edit.commit(ids, "six", false);
    EXPECT_EQ(db.rows("SELECT id, name FROM k ORDER BY id"), (Rows{{"1", "one"}, {"6", "six"}}));

    // One column of a two-column key: the record moves past the next one.
    FakePage keys(db.handle(), "w");
    ASSERT_TRUE(open_edit(edit, keys, 0, 2));
    EXPECT_EQ(edit.commit(keys, "3", false).next_column, 0);
    EXPECT_EQ(edit.cell().row, 1);
    EXPECT_EQ(keys.cell_text(edit.cell().row, 3), "first");
    ASSERT_TRUE(open_edit(edit, keys, edit.cell().row, 3));
    EXPECT_EQ(edit.commit(keys, "moved", true).next_column, 0);
    EXPECT_EQ(db.rows("SELECT a, b, v FROM w"),
              (Rows{{"x", "2", "second"}, {"x", "3", "moved"}, {"y", "1", "third"}}));
    EXPECT_TRUE(ids.notices.empty());
    EXPECT_TRUE(keys.notices.empty());
}

// Another program deleted the record while its key was being edited: the edit
// says so and shows the page again, and nothing else is written or shown.
TEST(CellEdit, AKeyEditOfARecordDeletedMeanwhileIsReported) {
    TempDir dir;
    TestDb db(dir.file("gone.db"));
    db.exec(
        "CREATE TABLE w(code TEXT PRIMARY KEY, v TEXT) WITHOUT ROWID;"
        "INSERT INTO w VALUES ('a', 'first'), ('b', 'second');");
    FakePage page(db.handle(), "w");
    CellEdit edit;
    ASSERT_TRUE(open_edit(edit, page, 1, 1));
    TestDb other(db.path());
    other.exec("DELETE FROM w WHERE code = 'b';");
    const CommitOutcome outcome = edit.commit(page, "c", true);

    EXPECT_TRUE(outcome.finished);
    EXPECT_EQ(outcome.next_column, 0);
    EXPECT_EQ(page.missing, std::vector<int>{1});
    EXPECT_TRUE(page.notices.empty());
    EXPECT_EQ(page.cell_text(0, 1), "a");
    EXPECT_TRUE(page.is_blank_row(1));
    EXPECT_EQ(db.rows("SELECT code, v FROM w"), (Rows{{"a", "first"}}));
}

// A trigger that drops new records: the blank row's edit says the record was not
// added and goes no further, in a table with row ids and in one without.
TEST(CellEdit, ANewRecordThatATriggerDropsIsTold) {
    TempDir dir;
    TestDb db(dir.file("dropped.db"));
    db.exec(
        "CREATE TABLE t(a TEXT, b TEXT); INSERT INTO t VALUES ('kept', '');"
        "CREATE TABLE w(code TEXT PRIMARY KEY, v TEXT) WITHOUT ROWID;"
        "CREATE TRIGGER dt BEFORE INSERT ON t BEGIN SELECT RAISE(IGNORE); END;"
        "CREATE TRIGGER dw BEFORE INSERT ON w BEGIN SELECT RAISE(IGNORE); END;");
    for (const char* table : {"t", "w"}) {
        SCOPED_TRACE(table);
        FakePage page(db.handle(), table);
        const int blank = table == std::string("t") ? 1 : 0;
        ASSERT_TRUE(page.is_blank_row(blank));
        CellEdit edit;
        ASSERT_TRUE(open_edit(edit, page, blank, 1));
        const CommitOutcome outcome = edit.commit(page, "new", true);
        EXPECT_EQ(outcome.next_column, 0);
        EXPECT_EQ(page.notices, Notices{EditNotice::not_added});
        EXPECT_TRUE(page.is_blank_row(blank));
    }
    EXPECT_EQ(db.rows("SELECT a FROM t"), (Rows{{"kept"}}));
    EXPECT_EQ(db.value("SELECT COUNT(*) FROM w"), "0");
}

// A full-text table takes no RETURNING clause; its records keep their row ids
// through an edit, and Enter walks on along the same record.
TEST(CellEdit, EnterWalksAlongARecordOfAFullTextTable) {
    TempDir dir;
    TestDb db(dir.file("fts.db"));
    db.exec(
        "CREATE VIRTUAL TABLE docs USING fts5(title, body);"
        "INSERT INTO docs VALUES ('first', 'alpha'), ('second', 'beta');");
    FakePage page(db.handle(), "docs");
    CellEdit edit;
    ASSERT_TRUE(open_edit(edit, page, 1, 1));
    EXPECT_EQ(edit.commit(page, "2nd", true).next_column, 2);
    EXPECT_EQ(edit.cell().row, 1);
    ASSERT_TRUE(open_edit(edit, page, 1, 2));
    edit.commit(page, "gamma", true);
    EXPECT_EQ(db.rows("SELECT rowid, title, body FROM docs"),
              (Rows{{"1", "first", "alpha"}, {"2", "2nd", "gamma"}}));
    EXPECT_TRUE(page.missing.empty());
    EXPECT_TRUE(page.notices.empty());
}

namespace {

// A table behind a view that shows part of it, and triggers that carry the
// view's changes into the table (the tests add those they need).
constexpr const char kPeopleSql[] =
    "CREATE TABLE people(id INTEGER PRIMARY KEY, name TEXT, age INTEGER);"
    "CREATE VIEW grown AS SELECT name, age FROM people WHERE age >= 18;";
constexpr const char kUpdateTriggerSql[] =
    "CREATE TRIGGER grown_update INSTEAD OF UPDATE ON grown BEGIN"
    " UPDATE people SET name = new.name, age = new.age"
    " WHERE name IS old.name AND age IS old.age; END;";
constexpr const char kInsertTriggerSql[] =
    "CREATE TRIGGER grown_insert INSTEAD OF INSERT ON grown BEGIN"
    " INSERT INTO people(name, age) VALUES (new.name, coalesce(new.age, 18)); END;";
constexpr const char kDeleteTriggerSql[] =
    "CREATE TRIGGER grown_delete INSTEAD OF DELETE ON grown BEGIN"
    " DELETE FROM people WHERE name IS old.name AND age IS old.age; END;";

// What the grid's delete command runs on a view's record.
WriteOutcome delete_view_row(FakePage& page, int row, std::string& message) {
    const std::string condition = page.record_condition(row);
    return write_through_view(page.edited_database(), page.edited_table(), condition,
                              delete_where_sql(page.edited_table(), condition), message);
}

}  // namespace

// Each write on a view is a statement on the view, which its trigger carries into
// the table; the record is found by its whole values, not the cut text a cell
// shows, and the edit stays on it.
TEST(CellEditView, WritesGoThroughTheViewsTriggers) {
    TempDir dir;
    TestDb db(dir.file("through.db"));
    const std::string long_name(2000, 'L');
    db.exec(std::string(kPeopleSql) + kUpdateTriggerSql + kInsertTriggerSql + kDeleteTriggerSql +
            "INSERT INTO people(name, age) VALUES ('Ann', 30), ('Bob', 9), ('" + long_name +
            "', 40), ('" + long_name.substr(0, 1500) + "', 40);");
    FakePage page(db.handle(), "grown");
    ASSERT_EQ(page.page().record_count(), 3);
    ASSERT_GE(page.page().blank_row(), 0);

    CellEdit edit;
    ASSERT_TRUE(open_edit(edit, page, 0, 1));
    EXPECT_FALSE(CellEdit::refuse(page, 0, 1));
    EXPECT_EQ(edit.commit(page, "Anna", true).next_column, 2);
    EXPECT_EQ(page.cell_text(edit.cell().row, 1), "Anna");
    // Enter went on to the age of the same record.
    ASSERT_TRUE(open_edit(edit, page, edit.cell().row, 2));
    EXPECT_TRUE(edit.commit(page, "31", false).finished);

    // Two names alike in all a page keeps of them: the age of the longer one.
    ASSERT_TRUE(open_edit(edit, page, 1, 2));
    EXPECT_TRUE(edit.commit(page, "41", false).finished);

    int added = -1;
    EXPECT_TRUE(CellEdit::insert(page, 1, "Cy", &added));
    ASSERT_GE(added, 0);
    EXPECT_EQ(page.cell_text(added, 1), "Cy");
    EXPECT_EQ(page.cell_text(added, 2), "18");

    std::string message;
    EXPECT_EQ(delete_view_row(page, added, message), WriteOutcome::written);
    EXPECT_TRUE(page.notices.empty());

    TestDb check(db.path());
    EXPECT_EQ(
        check.rows("SELECT name, age FROM people ORDER BY id"),
        (Rows{{"Anna", "31"}, {"Bob", "9"}, {long_name, "41"}, {long_name.substr(0, 1500), "40"}}));
}

// A view over large values: a page keeps of each what finds its record again
// (its kind, size and first bytes), not the values whole, and an edit still
// reaches the one record meant; records alike in all of that are refused.
TEST(CellEditView, ARecordWithLargeValuesIsFoundWithoutKeepingThem) {
    TempDir dir;
    TestDb db(dir.file("large.db"));
    const std::string text(3000, 'T');
    db.exec(std::string(kPeopleSql) + kUpdateTriggerSql +
            "CREATE TABLE files(id INTEGER PRIMARY KEY, data BLOB, note TEXT);"
            "CREATE VIEW shown AS SELECT data, note FROM files;"
            "CREATE TRIGGER shown_update INSTEAD OF UPDATE ON shown BEGIN"
            " UPDATE files SET note = new.note WHERE data IS old.data AND note IS old.note; END;"
            "INSERT INTO files(data, note) VALUES (zeroblob(4000000), 'big'),"
            " (zeroblob(4000001), 'big'), ('" +
            text + "', 'same'), ('" + text + "', 'same');");
    FakePage page(db.handle(), "shown");
    ASSERT_EQ(page.page().record_count(), 4);
    for (int row = 0; row < 4; ++row) {
        EXPECT_LT(page.record_condition(row).size(), 4096u) << row;
    }

    CellEdit edit;
    ASSERT_TRUE(open_edit(edit, page, 1, 2));
    EXPECT_TRUE(edit.commit(page, "bigger", false).finished);
    ASSERT_TRUE(open_edit(edit, page, 2, 2));
    edit.commit(page, "one of two", false);
    EXPECT_EQ(page.notices, Notices{EditNotice::several_records});

    TestDb check(db.path());
    EXPECT_EQ(
        check.rows("SELECT length(data), note FROM files ORDER BY id"),
        (Rows{{"4000000", "big"}, {"4000001", "bigger"}, {"3000", "same"}, {"3000", "same"}}));
}

// Without the trigger for it, a write on a view is refused before anything runs:
// no blank row, no edit of a column no trigger takes, no deletion.
TEST(CellEditView, AViewWithoutTheTriggerRefusesTheWrite) {
    TempDir dir;
    TestDb db(dir.file("refused.db"));
    db.exec(std::string(kPeopleSql) +
            "INSERT INTO people(name, age) VALUES ('Ann', 30);"
            "CREATE VIEW named AS SELECT name, age FROM people;"
            "CREATE TRIGGER rename INSTEAD OF UPDATE OF name ON named BEGIN"
            " UPDATE people SET name = new.name WHERE name IS old.name; END;");
    FakePage bare(db.handle(), "grown");
    EXPECT_EQ(bare.page().blank_row(), -1);
    EXPECT_TRUE(CellEdit::refuse(bare, 0, 1));
    EXPECT_FALSE(bare.shape().view_deletes);
    EXPECT_EQ(bare.notices, Notices{EditNotice::view_not_updated});

    FakePage named(db.handle(), "named");
    EXPECT_FALSE(CellEdit::refuse(named, 0, 1));
    EXPECT_TRUE(CellEdit::refuse(named, 0, 2));
    EXPECT_EQ(named.notices, Notices{EditNotice::view_not_updated});

    TestDb check(db.path());
    EXPECT_EQ(check.rows("SELECT name, age FROM people"), (Rows{{"Ann", "30"}}));
}

// Records a view shows alike cannot be told apart: nothing is written to either.
// A trigger that fails halfway leaves nothing of what it did, and its message is
// kept for the user.
TEST(CellEditView, AWriteThatCannotFindOneRecordLeavesTheDataAsItWas) {
    TempDir dir;
    TestDb db(dir.file("alike.db"));
    db.exec(std::string(kPeopleSql) + kUpdateTriggerSql + kDeleteTriggerSql +
            "INSERT INTO people(name, age) VALUES ('Twin', 20), ('Twin', 20), ('Ann', 30);"
            "CREATE TABLE log(x);"
            "CREATE VIEW strict_grown AS SELECT name, age FROM people;"
            "CREATE TRIGGER half INSTEAD OF UPDATE ON strict_grown BEGIN"
            " INSERT INTO log VALUES (new.name); SELECT RAISE(FAIL, 'not now'); END;");
    FakePage page(db.handle(), "grown");
    CellEdit edit;
    ASSERT_TRUE(open_edit(edit, page, 0, 1));
    EXPECT_EQ(edit.commit(page, "One", true).next_column, 0);
    EXPECT_EQ(page.notices, Notices{EditNotice::several_records});
    std::string message;
    EXPECT_EQ(delete_view_row(page, 1, message), WriteOutcome::several);

    FakePage failing(db.handle(), "strict_grown");
    ASSERT_TRUE(open_edit(edit, failing, 2, 1));
    EXPECT_EQ(edit.commit(failing, "Anna", true).next_column, 0);
    EXPECT_EQ(failing.notices, Notices{EditNotice::update_failed});
    EXPECT_EQ(failing.failure, "not now");

    TestDb check(db.path());
    EXPECT_EQ(check.rows("SELECT name, age FROM people ORDER BY id"),
              (Rows{{"Twin", "20"}, {"Twin", "20"}, {"Ann", "30"}}));
    EXPECT_EQ(check.rows("SELECT x FROM log"), Rows{});
}
