#include "sqleditor/editor_text.h"
#include "tests/pure/sql_rtf_text.h"
#include "tests/win/main_window_fixture.h"
#include "tests/win/sql_editor_fixture.h"
#include "win/wide_text.h"
#include "win/window_text.h"

namespace {

using Texts = std::vector<std::string>;

LONG style_of(HWND hwnd) {
    return GetWindowLongA(hwnd, GWL_STYLE);
}

// The colour of the character at `position`: -1 for the automatic colour.
long colour_at(HWND editor, LONG position) {
    CHARRANGE saved{};
    SendMessageA(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARRANGE one{position, position + 1};
    SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
    CHARFORMATA format{};
    format.cbSize = sizeof(format);
    SendMessageA(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageA(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    return (format.dwEffects & CFE_AUTOCOLOR) ? -1 : static_cast<long>(format.crTextColor);
}

constexpr long kBlue = RGB(0, 0, 255);
constexpr long kGreen = RGB(0, 128, 0);

// Where the colours of the editor differ from those of the document the whole
// text gives, as "position: seen, expected" lines; paragraph marks are not drawn
// and not compared. The text is one Shift-JIS holds; a CR LF is one position.
std::string colour_differences(HWND editor) {
    const std::string text = read_window_text(editor);
    const std::vector<int> document = rtf_document_colours(sql_to_rtf(text));
    const long expected_of[] = {-1, kBlue, kGreen};
    std::string differences;
    LONG position = 0;
    for (std::size_t i = 0; i < text.size(); ++position) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            // The paragraph mark: the CR and its LF are one position.
            i += 2;
            continue;
        }
        const bool pair = IsDBCSLeadByte(static_cast<BYTE>(text[i])) && i + 1 < text.size();
        if (text[i] != '\r' && text[i] != '\n') {
            const long seen = colour_at(editor, position);
            const long expected = expected_of[document.at(i)];
            if (seen != expected) {
                differences += std::to_string(position) + ": " + std::to_string(seen) + ", " +
                               std::to_string(expected) + "\n";
            }
        }
        i += pair ? 2 : 1;
    }
    return differences;
}

}  // namespace

// What the dialog adds to its template: it can be resized and maximised, the
// results list selects whole rows and has its images, and it opens empty with
// the focus in the editor.
TEST_F(SqlEditorTest, OpensEmptyAndResizableWithTheFocusInTheEditor) {
    const LONG style = style_of(dialog.hwnd());
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_NE(GetDlgItem(dialog.hwnd(), kSizeGripId), nullptr);

    EXPECT_EQ(SendMessageA(list(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_FULLROWSELECT,
              LVS_EX_FULLROWSELECT);
    HIMAGELIST images =
        reinterpret_cast<HIMAGELIST>(SendMessageA(list(), LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 3);

    EXPECT_EQ(text(), "");
    EXPECT_EQ(list_column_count(list()), 0);
    EXPECT_EQ(list_row_count(list()), 0);
    EXPECT_EQ(GetFocus(), editor());
}

TEST_F(SqlEditorTest, F5AndTheRunButtonRunTheSelectionOrTheWholeText) {
    const std::string sql = "SELECT 1;\r\nSELECT 2";
    set_text(sql);
    select(10, 18);  // the second line: a line's end is one position
    SendMessageA(editor(), WM_KEYDOWN, VK_F5, 1);
    ASSERT_EQ(list_row_count(list()), 1);
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "2"}));
    // The key went no further: the text, the selection and the focus are as before.
    EXPECT_EQ(text(), sql);
    CHARRANGE selection{};
    SendMessageA(editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    EXPECT_EQ(selection.cpMin, 10);
    EXPECT_EQ(selection.cpMax, 18);
    EXPECT_EQ(GetFocus(), editor());

    select(18, 18);
    SendMessageA(editor(), WM_KEYDOWN, VK_F5, 1);
    ASSERT_EQ(list_row_count(list()), 2);
    EXPECT_EQ(list_text(list(), 1, 1), "2");

    // A selection of double-byte text is taken whole.
    set_text("SELECT 'x';\r\nSELECT '日本語の値'");
    select(12, 26);
    press_run();
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "日本語の値"}));
    select(0, 10);
    press_run();
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "x"}));
}

TEST_F(SqlEditorTest, EnterTabAndEscapeStayInTheEditor) {
    set_text("SELECT 1");
    select(8, 8);
    key(editor(), VK_RETURN);
    key(editor(), VK_TAB);
    key(editor(), VK_ESCAPE);
    EXPECT_EQ(text(), "SELECT 1\r\n\t");
    EXPECT_EQ(GetFocus(), editor());
    EXPECT_TRUE(IsWindowVisible(dialog.hwnd()));
    EXPECT_EQ(list_column_count(list()), 0);  // nothing ran

    // Elsewhere in the dialog the dialog manager works as usual: Enter runs, Escape
    // ends the dialog.
    SetFocus(list());
    key(list(), VK_RETURN);
    EXPECT_EQ(list_row(list(), 0), (Texts{"00001", "1"}));
    key(list(), VK_ESCAPE);
    EXPECT_FALSE(IsWindowVisible(dialog.hwnd()));
}

TEST_F(SqlEditorTest, ResizingStretchesTheTextAndTheListAndMovesTheButtons) {
    HWND run_button = GetDlgItem(dialog.hwnd(), IDOK);
    HWND close_button = GetDlgItem(dialog.hwnd(), IDCANCEL);
    const RECT edit0 = rect_in_parent(editor());
    const RECT list0 = rect_in_parent(list());
    const RECT run0 = rect_in_parent(run_button);
    const RECT close0 = rect_in_parent(close_button);
    RECT window0{};
    GetWindowRect(dialog.hwnd(), &window0);

    SetWindowPos(dialog.hwnd(), nullptr, 0, 0, window0.right - window0.left + 100,
                 window0.bottom - window0.top + 50, SWP_NOMOVE | SWP_NOZORDER);
    pump_messages();

    const RECT edit1 = rect_in_parent(editor());
    EXPECT_EQ(edit1.left, edit0.left);
    EXPECT_EQ(edit1.right, edit0.right + 100);
    EXPECT_EQ(edit1.top, edit0.top);
    EXPECT_EQ(edit1.bottom, edit0.bottom);
    const RECT list1 = rect_in_parent(list());
    EXPECT_EQ(list1.left, list0.left);
    EXPECT_EQ(list1.top, list0.top);
    EXPECT_EQ(list1.right, list0.right + 100);
    EXPECT_EQ(list1.bottom, list0.bottom + 50);
    for (auto [before, button] : {std::pair{run0, run_button}, std::pair{close0, close_button}}) {
        const RECT after = rect_in_parent(button);
        EXPECT_EQ(after.left, before.left + 100);
        EXPECT_EQ(after.top, before.top + 50);
        EXPECT_EQ(after.right - after.left, before.right - before.left);
    }

    // The columns of the next outcome share the new width.
    run("SELECT 1");
    EXPECT_EQ(list_column_width(list(), 1), usable_list_width() - 60);

    // No smaller than at the start.
    MINMAXINFO limits{};
    SendMessageA(dialog.hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, window0.right - window0.left);
    EXPECT_EQ(limits.ptMinTrackSize.y, window0.bottom - window0.top);
}

TEST_F(SqlEditorTest, TypingColoursKeywordsAndComments) {
    // select a -- from / from b: positions count a line's end as one.
    set_text("select a -- from\r\nFROM b");
    EXPECT_EQ(colour_at(editor(), 0), kBlue);  // select
    EXPECT_EQ(colour_at(editor(), 5), kBlue);
    EXPECT_NE(colour_at(editor(), 7), kBlue);  // a
    EXPECT_NE(colour_at(editor(), 7), kGreen);
    EXPECT_EQ(colour_at(editor(), 9), kGreen);   // --
    EXPECT_EQ(colour_at(editor(), 12), kGreen);  // from, inside the comment
    EXPECT_EQ(colour_at(editor(), 17), kBlue);   // FROM on the next line
    EXPECT_NE(colour_at(editor(), 22), kBlue);   // b

    // Typing a character at the end of a word colours it as the word it makes.
    set_text("selec");
    select(5, 5);
    SendMessageA(editor(), WM_CHAR, 't', 1);
    EXPECT_EQ(text(), "select");
    EXPECT_EQ(colour_at(editor(), 0), kBlue);
    SendMessageA(editor(), WM_CHAR, 's', 1);
    EXPECT_NE(colour_at(editor(), 0), kBlue);
}

TEST_F(SqlEditorTest, TheTextSurvivesColouringByteForByte) {
    for (const char* sample :
         {"SELECT '\\{x}' FROM t -- {c}", "INSERT INTO 表 VALUES('ソ能\\表');\r\n\tcount(*)",
          "a\r\n\r\n\r\nb", "ｱｲｳｴｵ select", "select\r\n", ""}) {
        set_text(sample);
        EXPECT_EQ(text(), sample);
    }
}

TEST_F(SqlEditorTest, EachChangeColoursOnceAndKeepsTheViewAndTheCaret) {
    std::string sql;
    for (int i = 0; i < 200; ++i) {
        sql += "SELECT " + std::to_string(i) + " FROM t;\r\n";
    }
    set_text(sql);
    SendMessageA(editor(), EM_LINESCROLL, 0, 100);
    const LRESULT first_line = SendMessageA(editor(), EM_GETFIRSTVISIBLELINE, 0, 0);
    ASSERT_GT(first_line, 50);
    const LONG caret = static_cast<LONG>(
        SendMessageA(editor(), EM_LINEINDEX, static_cast<WPARAM>(first_line + 2), 0));
    select(caret, caret);

    const int before = dialog.rehighlight_count();
    SendMessageA(editor(), WM_CHAR, 'x', 1);
    EXPECT_EQ(dialog.rehighlight_count(), before + 1);
    EXPECT_EQ(SendMessageA(editor(), EM_GETFIRSTVISIBLELINE, 0, 0), first_line);
    CHARRANGE selection{};
    SendMessageA(editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    EXPECT_EQ(selection.cpMin, caret + 1);
    EXPECT_EQ(selection.cpMax, caret + 1);
    EXPECT_EQ(GetFocus(), editor());
    EXPECT_EQ(text().size(), sql.size() + 1);
}

// Each edit recolours only the lines it touched; after each the colours are those
// of the whole text, and a whole pass changes nothing.
TEST_F(SqlEditorTest, EditsEndWithTheColoursOfTheWholeText) {
    set_text(
        "select a, b from t -- 表の一覧\r\n"
        "where a not null;\r\n"
        "insert into 表 values('ソ能', \"select\");\r\n"
        "delete from t where b like 'x%'\r\n"
        "-- select\r\n"
        "update t set a = 1");
    ASSERT_EQ(colour_differences(editor()), "");
    // Enter and Backspace as their keys: the control takes them from WM_KEYDOWN.
    const auto type = [&](LONG at, const char* keys) {
        select(at, at);
        for (const char* c = keys; *c; ++c) {
            if (*c == '\r' || *c == '\b') {
                key(editor(), *c == '\r' ? VK_RETURN : VK_BACK);
            } else {
                SendMessageA(editor(), WM_CHAR, static_cast<BYTE>(*c), 1);
            }
        }
    };
    type(6, "x");  // selectx: no keyword
    EXPECT_EQ(colour_differences(editor()), "");
    type(0, "-- ");  // the first line becomes a comment
    EXPECT_EQ(colour_differences(editor()), "");
    type(12, "\r");  // a comment broken in two: its second half is SQL again
    EXPECT_EQ(colour_differences(editor()), "");
    ASSERT_EQ(text().substr(0, 14), "-- selectx a\r\n");
    type(13, "\b");  // and joined again
    EXPECT_EQ(colour_differences(editor()), "");
    ASSERT_EQ(text().substr(0, 14), "-- selectx a, ");
    select(80, 120);  // a paste over several lines
    SendMessageA(editor(), EM_REPLACESEL, TRUE,
                 reinterpret_cast<LPARAM>("drop table t;\r\n-- from\r\nFROM ("));
    EXPECT_EQ(colour_differences(editor()), "");
    select(2, 2);
    SendMessageA(editor(), WM_KEYDOWN, VK_DELETE, 1);  // "-- " loses its space: "--selectx"
    EXPECT_EQ(colour_differences(editor()), "");
    const std::string edited = text();

    std::string buffer;
    rehighlight(editor(), dialog.hwnd(), buffer, dialog.glyph_faces());
    EXPECT_EQ(text(), edited);
    EXPECT_EQ(colour_differences(editor()), "");
    // As after a whole pass, there is nothing to undo.
    type(0, "x");
    EXPECT_FALSE(SendMessageA(editor(), EM_CANUNDO, 0, 0));
}

TEST_F(MainWindowTest, TheSqlEditorOpensEmptyAndItsTablesReachTheSelector) {
    const std::string path = dir.file("editor.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE b(x);");
    }
    start("\"" + path + "\"");
    ASSERT_EQ(table_count(), 1);

    std::string listed;
    ModalDriver create([&](HWND dialog) {
        SetWindowTextA(GetDlgItem(dialog, IDC_SQL_TEXT), "CREATE TABLE a(y)");
        SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
        listed = list_text(GetDlgItem(dialog, IDC_SQL_RESULT), 0, 0);
        SendMessageA(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
    });
    command(IDM_SQL_EDITOR);
    ASSERT_TRUE(create.ran());
    EXPECT_EQ(listed, "not an error");
    ASSERT_EQ(table_count(), 2);
    EXPECT_EQ(table_at(0), "a");
    EXPECT_EQ(SendMessageA(selector(), CB_GETCURSEL, 0, 0), 0);

    // Opened again: nothing of the last time is left. The close box ends it.
    std::string text = "?";
    int columns = -1;
    int rows = -1;
    ModalDriver reopen([&](HWND dialog) {
        text = read_window_text(GetDlgItem(dialog, IDC_SQL_TEXT));
        columns = list_column_count(GetDlgItem(dialog, IDC_SQL_RESULT));
        rows = list_row_count(GetDlgItem(dialog, IDC_SQL_RESULT));
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    command(IDM_SQL_EDITOR);
    ASSERT_TRUE(reopen.ran());
    EXPECT_EQ(text, "");
    EXPECT_EQ(columns, 0);
    EXPECT_EQ(rows, 0);
    EXPECT_TRUE(boxes.boxes().empty());
}

// Ctrl+Z takes typing back (a word typed is one step, a new line another), Ctrl+Y
// brings it back, and the colours follow the text each time.
TEST_F(SqlEditorTest, CtrlZTakesTypingBackAndCtrlYBringsItBack) {
    const auto with_control = [&](WPARAM vk) {
        BYTE saved[256] = {};
        GetKeyboardState(saved);
        BYTE state[256] = {};
        state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
        key(editor(), vk);
        SetKeyboardState(saved);
    };
    set_text("SELECT 1;");
    select(9, 9);
    // Enter as its key: the control takes it from WM_KEYDOWN.
    key(editor(), VK_RETURN);
    for (const char* c = " FROM 表"; *c; ++c) {
        SendMessageA(editor(), WM_CHAR, static_cast<BYTE>(*c), 1);
    }
    ASSERT_EQ(text(), "SELECT 1;\r\n FROM 表");

    with_control('Z');
    EXPECT_EQ(text(), "SELECT 1;\r\n");
    with_control('Z');
    EXPECT_EQ(text(), "SELECT 1;");
    EXPECT_EQ(colour_differences(editor()), "");
    with_control('Z');
    EXPECT_EQ(text(), "");
    with_control('Z');
    EXPECT_EQ(text(), "");

    with_control('Y');
    with_control('Y');
    with_control('Y');
    EXPECT_EQ(text(), "SELECT 1;\r\n FROM 表");
    EXPECT_EQ(colour_differences(editor()), "");
    CHARRANGE caret{};
    SendMessageA(editor(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    EXPECT_EQ(caret.cpMin, 17);
    EXPECT_EQ(caret.cpMax, 17);
}

namespace {

// A value with characters Shift-JIS lacks: accented Latin, Hangul and 𠮷, which
// lies beyond the basic plane (a surrogate pair), as typed and as stored.
const std::wstring kTypedValue = L"caf\u00e9 \u00df \u00f1 \ud55c\uad6d \U00020BB7\u7530";
const std::string kStoredValue = u8"caf\u00e9 \u00df \u00f1 \ud55c\uad6d \U00020BB7\u7530";
const std::wstring kMissingTable = L"\ud55c\U00020BB7";

// Whether the face that the editor gives the character at `position` has a glyph
// for it (a character of the basic plane).
bool drawn_from_a_face_that_has_it(HWND editor, LONG position, wchar_t character) {
    CHARRANGE saved{};
    SendMessageW(editor, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    CHARRANGE one{position, position + 1};
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
    CHARFORMAT2W format{};
    format.cbSize = sizeof(format);
    SendMessageW(editor, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageW(editor, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&saved));
    LOGFONTW face{};
    face.lfCharSet = format.bCharSet;
    std::wmemcpy(face.lfFaceName, format.szFaceName, LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&face);
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ before = SelectObject(dc, font);
    WORD glyph = 0xFFFF;
    GetGlyphIndicesW(dc, &character, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, before);
    DeleteDC(dc);
    DeleteObject(font);
    return glyph != 0xFFFF;
}

}  // namespace

// Typed through the system's input path, characters Shift-JIS lacks (a surrogate
// pair too) reach the file as typed, the result list shows them as stored, each
// is drawn from a face that has it, and the database's message quoting them keeps
// them. Half of a pair that Backspace left alone is refused, never changed.
TEST_F(SqlEditorTest, TypedCharactersBeyondShiftJisRunAsTypedAndListAsStored) {
    db.exec("CREATE TABLE t(v TEXT);");
    SetForegroundWindow(dialog.hwnd());
    SetFocus(editor());
    type_unicode(L"INSERT INTO t VALUES('" + kTypedValue + L"');");
    pump_dialog(dialog.hwnd());
    const std::wstring typed = wide_of_utf8(window_text_utf8(editor()));
    ASSERT_EQ(typed, L"INSERT INTO t VALUES('" + kTypedValue + L"');");
    const LONG value_at = 22;
    for (LONG i = 0; i < static_cast<LONG>(kTypedValue.size()); ++i) {
        const wchar_t c = kTypedValue[static_cast<std::size_t>(i)];
        if (c >= 0x80 && (c < 0xD800 || c > 0xDFFF)) {
            EXPECT_TRUE(drawn_from_a_face_that_has_it(editor(), value_at + i, c)) << i;
        }
    }
    press_run();
    EXPECT_EQ(list_text(list(), 0, 0), "not an error");
    EXPECT_EQ(db.value("SELECT v FROM t"), kStoredValue);

    // The run button took the focus.
    SetFocus(editor());
    SendMessageW(editor(), EM_SETSEL, 0, -1);
    type_unicode(L"SELECT v, length(v) FROM t");
    pump_dialog(dialog.hwnd());
    press_run();
    ASSERT_EQ(list_row_count(list()), 1);
    EXPECT_EQ(list_text_wide(0, 1), kTypedValue);
    EXPECT_EQ(list_text(list(), 0, 2), "14");

    SetWindowTextW(editor(), (L"SELECT * FROM " + kMissingTable).c_str());
    press_run();
    EXPECT_EQ(list_text_wide(0, 0), L"no such table: " + kMissingTable);

    // Backspace takes the second half of 𠮷 and leaves the first alone.
    SetFocus(editor());
    SendMessageW(editor(), EM_SETSEL, 0, -1);
    type_unicode(L"INSERT INTO t VALUES('\U00020BB7");
    press_key(VK_BACK);
    type_unicode(L"')");
    pump_dialog(dialog.hwnd());
    press_run();
    EXPECT_EQ(list_text_wide(0, 0), wide_of_ansi(kSqlHalfPairText));
    EXPECT_EQ(db.value("SELECT count(*) FROM t"), "1");
    EXPECT_EQ(wide_of_utf8(window_text_utf8(editor())).size(), 25u);
}

// Pasted over the whole text, characters Shift-JIS lacks go through the coloured
// document and come back as they were, a half pair left alone included; the
// colours and the faces that draw them are those that typing gives.
TEST_F(SqlEditorTest, TextBeyondShiftJisSurvivesTheWholeColouring) {
    std::wstring pasted;
    // The control's own form: a line's end is one CR.
    std::u16string held;
    for (int i = 0; i < 40; ++i) {
        const std::wstring line = L"SELECT '" + kTypedValue + L"' FROM t; -- \u00e9";
        pasted += line + L"\r\n";
        held += std::u16string(line.begin(), line.end()) + u"\r";
    }
    pasted += L"select '\xD842'";
    held += u"select '\xD842'";
    SetWindowTextW(editor(), pasted.c_str());
    const std::string kept = read_editor_text(editor());
    EXPECT_TRUE(kept == editor_text_of_utf16(held));
    EXPECT_EQ(kept.substr(kept.size() - 12), "select '\xED\xA1\x82'");
    EXPECT_EQ(colour_at(editor(), 0), kBlue);
    const LONG comment = static_cast<LONG>(8 + kTypedValue.size() + 11);
    EXPECT_EQ(colour_at(editor(), comment), kGreen);
    EXPECT_TRUE(drawn_from_a_face_that_has_it(editor(), 8 + 9, kTypedValue[9]));
}
