// Japanese typed through the system's input path (SendInput with Unicode
// characters, as an input method delivers them) into each place a user types a
// value: it must reach the database whole, double-byte characters whose second
// byte is a backslash (表, ソ) and half-width katakana included.
#include <windows.h>
#include <richedit.h>

#include <functional>
#include <string>

#include "tests/win/grid_fixture.h"
#include "tests/win/sql_editor_fixture.h"
#include "win/message_loop.h"
#include "win/window_text.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// 山田太郎 ｶﾀｶﾅ 表ソ and ASCII, as UTF-16 for typing and as UTF-8 as stored.
const std::wstring kTyped = L"\u5c71\u7530\u592a\u90ce \uff76\uff80\uff76\uff85 \u8868\u30bd x_y";
const std::string kStored = u8"山田太郎 ｶﾀｶﾅ 表ソ x_y";

}  // namespace

// The grid runs in the program's own message loop, with its filters.
class JapaneseGridInputTest : public GridTest {
protected:
    void SetUp() override { app_module().add_message_loop(&loop); }
    void TearDown() override { app_module().remove_message_loop(); }

    // Types the text into the open editor as a keyboard would and ends with Enter.
    void type_and_enter(const std::wstring& text) {
        SetForegroundWindow(main.hwnd());
        SetFocus(editor());
        type_unicode(text);
        loop.pump();
        press_key(VK_RETURN);
        loop.pump();
    }

    MessageLoop loop;
};

TEST_F(JapaneseGridInputTest, TypedIntoTheCellEditorAndTheBlankRow) {
    open_with("CREATE TABLE t(name TEXT, note TEXT); INSERT INTO t VALUES ('old', 'old');");
    double_click(0, 1);
    ASSERT_TRUE(editing());
    type_and_enter(kTyped);
    EXPECT_EQ(stored_value("SELECT name FROM t"), kStored);

    // The blank row: typing there adds the record.
    double_click(1, 2);
    ASSERT_TRUE(editing());
    type_and_enter(kTyped);
    EXPECT_EQ(stored("SELECT note FROM t ORDER BY rowid"), (Rows{{"old"}, {kStored}}));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(JapaneseGridInputTest, AcceleratorsStillActOnTypedKeys) {
    open_with("CREATE TABLE t(name TEXT); INSERT INTO t VALUES ('a'); INSERT INTO t VALUES ('b');");
    select(0);
    SetForegroundWindow(main.hwnd());
    SetFocus(grid());
    // Ctrl+Del deletes the selected record through the accelerator table.
    std::vector<INPUT> inputs(4);
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
    }
    inputs[0].ki.wVk = VK_CONTROL;
    inputs[1].ki.wVk = VK_DELETE;
    inputs[2].ki.wVk = VK_DELETE;
    inputs[2].ki.dwFlags = KEYEVENTF_KEYUP;
    inputs[3].ki.wVk = VK_CONTROL;
    inputs[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    loop.pump();
    EXPECT_EQ(stored("SELECT name FROM t"), (Rows{{"b"}}));
}

TEST_F(SqlEditorTest, JapaneseTypedIntoTheEditorRunsWhole) {
    SetForegroundWindow(dialog.hwnd());
    SetFocus(editor());
    type_unicode(L"select length('\u65e5\u672c\u8a9e'), '\u8868\u30bd'");
    pump_dialog(dialog.hwnd());
    EXPECT_EQ(text(), "select length('日本語'), '表ソ'");
    press_run();
    ASSERT_EQ(list_row_count(list()), 1);
    EXPECT_EQ(list_row(list(), 0)[1], "3");
    EXPECT_EQ(list_row(list(), 0)[2], "表ソ");
}

class JapaneseTextDialogInputTest : public GridTest {};

TEST_F(JapaneseTextDialogInputTest, TypedIntoTheTextDialog) {
    open_with("CREATE TABLE t(name TEXT); INSERT INTO t VALUES ('old');");
    std::string shown;
    ModalDriver driver([&](HWND dialog) {
        HWND area = GetDlgItem(dialog, IDC_TEXT_AREA);
        SetForegroundWindow(dialog);
        SetFocus(area);
        SendMessageA(area, EM_SETSEL, 0, -1);
        type_unicode(kTyped);
        pump_dialog(dialog);
        shown = read_window_text(area);
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    });
    {
        ControlKeyDown control;
        double_click(0, 1);
    }
    ASSERT_TRUE(driver.ran());
    EXPECT_EQ(shown, "山田太郎 ｶﾀｶﾅ 表ソ x_y");
    EXPECT_EQ(stored_value("SELECT name FROM t"), kStored);
}

namespace {

// Characters the code page lacks, typed as a keyboard or an input method gives
// them: accents, ß, ñ, Hangul, and 𠮷, which takes a surrogate pair.
const std::wstring kBeyondTyped = L"caf\u00e9 \u00df \u00f1and\u00fa \ud55c \U00020BB7\u7530";
const std::string kBeyondStored = u8"caf\u00e9 \u00df \u00f1and\u00fa \ud55c \U00020BB7\u7530";

}  // namespace

// What is typed reaches the file as typed, in the cell editor, on the blank row and
// in the text dialog; a filter typed with an accent finds the accented value and
// not the plain one.
TEST_F(JapaneseGridInputTest, CharactersBeyondTheCodePageReachTheFileUnchanged) {
    open_with("CREATE TABLE t(name TEXT, note TEXT); INSERT INTO t VALUES ('old', 'old');");
    double_click(0, 1);
    ASSERT_TRUE(editing());
    type_and_enter(kBeyondTyped);
    EXPECT_EQ(stored_value("SELECT name FROM t"), kBeyondStored);
    if (editing()) {
        escape();
    }
    double_click(1, 2);
    ASSERT_TRUE(editing());
    type_and_enter(kBeyondTyped);
    EXPECT_EQ(stored_value("SELECT note FROM t WHERE rowid = 2"), kBeyondStored);
    if (editing()) {
        escape();
    }

    ModalDriver driver([&](HWND dialog) {
        HWND area = GetDlgItem(dialog, IDC_TEXT_AREA);
        SetForegroundWindow(dialog);
        SetFocus(area);
        SendMessageW(area, EM_SETSEL, 0, -1);
        type_unicode(kBeyondTyped + L" dialog");
        pump_dialog(dialog);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    });
    {
        ControlKeyDown control;
        double_click(0, 2);
    }
    ASSERT_TRUE(driver.ran());
    EXPECT_EQ(stored_value("SELECT note FROM t WHERE rowid = 1"), kBeyondStored + " dialog");

    // 「café」 finds 「café」, not 「cafe」.
    {
        TestDb other(path);
        other.exec("INSERT INTO t VALUES ('cafe', 'plain');");
    }
    main.filter_strip().edit_column(1);
    HWND box = main.filter_strip().editor();
    SetForegroundWindow(main.hwnd());
    SetFocus(box);
    type_unicode(L"caf\u00e9");
    loop.pump();
    press_key(VK_RETURN);
    loop.pump();
    EXPECT_EQ(label(), "1-1");
    wchar_t shown[64] = L"";
    LVITEMW item{};
    item.iSubItem = 1;
    item.pszText = shown;
    item.cchTextMax = 64;
    SendMessageW(grid(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(std::wstring(shown), kBeyondTyped);
    EXPECT_TRUE(boxes.boxes().empty());
}
