#pragma once

#include <windows.h>

#include "db/sql_text.h"

// The in-place editor laid over a grid cell, and the edit in progress.
class CellEditor {
public:
    static constexpr int kTextLimit = 100;

    CellEditor() = default;
    CellEditor(const CellEditor&) = delete;
    CellEditor& operator=(const CellEditor&) = delete;
    ~CellEditor();

    // Creates the hidden editor window as a child of the grid's list view.
    bool create(HWND list_view, HFONT font);
    HWND hwnd() const { return hwnd_; }

    bool active = false;
    int row = -1;
    int column = 0;
    RowId rowid = 0;

private:
    HWND hwnd_ = nullptr;
};
