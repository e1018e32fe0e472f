#include "grid/cell_editor.h"

CellEditor::~CellEditor() {
    if (hwnd_ && IsWindow(hwnd_)) {
        DestroyWindow(hwnd_);
    }
}

bool CellEditor::create(HWND list_view, HFONT font) {
    hwnd_ = CreateWindowExA(0, "EDIT", "GridEdit", WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER | ES_AUTOHSCROLL,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, list_view,
                            nullptr, reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(list_view, GWLP_HINSTANCE)),
                            nullptr);
    if (!hwnd_) {
        return false;
    }
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageA(hwnd_, EM_LIMITTEXT, kTextLimit, 0);
    return true;
}
