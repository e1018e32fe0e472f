#include "grid/cell_editor.h"

#include <commctrl.h>

#include "win/dialog.h"
#include "win/window_text.h"

namespace {

constexpr char kSystemEditClass[] = "EDIT";
constexpr char kWindowText[] = "GridEdit";
constexpr char kEditorProperty[] = "KorvelandisCellEditor";

WNDPROC g_edit_procedure = nullptr;

}  // namespace

// The editor's class: the system edit class under a name of its own, with its own
// procedure in front of the system one. Registered once for the process.
bool CellEditor::register_class() {
    WNDCLASSEXA editor_class{};
    editor_class.cbSize = sizeof(editor_class);
    if (g_edit_procedure && GetClassInfoExA(module_instance(), kClassName, &editor_class)) {
        return true;
    }
    if (!GetClassInfoExA(nullptr, kSystemEditClass, &editor_class)) {
        return false;
    }
    g_edit_procedure = editor_class.lpfnWndProc;
    editor_class.cbSize = sizeof(editor_class);
    editor_class.lpfnWndProc = window_proc;
    editor_class.hInstance = module_instance();
    editor_class.lpszClassName = kClassName;
    editor_class.style &= ~CS_GLOBALCLASS;
    return RegisterClassExA(&editor_class) != 0;
}

CellEditor::~CellEditor() {
    if (hwnd_ && IsWindow(hwnd_)) {
        DestroyWindow(hwnd_);
    }
}

bool CellEditor::create(HWND list_view, HFONT font) {
    if (!register_class()) {
        return false;
    }
    hwnd_ = CreateWindowExA(0, kClassName, kWindowText,
                            WS_CHILD | WS_CLIPSIBLINGS | WS_BORDER | ES_AUTOHSCROLL, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, list_view, nullptr,
                            module_instance(), this);
    if (!hwnd_) {
        return false;
    }
    SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageA(hwnd_, EM_LIMITTEXT, kInPlaceTextLimit, 0);
    return true;
}

std::string CellEditor::text() const {
    return hwnd_ ? read_window_text(hwnd_) : std::string();
}

void CellEditor::set_text(const std::string& text) {
    SetWindowTextA(hwnd_, text.c_str());
}

void CellEditor::hide() {
    ShowWindow(hwnd_, SW_HIDE);
}

void CellEditor::hide_keeping_focus() {
    // ShowWindow would hand the focus to the grid, and the loss of focus would
    // end the edit.
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CellEditor::abandon() {
    edit_.cancel();
    hide();
}

void CellEditor::notify_parent(UINT code) {
    // Only the code means anything: the grid knows who its editor is.
    NMHDR header{};
    header.code = code;
    SendMessageA(GetParent(hwnd_), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

LRESULT CellEditor::handle_message(UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CHAR:
            if (wparam == VK_RETURN) {
                notify_parent(LVN_ENDLABELEDITA);
                return 0;
            }
            if (wparam == VK_ESCAPE) {
                abandon();
                return 0;
            }
            break;
        case WM_GETDLGCODE:
            return DLGC_WANTALLKEYS;
        case WM_KILLFOCUS:
            notify_parent(kCellEditKillFocus);
            break;
        default:
            break;
    }
    return CallWindowProcA(g_edit_procedure, hwnd_, msg, wparam, lparam);
}

LRESULT CALLBACK CellEditor::window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    if (msg == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        auto* self = static_cast<CellEditor*>(create->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            SetPropA(hwnd, kEditorProperty, self);
        }
    }
    auto* self = static_cast<CellEditor*>(GetPropA(hwnd, kEditorProperty));
    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kEditorProperty);
        if (self) {
            self->hwnd_ = nullptr;
        }
        return CallWindowProcA(g_edit_procedure, hwnd, msg, wparam, lparam);
    }
    if (!self || !self->hwnd_) {
        return CallWindowProcA(g_edit_procedure, hwnd, msg, wparam, lparam);
    }
    return self->handle_message(msg, wparam, lparam);
}
