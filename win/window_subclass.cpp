#include "win/window_subclass.h"

#include <algorithm>
#include <new>
#include <vector>

#include "win/message_box.h"
#include "win/message_map.h"

namespace {

// The controls taken over, found again by their window. Kept in the process rather
// than as a window property: under Wine every property lookup is a round trip to
// the Wine server, and a list view sends its parent two notifications for every
// cell it is given, each coming back here reflected. A page of 1,000 records took
// half a second of such lookups.
std::vector<WindowSubclass*>& attached() {
    static std::vector<WindowSubclass*> windows;
    return windows;
}

WindowSubclass* attached_to(HWND hwnd) {
    for (WindowSubclass* window : attached()) {
        if (window->hwnd() == hwnd) {
            return window;
        }
    }
    return nullptr;
}

}  // namespace

bool is_reflected_message(UINT msg) {
    if (msg < kReflectedMessageBase) {
        return false;
    }
    UINT ordinary = msg - kReflectedMessageBase;
    switch (ordinary) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_PARENTNOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_COMPAREITEM:
        case WM_DELETEITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_HSCROLL:
        case WM_VSCROLL:
            return true;
        default:
            return ordinary >= WM_CTLCOLORMSGBOX && ordinary <= WM_CTLCOLORSTATIC;
    }
}

WindowSubclass::~WindowSubclass() {
    detach();
}

bool WindowSubclass::attach(HWND hwnd) {
    if (hwnd_ || !hwnd || attached_to(hwnd)) {
        return false;
    }
    hwnd_ = hwnd;
    attached().push_back(this);
    // The window stays of its kind: a Unicode control taken over through the ANSI
    // function would become an ANSI one, and every character it is given or
    // typed would pass through the code page.
    unicode_ = IsWindowUnicode(hwnd) != FALSE;
    const LONG_PTR procedure = reinterpret_cast<LONG_PTR>(window_proc);
    original_ =
        reinterpret_cast<WNDPROC>(unicode_ ? SetWindowLongPtrW(hwnd, GWLP_WNDPROC, procedure)
                                           : SetWindowLongPtrA(hwnd, GWLP_WNDPROC, procedure));
    return true;
}

void WindowSubclass::detach() {
    if (!hwnd_) {
        return;
    }
    if (IsWindow(hwnd_)) {
        const LONG_PTR procedure = reinterpret_cast<LONG_PTR>(original_);
        if (unicode_) {
            SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, procedure);
        } else {
            SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, procedure);
        }
    }
    std::vector<WindowSubclass*>& windows = attached();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
    hwnd_ = nullptr;
}

LRESULT WindowSubclass::call_original(UINT msg, WPARAM wparam, LPARAM lparam) {
    return unicode_ ? CallWindowProcW(original_, hwnd_, msg, wparam, lparam)
                    : CallWindowProcA(original_, hwnd_, msg, wparam, lparam);
}

LRESULT CALLBACK WindowSubclass::window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    WindowSubclass* self = attached_to(hwnd);
    if (!self) {
        return IsWindowUnicode(hwnd) ? DefWindowProcW(hwnd, msg, wparam, lparam)
                                     : DefWindowProcA(hwnd, msg, wparam, lparam);
    }
    LRESULT result = 0;
    try {
        if (self->handle_message(msg, wparam, lparam, result)) {
            return result;
        }
    } catch (const std::bad_alloc&) {
        // As in a dialog: the action ends, the program goes on.
        report_out_of_memory(GetAncestor(hwnd, GA_ROOT));
        return 0;
    }
    const bool unicode = self->unicode_;
    if (is_reflected_message(msg)) {
        const UINT ordinary = msg - kReflectedMessageBase;
        return unicode ? DefWindowProcW(hwnd, ordinary, wparam, lparam)
                       : DefWindowProcA(hwnd, ordinary, wparam, lparam);
    }
    WNDPROC original = self->original_;
    if (msg == WM_NCDESTROY) {
        // The window goes away: give it back its own procedure first.
        self->detach();
    }
    return unicode ? CallWindowProcW(original, hwnd, msg, wparam, lparam)
                   : CallWindowProcA(original, hwnd, msg, wparam, lparam);
}
