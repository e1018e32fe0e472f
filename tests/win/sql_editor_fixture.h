#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <iterator>
#include <string>

#include "res/resource.h"
#include "sqleditor/sql_editor_dialog.h"
#include "sqleditor/sql_rehighlight.h"
#include "tests/support/test_support.h"
#include "tests/support/win_support.h"
#include "win/window_text.h"

// The SQL editor made from its template over a test database, shown (with the null
// graphics driver) and driven with the messages a user's actions produce. As in the
// program, the database's history of changes follows the editor's runs.
class SqlEditorTest : public testing::Test {
protected:
    SqlEditorTest() : db(dir.file("sql.db")), dialog(db.handle(), history) {
        history.attach(db.handle());
    }

    void SetUp() override {
        ASSERT_NE(dialog.create_modeless(IDD_SQL_EDITOR, nullptr), nullptr);
        ShowWindow(dialog.hwnd(), SW_SHOW);
        pump_messages();
    }

    HWND editor() const { return GetDlgItem(dialog.hwnd(), IDC_SQL_TEXT); }
    HWND list() const { return GetDlgItem(dialog.hwnd(), IDC_SQL_RESULT); }

    // Replaces the editor's text as a paste over everything would.
    void set_text(const std::string& ansi) { SetWindowTextA(editor(), ansi.c_str()); }
    std::string text() const { return read_window_text(editor()); }
    void select(LONG first, LONG last) {
        CHARRANGE range{first, last};
        SendMessageA(editor(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    void press_run() {
        SendMessageA(GetDlgItem(dialog.hwnd(), IDOK), BM_CLICK, 0, 0);
        pump_messages();
    }
    void run(const std::string& ansi) {
        set_text(ansi);
        press_run();
    }

    // A key as the keyboard delivers it, through the dialog manager as the dialog's
    // loop would.
    void key(HWND target, WPARAM vk) {
        PostMessageA(target, WM_KEYDOWN, vk, 1);
        PostMessageA(target, WM_KEYUP, vk, 0xC0000001);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageA(dialog.hwnd(), &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }

    // Width inside the list's border and vertical scroll bar.
    int usable_list_width() const {
        RECT r{};
        GetWindowRect(list(), &r);
        return (r.right - r.left) - GetSystemMetrics(SM_CXVSCROLL) -
               2 * GetSystemMetrics(SM_CXEDGE);
    }
    int image_of(int row) const {
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        item.iImage = -1;
        SendMessageA(list(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    }
    // A cell as the list shows it, every character kept (the ANSI message would pass
    // it through the code page).
    std::wstring list_text_wide(int row, int column) const {
        wchar_t text[600] = L"";
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = static_cast<int>(std::size(text));
        SendMessageW(list(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
        return text;
    }
    std::vector<std::string> headers() const {
        std::vector<std::string> texts;
        for (int c = 0; c < list_column_count(list()); ++c) {
            texts.push_back(list_header(list(), c));
        }
        return texts;
    }

    TempDir dir;
    TestDb db;
    ChangeHistory history;
    SqlEditorDialog dialog;
};
