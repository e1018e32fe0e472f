#include "grid/cell_editor.h"

#include <commctrl.h>

#include "win/dialog.h"
#include "win/window_text.h"

namespace {

constexpr wchar_t kSystemEditClass[] = L"EDIT";
constexpr wchar_t kWindowText[] = L"GridEdit";

}  // namespace

const MessageEntry<CellEditor> CellEditor::message_map_[] = {
    on_message(WM_CHAR, &CellEditor::on_char),
    on_message(WM_GETDLGCODE, &CellEditor::on_get_dlg_code),
    on_message(WM_KILLFOCUS, &CellEditor::on_kill_focus),
};

// The editor's class: the system edit class under a name of its own, a Unicode
// class so that the editor shows and takes every character of a value.
// Registered once for the process.
bool CellEditor::register_class() {
    WNDCLASSEXW editor_class{};
    editor_class.cbSize = sizeof(editor_class);
    if (GetClassInfoExW(module_instance(), kClassName, &editor_class)) {
        return true;
    }
    if (!GetClassInfoExW(nullptr, kSystemEditClass, &editor_class)) {
        return false;
    }
    editor_class.cbSize = sizeof(editor_class);
    editor_class.hInstance = module_instance();
    editor_class.lpszClassName = kClassName;
    editor_class.style &= ~CS_GLOBALCLASS;
    return RegisterClassExW(&editor_class) != 0;
}

CellEditor::~CellEditor() {
    if (hwnd() && IsWindow(hwnd())) {
        DestroyWindow(hwnd());
    }
}

bool CellEditor::create(HWND list_view, HFONT font) {
    if (!register_class()) {
        return false;
    }
    HWND editor = CreateWindowExW(0, kClassName, kWindowText,
                                  WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER | ES_AUTOHSCROLL,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  list_view, nullptr, module_instance(), nullptr);
    if (!editor) {
        return false;
    }
    if (!attach(editor)) {
        DestroyWindow(editor);
        return false;
    }
    SendMessageA(hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageA(hwnd(), EM_LIMITTEXT, kInPlaceTextLimit, 0);
    return true;
}

bool CellEditor::text(std::string& utf8) const {
    if (!hwnd()) {
        utf8.clear();
        return true;
    }
    return read_window_text_utf8(hwnd(), utf8);
}

std::string CellEditor::text() const {
    return hwnd() ? window_text_utf8(hwnd()) : std::string();
}

void CellEditor::set_text(const std::string& text) {
    set_window_text_utf8(hwnd(), text);
}

void CellEditor::hide() {
    ShowWindow(hwnd(), SW_HIDE);
}

void CellEditor::hide_keeping_focus() {
    // ShowWindow would hand the focus to the grid, and the loss of focus would
    // end the edit.
    SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CellEditor::abandon() {
    edit_.cancel();
    hide();
}

void CellEditor::tell_grid(UINT message) {
    // The grid knows who its editor is: the message needs no arguments.
    SendMessageA(GetParent(hwnd()), message, 0, 0);
}

bool CellEditor::handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) {
    return dispatch_message(this, message_map_, msg, wparam, lparam, result);
}

LRESULT CellEditor::on_char(WPARAM wparam, LPARAM lparam) {
    if (wparam == VK_RETURN) {
        tell_grid(WM_CELL_EDIT_ENTER);
        return 0;
    }
    if (wparam == VK_ESCAPE) {
        abandon();
        return 0;
    }
    return call_original(WM_CHAR, wparam, lparam);
}

LRESULT CellEditor::on_get_dlg_code(WPARAM wparam, LPARAM lparam) {
    // Still an edit control to whoever asks (its text can be selected).
    return call_original(WM_GETDLGCODE, wparam, lparam) | DLGC_WANTALLKEYS;
}

LRESULT CellEditor::on_kill_focus(WPARAM wparam, LPARAM lparam) {
    tell_grid(WM_CELL_EDIT_KILL_FOCUS);
    return call_original(WM_KILLFOCUS, wparam, lparam);
}
