#pragma once

#include <windows.h>

#include <string>

#include "db/csv_export.h"

enum class FileDialogKind { open, save };

struct FileChoice {
    std::string path;   // the full path
    std::string title;  // the file name without its folder
    int filter = 1;     // the file type chosen, 1 for the first
};

// Shows the database file dialog of the New (save) or Open command; false when
// the user cancels or the dialog fails.
bool choose_database_file(HWND owner, FileDialogKind kind, FileChoice& choice);

// Shows the save dialog of a CSV export (with `suggested` as the file name it
// starts with) or the open dialog of an import; false when the user cancels or
// the dialog fails.
bool choose_csv_file(HWND owner,
                     FileDialogKind kind,
                     const std::string& suggested,
                     FileChoice& choice);

// The save dialog of a cell's value, starting with `suggested`. A text (or a
// number) offers its encodings as the file types, first the one `encoding` holds;
// `encoding` receives the one chosen.
bool choose_cell_save_file(HWND owner,
                           bool text,
                           const std::string& suggested,
                           FileChoice& choice,
                           CsvEncoding& encoding);
// The open dialog of a load into a cell: its file types say how the bytes go in,
// as a BLOB (`as_text` false) or as a text in `encoding`.
bool choose_cell_load_file(HWND owner, FileChoice& choice, bool& as_text, CsvEncoding& encoding);
