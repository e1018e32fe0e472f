#include "tests/win/grid_fixture.h"

#include "grid/record_deletion.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

bool row_in_sight(HWND list, int row) {
    const int top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
    const int per_page = static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    return top <= row && row <= top + per_page;
}

}  // namespace

TEST_F(GridTest, DeletesTheSelectedRecordWithoutAQuestion) {
    open_with("CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('one'), ('two'), ('three');");
    select(1);
    command(IDM_DELETE_RECORD);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored("SELECT rowid, a FROM t ORDER BY rowid"),
              (Rows{{"1", "one"}, {"3", "three"}}));
    ASSERT_EQ(list_row_count(grid()), 3);
    EXPECT_EQ(list_row(grid(), 1), (std::vector<std::string>{"00003", "three"}));
    EXPECT_EQ(list_selected_row(grid()), 1);
    EXPECT_TRUE(enabled(IDM_DELETE_RECORD));

    // The last record: the blank row moves up into its place and is selected.
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored_value("SELECT group_concat(a) FROM t"), "one");
    ASSERT_EQ(list_row_count(grid()), 2);
    EXPECT_EQ(list_text(grid(), 1, 0), "*");
    EXPECT_EQ(list_selected_row(grid()), 1);
}

TEST_F(GridTest, DeletingTheOnlyRecordOfTheLastPageShowsThePageBefore) {
    open_with("CREATE TABLE t(n INTEGER); CREATE TABLE u(n INTEGER); INSERT INTO u VALUES (1);",
              1001, "INSERT INTO t VALUES (?1);");
    command(IDC_PAGE_NEXT);
    ASSERT_EQ(list_row_count(grid()), 2);
    select(0);
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "1000");
    EXPECT_EQ(table_grid().page().page_index(), 0);
    // 1000 records are now one full last page, with the blank row after them.
    ASSERT_EQ(list_row_count(grid()), 1001);
    EXPECT_EQ(list_text(grid(), 0, 0), "00001");
    EXPECT_EQ(list_text(grid(), 1000, 0), "*");
    EXPECT_EQ(list_selected_row(grid()), 0);
    // The label, the buttons and the main window's page moved with the grid.
    EXPECT_EQ(label(), "1-1000");
    EXPECT_EQ(main.grid().page().page_index(), 0);
    EXPECT_FALSE(previous_enabled());
    EXPECT_FALSE(next_enabled());

    // On the first page there is no page before: the blank row stays alone.
    select_table(1);
    select(0);
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM u"), "0");
    EXPECT_EQ(table_grid().page().page_index(), 0);
    ASSERT_EQ(list_row_count(grid()), 1);
    EXPECT_EQ(list_text(grid(), 0, 0), "*");
    EXPECT_EQ(label(), "0-0");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, DeletingInAFullPageMovesTheNextRecordUpIntoSight) {
    open_with("CREATE TABLE t(n INTEGER);", 2500, "INSERT INTO t VALUES (?1);");
    table_grid().ensure_visible(700);
    select(700);
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t WHERE rowid = 701"), "0");
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "2499");
    ASSERT_EQ(list_row_count(grid()), 1000);
    EXPECT_EQ(list_text(grid(), 700, 0), "00702");
    EXPECT_EQ(list_text(grid(), 999, 0), "01001");
    EXPECT_EQ(list_selected_row(grid()), 700);
    EXPECT_TRUE(row_in_sight(grid(), 700));
}

TEST_F(GridTest, RecordsWithRowidZeroOrBelowAreRecordsAndTheBlankRowIsNone) {
    open_with(
        "CREATE TABLE t(a TEXT); INSERT INTO t(rowid, a) VALUES (-7, 'minus'), (0, 'zero'), (1, "
        "'one');");
    ASSERT_EQ(list_text(grid(), 0, 0), "-0007");
    ASSERT_EQ(list_text(grid(), 1, 0), "00000");

    double_click(0, 1);
    type("m");
    enter();
    double_click(1, 1);
    type("z");
    enter();
    EXPECT_EQ(stored("SELECT rowid, a FROM t ORDER BY rowid"),
              (Rows{{"-7", "m"}, {"0", "z"}, {"1", "one"}}));

    // Ctrl+Del on the blank row deletes nothing, not the record numbered 0.
    select(3);
    ASSERT_TRUE(table_grid().is_blank_row(3));
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "3");
    EXPECT_EQ(list_selected_row(grid()), 3);

    select(0);
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored("SELECT rowid FROM t ORDER BY rowid"), (Rows{{"0"}, {"1"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, AFailedDeleteIsReportedAndChangesNothing) {
    open_with(
        "CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('one'), ('two');"
        "CREATE TRIGGER keep BEFORE DELETE ON t BEGIN SELECT RAISE(ABORT, 'kept'); END;");
    select(1);
    command(IDM_DELETE_RECORD);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "レコード削除処理時にエラーが発生しました。\nkept");
    EXPECT_EQ(boxes.boxes()[0].caption, "SQL エラー");
    EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(boxes.boxes()[0].owner, grid());
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "2");
    EXPECT_EQ(list_row_count(grid()), 3);
    EXPECT_EQ(list_text(grid(), 1, 1), "two");
    EXPECT_EQ(list_selected_row(grid()), 1);
}

TEST_F(GridTest, DeletingWhileEditingWritesTheEditFirst) {
    open_with(
        "CREATE TABLE t(a TEXT, b TEXT); INSERT INTO t VALUES ('1a', '1b'), ('2a', '2b'), ('3a', "
        "'3b');");
    double_click(2, 1);
    type("typed");
    select(2);
    // Ctrl+Del reaches the command while the editor holds the focus.
    command(IDM_DELETE_RECORD);
    EXPECT_FALSE(editing());
    EXPECT_FALSE(editor_shown());
    EXPECT_EQ(stored("SELECT a, b FROM t ORDER BY rowid"), (Rows{{"1a", "1b"}, {"2a", "2b"}}));
    // Nothing further is written anywhere when the focus moves on.
    SetFocus(selector());
    EXPECT_EQ(stored("SELECT a, b FROM t ORDER BY rowid"), (Rows{{"1a", "1b"}, {"2a", "2b"}}));

    // On the blank row there is nothing to delete, and the edit goes on.
    double_click(2, 1);
    type("new");
    command(IDM_DELETE_RECORD);
    EXPECT_TRUE(editing());
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "2");
    enter();
    EXPECT_EQ(stored("SELECT a, b FROM t ORDER BY rowid"),
              (Rows{{"1a", "1b"}, {"2a", "2b"}, {"new", ""}}));
    EXPECT_TRUE(boxes.boxes().empty());
}
