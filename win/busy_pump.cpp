#include "win/busy_pump.h"

#include <windows.h>

#include <vector>

namespace {

// Asks the top-level window of `hwnd` to close once the run has ended: the message
// waits in the queue, and while it waits every poll asks the run to stop.
void close_after_run(HWND hwnd) {
    HWND root = hwnd ? GetAncestor(hwnd, GA_ROOT) : nullptr;
    if (root) {
        PostMessageA(root, WM_CLOSE, 0, 0);
    }
}

bool pump(HWND editor, bool* typed) {
    bool stop = false;
    MSG msg{};
    std::vector<MSG> later;
    while (PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            stop = true;
        } else if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4) {
            close_after_run(msg.hwnd);
        } else if (editor && msg.hwnd == editor && msg.message == WM_CHAR &&
                   (msg.wParam == '\r' || msg.wParam == '\n' || msg.wParam == '\t')) {
            // The character of the Enter or Tab that began this very run (its key
            // went its way before the run): the box has no use for it, and it is
            // no typing that would make the run out of date.
        } else if (editor && msg.hwnd == editor) {
            *typed = true;
            stop = true;
            const bool moves_on =
                msg.message == WM_KEYDOWN && (msg.wParam == VK_RETURN || msg.wParam == VK_TAB);
            if (moves_on) {
                // Enter or Tab would read again at once, inside this run.
                later.push_back(msg);
            } else {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    for (const MSG& waiting : later) {
        PostMessageW(waiting.hwnd, waiting.message, waiting.wParam, waiting.lParam);
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

}  // namespace

bool pump_while_busy() {
    return pump(nullptr, nullptr);
}

bool pump_while_typing_into(HWND editor, bool& typed) {
    return pump(editor, &typed);
}
