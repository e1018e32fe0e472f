#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/win/main_window_fixture.h"

// The main window on a database of the test's own, with the user's ways of
// editing the grid: double-click, Enter, typing, Esc, Ctrl held.
class GridTest : public MainWindowTest {
protected:
    // Creates the database with the UTF-8 statements and opens it in the window.
    void open_with(const std::string& utf8_sql,
                   int fill_count = 0,
                   const std::string& fill_sql = "") {
        path = dir.file("grid.db");
        {
            TestDb db(path);
            db.exec(utf8_sql);
            if (fill_count > 0) {
                db.fill(fill_sql, fill_count);
            }
        }
        start(path);
    }

    // The database as another connection sees it.
    std::vector<std::vector<std::string>> stored(const std::string& utf8_sql) {
        TestDb check(path);
        return check.rows(utf8_sql);
    }
    std::string stored_value(const std::string& utf8_sql) {
        TestDb check(path);
        return check.value(utf8_sql);
    }

    TableGrid& table_grid() { return main.grid(); }
    HWND editor() { return main.cell_editor().hwnd(); }
    bool editor_shown() { return IsWindowVisible(editor()) != FALSE; }
    bool editing() { return main.cell_editor().edit().active(); }

    void select(int row) { table_grid().select_row(row); }

    // A double-click at x (list view client coordinates) in the middle of a row's
    // height: the first click selects the row, the list view then notifies the
    // main window, which sends the notification back to the grid.
    void double_click_at(int row, int x) {
        select(row);
        RECT cell;
        table_grid().cell_rect(row, 1, cell);
        POINT point{x, (cell.top + cell.bottom) / 2};
        ClientToScreen(grid(), &point);
        SetCursorPos(point.x, point.y);
        NMITEMACTIVATE activate{};
        activate.hdr.hwndFrom = grid();
        activate.hdr.idFrom = IDC_GRID;
        activate.hdr.code = NM_DBLCLK;
        activate.iItem = row;
        SendMessageA(main.hwnd(), WM_NOTIFY, IDC_GRID, reinterpret_cast<LPARAM>(&activate));
    }
    // Scrolls the column into view first, with the scroll bar, as a user would.
    void double_click(int row, int column) {
        scroll_into_view(row, column);
        RECT cell;
        table_grid().cell_rect(row, column, cell);
        double_click_at(row, (cell.left + cell.right) / 2);
    }

    // Whether the whole width of a cell is in view.
    bool in_view(int row, int column) {
        RECT cell;
        RECT client;
        GetClientRect(grid(), &client);
        return table_grid().cell_rect(row, column, cell) && cell.left >= client.left &&
               cell.right <= client.right;
    }
    // Scrolls sideways with the scroll bar, a page at a time while the cell is
    // wholly out of sight and then a line at a time, until the cell is in view or
    // the list scrolls no further.
    bool scroll_into_view(int row, int column) {
        RECT client;
        GetClientRect(grid(), &client);
        while (!in_view(row, column)) {
            RECT cell;
            table_grid().cell_rect(row, column, cell);
            WPARAM step = SB_LINERIGHT;
            if (cell.left >= client.right) {
                step = SB_PAGERIGHT;
            } else if (cell.right <= client.left) {
                step = SB_PAGELEFT;
            } else if (cell.left < client.left) {
                step = SB_LINELEFT;
            }
            const int before = GetScrollPos(grid(), SB_HORZ);
            SendMessageA(grid(), WM_HSCROLL, step, 0);
            if (GetScrollPos(grid(), SB_HORZ) == before) {
                break;
            }
        }
        return in_view(row, column);
    }

    void press_enter_on_grid() { SendMessageA(grid(), WM_KEYDOWN, VK_RETURN, 0x001C0001); }

    // Typing replaces the editor's text, which opens wholly selected.
    void type(const std::string& text) {
        for (unsigned char c : text) {
            SendMessageA(editor(), WM_CHAR, c, 1);
        }
    }
    void enter() { SendMessageA(editor(), WM_CHAR, VK_RETURN, 1); }
    void escape() { SendMessageA(editor(), WM_CHAR, VK_ESCAPE, 1); }

    // The editor's rectangle in the list view's client coordinates.
    RECT editor_rect() {
        RECT r;
        GetWindowRect(editor(), &r);
        MapWindowPoints(HWND_DESKTOP, grid(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    std::string path;
};

// Holds the Ctrl key down for its lifetime, as GetKeyState sees it.
class ControlKeyDown {
public:
    ControlKeyDown() {
        GetKeyboardState(saved_);
        BYTE state[256];
        std::copy(std::begin(saved_), std::end(saved_), std::begin(state));
        state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
    }
    ~ControlKeyDown() { SetKeyboardState(saved_); }
    ControlKeyDown(const ControlKeyDown&) = delete;
    ControlKeyDown& operator=(const ControlKeyDown&) = delete;

private:
    BYTE saved_[256] = {};
};

// The text edit dialog that is open now, with its text area.
struct OpenTextDialog {
    HWND dialog;
    HWND text_area() const { return GetDlgItem(dialog, IDC_TEXT_AREA); }
};
