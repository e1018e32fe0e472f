#pragma once

#include <windows.h>

#include <string>

#include "win/file_dialog.h"

// Shows the save dialog of a CSV export (with `suggested` as the file name it
// starts with) or the open dialog of an import; false when the user cancels or
// the dialog fails.
bool choose_csv_file(HWND owner,
                     FileDialogKind kind,
                     const std::string& suggested,
                     FileChoice& choice);
