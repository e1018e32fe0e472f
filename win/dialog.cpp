#include "win/dialog.h"

#include <new>

#include "win/message_box.h"
#include "win/message_loop.h"
#include "win/reflection.h"

namespace {

// Messages whose answer is the dialog procedure's own return value rather than
// DWLP_MSGRESULT.
bool returns_directly(UINT msg) {
    switch (msg) {
        case WM_INITDIALOG:
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
        case WM_COMPAREITEM:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_QUERYDRAGICON:
            return true;
        default:
            return false;
    }
}

}  // namespace

Dialog::~Dialog() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

INT_PTR Dialog::show_modal(int template_id, HWND owner) {
    return DialogBoxParamA(module_instance(), MAKEINTRESOURCEA(template_id), owner, dialog_proc,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::create_modeless(int template_id, HWND owner) {
    return CreateDialogParamA(module_instance(), MAKEINTRESOURCEA(template_id), owner, dialog_proc,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::end_dialog(INT_PTR result) {
    EndDialog(hwnd_, result);
}

INT_PTR CALLBACK Dialog::dialog_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lparam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) {
        return FALSE;
    }

    LRESULT result = 0;
    bool handled = false;
    // An exception must not cross the system's frames: an action that runs out of
    // memory ends here, and the program goes on.
    try {
        handled = self->handle_message(msg, wparam, lparam, result);
        if (!handled && self->reflects_notifications()) {
            handled = reflect_notification(hwnd, msg, wparam, lparam, result);
        }
    } catch (const std::bad_alloc&) {
        report_out_of_memory(hwnd);
        handled = true;
        result = 0;
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    if (!handled) {
        return FALSE;
    }
    if (returns_directly(msg)) {
        return static_cast<INT_PTR>(result);
    }
    SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

HINSTANCE module_instance() {
    return GetModuleHandleA(nullptr);
}

void drain_message_queue() {
    // Through the program's loop where one runs, so that keys waiting in the
    // queue reach the accelerators and the dialog keys as they would there.
    if (MessageLoop* loop = app_module().message_loop()) {
        loop->pump();
        return;
    }
    MSG msg;
    // Wide, as the main loop: typed double-byte characters stay whole.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The message loop must still see it, or the program never ends.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
