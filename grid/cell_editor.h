#pragma once

#include <windows.h>

#include <string>

#include "db/sql_text.h"
#include "grid/cell_value.h"

// What the editor tells its parent, the grid, in a WM_NOTIFY whose header
// carries only the code: Enter was pressed (LVN_ENDLABELEDIT), or the editor
// lost the focus (this code).
constexpr UINT kCellEditKillFocus = 13544;

// The in-place editor laid over a grid cell, and the edit in progress.
class CellEditor {
public:
    static constexpr int kTextLimit = 100;
    static constexpr const char kClassName[] = "KorvelandisGridEdit";

    CellEditor() = default;
    CellEditor(const CellEditor&) = delete;
    CellEditor& operator=(const CellEditor&) = delete;
    ~CellEditor();

    // Creates the hidden editor window as a child of the grid's list view.
    bool create(HWND list_view, HFONT font);
    HWND hwnd() const { return hwnd_; }

    // The editor's whole text.
    std::string text() const;
    void set_text(const std::string& text);
    void hide();
    // Hides the editor and leaves it the focus, so that the edit goes on unseen.
    void hide_keeping_focus();
    // Ends the edit without writing anything.
    void abandon();

    bool active = false;
    int row = -1;
    int column = 0;
    RowId rowid = 0;
    // The condition that finds the edited record (UTF-8; see TableGrid::record_condition).
    std::string condition;
    // The edit is of the blank row: its commit adds a record.
    bool new_record = false;
    // The text the edit started with: committing it unchanged writes nothing.
    std::string original_text;
    // What the cell held when the edit began: a number typed over a number is
    // written as a number.
    ValueKind kind = ValueKind::unknown;

private:
    static bool register_class();
    static LRESULT CALLBACK window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);
    LRESULT handle_message(UINT msg, WPARAM wparam, LPARAM lparam);
    void notify_parent(UINT code);

    HWND hwnd_ = nullptr;
};
