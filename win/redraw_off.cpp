#include "win/redraw_off.h"

RedrawOff::RedrawOff(HWND hwnd) : hwnd_(hwnd), was_visible_(hwnd && IsWindowVisible(hwnd)) {
    if (was_visible_) {
        SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
    }
}

RedrawOff::~RedrawOff() {
    if (was_visible_) {
        SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}
