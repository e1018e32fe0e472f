#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/main_dialog.h"
#include "res/resource.h"
#include "tests/support/test_support.h"
#include "tests/support/win_support.h"

// The real main window, made from its template, shown (with the null graphics
// driver) and driven with the messages a user's actions produce.
class MainWindowTest : public testing::Test {
protected:
    void start(const std::string& command_line = "") {
        main.set_startup_path(command_line.c_str());
        ASSERT_NE(main.create(), nullptr);
        ShowWindow(main.hwnd(), SW_SHOW);
        pump_messages();
    }

    void command(UINT id) { SendMessageA(main.hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    void select_table(int index) {
        SendMessageA(selector(), CB_SETCURSEL, index, 0);
        SendMessageA(main.hwnd(), WM_COMMAND, MAKEWPARAM(IDC_TABLE_SELECTOR, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(selector()));
    }

    HWND grid() const { return GetDlgItem(main.hwnd(), IDC_GRID); }
    HWND selector() const { return GetDlgItem(main.hwnd(), IDC_TABLE_SELECTOR); }
    std::string label() const { return window_text(GetDlgItem(main.hwnd(), IDC_PAGE_LABEL)); }
    bool previous_enabled() const {
        return IsWindowEnabled(GetDlgItem(main.hwnd(), IDC_PAGE_PREVIOUS)) != FALSE;
    }
    bool next_enabled() const {
        return IsWindowEnabled(GetDlgItem(main.hwnd(), IDC_PAGE_NEXT)) != FALSE;
    }
    std::string title() const { return window_text(main.hwnd()); }
    bool enabled(UINT id) const { return menu_item_enabled(main.hwnd(), id); }
    int table_count() const {
        return static_cast<int>(SendMessageA(selector(), CB_GETCOUNT, 0, 0));
    }
    std::string table_at(int index) const {
        char text[1024] = "";
        SendMessageA(selector(), CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        return text;
    }

    TempDir dir;
    MessageBoxRecorder boxes;
    MainDialog main;
};
