#include "win/reflection.h"

#include "win/message_map.h"

HWND notifying_child(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_COMMAND:
        case WM_VKEYTOITEM:
        case WM_CHARTOITEM:
        case WM_HSCROLL:
        case WM_VSCROLL:
            return reinterpret_cast<HWND>(lparam);
        case WM_NOTIFY:
            return lparam ? reinterpret_cast<const NMHDR*>(lparam)->hwndFrom : nullptr;
        case WM_PARENTNOTIFY:
            if (LOWORD(wparam) == WM_CREATE || LOWORD(wparam) == WM_DESTROY) {
                return reinterpret_cast<HWND>(lparam);
            }
            return GetDlgItem(dialog, HIWORD(wparam));
        case WM_DRAWITEM:
            return wparam && lparam ? reinterpret_cast<const DRAWITEMSTRUCT*>(lparam)->hwndItem
                                    : nullptr;
        case WM_MEASUREITEM:
            return wparam && lparam
                       ? GetDlgItem(dialog,
                                    reinterpret_cast<const MEASUREITEMSTRUCT*>(lparam)->CtlID)
                       : nullptr;
        case WM_COMPAREITEM:
            return wparam && lparam
                       ? GetDlgItem(dialog,
                                    reinterpret_cast<const COMPAREITEMSTRUCT*>(lparam)->CtlID)
                       : nullptr;
        case WM_DELETEITEM:
            return wparam && lparam
                       ? GetDlgItem(dialog,
                                    reinterpret_cast<const DELETEITEMSTRUCT*>(lparam)->CtlID)
                       : nullptr;
        default:
            if (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC) {
                return reinterpret_cast<HWND>(lparam);
            }
            return nullptr;
    }
}

bool reflect_notification(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    HWND child = notifying_child(dialog, msg, wparam, lparam);
    if (!child || !IsWindow(child)) {
        return false;
    }
    result = SendMessageA(child, msg + kReflectedMessageBase, wparam, lparam);
    return true;
}
