#pragma once

#include <windows.h>

#include <string>

#include "page/cell_edit.h"
#include "win/message_map.h"
#include "win/window_subclass.h"

// What the editor tells its parent, the grid: Enter was pressed (the text is
// written and the next column opens), or the editor lost the focus (the text is
// written).
constexpr UINT WM_CELL_EDIT_ENTER = WM_APP + 20;
constexpr UINT WM_CELL_EDIT_KILL_FOCUS = WM_APP + 21;

// The in-place editor's colours: its text, and the background that sets it off
// from the cells around it.
constexpr COLORREF kCellEditorTextColour = RGB(0, 0, 0);
constexpr COLORREF kCellEditorBackColour = RGB(250, 250, 210);

// The in-place editor laid over a grid cell, and the edit in progress.
class CellEditor : private WindowSubclass {
public:
    static constexpr const wchar_t kClassName[] = L"KorvelandisGridEdit";

    CellEditor() = default;
    CellEditor(const CellEditor&) = delete;
    CellEditor& operator=(const CellEditor&) = delete;
    ~CellEditor();

    // Creates the hidden editor window as a child of the grid's list view.
    bool create(HWND list_view, HFONT font);
    using WindowSubclass::hwnd;

    // The editor's whole text (UTF-8); false, with nothing taken, when it holds half
    // of a surrogate pair.
    bool text(std::string& utf8) const;
    // The same with a substitute for such a half, for showing it.
    std::string text() const;
    void set_text(const std::string& text);
    void hide();
    // Hides the editor and leaves it the focus, so that the edit goes on unseen.
    void hide_keeping_focus();
    // Ends the edit without writing anything.
    void abandon();

    // The edit that the editor shows, from its opening to its commit or Esc.
    CellEdit& edit() { return edit_; }
    const CellEdit& edit() const { return edit_; }

private:
    static const MessageEntry<CellEditor> message_map_[];

    static bool register_class();
    bool handle_message(UINT msg, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
    LRESULT on_char(WPARAM, LPARAM);
    LRESULT on_get_dlg_code(WPARAM, LPARAM);
    LRESULT on_kill_focus(WPARAM, LPARAM);
    void tell_grid(UINT message);

    CellEdit edit_;
};
