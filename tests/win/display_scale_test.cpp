// What a user sees at the display scale of the screen (these run at 96 DPI with
// the others and again at 144 DPI, as ctest's win.dpi144), and when a window moves
// to a monitor of another scale. They check what would show: a text cut, an icon of
// the wrong size, an editor beside its cell, panes over one another.

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/main_dialog.h"
#include "grid/value_viewer.h"
#include "res/resource.h"
#include "sqleditor/sql_editor_dialog.h"
#include "tests/support/test_support.h"
#include "tests/support/win_support.h"
#include "tests/win/main_window_fixture.h"

namespace {

// The screen's DPI as the system gives it to programs.
int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int at_dpi(int length, int dpi) {
    return MulDiv(length, dpi, 96);
}

// The width of a text in a window's font.
int text_width(HWND window, const std::string& text) {
    HDC dc = GetDC(window);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return extent.cx;
}

int font_height(HWND window) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof(font),
               &font);
    return font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
}

int small_image_size(HWND list) {
    HIMAGELIST images =
        reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    int width = 0;
    int height = 0;
    if (!images || !ImageList_GetIconSize(images, &width, &height)) {
        return 0;
    }
    return width;
}

// The room the first column of a report list's first row gives its text: the
// column less the icon and the list's margins.
int first_label_width(HWND list) {
    RECT label{};
    label.left = LVIR_LABEL;
    SendMessageA(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&label));
    return label.right - label.left;
}

RECT window_rect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

RECT work_area() {
    RECT area{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

// The rectangle the system suggests for a window moving to a monitor of `to` DPI.
RECT suggested_rect(HWND window, int from, int to) {
    const RECT r = window_rect(window);
    return RECT{r.left, r.top, r.left + MulDiv(r.right - r.left, to, from),
                r.top + MulDiv(r.bottom - r.top, to, from)};
}

void move_to_dpi(HWND window, int from, int to) {
    RECT suggested = suggested_rect(window, from, to);
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    pump_messages();
}

bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

class DisplayScaleTest : public MainWindowTest {
protected:
    std::string goods() {
        const std::string path = dir.file("scale.db");
        TestDb db(path);
        db.exec(
            u8"CREATE TABLE 商品 (商品コード TEXT, 商品名 TEXT, 価格 NUMERIC);"
            u8"INSERT INTO 商品 VALUES ('T-001', '緑茶', 480), ('T-002', 'ほうじ茶', 420);");
        return path;
    }
};

}  // namespace

TEST_F(DisplayScaleTest, GridShowsRowNumbersHeadersAndIconsWholeAtTheScreensScale) {
    const int dpi = screen_dpi();
    start(goods());
    ASSERT_EQ(list_row_count(grid()), 3);

    // The row icon grows with the text beside it.
    EXPECT_EQ(small_image_size(grid()), at_dpi(16, dpi));
    // The record number reads whole ("00001", not "0...").
    EXPECT_GE(first_label_width(grid()), text_width(grid(), "00001"));
    // Each header reads whole.
    for (int column = 1; column < list_column_count(grid()); ++column) {
        EXPECT_GE(list_column_width(grid(), column),
                  text_width(grid(), list_header(grid(), column)) + at_dpi(12, dpi))
            << list_header(grid(), column);
    }
    // The window fits on the screen.
    EXPECT_TRUE(inside(window_rect(main.hwnd()), work_area()));
}

// The page label reads the range of any page of a table of up to ten thousand
// million records, beside its buttons and apart from the selector; the first
// column reads row ids of thirteen digits (times in milliseconds, as phones key
// their records) while the other columns still share the list's width.
TEST_F(DisplayScaleTest, PageLabelAndLongRowIdsReadWholeAtTheScreensScale) {
    const std::string path = dir.file("times.db");
    {
        TestDb db(path);
        db.exec(
            "CREATE TABLE m(id INTEGER PRIMARY KEY, body TEXT, sent INTEGER);"
            "INSERT INTO m VALUES (1630000000001, 'a', 1), (1639999999999, 'b', 2);");
    }
    start(path);
    ASSERT_EQ(list_row_count(grid()), 3);
    EXPECT_GE(first_label_width(grid()), text_width(grid(), "1639999999999"));
    EXPECT_EQ(GetWindowLongPtrA(grid(), GWL_STYLE) & WS_HSCROLL, 0);

    HWND label = GetDlgItem(main.hwnd(), IDC_PAGE_LABEL);
    RECT inside{};
    GetClientRect(label, &inside);
    EXPECT_GE(inside.right - inside.left, text_width(label, "9999999001-10000000000"));
    const RECT selector = rect_in_parent(GetDlgItem(main.hwnd(), IDC_TABLE_SELECTOR));
    const RECT previous = rect_in_parent(GetDlgItem(main.hwnd(), IDC_PAGE_PREVIOUS));
    const RECT next = rect_in_parent(GetDlgItem(main.hwnd(), IDC_PAGE_NEXT));
    const RECT shown = rect_in_parent(label);
    EXPECT_LT(selector.right, previous.left);
    EXPECT_LE(previous.right, shown.left);
    EXPECT_LE(shown.right, next.left);
}

TEST_F(DisplayScaleTest, SqlEditorLaysOutItsPanesAtTheScreensScale) {
    const int dpi = screen_dpi();
    TempDir folder;
    TestDb db(folder.file("sql.db"));
    db.exec("CREATE TABLE t(a, b); INSERT INTO t VALUES (1, 2), (3, 4);");
    ChangeHistory history;
    SqlEditorDialog dialog(db.handle(), history);
    ASSERT_NE(dialog.create_modeless(IDD_SQL_EDITOR, nullptr), nullptr);
    ShowWindow(dialog.hwnd(), SW_SHOW);
    pump_messages();
    HWND editor = GetDlgItem(dialog.hwnd(), IDC_SQL_TEXT);
    HWND list = GetDlgItem(dialog.hwnd(), IDC_SQL_RESULT);
    SetWindowTextA(editor, "SELECT * FROM t;");
    SendMessageA(GetDlgItem(dialog.hwnd(), IDOK), BM_CLICK, 0, 0);
    pump_messages();
    ASSERT_EQ(list_row_count(list), 2);

    EXPECT_EQ(small_image_size(list), at_dpi(16, dpi));
    EXPECT_GE(first_label_width(list), text_width(list, "00001"));
    EXPECT_GE(list_column_width(list, 0), text_width(list, list_header(list, 0)));
    // The editor above the results, the buttons below them, all inside the window.
    RECT client{};
    GetClientRect(dialog.hwnd(), &client);
    const RECT text_pane = rect_in_parent(editor);
    const RECT result_pane = rect_in_parent(list);
    EXPECT_LE(text_pane.bottom, result_pane.top);
    for (int id : {IDOK, IDCANCEL, IDC_SQL_EXPORT}) {
        const RECT button = rect_in_parent(GetDlgItem(dialog.hwnd(), id));
        EXPECT_GE(button.top, result_pane.bottom) << id;
        EXPECT_TRUE(inside(button, client)) << id;
    }
    EXPECT_TRUE(inside(window_rect(dialog.hwnd()), work_area()));
}

// The viewer, laid out for 400 x 260 dialog units, is taller than a small screen
// at a large scale: it must still fit, with its buttons on screen and inside it.
TEST_F(DisplayScaleTest, ValueViewerFitsTheScreenWithItsButtons) {
    TempDir folder;
    TestDb db(folder.file("viewer.db"));
    db.exec("CREATE TABLE t(v); INSERT INTO t VALUES (randomblob(10000));");
    ValueViewer viewer;
    viewer.database = db.handle();
    viewer.target.cell.table = "t";
    viewer.target.cell.column = "v";
    viewer.target.cell.has_rowid = true;
    viewer.target.cell.rowid = 1;
    ASSERT_NE(viewer.open(nullptr), nullptr);
    ShowWindow(viewer.hwnd(), SW_SHOW);
    pump_messages();
    EXPECT_TRUE(inside(window_rect(viewer.hwnd()), work_area()));
    RECT client{};
    GetClientRect(viewer.hwnd(), &client);
    const RECT dump = rect_in_parent(viewer.item(IDC_VIEWER_DUMP));
    EXPECT_TRUE(inside(dump, client));
    for (int id : {IDC_VIEWER_PREVIOUS, IDC_VIEWER_NEXT, IDCANCEL}) {
        const RECT button = rect_in_parent(viewer.item(id));
        EXPECT_TRUE(inside(button, client)) << id;
        EXPECT_GE(button.top, dump.bottom) << id;
    }
    DestroyWindow(viewer.hwnd());
}

TEST_F(DisplayScaleTest, MainWindowMovedToAnotherScaleRedrawsItselfForIt) {
    const int dpi = screen_dpi();
    const int to = dpi * 2;
    start(goods());
    // A column the user dragged narrower, and an edit open in a cell.
    const int dragged = list_column_width(grid(), 2) / 2;
    SendMessageA(grid(), LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(dragged, 0));
    const int other = list_column_width(grid(), 1);
    main.grid().select_row(0);
    main.grid().begin_cell_edit(1);
    pump_messages();
    HWND editor = main.cell_editor().hwnd();
    ASSERT_TRUE(IsWindowVisible(editor));
    const int font_before = font_height(grid());

    const RECT suggested = suggested_rect(main.hwnd(), dpi, to);
    move_to_dpi(main.hwnd(), dpi, to);

    const RECT now = window_rect(main.hwnd());
    EXPECT_EQ(now.right - now.left, suggested.right - suggested.left);
    EXPECT_EQ(now.bottom - now.top, suggested.bottom - suggested.top);
    // Texts, icons and columns twice as large; the columns keep their proportions.
    EXPECT_NEAR(font_height(grid()), 2 * font_before, 1);
    EXPECT_NEAR(font_height(selector()), 2 * font_before, 1);
    EXPECT_EQ(small_image_size(grid()), at_dpi(16, to));
    EXPECT_NEAR(list_column_width(grid(), 2), 2 * dragged, 1);
    EXPECT_NEAR(list_column_width(grid(), 1), 2 * other, 1);
    EXPECT_GE(first_label_width(grid()), text_width(grid(), "00001"));
    // The edit goes on, over its cell, in the new font.
    ASSERT_TRUE(main.cell_editor().edit().active());
    RECT cell{};
    ASSERT_TRUE(main.grid().cell_rect(0, 1, cell));
    EXPECT_EQ(rect_in_parent(editor).left, cell.left);
    EXPECT_EQ(rect_in_parent(editor).top, cell.top);
    EXPECT_EQ(rect_in_parent(editor).bottom, cell.bottom);
    EXPECT_EQ(font_height(editor), font_height(grid()));
    // The controls follow the window's new size: the grid reaches its bottom.
    RECT client{};
    GetClientRect(main.hwnd(), &client);
    const RECT grid_rect = rect_in_parent(grid());
    EXPECT_TRUE(inside(grid_rect, client))
        << grid_rect.left << "," << grid_rect.top << "," << grid_rect.right << ","
        << grid_rect.bottom << " in " << client.right << "x" << client.bottom;
    EXPECT_GT(grid_rect.bottom, client.bottom - at_dpi(16, to));

    // And back: as it started.
    move_to_dpi(main.hwnd(), to, dpi);
    EXPECT_EQ(font_height(grid()), font_before);
    EXPECT_EQ(small_image_size(grid()), at_dpi(16, dpi));
    EXPECT_NEAR(list_column_width(grid(), 2), dragged, 1);
}

TEST_F(DisplayScaleTest, DialogOpenWhileMovingToAnotherScaleKeepsItsPanesApart) {
    const int dpi = screen_dpi();
    const int to = dpi * 3 / 2;
    TempDir folder;
    TestDb db(folder.file("sql.db"));
    ChangeHistory history;
    SqlEditorDialog dialog(db.handle(), history);
    ASSERT_NE(dialog.create_modeless(IDD_SQL_EDITOR, nullptr), nullptr);
    ShowWindow(dialog.hwnd(), SW_SHOW);
    pump_messages();
    HWND editor = GetDlgItem(dialog.hwnd(), IDC_SQL_TEXT);
    HWND list = GetDlgItem(dialog.hwnd(), IDC_SQL_RESULT);
    HWND run = GetDlgItem(dialog.hwnd(), IDOK);
    HWND close = GetDlgItem(dialog.hwnd(), IDCANCEL);
    const int button_font = font_height(run);
    const RECT run_before = rect_in_parent(run);
    RECT client{};
    GetClientRect(dialog.hwnd(), &client);
    const int right_gap = client.right - rect_in_parent(close).right;
    const int bottom_gap = client.bottom - rect_in_parent(close).bottom;

    move_to_dpi(dialog.hwnd(), dpi, to);

    EXPECT_NEAR(font_height(run), button_font * 3 / 2, 1);
    EXPECT_NEAR(rect_in_parent(run).bottom - rect_in_parent(run).top,
                (run_before.bottom - run_before.top) * 3 / 2, 1);
    GetClientRect(dialog.hwnd(), &client);
    EXPECT_LE(rect_in_parent(editor).bottom, rect_in_parent(list).top);
    for (int id : {IDOK, IDCANCEL, IDC_SQL_EXPORT}) {
        const RECT button = rect_in_parent(GetDlgItem(dialog.hwnd(), id));
        EXPECT_GE(button.top, rect_in_parent(list).bottom) << id;
        EXPECT_TRUE(inside(button, client)) << id;
    }
    // The buttons keep their corner, at the new scale's distance from it.
    EXPECT_NEAR(client.right - rect_in_parent(close).right, right_gap * 3 / 2, 2);
    EXPECT_NEAR(client.bottom - rect_in_parent(close).bottom, bottom_gap * 3 / 2, 2);
}
