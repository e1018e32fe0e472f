#include "tests/win/grid_fixture.h"

#include "grid/cell_editor.h"
#include "grid/table_grid.h"

#include <cstring>

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A table of twelve text columns c1..c12 whose cells read "r<row>c<column>".
std::string twelve_column_table() {
    std::string columns;
    std::string values;
    for (int c = 1; c <= 12; ++c) {
        columns += (c > 1 ? ", c" : "c") + std::to_string(c) + " TEXT";
    }
    std::string sql = "CREATE TABLE w(" + columns + ");";
    for (int r = 1; r <= 3; ++r) {
        values.clear();
        for (int c = 1; c <= 12; ++c) {
            values += (c > 1 ? ", 'r" : "'r") + std::to_string(r) + "c" + std::to_string(c) + "'";
        }
        sql += "INSERT INTO w VALUES (" + values + ");";
    }
    return sql;
}

// The order of a phone's collation, which the program lacks: backwards here, so
// that the program's stand-in order is not the file's.
int backwards(void*, int size_a, const void* a, int size_b, const void* b) {
    const int common = size_a < size_b ? size_a : size_b;
    const int order = std::memcmp(a, b, static_cast<std::size_t>(common));
    return -(order != 0 ? order : size_a - size_b);
}

}  // namespace

TEST_F(GridTest, DoubleClickOpensTheColumnUnderTheCursorOnTheSelectedRow) {
    open_with(twelve_column_table());
    for (int column = 1; column <= 9; ++column) {
        SCOPED_TRACE(column);
        double_click(1, column);
        ASSERT_TRUE(editing());
        EXPECT_TRUE(editor_shown());
        EXPECT_EQ(GetFocus(), editor());
        EXPECT_EQ(window_text(editor()), "r2c" + std::to_string(column));
        DWORD start = 1;
        DWORD end = 0;
        SendMessageA(editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, window_text(editor()).size());
        RECT cell;
        table_grid().cell_rect(1, column, cell);
        const RECT placed = editor_rect();
        EXPECT_EQ(placed.left, cell.left);
        EXPECT_EQ(placed.top, cell.top);
        EXPECT_EQ(placed.right, cell.right);
        EXPECT_EQ(placed.bottom, cell.bottom);
        const LRESULT margins = SendMessageA(editor(), EM_GETMARGINS, 0, 0);
        EXPECT_EQ(LOWORD(margins), 3);
        EXPECT_EQ(HIWORD(margins), 5);
        escape();
    }

    // The RowID column and a column's very edge open nothing; the columns after
    // the ninth open as the others do.
    double_click(1, 0);
    EXPECT_FALSE(editing());
    double_click(1, 10);
    ASSERT_TRUE(editing());
    EXPECT_EQ(window_text(editor()), "r2c10");
    escape();
    scroll_into_view(1, 2);
    RECT second;
    table_grid().cell_rect(1, 2, second);
    double_click_at(1, second.left);
    EXPECT_FALSE(editing());
    double_click_at(1, second.left + 1);
    EXPECT_TRUE(editing());
    EXPECT_EQ(window_text(editor()), "r2c2");
    escape();

    // Enter walks on from the ninth column to the tenth.
    double_click(2, 9);
    enter();
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().column, 10);
    EXPECT_EQ(window_text(editor()), "r3c10");
    escape();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored_value("SELECT group_concat(c9 || c10) FROM w"),
              "r1c9r1c10,r2c9r2c10,r3c9r3c10");
}

TEST_F(GridTest, EnterOnTheGridOpensTheFirstColumnOfTheSelectedRow) {
    open_with("CREATE TABLE t(a TEXT, b TEXT); INSERT INTO t VALUES ('1a', '1b'), ('2a', '2b');");
    select(1);
    press_enter_on_grid();
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().row, 1);
    EXPECT_EQ(main.cell_editor().edit().cell().column, 1);
    EXPECT_EQ(window_text(editor()), "2a");
    escape();

    LVITEMA none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageA(grid(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&none));
    press_enter_on_grid();
    EXPECT_FALSE(editing());
    EXPECT_FALSE(editor_shown());
}

TEST_F(GridTest, EnterWalksTheBlankRowIntoOneNewRecord) {
    open_with("CREATE TABLE t(a TEXT, b TEXT);");
    ASSERT_EQ(list_row_count(grid()), 1);
    double_click(0, 1);
    ASSERT_TRUE(editing());
    EXPECT_EQ(window_text(editor()), "");
    type("x");
    enter();

    EXPECT_EQ(stored("SELECT rowid, a, b, typeof(b) FROM t"), (Rows{{"1", "x", "", "text"}}));
    ASSERT_EQ(list_row_count(grid()), 2);
    EXPECT_EQ(list_row(grid(), 0), (std::vector<std::string>{"00001", "x", ""}));
    EXPECT_EQ(list_text(grid(), 1, 0), "*");
    EXPECT_EQ(list_selected_row(grid()), 0);
    // The next column of the new record is open, and now it updates.
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().column, 2);
    RECT cell;
    table_grid().cell_rect(0, 2, cell);
    EXPECT_EQ(editor_rect().top, cell.top);
    EXPECT_EQ(editor_rect().left, cell.left);
    type("y");
    enter();

    EXPECT_EQ(stored("SELECT rowid, a, b FROM t"), (Rows{{"1", "x", "y"}}));
    EXPECT_EQ(list_row(grid(), 0), (std::vector<std::string>{"00001", "x", "y"}));
    // The last column opens nothing after it.
    EXPECT_FALSE(editing());
    EXPECT_FALSE(editor_shown());
    EXPECT_EQ(list_row_count(grid()), 2);
    EXPECT_TRUE(boxes.boxes().empty());
}

// Keys a fast typist sends on wait in the queue while Enter writes the cell:
// what follows Enter belongs to the next cell and replaces its text, as typing
// after the editor has opened does.
TEST_F(GridTest, KeysTypedAheadOfEnterGoToTheNextCell) {
    open_with("CREATE TABLE t(a TEXT, b TEXT, c TEXT); INSERT INTO t VALUES ('1a', '1b', '1c');");
    double_click(0, 1);
    ASSERT_TRUE(editing());
    for (char c : std::string("x\ry\rz")) {
        PostMessageA(editor(), WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    pump_messages();
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().column, 3);
    EXPECT_EQ(window_text(editor()), "z");
    EXPECT_EQ(GetFocus(), editor());
    enter();
    EXPECT_EQ(stored("SELECT a, b, c FROM t"), (Rows{{"x", "y", "z"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, BlankRowOfAnIntegerKeyTableAddsRecords) {
    open_with(
        "CREATE TABLE k(id INTEGER PRIMARY KEY, name TEXT NOT NULL);"
        "INSERT INTO k VALUES (7, 'seven');");
    ASSERT_EQ(table_grid().blank_row(), 1);
    double_click(1, 2);
    type("bob");
    enter();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(stored("SELECT id, name FROM k ORDER BY id"), (Rows{{"7", "seven"}, {"8", "bob"}}));
    EXPECT_EQ(list_row(grid(), 1), (std::vector<std::string>{"00008", "8", "bob"}));
    EXPECT_EQ(list_selected_row(grid()), 1);
    EXPECT_FALSE(editing());

    // The key typed by the user is the key.
    double_click(2, 1);
    type("20");
    enter();
    ASSERT_TRUE(editing());
    type("twenty");
    enter();
    EXPECT_EQ(stored("SELECT id, name FROM k ORDER BY id"),
              (Rows{{"7", "seven"}, {"8", "bob"}, {"20", "twenty"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, ValuesAreStoredAsTyped) {
    open_with("CREATE TABLE t(name TEXT, note TEXT); INSERT INTO t VALUES ('old', 'old');");
    double_click(0, 1);
    type("O'Brien");
    enter();
    SetWindowTextA(editor(), "テーブル \"表\"");
    enter();
    EXPECT_EQ(stored("SELECT name, note FROM t"), (Rows{{"O'Brien", u8"テーブル \"表\""}}));
    EXPECT_EQ(list_row(grid(), 0),
              (std::vector<std::string>{"00001", "O'Brien", "テーブル \"表\""}));
}

TEST_F(GridTest, FailedWritesAreReportedAndChangeNothing) {
    open_with(
        "CREATE TABLE t(a TEXT CHECK(length(a) < 5), b TEXT CHECK(b <> ''));"
        "INSERT INTO t VALUES ('old', 'b');");
    double_click(0, 1);
    type("toolong");
    enter();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    const auto& update = boxes.boxes()[0];
    EXPECT_EQ(update.text.rfind("データ更新処理が失敗しました。\n", 0), 0u) << update.text;
    EXPECT_NE(update.text.find("CHECK constraint failed"), std::string::npos) << update.text;
    EXPECT_EQ(update.caption, "SQL エラー");
    EXPECT_EQ(update.type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(update.owner, grid());
    EXPECT_EQ(list_text(grid(), 0, 1), "old");
    EXPECT_FALSE(editing());
    EXPECT_FALSE(editor_shown());

    // On the blank row b would get the empty string, which the table refuses.
    double_click(1, 1);
    type("new");
    enter();
    ASSERT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[1].text.rfind("レコード追加処理が失敗しました。\n", 0), 0u);
    EXPECT_FALSE(editing());
    EXPECT_EQ(list_row_count(grid()), 2);
    EXPECT_EQ(stored("SELECT a, b FROM t"), (Rows{{"old", "b"}}));
}

TEST_F(GridTest, EscWritesNothingAndLeavingWritesWithoutMovingOn) {
    open_with("CREATE TABLE t(a TEXT, b TEXT); INSERT INTO t VALUES ('1a', '1b'), ('2a', '2b');");
    double_click(0, 1);
    type("typed");
    escape();
    EXPECT_FALSE(editing());
    EXPECT_FALSE(editor_shown());
    EXPECT_EQ(list_text(grid(), 0, 1), "1a");

    // The focus going elsewhere writes the text and opens no next column.
    double_click(0, 1);
    type("left");
    SetFocus(selector());
    EXPECT_FALSE(editing());
    EXPECT_FALSE(editor_shown());
    EXPECT_EQ(list_text(grid(), 0, 1), "left");

    // A click on another row writes into the record that was being edited.
    double_click(0, 2);
    type("clicked");
    select(1);
    SetFocus(grid());
    EXPECT_FALSE(editing());
    EXPECT_EQ(stored("SELECT a, b FROM t ORDER BY rowid"),
              (Rows{{"left", "clicked"}, {"2a", "2b"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, ScrollingHidesTheEditorWithoutEndingTheEdit) {
    open_with("CREATE TABLE t(a TEXT);", 200, "INSERT INTO t VALUES ('v' || ?1);");
    double_click(0, 1);
    type("scrolled");
    SendMessageA(grid(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_GT(SendMessageA(grid(), LVM_GETTOPINDEX, 0, 0), 0);
    EXPECT_FALSE(editor_shown());
    EXPECT_TRUE(editing());
    EXPECT_EQ(GetFocus(), editor());
    type("!");
    EXPECT_EQ(stored_value("SELECT a FROM t WHERE rowid = 1"), "v1");
    enter();
    EXPECT_EQ(stored_value("SELECT a FROM t WHERE rowid = 1"), "scrolled!");
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t WHERE a LIKE 'scrolled%'"), "1");
    // The next column would be the second; this table has one.
    EXPECT_FALSE(editing());

    // The wheel scrolls as well.
    SendMessageA(grid(), WM_VSCROLL, SB_TOP, 0);
    double_click(5, 1);
    ASSERT_TRUE(editor_shown());
    SendMessageA(grid(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_FALSE(editor_shown());
    EXPECT_TRUE(editing());
    escape();
}

TEST_F(GridTest, TextCommittedUnchangedWritesNothing) {
    open_with(
        "CREATE TABLE t(n, data, s TEXT); INSERT INTO t VALUES (42, X'61006200', NULL);"
        "CREATE TABLE z_log(x);"
        "CREATE TRIGGER w AFTER UPDATE ON t BEGIN INSERT INTO z_log VALUES (1); END;");
    select(0);
    press_enter_on_grid();
    ASSERT_TRUE(editing());
    enter();
    // The BLOB is not opened as text: the walk stops there with a word.
    EXPECT_FALSE(editing());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    boxes.clear();
    double_click(0, 3);
    ASSERT_TRUE(editing());
    enter();
    EXPECT_FALSE(editing());
    EXPECT_EQ(stored("SELECT typeof(n), hex(data), typeof(s) FROM t"),
              (Rows{{"integer", "61006200", "null"}}));
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM z_log"), "0");

    // Walking through the blank row adds nothing either.
    double_click(1, 1);
    enter();
    enter();
    enter();
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "1");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(GridTest, TextLongerThanTheEditorTakesIsRefused) {
    open_with("CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('old'), ('old');");
    double_click(0, 1);
    type(std::string(120, 'a'));
    EXPECT_EQ(window_text(editor()).size(), 100u);
    enter();

    // The limit counts characters; 60 double-byte ones are 120 bytes.
    std::string wide;
    for (int i = 0; i < 60; ++i) {
        wide += "表";
    }
    double_click(1, 1);
    SetWindowTextA(editor(), wide.c_str());
    enter();
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "入力文字数が長すぎます。");
    EXPECT_EQ(boxes.boxes()[0].caption, "入力エラー");
    EXPECT_EQ(boxes.boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_FALSE(editing());
    EXPECT_FALSE(editor_shown());
    EXPECT_EQ(stored("SELECT a FROM t ORDER BY rowid"), (Rows{{std::string(100, 'a')}, {"old"}}));
}

TEST_F(GridTest, InsertingIntoAFullLastPageShowsTheNextPage) {
    open_with("CREATE TABLE t(n INTEGER, s TEXT);", 1000, "INSERT INTO t VALUES (?1, 'row');");
    ASSERT_EQ(list_row_count(grid()), 1001);
    table_grid().ensure_visible(1000);
    double_click(1000, 1);
    ASSERT_TRUE(editing());
    type("1001");
    enter();

    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "1001");
    EXPECT_EQ(table_grid().page().page_index(), 1);
    ASSERT_EQ(list_row_count(grid()), 2);
    EXPECT_EQ(list_row(grid(), 0), (std::vector<std::string>{"01001", "1001", ""}));
    EXPECT_EQ(list_text(grid(), 1, 0), "*");
    EXPECT_EQ(list_selected_row(grid()), 0);
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().column, 2);
    EXPECT_TRUE(editor_shown());
    // The label, the paging buttons and the main window's page follow the grid.
    EXPECT_EQ(label(), "1001-1001");
    EXPECT_EQ(main.grid().page().page_index(), 1);
    EXPECT_TRUE(previous_enabled());
    EXPECT_FALSE(next_enabled());
    escape();
    command(IDC_PAGE_PREVIOUS);
    EXPECT_EQ(label(), "1-1000");
    EXPECT_EQ(list_text(grid(), 0, 0), "00001");
}

TEST_F(GridTest, TheFirstRecordOfANewTableShowsInTheLabel) {
    open_with("CREATE TABLE t(s TEXT);");
    EXPECT_EQ(label(), "0-0");
    double_click(0, 1);
    ASSERT_TRUE(editing());
    type("first");
    enter();
    escape();
    EXPECT_EQ(stored_value("SELECT s FROM t"), "first");
    EXPECT_EQ(label(), "1-1");
    EXPECT_FALSE(previous_enabled());
    EXPECT_FALSE(next_enabled());
}

TEST_F(GridTest, TheNextColumnOpensInSightAfterAReload) {
    open_with("CREATE TABLE t(a TEXT, b TEXT);", 300, "INSERT INTO t VALUES (?1, '');");
    table_grid().ensure_visible(300);
    double_click(300, 1);
    type("last");
    enter();
    ASSERT_TRUE(editing());
    const int top = static_cast<int>(SendMessageA(grid(), LVM_GETTOPINDEX, 0, 0));
    const int visible = static_cast<int>(SendMessageA(grid(), LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_LE(top, 300);
    EXPECT_LT(300, top + visible + 1);
    RECT client;
    GetClientRect(grid(), &client);
    EXPECT_GT(editor_rect().top, 0);
    EXPECT_LT(editor_rect().top, client.bottom);
    escape();
}

TEST_F(GridTest, TheEditorIsBlackOnLightYellowAndAsksForAllKeys) {
    open_with("CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('x');");
    wchar_t class_name[64] = L"";
    GetClassNameW(editor(), class_name, 64);
    EXPECT_STREQ(class_name, CellEditor::kClassName);
    // A Unicode window, which holds every character of a value.
    EXPECT_TRUE(IsWindowUnicode(editor()));
    EXPECT_EQ(window_text(editor()), "GridEdit");
    EXPECT_EQ(GetParent(editor()), grid());
    EXPECT_FALSE(editor_shown());
    const LONG_PTR style = GetWindowLongPtrA(editor(), GWL_STYLE);
    // The edit control draws the border itself and drops the style bit.
    EXPECT_TRUE(style & WS_CLIPSIBLINGS);
    EXPECT_TRUE(style & ES_AUTOHSCROLL);
    EXPECT_EQ(SendMessageA(editor(), EM_GETLIMITTEXT, 0, 0), 100);
    EXPECT_EQ(SendMessageA(editor(), WM_GETFONT, 0, 0),
              SendMessageA(main.hwnd(), WM_GETFONT, 0, 0));

    HDC dc = CreateCompatibleDC(nullptr);
    const LRESULT brush = SendMessageA(grid(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(editor()));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), main.editor_brush());
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
    EXPECT_EQ(GetBkColor(dc), RGB(250, 250, 210));
    LOGBRUSH colour{};
    GetObjectA(main.editor_brush(), sizeof(colour), &colour);
    EXPECT_EQ(colour.lbColor, RGB(250, 250, 210));
    DeleteDC(dc);

    EXPECT_EQ(SendMessageA(grid(), WM_GETDLGCODE, VK_TAB, 0), DLGC_WANTALLKEYS);
    // It wants every key, and is an edit control to whoever asks.
    EXPECT_EQ(
        SendMessageA(editor(), WM_GETDLGCODE, VK_RETURN, 0) & (DLGC_WANTALLKEYS | DLGC_HASSETSEL),
        DLGC_WANTALLKEYS | DLGC_HASSETSEL);
}

TEST_F(GridTest, ResizingGivesEveryDataColumnTheSameWidth) {
    open_with("CREATE TABLE t(a, b, c);");
    RECT window;
    GetWindowRect(main.hwnd(), &window);
    SetWindowPos(main.hwnd(), nullptr, 0, 0, window.right - window.left + 90,
                 window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER);
    const int width = table_grid().data_column_width(3);
    for (int column = 1; column <= 3; ++column) {
        EXPECT_EQ(list_column_width(grid(), column), width) << column;
    }
    EXPECT_EQ(list_column_width(grid(), 0), 60);
    RECT list;
    GetWindowRect(grid(), &list);
    EXPECT_EQ(width, (list.right - list.left - GetSystemMetrics(SM_CXVSCROLL) -
                      2 * GetSystemMetrics(SM_CXEDGE) - 60) /
                         3);
}

TEST_F(GridTest, AColumnDraggedWiderKeepsItsWidthWhenAScrollBarAppears) {
    open_with("CREATE TABLE t(a, b, c);");
    SendMessageA(grid(), LVM_SETCOLUMNWIDTH, 2, 3000);
    // The horizontal scroll bar changes the client area, not the grid's width.
    RECT client;
    GetClientRect(grid(), &client);
    SendMessageA(grid(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    EXPECT_EQ(list_column_width(grid(), 2), 3000);

    RECT window;
    GetWindowRect(main.hwnd(), &window);
    SetWindowPos(main.hwnd(), nullptr, 0, 0, window.right - window.left + 40,
                 window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(list_column_width(grid(), 2), table_grid().data_column_width(3));
}

TEST_F(GridTest, ATableWithItsOwnRowidColumnIsEditedRecordByRecord) {
    open_with(
        "CREATE TABLE t(rowid TEXT, v TEXT);"
        "INSERT INTO t VALUES ('same', 'a'), ('same', 'b'), ('same', 'c');");
    ASSERT_EQ(list_row_count(grid()), 4);
    EXPECT_EQ(list_row(grid(), 1), (std::vector<std::string>{"00002", "same", "b"}));
    double_click(1, 2);
    type("B");
    enter();
    EXPECT_EQ(stored(u8"SELECT v FROM t ORDER BY _rowid_"),
              (std::vector<std::vector<std::string>>{{"a"}, {"B"}, {"c"}}));
    select(2);
    command(IDM_DELETE_RECORD);
    EXPECT_EQ(stored(u8"SELECT v FROM t ORDER BY _rowid_"),
              (std::vector<std::vector<std::string>>{{"a"}, {"B"}}));
}

// In a table keyed by a collation the program lacks (a phone's), a double-click on
// a cell, or on the blank row, says at once and in the words of the write's own
// refusal that records of this table are not changed here: no editor opens.
TEST_F(GridTest, AnEditOfATableKeyedByAMissingCollationIsRefusedAtOnce) {
    path = dir.file("phone.db");
    {
        TestDb phone(path);
        sqlite3_create_collation(phone.handle(), "UNICODE", SQLITE_UTF8, nullptr, backwards);
        phone.exec(
            "CREATE TABLE keyed(k TEXT COLLATE UNICODE PRIMARY KEY, v) WITHOUT ROWID;"
            "INSERT INTO keyed VALUES ('a', 1), ('b', 2), ('c', 3);");
    }
    start(path);
    boxes.clear();
    const std::string refusal =
        "テーブル \"keyed\" は、このプログラムにない照合順序 UNICODE "
        "で並べた索引かキーを持つため、この変更はしませんでした。何も変更していません。\n"
        "ほかのテーブルは変更できます。";
    double_click(0, 2);
    EXPECT_FALSE(editing());
    EXPECT_FALSE(editor_shown());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "データ更新処理が失敗しました。\n" + refusal);
    EXPECT_EQ(boxes.boxes()[0].caption, "SQL エラー");
    boxes.clear();

    double_click(table_grid().blank_row(), 1);
    EXPECT_FALSE(editing());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "レコード追加処理が失敗しました。\n" + refusal);
    TestDb phone(path);
    sqlite3_create_collation(phone.handle(), "UNICODE", SQLITE_UTF8, nullptr, backwards);
    EXPECT_EQ(phone.rows("SELECT v FROM keyed ORDER BY v"), (Rows{{"1"}, {"2"}, {"3"}}));
}
