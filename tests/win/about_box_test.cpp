#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "tests/win/main_window_fixture.h"

namespace {

struct Control {
    HWND hwnd;
    std::string class_name;
    std::string text;
    int id;
    DWORD style;
    RECT rect;  // in the dialog's client coordinates
};

std::vector<Control> controls_of(HWND dialog) {
    std::vector<Control> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        Control c{child,
                  "",
                  window_text(child),
                  GetDlgCtrlID(child),
                  static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE)),
                  {}};
        char class_name[64] = "";
        GetClassNameA(child, class_name, sizeof(class_name));
        c.class_name = class_name;
        GetWindowRect(child, &c.rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&c.rect), 2);
        controls.push_back(c);
    }
    return controls;
}

void expect_rect(const RECT& actual, const RECT& expected, const char* what) {
    EXPECT_EQ(actual.left, expected.left) << what;
    EXPECT_EQ(actual.top, expected.top) << what;
    EXPECT_EQ(actual.right, expected.right) << what;
    EXPECT_EQ(actual.bottom, expected.bottom) << what;
}

// The control that has the keyboard focus while the box is the active window.
// Other test processes can hold the foreground, so the box is activated first.
HWND focused_control(HWND dialog) {
    SetActiveWindow(dialog);
    return GetFocus();
}

using AboutBoxTest = MainWindowTest;

}  // namespace

TEST_F(AboutBoxTest, ShowsNameVersionAndIconOverTheMainWindow) {
    start();
    bool inspected = false;
    ModalDriver driver([&](HWND dialog) {
        inspected = true;
        EXPECT_EQ(window_text(dialog), "バージョン情報");
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), main.hwnd());
        const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
        EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU),
                  DWORD(WS_POPUP | WS_CAPTION | WS_SYSMENU));
        EXPECT_EQ(style & WS_THICKFRAME, 0u);
        EXPECT_NE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME, 0);

        RECT client{};
        GetClientRect(dialog, &client);
        expect_rect(client, dialog_units(dialog, 0, 0, 142, 84), "client area");

        const std::vector<Control> controls = controls_of(dialog);
        ASSERT_EQ(controls.size(), 5u);

        const Control& ok = controls[0];
        EXPECT_EQ(ok.class_name, "Button");
        EXPECT_EQ(ok.text, "OK");
        EXPECT_EQ(ok.id, IDOK);
        EXPECT_EQ(ok.style & BS_TYPEMASK, DWORD(BS_DEFPUSHBUTTON));
        EXPECT_NE(ok.style & WS_TABSTOP, 0u);
        expect_rect(ok.rect, dialog_units(dialog, 85, 63, 50, 14), "OK");

        const Control& name = controls[1];
        EXPECT_EQ(name.class_name, "Static");
        EXPECT_EQ(name.text, "KORVELANDIS");
        EXPECT_EQ(name.style & SS_TYPEMASK, DWORD(SS_CENTER));
        EXPECT_NE(name.style & WS_GROUP, 0u);
        expect_rect(name.rect, dialog_units(dialog, 45, 22, 68, 8), "name");

        const Control& icon = controls[2];
        EXPECT_EQ(icon.class_name, "Static");
        EXPECT_EQ(icon.style & SS_TYPEMASK, DWORD(SS_ICON));
        EXPECT_NE(SendMessageA(icon.hwnd, STM_GETICON, 0, 0), 0);
        // An icon control takes the size of its icon; its place is the template's.
        const RECT icon_place = dialog_units(dialog, 15, 16, 20, 20);
        EXPECT_EQ(icon.rect.left, icon_place.left);
        EXPECT_EQ(icon.rect.top, icon_place.top);

        const Control& frame = controls[3];
        EXPECT_EQ(frame.class_name, "Button");
        EXPECT_EQ(frame.text, "");
        EXPECT_EQ(frame.style & BS_TYPEMASK, DWORD(BS_GROUPBOX));
        expect_rect(frame.rect, dialog_units(dialog, 7, 5, 128, 54), "group box");

        const Control& version = controls[4];
        EXPECT_EQ(version.class_name, "Static");
        EXPECT_EQ(version.text, "Version 1.2");
        EXPECT_EQ(version.style & SS_TYPEMASK, DWORD(SS_RIGHT));
        EXPECT_NE(version.style & WS_GROUP, 0u);
        expect_rect(version.rect, dialog_units(dialog, 54, 36, 68, 8), "version");

        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)), sizeof(font),
                   &font);
        EXPECT_STREQ(font.lfFaceName, "ＭＳ ゴシック");
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(font.lfHeight, -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72));
        ReleaseDC(nullptr, screen);

        EXPECT_EQ(focused_control(dialog), ok.hwnd);

        // Centred over the main window.
        RECT owner{}, box{};
        GetWindowRect(main.hwnd(), &owner);
        GetWindowRect(dialog, &box);
        EXPECT_EQ(box.left, (owner.left + owner.right) / 2 - (box.right - box.left) / 2);
        EXPECT_EQ(box.top, (owner.top + owner.bottom) / 2 - (box.bottom - box.top) / 2);

        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    SetActiveWindow(main.hwnd());
    command(IDM_ABOUT);
    EXPECT_TRUE(driver.ran());
    EXPECT_TRUE(inspected);
    EXPECT_TRUE(IsWindow(main.hwnd()));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(AboutBoxTest, EndsWithOkEnterEscapeOrTheCloseBox) {
    start();
    const struct {
        const char* label;
        std::function<void(HWND)> close;
        INT_PTR result;
    } ways[] = {
        {"OK clicked", [](HWND dialog) { SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); },
         IDOK},
        {"Enter",
         [](HWND dialog) { PostMessageA(focused_control(dialog), WM_KEYDOWN, VK_RETURN, 1); },
         IDOK},
        {"Escape",
         [](HWND dialog) { PostMessageA(focused_control(dialog), WM_KEYDOWN, VK_ESCAPE, 1); },
         IDCANCEL},
        {"close box", [](HWND dialog) { PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); },
         IDCANCEL},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.label);
        ModalDriver driver(way.close);
        AboutDialog about;
        EXPECT_EQ(about.show(main.hwnd()), way.result);
        EXPECT_TRUE(driver.ran());
        EXPECT_EQ(about.hwnd(), nullptr);
    }
    // The box's Esc and close box are its own: the main window goes on.
    pump_messages();
    EXPECT_TRUE(IsWindow(main.hwnd()));
    EXPECT_EQ(title(), "KORVELANDIS");
}
