#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/win/grid_fixture.h"
#include "win/message_loop.h"

namespace {

class FilterTest : public GridTest {
protected:
    // Types a filter into the line above column c as the user does, and presses Enter.
    void filter(int column, const std::string& text) {
        main.filter_strip().edit_column(column);
        HWND editor = main.filter_strip().editor();
        ASSERT_TRUE(IsWindowVisible(editor));
        SetWindowTextA(editor, text.c_str());
        SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 1);
        pump_messages();
    }
};

}  // namespace

// A filter over the whole table: the label counts the matches, pages turn among
// them, a cell edited under the filter is written, and the sort keeps the filter.
TEST_F(FilterTest, TypingAFilterPagesThroughTheMatchesAndEditsUnderIt) {
    open_with("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, n INTEGER);", 2500,
              "INSERT INTO t VALUES (?1, 'row ' || ?1, ?1 % 7);");
    // 1, 10-19, 100-199, 1000-1999: 1,111 names contain "row 1".
    filter(2, "row 1");
    EXPECT_EQ(label(), "1-1000");
    EXPECT_TRUE(next_enabled());
    EXPECT_EQ(list_text(grid(), 1, 2), "row 10");
    command(IDC_PAGE_NEXT);
    EXPECT_EQ(label(), "1001-1111");
    EXPECT_EQ(list_text(grid(), 110, 2), "row 1999");
    // The blank row ends the last page of the matches.
    EXPECT_EQ(list_row_count(grid()), 112);

    select(0);
    double_click(0, 2);
    ASSERT_TRUE(editing());
    type("edited");
    enter();
    if (editing()) {
        escape();
    }
    EXPECT_EQ(stored_value("SELECT name FROM t WHERE id = 1889;"), "edited");

    // A number column's filter is equality, and a second filter narrows the first.
    filter(3, "3");
    EXPECT_EQ(label(), "1-160");
    table_grid().sort_by_click(1, false);
    table_grid().sort_by_click(1, false);
    EXPECT_EQ(list_text(grid(), 0, 1), "1998");
    EXPECT_EQ(label(), "1-160");
}

// 「ﾀﾅｶ」 finds 「タナカ」 and 「たなか」, and small letters find full-width capitals,
// unless the user asks for the text exactly as typed.
TEST_F(FilterTest, JapaneseMatchesWithoutRegardToWidthKanaAndCase) {
    open_with(
        utf8_of("CREATE TABLE n(name TEXT);"
                "INSERT INTO n VALUES ('タナカ'), ('たなか'), ('ﾀﾅｶ'), ('ＴＡＮＡＫＡ'), "
                "('tanaka'), ('スズキ'), ('ﾀﾞﾅｶ');"));
    filter(1, "ﾀﾅｶ");
    EXPECT_EQ(label(), "1-3");
    filter(1, "tanaka");
    EXPECT_EQ(label(), "1-2");
    EXPECT_EQ(list_text(grid(), 0, 1), "ＴＡＮＡＫＡ");
    filter(1, "ダ");
    EXPECT_EQ(list_text(grid(), 0, 1), "ﾀﾞﾅｶ");

    EXPECT_EQ(table_grid().apply_filters({utf8_of("ﾀﾅｶ")}, false, false), 0);
    EXPECT_EQ(label(), "1-1");
    EXPECT_EQ(list_text(grid(), 0, 1), "ﾀﾅｶ");
}

// Typing on while a slow filter runs: the keys reach the filter's box instead of
// being dropped, the stale run stops without a word, and the pause after the
// typing runs the filter as it now stands.
TEST_F(FilterTest, TypingOnOvertakesASlowFilterAndNoKeyIsLost) {
    open_with(
        "CREATE VIEW slow AS WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
        "LIMIT 3000000) SELECT x, 'n' || x AS name FROM c;");
    main.filter_strip().edit_column(2);
    HWND editor = main.filter_strip().editor();
    ASSERT_TRUE(IsWindowVisible(editor));
    SetWindowTextA(editor, "n12345");
    SendMessageA(editor, EM_SETSEL, 6, 6);
    boxes.clear();
    // Typed while the run goes on: waiting in the queue when the run starts.
    PostMessageA(editor, WM_CHAR, '6', 1);
    SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(window_text(editor), "n123456");
    EXPECT_TRUE(boxes.boxes().empty());
    // The pause after the key runs the filter as typed.
    Sleep(600);
    pump_messages();
    // n123456 and n1234560 to n1234569.
    EXPECT_EQ(label(), "1-11");
    EXPECT_EQ(list_text(grid(), 0, 2), "n123456");

    // Enter typed after the key waits for the stale run to end, then runs the
    // filter as typed at once: that run is the user's own, not the one stopped.
    SetWindowTextA(editor, "n12345");
    SendMessageA(editor, EM_SETSEL, 6, 6);
    PostMessageA(editor, WM_CHAR, '7', 1);
    PostMessageA(editor, WM_KEYDOWN, VK_RETURN, 1);
    SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 1);
    pump_messages();
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(label(), "1-11");
    EXPECT_EQ(list_text(grid(), 0, 2), "n123457");
}

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The window in the program's own message loop, with its filters, and keys typed
// through the system's input path.
class FilterKeysTest : public FilterTest {
protected:
    void SetUp() override { app_module().add_message_loop(&loop); }
    void TearDown() override { app_module().remove_message_loop(); }

    void focus(HWND window) {
        SetForegroundWindow(main.hwnd());
        SetFocus(window);
        loop.pump();
    }

    // What a plain edit box of the window makes of the text typed, Home and Ctrl+Del.
    std::string plain_edit_ctrl_delete(const std::wstring& typed) {
        HWND plain = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0,
                                     200, 20, main.hwnd(), nullptr, nullptr, nullptr);
        focus(plain);
        type_unicode(typed);
        press_key(VK_HOME);
        press_keys({VK_CONTROL, VK_DELETE});
        loop.pump();
        const std::string text = window_text(plain);
        DestroyWindow(plain);
        return text;
    }

    MessageLoop loop;
};

}  // namespace

// With the caret in a filter box or the cell editor, Ctrl+Z, Ctrl+Del and the
// clipboard keys edit the text as in any edit box; none of them reaches the
// records (an undo, a deletion). With the focus on the grid they still do.
TEST_F(FilterKeysTest, KeysTypedIntoATextFieldEditTheTextNotTheRecords) {
    open_with(
        "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT); INSERT INTO t VALUES (1, 'a');"
        "INSERT INTO t VALUES (2, 'b');");
    // A change that an undo reaching the records would take back.
    select(1);
    double_click(1, 2);
    ASSERT_TRUE(editing());
    type("bee");
    enter();
    if (editing()) {
        escape();
    }
    const Rows before{{"a"}, {"bee"}};
    ASSERT_EQ(stored("SELECT name FROM t ORDER BY id"), before);
    select(0);

    main.filter_strip().edit_column(2);
    HWND box = main.filter_strip().editor();
    ASSERT_TRUE(IsWindowVisible(box));
    focus(box);
    type_unicode(L"abc def");
    loop.pump();
    press_keys({VK_CONTROL, 'Z'});
    loop.pump();
    EXPECT_EQ(window_text(box), "");
    EXPECT_EQ(stored("SELECT name FROM t ORDER BY id"), before);

    type_unicode(L"abc def");
    press_key(VK_HOME);
    press_keys({VK_CONTROL, VK_DELETE});
    loop.pump();
    const std::string deleted = window_text(box);
    EXPECT_NE(deleted, "abc def");
    EXPECT_EQ(stored("SELECT name FROM t ORDER BY id"), before);

    // Copy and paste within the box.
    SetWindowTextA(box, "xy");
    SendMessageA(box, EM_SETSEL, 0, -1);
    press_keys({VK_CONTROL, 'C'});
    press_key(VK_END);
    press_keys({VK_CONTROL, 'V'});
    press_keys({VK_SHIFT, VK_INSERT});
    loop.pump();
    EXPECT_EQ(window_text(box), "xyxyxy");
    EXPECT_EQ(stored("SELECT name FROM t ORDER BY id"), before);

    // The cell editor is a text field too.
    SetWindowTextA(box, "");
    SendMessageA(box, WM_KEYDOWN, VK_ESCAPE, 1);
    loop.pump();
    select(0);
    double_click(0, 2);
    ASSERT_TRUE(editing());
    focus(editor());
    press_keys({VK_CONTROL, VK_DELETE});
    loop.pump();
    EXPECT_TRUE(editing());
    EXPECT_EQ(stored("SELECT name FROM t ORDER BY id"), before);
    escape();

    // Ctrl+Del as an edit box takes it, whatever the system makes of it.
    EXPECT_EQ(deleted, plain_edit_ctrl_delete(L"abc def"));

    // On the grid the keys act on the records as before.
    select(0);
    focus(grid());
    press_keys({VK_CONTROL, VK_DELETE});
    loop.pump();
    EXPECT_EQ(stored("SELECT name FROM t ORDER BY id"), (Rows{{"bee"}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

// A record added on the full last page of a filtered view, which the filter leaves
// out, is written; the view stays on the page the user was on, not on an empty
// page past the matches labelled 「2001-2000」.
TEST_F(FilterTest, ARecordTheFilterLeavesOutKeepsTheFullLastPage) {
    open_with("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT);", 3000,
              "INSERT INTO t VALUES (?1, CASE WHEN ?1 % 3 = 0 THEN 'keep' ELSE 'other' END);");
    filter(2, "keep");
    ASSERT_EQ(label(), "1-1000");
    ASSERT_FALSE(next_enabled());
    ASSERT_EQ(list_row_count(grid()), 1001);
    const int blank = table_grid().blank_row();
    ASSERT_EQ(blank, 1000);
    double_click(blank, 2);
    ASSERT_TRUE(editing());
    type("left out");
    enter();
    if (editing()) {
        escape();
    }
    EXPECT_EQ(stored_value("SELECT count(*) FROM t WHERE name = 'left out';"), "1");
    EXPECT_EQ(label(), "1-1000");
    EXPECT_EQ(list_row_count(grid()), 1001);
    EXPECT_EQ(list_text(grid(), 0, 2), "keep");
}
