#include "tests/win/grid_fixture.h"

#include "grid/cell_editor.h"
#include "grid/table_grid.h"

namespace {

// A table of `columns` text columns named as a reference database names them
// (c7_source_crs_auth_name ...), `rows` records whose cells read "r<row>c<column>".
std::string wide_table(int columns, int rows) {
    std::string sql = "CREATE TABLE wide(";
    for (int c = 1; c <= columns; ++c) {
        sql += (c > 1 ? ", c" : "c") + std::to_string(c) + "_source_crs_auth_name TEXT";
    }
    sql += ");";
    for (int r = 1; r <= rows; ++r) {
        sql += "INSERT INTO wide VALUES (";
        for (int c = 1; c <= columns; ++c) {
            sql += (c > 1 ? ", 'r" : "'r") + std::to_string(r) + "c" + std::to_string(c) + "'";
        }
        sql += ");";
    }
    return sql;
}

}  // namespace

class WideTableTest : public GridTest {
protected:
    RECT client() {
        RECT r;
        GetClientRect(grid(), &r);
        return r;
    }
    // The last column wholly in view at the present scroll position.
    int last_in_view(int row) {
        int last = 0;
        for (int column = 1; column <= table_grid().column_count(); ++column) {
            if (in_view(row, column)) {
                last = column;
            }
        }
        return last;
    }
    // What the header text of a column needs to show whole: its text and the
    // header's margins.
    int header_needs(int column) {
        const std::string text = list_header(grid(), column);
        return static_cast<int>(SendMessageA(grid(), LVM_GETSTRINGWIDTHA, 0,
                                             reinterpret_cast<LPARAM>(text.c_str()))) +
               12;
    }
};

TEST_F(WideTableTest, ColumnsStayReadableAndTheGridScrollsSideways) {
    open_with(wide_table(58, 3));
    ASSERT_EQ(list_column_count(grid()), 59);
    EXPECT_EQ(list_column_width(grid(), 0), 60);
    for (int column : {1, 30, 58}) {
        EXPECT_GE(list_column_width(grid(), column), header_needs(column)) << column;
    }
    EXPECT_FALSE(in_view(0, 30));
    ASSERT_TRUE(scroll_into_view(0, 30));
    EXPECT_EQ(list_text(grid(), 1, 30), "r2c30");

    // A wider window keeps the widths while the equal share is still too narrow.
    const int width = list_column_width(grid(), 30);
    RECT window;
    GetWindowRect(main.hwnd(), &window);
    SetWindowPos(main.hwnd(), nullptr, 0, 0, window.right - window.left + 90,
                 window.bottom - window.top, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(list_column_width(grid(), 30), width);
    EXPECT_EQ(list_column_width(grid(), 0), 60);
}

TEST_F(WideTableTest, TheWidestTableShowsItsFirstAndLastColumns) {
    open_with(wide_table(1999, 2));
    ASSERT_EQ(list_column_count(grid()), 2000);
    EXPECT_TRUE(in_view(0, 1));
    EXPECT_GE(list_column_width(grid(), 1), header_needs(1));
    // The scroll box dragged to the end.
    SendMessageA(grid(), LVM_SCROLL, 1000000, 0);
    EXPECT_TRUE(in_view(0, 1999));
    EXPECT_EQ(list_text(grid(), 1, 1999), "r2c1999");
    double_click(1, 1999);
    ASSERT_TRUE(editing());
    EXPECT_EQ(window_text(editor()), "r2c1999");
    type("last");
    enter();
    EXPECT_EQ(stored_value("SELECT c1999_source_crs_auth_name FROM wide WHERE rowid = 2"), "last");
}

TEST_F(WideTableTest, ADoubleClickOpensAnyColumnInViewAndTheEditFollowsScrolling) {
    open_with(wide_table(58, 3));
    ASSERT_TRUE(scroll_into_view(1, 12));
    double_click(1, 12);
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().column, 12);
    EXPECT_EQ(window_text(editor()), "r2c12");
    type("moved");

    // Sideways as up and down: the editor hides, the edit stays open and goes
    // to its own cell.
    SendMessageA(grid(), WM_HSCROLL, SB_LINERIGHT, 0);
    EXPECT_FALSE(editor_shown());
    EXPECT_TRUE(editing());
    EXPECT_EQ(GetFocus(), editor());
    type("!");
    SendMessageA(grid(), WM_HSCROLL, SB_PAGELEFT, 0);
    SetFocus(grid());
    EXPECT_FALSE(editing());
    EXPECT_EQ(stored_value("SELECT c12_source_crs_auth_name FROM wide WHERE rowid = 2"), "moved!");
    EXPECT_EQ(stored_value("SELECT c13_source_crs_auth_name FROM wide WHERE rowid = 2"), "r2c13");

    // A column half out of view opens in view; outside the list nothing opens.
    int partly = last_in_view(0) + 1;
    RECT cell;
    table_grid().cell_rect(0, partly, cell);
    while (cell.left > client().right - 20) {
        SendMessageA(grid(), WM_HSCROLL, SB_LINERIGHT, 0);
        partly = last_in_view(0) + 1;
        table_grid().cell_rect(0, partly, cell);
    }
    double_click_at(0, (cell.left + client().right) / 2);
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().column, partly);
    EXPECT_TRUE(in_view(0, partly));
    escape();
    double_click_at(0, client().right + 20);
    EXPECT_FALSE(editing());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(WideTableTest, EnterAcrossTheRightEdgeBringsTheNextColumnIntoView) {
    open_with(wide_table(58, 3));
    const int last = last_in_view(2);
    ASSERT_GT(last, 0);
    ASSERT_LT(last, 58);
    double_click(2, last);
    ASSERT_TRUE(editing());
    type("edge");
    enter();
    ASSERT_TRUE(editing());
    EXPECT_EQ(main.cell_editor().edit().cell().column, last + 1);
    EXPECT_TRUE(in_view(2, last + 1));
    EXPECT_TRUE(editor_shown());
    RECT cell;
    table_grid().cell_rect(2, last + 1, cell);
    EXPECT_EQ(editor_rect().left, cell.left);
    EXPECT_EQ(editor_rect().right, cell.right);
    EXPECT_EQ(window_text(editor()), "r3c" + std::to_string(last + 1));
    escape();
    EXPECT_EQ(stored("SELECT rowid FROM wide WHERE c" + std::to_string(last) +
                     "_source_crs_auth_name = 'edge'"),
              (std::vector<std::vector<std::string>>{{"3"}}));
}
