#include "tests/win/grid_fixture.h"

#include <richedit.h>

#include <cstring>
#include <functional>

#include "grid/cell_editor.h"
#include "win/window_text.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

bool same_rect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

class TextEditDialogTest : public GridTest {
protected:
    // Starts an edit with `open` and, once the text dialog is up, runs `in_dialog`
    // on it; `in_dialog` ends it by posting a command. False when no dialog came.
    bool with_dialog(const std::function<void()>& open,
                     const std::function<void(const OpenTextDialog&)>& in_dialog) {
        ModalDriver driver([&](HWND dialog) { in_dialog(OpenTextDialog{dialog}); });
        open();
        return driver.ran();
    }

    static void press(const OpenTextDialog& dialog, int id) {
        PostMessageA(dialog.dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog.dialog, id)));
    }
};

TEST_F(TextEditDialogTest, OpensAsItsTemplateSaysCentredOverTheMainWindow) {
    const std::string value = std::string(200, 'v') + u8"テーブル" + std::string(88, 'w');
    open_with("CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('" + value + "');");
    ASSERT_EQ(list_text(grid(), 0, 1).size(), 254u);
    std::string shown;
    const bool opened = with_dialog(
        [&] { double_click(0, 1); },
        [&](const OpenTextDialog& d) {
            HWND dialog = d.dialog;
            EXPECT_EQ(window_text(dialog), "テキスト編集");
            const LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
            EXPECT_TRUE(style & WS_CAPTION);
            EXPECT_TRUE(style & WS_SYSMENU);
            EXPECT_FALSE(style & WS_THICKFRAME);
            EXPECT_TRUE(GetWindowLongPtrA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
            RECT client;
            GetClientRect(dialog, &client);
            const RECT size = dialog_units(dialog, 0, 0, 243, 130);
            EXPECT_EQ(client.right, size.right);
            EXPECT_EQ(client.bottom, size.bottom);

            HWND area = d.text_area();
            char class_name[64] = "";
            GetClassNameA(area, class_name, sizeof(class_name));
            // The Unicode rich edit: it holds every character of a value.
            EXPECT_STRCASEEQ(class_name, "RichEdit50W");
            EXPECT_TRUE(same_rect(rect_in_parent(area), dialog_units(dialog, 7, 6, 230, 98)));
            const LONG_PTR area_style = GetWindowLongPtrA(area, GWL_STYLE);
            for (LONG_PTR bit :
                 {LONG_PTR{ES_MULTILINE}, LONG_PTR{WS_VSCROLL}, LONG_PTR{ES_WANTRETURN},
                  LONG_PTR{ES_NOHIDESEL}, LONG_PTR{ES_DISABLENOSCROLL}, LONG_PTR{WS_TABSTOP}}) {
                EXPECT_TRUE(area_style & bit) << std::hex << bit;
            }
            HWND ok = GetDlgItem(dialog, IDOK);
            HWND cancel = GetDlgItem(dialog, IDCANCEL);
            EXPECT_EQ(window_text(ok), "OK");
            EXPECT_EQ(window_text(cancel), "キャンセル");
            EXPECT_EQ(GetWindowLongPtrA(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
            EXPECT_TRUE(same_rect(rect_in_parent(ok), dialog_units(dialog, 133, 109, 50, 14)));
            EXPECT_TRUE(same_rect(rect_in_parent(cancel), dialog_units(dialog, 187, 109, 50, 14)));

            RECT owner;
            RECT placed;
            GetWindowRect(main.hwnd(), &owner);
            GetWindowRect(dialog, &placed);
            EXPECT_LE(std::abs((owner.left + owner.right) / 2 - (placed.left + placed.right) / 2),
                      1);
            EXPECT_LE(std::abs((owner.top + owner.bottom) / 2 - (placed.top + placed.bottom) / 2),
                      1);

            EXPECT_EQ(GetFocus(), area);
            RECT area_client;
            RECT format;
            GetClientRect(area, &area_client);
            SendMessageA(area, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
            // The control counts its one-pixel border into the rectangle it reports.
            EXPECT_NEAR(format.left, area_client.left + 10, 1);
            EXPECT_NEAR(format.top, area_client.top + 5, 1);
            CHARFORMATA character{};
            character.cbSize = sizeof(character);
            SendMessageA(area, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&character));
            EXPECT_STREQ(character.szFaceName, "ＭＳ ゴシック");
            EXPECT_EQ(character.bCharSet, 128);
            EXPECT_EQ(character.crTextColor, RGB(0, 0, 0));
            EXPECT_EQ(character.dwEffects &
                          (CFE_AUTOCOLOR | CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE | CFE_STRIKEOUT),
                      0u);
            EXPECT_GE(SendMessageA(area, EM_GETLIMITTEXT, 0, 0), 32768);
            shown = read_window_text(area);
            press(d, IDCANCEL);
        });
    ASSERT_TRUE(opened);
    // The grid shows 254 bytes of the value; the dialog all of it.
    EXPECT_EQ(utf8_of(shown), value);
    EXPECT_FALSE(editing());
    EXPECT_EQ(stored_value("SELECT a FROM t"), value);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(TextEditDialogTest, LongCellsAndTheControlKeyOpenTheDialog) {
    open_with("CREATE TABLE t(a TEXT, n INTEGER); INSERT INTO t VALUES ('" + std::string(64, 's') +
              "', 5), ('" + std::string(65, 'l') + "', 6);");
    // 64 bytes still go in place.
    double_click(0, 1);
    EXPECT_TRUE(editing());
    escape();

    std::string shown;
    auto take_text = [&](const OpenTextDialog& d) {
        shown = read_window_text(d.text_area());
        press(d, IDOK);
    };
    EXPECT_TRUE(with_dialog([&] { double_click(1, 1); }, take_text));
    EXPECT_EQ(shown, std::string(65, 'l'));
    EXPECT_FALSE(editing());

    {
        ControlKeyDown control;
        EXPECT_TRUE(with_dialog([&] { double_click(0, 2); }, take_text));
        EXPECT_EQ(shown, "5");
        EXPECT_TRUE(with_dialog(
            [&] {
                select(0);
                press_enter_on_grid();
            },
            take_text));
        EXPECT_EQ(shown, std::string(64, 's'));
    }
    // OK with the text as it opened writes nothing: the integer stays an integer.
    EXPECT_EQ(stored("SELECT typeof(n), n FROM t ORDER BY rowid"),
              (Rows{{"integer", "5"}, {"integer", "6"}}));
    EXPECT_FALSE(editing());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(TextEditDialogTest, WritesTheWholeConfirmedText) {
    open_with("CREATE TABLE t(a TEXT, b TEXT); INSERT INTO t VALUES ('" + std::string(100, 'o') +
              "', 'first' || char(10) || 'second');"
              "CREATE TABLE z_log(x); CREATE TRIGGER w AFTER UPDATE ON t BEGIN INSERT INTO z_log "
              "VALUES (1); END;");
    std::string replacement;
    for (int i = 0; i < 100; ++i) {
        replacement += "表x";
    }
    ASSERT_TRUE(with_dialog([&] { double_click(0, 1); },
                            [&](const OpenTextDialog& d) {
                                SetWindowTextA(d.text_area(), replacement.c_str());
                                press(d, IDOK);
                            }));
    EXPECT_EQ(stored_value("SELECT a FROM t"), utf8_of(replacement));
    EXPECT_EQ(list_text(grid(), 0, 1), replacement.substr(0, 254));

    // A line break the control shows its own way is still the value as stored.
    {
        ControlKeyDown control;
        ASSERT_TRUE(with_dialog([&] { double_click(0, 2); },
                                [&](const OpenTextDialog& d) {
                                    EXPECT_NE(read_window_text(d.text_area()).find("second"),
                                              std::string::npos);
                                    press(d, IDOK);
                                }));
    }
    EXPECT_EQ(stored_value("SELECT b = 'first' || char(10) || 'second' FROM t"), "1");
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM z_log"), "1");
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(TextEditDialogTest, AValueLongerThan32767BytesRoundTripsWholeOrIsRefused) {
    std::string value;
    for (int i = 0; i < 10000; ++i) {
        value += u8"表";
    }
    value += std::string(20000, 'x');  // 40,000 bytes in the program's code page
    open_with("CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('" + value +
              "');"
              "CREATE TABLE z_log(x); CREATE TRIGGER w AFTER UPDATE ON t BEGIN INSERT INTO z_log "
              "VALUES (1); END;");
    const std::string ansi = ansi_of(value);
    ASSERT_EQ(ansi.size(), 40000u);

    std::string shown;
    ASSERT_TRUE(with_dialog([&] { double_click(0, 1); },
                            [&](const OpenTextDialog& d) {
                                shown = read_window_text(d.text_area());
                                press(d, IDOK);
                            }));
    EXPECT_EQ(shown.size(), ansi.size());
    EXPECT_TRUE(shown == ansi);
    EXPECT_TRUE(stored_value("SELECT a FROM t") == value);
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM z_log"), "0");
    EXPECT_TRUE(boxes.boxes().empty());

    // Edited and still longer than a value may be: refused before any write.
    ASSERT_TRUE(with_dialog([&] { double_click(0, 1); },
                            [&](const OpenTextDialog& d) {
                                SendMessageA(d.text_area(), EM_SETSEL, -1, -1);
                                SendMessageA(d.text_area(), EM_REPLACESEL, TRUE,
                                             reinterpret_cast<LPARAM>("!"));
                                press(d, IDOK);
                            }));
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "入力文字数が長すぎます。");
    EXPECT_EQ(boxes.boxes()[0].caption, "入力エラー");
    EXPECT_TRUE(stored_value("SELECT a FROM t") == value);
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM z_log"), "0");

    // 32768 bytes is the longest value written, and it is written whole.
    const std::string longest = std::string(32767, 'y') + "z";
    ASSERT_TRUE(with_dialog([&] { double_click(0, 1); },
                            [&](const OpenTextDialog& d) {
                                SetWindowTextA(d.text_area(), longest.c_str());
                                press(d, IDOK);
                            }));
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_TRUE(stored_value("SELECT a FROM t") == longest);
}

TEST_F(TextEditDialogTest, CancelEscAndTheCloseBoxWriteNothing) {
    open_with("CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('" + std::string(80, 'k') + "');");
    const std::function<void(const OpenTextDialog&)> endings[] = {
        [](const OpenTextDialog& d) { press(d, IDCANCEL); },
        [](const OpenTextDialog& d) {
            PostMessageA(d.text_area(), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        },
        [](const OpenTextDialog& d) { PostMessageA(d.dialog, WM_CLOSE, 0, 0); },
    };
    for (const auto& end : endings) {
        ASSERT_TRUE(with_dialog([&] { double_click(0, 1); },
                                [&](const OpenTextDialog& d) {
                                    SetWindowTextA(d.text_area(), "changed");
                                    end(d);
                                }));
        EXPECT_EQ(stored_value("SELECT a FROM t"), std::string(80, 'k'));
        EXPECT_EQ(list_text(grid(), 0, 1), std::string(80, 'k'));
    }
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(TextEditDialogTest, OnTheBlankRowTheConfirmedTextBecomesANewRecord) {
    open_with("CREATE TABLE t(a TEXT, b TEXT); INSERT INTO t VALUES ('1a', '1b');");
    ControlKeyDown control;
    std::string shown = "not read";
    ASSERT_TRUE(with_dialog([&] { double_click(1, 2); },
                            [&](const OpenTextDialog& d) {
                                shown = read_window_text(d.text_area());
                                press(d, IDCANCEL);
                            }));
    EXPECT_EQ(shown, "");
    EXPECT_EQ(stored_value("SELECT COUNT(*) FROM t"), "1");

    ASSERT_TRUE(with_dialog([&] { double_click(1, 2); },
                            [&](const OpenTextDialog& d) {
                                SetWindowTextA(d.text_area(), "two\r\nlines");
                                press(d, IDOK);
                            }));
    EXPECT_EQ(stored("SELECT rowid, a, b LIKE 'two%lines' FROM t ORDER BY rowid"),
              (Rows{{"1", "1a", "0"}, {"2", "", "1"}}));
    ASSERT_EQ(list_row_count(grid()), 3);
    EXPECT_EQ(list_text(grid(), 1, 0), "00002");
    EXPECT_EQ(list_selected_row(grid()), 1);
    EXPECT_EQ(list_text(grid(), 2, 0), "*");
    EXPECT_FALSE(editing());
    EXPECT_TRUE(boxes.boxes().empty());
}

// Tab is a dialog key: it moves the focus to the next control and puts nothing
// into the text, so what OK saves is what the text area showed.
TEST_F(TextEditDialogTest, TabMovesTheFocusAndTypesNothing) {
    open_with("CREATE TABLE t(name TEXT); INSERT INTO t VALUES ('abc');");
    std::string shown;
    HWND focus_after_tab = nullptr;
    HWND ok = nullptr;
    {
        ControlKeyDown control;
        EXPECT_TRUE(with_dialog([&] { double_click(0, 1); },
                                [&](const OpenTextDialog& d) {
                                    ok = GetDlgItem(d.dialog, IDOK);
                                    // The user lets go of Ctrl once the dialog is up.
                                    BYTE keys[256];
                                    GetKeyboardState(keys);
                                    keys[VK_CONTROL] = 0;
                                    SetKeyboardState(keys);
                                    SetForegroundWindow(d.dialog);
                                    SetFocus(d.text_area());
                                    SendMessageA(d.text_area(), EM_SETSEL, 1, 1);
                                    press_key(VK_TAB);
                                    pump_dialog(d.dialog);
                                    focus_after_tab = GetFocus();
                                    shown = read_window_text(d.text_area());
                                    press(d, IDOK);
                                }));
    }
    EXPECT_EQ(shown, "abc");
    EXPECT_NE(focus_after_tab, nullptr);
    EXPECT_EQ(focus_after_tab, ok);
    EXPECT_EQ(stored_value("SELECT name FROM t"), "abc");
}

TEST_F(TextEditDialogTest, TextComesAndGoesByteForByteWhatItLooksLike) {
    open_with(
        "CREATE TABLE t(a TEXT); INSERT INTO t VALUES ('{\\rtf1\\ansi hello}'),"
        " ('first' || char(13, 10) || 'second');");
    ControlKeyDown control;
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        const std::string before =
            stored_value("SELECT a FROM t WHERE rowid = " + std::to_string(row + 1));
        std::string shown;
        ASSERT_TRUE(with_dialog([&] { double_click(row, 1); },
                                [&](const OpenTextDialog& d) {
                                    shown = read_window_text(d.text_area());
                                    SendMessageA(d.text_area(), EM_SETSEL, -1, -1);
                                    SendMessageA(d.text_area(), EM_REPLACESEL, TRUE,
                                                 reinterpret_cast<LPARAM>("!"));
                                    press(d, IDOK);
                                }));
        EXPECT_EQ(shown, before);
        EXPECT_EQ(stored_value("SELECT a FROM t WHERE rowid = " + std::to_string(row + 1)),
                  before + "!");
    }
    EXPECT_TRUE(boxes.boxes().empty());
}
