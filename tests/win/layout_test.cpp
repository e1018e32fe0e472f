#include <windows.h>
#include <commctrl.h>

#include "tests/win/main_window_fixture.h"
#include "win/dialog_layout.h"
#include "win/reflection.h"

namespace {

RECT client_rect_of(HWND dialog, int id) {
    return rect_in_parent(GetDlgItem(dialog, id));
}

RECT work_area() {
    RECT r;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

// A dialog made from one of the program's templates, doing nothing of its own.
class PlainDialog : public Dialog {
protected:
    bool handle_message(UINT, WPARAM, LPARAM, LRESULT&) override { return false; }
};

// Records what a control receives with a raised message number.
class ReflectionRecorder : public WindowSubclass {
public:
    std::vector<UINT> received;

protected:
    bool handle_message(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg == kReflectedMessageBase + WM_NOTIFY) {
            received.push_back(msg);
            result = 77;
            return true;
        }
        if (is_reflected_message(msg)) {
            received.push_back(msg);
        }
        return false;
    }
};

}  // namespace

TEST_F(MainWindowTest, LayoutFollowsTheWindowsSize) {
    start();
    HWND dialog = main.hwnd();
    const RECT grid_before = client_rect_of(dialog, IDC_GRID);
    const RECT selector_before = client_rect_of(dialog, IDC_TABLE_SELECTOR);
    const RECT label_before = client_rect_of(dialog, IDC_PAGE_LABEL);
    const RECT previous_before = client_rect_of(dialog, IDC_PAGE_PREVIOUS);
    const RECT next_before = client_rect_of(dialog, IDC_PAGE_NEXT);
    const RECT grip_before = client_rect_of(dialog, IDC_SIZE_GRIP);
    ASSERT_NE(GetDlgItem(dialog, IDC_SIZE_GRIP), nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(dialog, GWL_STYLE) & WS_CLIPCHILDREN);

    RECT window;
    GetWindowRect(dialog, &window);
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left + 100,
                 window.bottom - window.top + 50, SWP_NOMOVE | SWP_NOZORDER);

    const RECT grid_after = client_rect_of(dialog, IDC_GRID);
    EXPECT_EQ(grid_after.left, grid_before.left);
    EXPECT_EQ(grid_after.top, grid_before.top);
    EXPECT_EQ(grid_after.right, grid_before.right + 100);
    EXPECT_EQ(grid_after.bottom, grid_before.bottom + 50);
    for (auto [id, before] :
         {std::pair{IDC_PAGE_LABEL, label_before}, std::pair{IDC_PAGE_PREVIOUS, previous_before},
          std::pair{IDC_PAGE_NEXT, next_before}}) {
        const RECT after = client_rect_of(dialog, id);
        EXPECT_EQ(after.left, before.left + 100) << id;
        EXPECT_EQ(after.right, before.right + 100) << id;
        EXPECT_EQ(after.top, before.top) << id;
    }
    const RECT selector_after = client_rect_of(dialog, IDC_TABLE_SELECTOR);
    EXPECT_EQ(selector_after.left, selector_before.left);
    EXPECT_EQ(selector_after.right, selector_before.right);
    const RECT grip_after = client_rect_of(dialog, IDC_SIZE_GRIP);
    EXPECT_EQ(grip_after.left, grip_before.left + 100);
    EXPECT_EQ(grip_after.top, grip_before.top + 50);

    // Never smaller than when it opened.
    MINMAXINFO info{};
    SendMessageA(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.ptMinTrackSize.x, window.right - window.left);
    EXPECT_EQ(info.ptMinTrackSize.y, window.bottom - window.top);

    // Maximised, the grip hides; restored, it shows again and the layout returns.
    ShowWindow(dialog, SW_MAXIMIZE);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, IDC_SIZE_GRIP)));
    ShowWindow(dialog, SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDC_SIZE_GRIP)));
    SetWindowPos(dialog, nullptr, 0, 0, window.right - window.left, window.bottom - window.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    const RECT grid_back = client_rect_of(dialog, IDC_GRID);
    EXPECT_EQ(grid_back.right, grid_before.right);
    EXPECT_EQ(grid_back.bottom, grid_before.bottom);
}

TEST_F(MainWindowTest, OpensCentredInTheWorkArea) {
    start();
    RECT window;
    GetWindowRect(main.hwnd(), &window);
    const RECT work = work_area();
    EXPECT_LE(std::abs((window.left + window.right) / 2 - (work.left + work.right) / 2), 1);
    EXPECT_LE(std::abs((window.top + window.bottom) / 2 - (work.top + work.bottom) / 2), 1);
}

TEST(CenterWindow, KeepsADialogOverAnOwnerPartlyOffScreenInsideTheWorkArea) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, -300, -200, 400, 300,
                                 nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    PlainDialog about;
    ASSERT_NE(about.create_modeless(IDD_ABOUT, owner), nullptr);
    center_window(about.hwnd());
    RECT r;
    GetWindowRect(about.hwnd(), &r);
    const RECT work = work_area();
    EXPECT_EQ(r.left, work.left);
    EXPECT_EQ(r.top, work.top);

    // Over a hidden owner it goes to the middle of the work area.
    ShowWindow(owner, SW_HIDE);
    center_window(about.hwnd());
    GetWindowRect(about.hwnd(), &r);
    EXPECT_EQ(r.left, (work.left + work.right) / 2 - (r.right - r.left) / 2);
    EXPECT_EQ(r.top, (work.top + work.bottom) / 2 - (r.bottom - r.top) / 2);

    // Over a visible owner it sits in the owner's middle.
    SetWindowPos(owner, nullptr, 100, 100, 400, 300, SWP_NOZORDER | SWP_SHOWWINDOW);
    center_window(about.hwnd());
    GetWindowRect(about.hwnd(), &r);
    EXPECT_EQ((r.left + r.right) / 2, 300);
    DestroyWindow(about.hwnd());
    DestroyWindow(owner);
}

TEST(Reflection, SendsNotificationsBackToTheChildThatSentThem) {
    PlainDialog dialog;
    ASSERT_NE(dialog.create_modeless(IDD_MAIN, nullptr), nullptr);
    HWND list = dialog.item(IDC_GRID);
    HWND button = dialog.item(IDC_PAGE_NEXT);
    HWND combo = dialog.item(IDC_TABLE_SELECTOR);
    ReflectionRecorder recorder;
    ASSERT_TRUE(recorder.attach(list));

    NMHDR header{list, IDC_GRID, static_cast<UINT>(NM_DBLCLK)};
    EXPECT_EQ(SendMessageA(dialog.hwnd(), WM_NOTIFY, IDC_GRID, reinterpret_cast<LPARAM>(&header)),
              77);
    ASSERT_EQ(recorder.received.size(), 1u);
    EXPECT_EQ(recorder.received[0], kReflectedMessageBase + WM_NOTIFY);

    // Colour messages come back to the control; what it leaves gets the default answer.
    HDC dc = GetDC(list);
    EXPECT_NE(SendMessageA(dialog.hwnd(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(list)),
              0);
    ReleaseDC(list, dc);
    EXPECT_EQ(recorder.received.back(), kReflectedMessageBase + WM_CTLCOLOREDIT);

    // Which child each kind of message names.
    const HWND d = dialog.hwnd();
    EXPECT_EQ(notifying_child(d, WM_COMMAND, MAKEWPARAM(IDC_PAGE_NEXT, BN_CLICKED),
                              reinterpret_cast<LPARAM>(button)),
              button);
    EXPECT_EQ(notifying_child(d, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0), nullptr);
    EXPECT_EQ(notifying_child(d, WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, 0),
                              reinterpret_cast<LPARAM>(combo)),
              combo);
    EXPECT_EQ(
        notifying_child(d, WM_PARENTNOTIFY, MAKEWPARAM(WM_LBUTTONDOWN, IDC_TABLE_SELECTOR), 0),
        combo);
    DRAWITEMSTRUCT draw{};
    draw.hwndItem = button;
    EXPECT_EQ(notifying_child(d, WM_DRAWITEM, IDC_PAGE_NEXT, reinterpret_cast<LPARAM>(&draw)),
              button);
    EXPECT_EQ(notifying_child(d, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&draw)), nullptr);
    MEASUREITEMSTRUCT measure{};
    measure.CtlID = IDC_TABLE_SELECTOR;
    EXPECT_EQ(
        notifying_child(d, WM_MEASUREITEM, IDC_TABLE_SELECTOR, reinterpret_cast<LPARAM>(&measure)),
        combo);
    EXPECT_EQ(notifying_child(d, WM_VSCROLL, 0, reinterpret_cast<LPARAM>(list)), list);
    EXPECT_EQ(notifying_child(d, WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(button)), button);
    EXPECT_EQ(notifying_child(d, WM_MOUSEMOVE, 0, 0), nullptr);

    recorder.detach();
    DestroyWindow(dialog.hwnd());
}
