#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "sqleditor/sql_editor_dialog.h"
#include "tests/win/grid_fixture.h"

namespace {

constexpr int kRecordMenu = 2;

class UndoTest : public GridTest {
protected:
    void open_names() {
        open_with(
            "CREATE TABLE t(id INTEGER PRIMARY KEY, name);"
            "INSERT INTO t VALUES (1, 'a'), (2, 'b'), (3, 'c');");
    }

    // The item's state as the user sees it on opening the record menu.
    bool shown_enabled(UINT id) {
        HMENU popup = GetSubMenu(GetMenu(main.hwnd()), kRecordMenu);
        SendMessageA(main.hwnd(), WM_ENTERMENULOOP, FALSE, 0);
        SendMessageA(main.hwnd(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), kRecordMenu);
        const bool enabled = menu_item_enabled(main.hwnd(), id);
        SendMessageA(main.hwnd(), WM_EXITMENULOOP, FALSE, 0);
        return enabled;
    }

    // A key with Ctrl or Alt held, through the program's message filter as the
    // message loop hands it over; true when the filter took it.
    bool press(HWND target, WORD key, BYTE modifier) {
        BYTE saved[256] = {};
        GetKeyboardState(saved);
        BYTE state[256] = {};
        state[modifier] = 0x80;
        SetKeyboardState(state);
        const UINT message = modifier == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN;
        const LPARAM flags = modifier == VK_MENU ? 0x20000001 : 1;
        MSG msg{target, message, key, flags, 0, {0, 0}};
        const bool taken = main.pre_translate_message(&msg);
        SetKeyboardState(saved);
        pump_messages();
        return taken;
    }

    void edit_name(int row, const std::string& text) {
        select(row);
        double_click(row, 2);
        ASSERT_TRUE(editing());
        type(text);
        enter();
        if (editing()) {
            escape();
        }
    }
};

}  // namespace

// Ctrl+Z takes back a cell edit on screen and in the file, with the record still
// selected; Ctrl+Y makes it again. The menu items follow what there is to do.
TEST_F(UndoTest, CtrlZAndCtrlYUndoAndRedoACellEdit) {
    open_names();
    EXPECT_FALSE(shown_enabled(IDM_UNDO));
    EXPECT_FALSE(shown_enabled(IDM_REDO));

    edit_name(1, "bee");
    ASSERT_EQ(stored_value("SELECT name FROM t WHERE id = 2;"), "bee");
    EXPECT_TRUE(shown_enabled(IDM_UNDO));
    EXPECT_FALSE(shown_enabled(IDM_REDO));

    select(2);
    EXPECT_TRUE(press(grid(), 'Z', VK_CONTROL));
    EXPECT_EQ(stored_value("SELECT name FROM t WHERE id = 2;"), "b");
    EXPECT_EQ(table_grid().cell_text(1, 2), "b");
    EXPECT_EQ(table_grid().selected_row(), 1);
    EXPECT_FALSE(shown_enabled(IDM_UNDO));
    EXPECT_TRUE(shown_enabled(IDM_REDO));

    EXPECT_TRUE(press(grid(), 'Y', VK_CONTROL));
    EXPECT_EQ(stored_value("SELECT name FROM t WHERE id = 2;"), "bee");
    EXPECT_EQ(table_grid().cell_text(1, 2), "bee");

    // Alt+Backspace is Undo too; a new record and a deletion are steps of their own.
    edit_name(table_grid().blank_row(), "dee");
    ASSERT_EQ(stored_value("SELECT COUNT(*) FROM t;"), "4");
    select(0);
    command(IDM_DELETE_RECORD);
    ASSERT_EQ(stored_value("SELECT group_concat(id) FROM t;"), "2,3,4");
    EXPECT_TRUE(press(grid(), VK_BACK, VK_MENU));
    EXPECT_EQ(stored_value("SELECT group_concat(id) FROM t;"), "1,2,3,4");
    EXPECT_EQ(table_grid().selected_row(), 0);
    EXPECT_TRUE(press(grid(), 'Z', VK_CONTROL));
    EXPECT_EQ(stored_value("SELECT group_concat(name) FROM t;"), "a,bee,c");
    EXPECT_TRUE(boxes.boxes().empty());
}

// While the in-place editor is open, Ctrl+Z puts back the text the edit opened
// with: nothing is written and earlier steps stay as they are.
TEST_F(UndoTest, CtrlZInTheCellEditorPutsBackItsText) {
    open_names();
    edit_name(0, "alpha");
    select(2);
    double_click(2, 2);
    ASSERT_TRUE(editing());
    type("xyz");
    EXPECT_TRUE(shown_enabled(IDM_UNDO));
    EXPECT_TRUE(press(editor(), 'Z', VK_CONTROL));
    EXPECT_TRUE(editing());
    EXPECT_EQ(window_text(editor()), "c");
    EXPECT_EQ(stored_value("SELECT group_concat(name) FROM t;"), "alpha,b,c");
    escape();
    EXPECT_TRUE(boxes.boxes().empty());
}

// An undo that would overwrite another program's change, or reach past a
// restructure, says so and changes nothing.
TEST_F(UndoTest, UndoThatCannotBeDoneIsToldAndChangesNothing) {
    open_names();
    edit_name(0, "alpha");
    {
        TestDb other(path);
        other.exec("UPDATE t SET name = 'elsewhere' WHERE id = 1; INSERT INTO t VALUES (4, 'd');");
    }
    EXPECT_TRUE(press(grid(), 'Z', VK_CONTROL));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "表 \"t\" のレコードがこの変更の後に変わっているため、元に戻せませんでした。"
              "データは変更していません。");
    EXPECT_EQ(stored_value("SELECT name FROM t WHERE id = 1;"), "elsewhere");
    // The grid shows what the file holds, the other program's record included.
    EXPECT_EQ(list_text(grid(), 0, 2), "elsewhere");
    EXPECT_EQ(list_text(grid(), 3, 2), "d");
    boxes.clear();

    {
        TestDb other(path);
        other.exec("UPDATE t SET name = 'alpha' WHERE id = 1; ALTER TABLE t ADD COLUMN extra;");
    }
    main.reload_table_list();
    EXPECT_FALSE(shown_enabled(IDM_UNDO));
    EXPECT_TRUE(press(grid(), 'Z', VK_CONTROL));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text,
              "テーブルの構造が変わったため、それより前の変更は元に戻せません。");
    EXPECT_EQ(stored_value("SELECT name FROM t WHERE id = 1;"), "alpha");
}

// One run of the SQL editor is one step, whatever number of statements it holds; a
// run with a schema statement cuts the history and says so under its outcome.
TEST(UndoSqlEditor, ARunIsOneStepAndASchemaStatementCutsWithALine) {
    TempDir dir;
    TestDb db(dir.file("sql.db"));
    db.exec(
        "CREATE TABLE t(id INTEGER PRIMARY KEY, name); INSERT INTO t VALUES (1, 'a'), (2, 'b');");
    ChangeHistory history;
    history.attach(db.handle());
    SqlEditorDialog dialog(db.handle(), history);
    ASSERT_NE(dialog.create_modeless(IDD_SQL_EDITOR, nullptr), nullptr);
    HWND list = GetDlgItem(dialog.hwnd(), IDC_SQL_RESULT);
    const auto run = [&](const char* sql) {
        SetWindowTextA(dialog.editor(), sql);
        SendMessageA(GetDlgItem(dialog.hwnd(), IDOK), BM_CLICK, 0, 0);
        pump_messages();
    };

    run("UPDATE t SET name = 'x'; DELETE FROM t WHERE id = 2;");
    EXPECT_EQ(list_row_count(list), 1);
    EXPECT_EQ(history.undo_steps(), 1u);
    ASSERT_EQ(history.undo().result, ChangeHistory::Applied::done);
    EXPECT_EQ(db.value("SELECT group_concat(name) FROM t;"), "a,b");

    run("UPDATE t SET name = 'y'; CREATE TABLE u(a);");
    ASSERT_EQ(list_row_count(list), 2);
    EXPECT_EQ(list_text(list, 1, 0),
              "この実行にはレコード以外の変更（テーブルの作成や変更など）が含まれるため、"
              "ここより前の変更は元に戻せなくなりました。");
    EXPECT_FALSE(history.can_undo());
    EXPECT_FALSE(history.can_redo());
    EXPECT_EQ(history.undo().result, ChangeHistory::Applied::cut);
    EXPECT_EQ(db.value("SELECT group_concat(name) FROM t;"), "y,y");
}
