#include "win/busy_pump.h"

#include <windows.h>

namespace {

// Asks the top-level window of `hwnd` to close once the run has ended: the message
// waits in the queue, and while it waits every poll asks the run to stop.
void close_after_run(HWND hwnd) {
    HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    if (root) {
        PostMessageA(root, WM_CLOSE, 0, 0);
    }
}

}  // namespace

bool pump_while_busy() {
    bool stop = false;
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            stop = true;
        } else if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4) {
            close_after_run(msg.hwnd);
        }
    }
    while (PeekMessageW(&msg, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
    }
    while (PeekMessageW(&msg, nullptr, WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK, PM_REMOVE)) {
        if (msg.message == WM_NCLBUTTONDOWN && msg.wParam == HTCLOSE) {
            close_after_run(msg.hwnd);
        }
    }
    // Bounded: a window that never validates would keep asking.
    for (int i = 0; i < 256 && PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE); ++i) {
        DispatchMessageW(&msg);
    }
    if (PeekMessageW(&msg, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE) ||
        PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE)) {
        stop = true;
    }
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return stop;
}
