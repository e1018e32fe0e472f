#pragma once

#include <windows.h>

#include <string>

enum class FileDialogKind { open, save };

struct FileChoice {
    std::string path;   // the full path
    std::string title;  // the file name without its folder
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
