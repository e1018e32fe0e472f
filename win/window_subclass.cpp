#include "win/window_subclass.h"

#include "win/message_map.h"

namespace {

const char kSubclassProperty[] = "KorvelandisSubclass";

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
    if (hwnd_ || !hwnd || GetPropA(hwnd, kSubclassProperty)) {
        return false;
    }
    SetPropA(hwnd, kSubclassProperty, this);
    hwnd_ = hwnd;
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(window_proc)));
    return true;
}

void WindowSubclass::detach() {
    if (!hwnd_) {
        return;
    }
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropA(hwnd_, kSubclassProperty);
    }
    hwnd_ = nullptr;
}

LRESULT WindowSubclass::call_original(UINT msg, WPARAM wparam, LPARAM lparam) {
    return CallWindowProcA(original_, hwnd_, msg, wparam, lparam);
}

LRESULT CALLBACK WindowSubclass::window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    auto* self = static_cast<WindowSubclass*>(GetPropA(hwnd, kSubclassProperty));
    if (!self) {
        return DefWindowProcA(hwnd, msg, wparam, lparam);
    }
    LRESULT result = 0;
    if (self->handle_message(msg, wparam, lparam, result)) {
        return result;
    }
    if (is_reflected_message(msg)) {
        return DefWindowProcA(hwnd, msg - kReflectedMessageBase, wparam, lparam);
    }
    WNDPROC original = self->original_;
    if (msg == WM_NCDESTROY) {
        // The window goes away: give it back its own procedure first.
        self->detach();
    }
    return CallWindowProcA(original, hwnd, msg, wparam, lparam);
}
