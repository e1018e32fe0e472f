// The life of one cell edit against a real file, with a page that stands in for
// the grid: whom it writes to, how often, and what it tells.
#include <gtest/gtest.h>

#include <functional>

#include "grid/cell_edit.h"
#include "grid/table_page.h"
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
    void hide_editor() override {
        // A hidden editor hands the focus on, and tells its loss.
        if (editor_focused && on_focus_lost) {
            editor_focused = false;
            on_focus_lost();
        }
    }

    // What the edit told the user, and the rows it reported gone.
    Notices notices;
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
