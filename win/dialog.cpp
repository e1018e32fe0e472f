#include "win/dialog.h"

#include <new>
#include <utility>

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

// The rectangle of a dialog's child in the dialog's client coordinates; for a combo
// box its dropped-down rectangle, which is the height it is given.
RECT child_rect(HWND dialog, HWND child) {
    RECT r{};
    char name[16] = "";
    GetClassNameA(child, name, sizeof(name));
    if (lstrcmpiA(name, "ComboBox") == 0 &&
        SendMessageA(child, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&r))) {
        // Screen coordinates, as the window rectangle.
    } else {
        GetWindowRect(child, &r);
    }
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

Dialog::~Dialog() {
    if (hwnd_ && IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, DWLP_USER, 0);
        DestroyWindow(hwnd_);
    }
}

INT_PTR Dialog::show_modal(int template_id, HWND owner) {
    template_id_ = template_id;
    // Unicode windows, so that the controls made from the template show and take
    // every character (their texts of the program's own are given in the code page
    // all the same).
    return DialogBoxParamW(module_instance(), MAKEINTRESOURCEW(template_id), owner, dialog_proc,
                           reinterpret_cast<LPARAM>(this));
}

HWND Dialog::create_modeless(int template_id, HWND owner) {
    template_id_ = template_id;
    return CreateDialogParamW(module_instance(), MAKEINTRESOURCEW(template_id), owner, dialog_proc,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::end_dialog(INT_PTR result) {
    EndDialog(hwnd_, result);
}

SIZE Dialog::template_client_size() const {
    SIZE size{0, 0};
    HRSRC found = FindResourceA(module_instance(), MAKEINTRESOURCEA(template_id_),
                                MAKEINTRESOURCEA(5));  // RT_DIALOG
    HGLOBAL loaded = found ? LoadResource(module_instance(), found) : nullptr;
    const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!bytes || SizeofResource(module_instance(), found) < 26) {
        return size;
    }
    auto word_at = [bytes](int offset) {
        return static_cast<short>(bytes[offset] | (bytes[offset + 1] << 8));
    };
    // DLGTEMPLATEEX starts with version 1 and 0xFFFF; the plain DLGTEMPLATE does not.
    const bool extended = word_at(0) == 1 && word_at(2) == -1;
    RECT r{0, 0, word_at(extended ? 22 : 14), word_at(extended ? 24 : 16)};
    if (hwnd_ && MapDialogRect(hwnd_, &r)) {
        size = {r.right, r.bottom};
    }
    return size;
}

HFONT Dialog::font() const {
    if (scaled_font_) {
        return scaled_font_.get();
    }
    return template_font_ ? template_font_
                          : reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
}

void Dialog::start_dpi() {
    dpi_ = window_dpi(hwnd_);
    start_dpi_ = dpi_;
    template_font_ = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    if (!template_font_ || !GetObjectA(template_font_, sizeof(start_font_), &start_font_)) {
        template_font_ = nullptr;
    }
    keep_dialog_dpi_change_to_program(hwnd_);
}

void Dialog::change_dpi(int dpi, const RECT& suggested) {
    if (!hwnd_ || dpi <= 0) {
        return;
    }
    const int old_dpi = dpi_;
    dpi_ = dpi;
    if (old_dpi != dpi) {
        const HFONT old_font = font();
        FontHandle made;
        if (template_font_ && dpi != start_dpi_) {
            LOGFONTA scaled = start_font_;
            scaled.lfHeight = MulDiv(start_font_.lfHeight, dpi, start_dpi_);
            scaled.lfWidth = MulDiv(start_font_.lfWidth, dpi, start_dpi_);
            made.reset(CreateFontIndirectA(&scaled));
        }
        const HFONT new_font = made ? made.get() : template_font_;
        dpi_changing(old_dpi);
        // Only the dialog's own children: the controls inside them follow them.
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child;
             child = GetWindow(child, GW_HWNDNEXT)) {
            const RECT r = child_rect(hwnd_, child);
            if (new_font &&
                reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)) == old_font) {
                SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(new_font), FALSE);
            }
            const int left = MulDiv(r.left, dpi, old_dpi);
            const int top = MulDiv(r.top, dpi, old_dpi);
            SetWindowPos(child, nullptr, left, top, MulDiv(r.right, dpi, old_dpi) - left,
                         MulDiv(r.bottom, dpi, old_dpi) - top,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
        }
        // The font the controls had is let go only now that none of them uses it.
        scaled_font_ = std::move(made);
    }
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (old_dpi != dpi) {
        dpi_changed(old_dpi);
        RedrawWindow(hwnd_, nullptr, nullptr,
                     RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
    }
}

INT_PTR CALLBACK Dialog::dialog_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lparam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
        self->start_dpi();
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
        if (msg == WM_DPICHANGED && lparam) {
            self->change_dpi(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
            SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
            return TRUE;
        }
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
