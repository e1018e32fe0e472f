#include "win/progress_window.h"

#include "win/dialog_layout.h"
#include "win/dpi.h"
#include "win/window_text.h"

namespace {

// At 96 DPI.
constexpr int kWidth = 360;
constexpr int kHeight = 90;

}  // namespace

ProgressWindow::ProgressWindow(HWND owner, const char* caption) {
    // Static controls only: a frame with the caption, and the text filling it. They
    // paint themselves and want nothing else.
    HINSTANCE instance = GetModuleHandleA(nullptr);
    const int dpi = window_dpi(owner);
    hwnd_ = CreateWindowExA(WS_EX_DLGMODALFRAME, "STATIC", caption, WS_POPUP | WS_CAPTION, 0, 0,
                            scale_for_dpi(kWidth, dpi), scale_for_dpi(kHeight, dpi), owner, nullptr,
                            instance, nullptr);
    if (!hwnd_) {
        return;
    }
    RECT client{};
    GetClientRect(hwnd_, &client);
    text_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE, 0,
                            0, client.right, client.bottom, hwnd_, nullptr, instance, nullptr);
    if (owner && text_) {
        SendMessageA(text_, WM_SETFONT, SendMessageA(owner, WM_GETFONT, 0, 0), FALSE);
    }
    center_window(hwnd_, owner);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd_);
}

ProgressWindow::~ProgressWindow() {
    if (hwnd_) {
        DestroyWindow(hwnd_);
    }
}

void ProgressWindow::set_text(const std::string& text) {
    if (text_) {
        SetWindowTextA(text_, text.c_str());
    }
}

std::string ProgressWindow::text() const {
    return text_ ? read_window_text(text_) : std::string();
}
