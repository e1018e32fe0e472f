#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "app/about_dialog.h"
#include "tests/win/main_window_fixture.h"

namespace {

// The control that has the keyboard focus while the box is the active window.
// Other test processes can hold the foreground, so the box is activated first.
HWND focused_control(HWND dialog) {
    SetActiveWindow(dialog);
    return GetFocus();
}

using AboutBoxTest = MainWindowTest;

}  // namespace

TEST_F(AboutBoxTest, OpensCentredOverTheMainWindowWithTheFocusOnOk) {
    start();
    bool inspected = false;
    ModalDriver driver([&](HWND dialog) {
        inspected = true;
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), main.hwnd());
        EXPECT_EQ(focused_control(dialog), GetDlgItem(dialog, IDOK));

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
