#pragma once

#include <windows.h>

#include <string>

#include "db/file_encoding.h"
#include "win/file_dialog.h"

// Shows the database file dialog of the New (save) or Open command; false when
// the user cancels or the dialog fails.
bool choose_database_file(HWND owner, FileDialogKind kind, FileChoice& choice);

// The save dialog of a cell's value, starting with `suggested`. A text (or a
// number) offers its encodings as the file types, first the one `encoding` holds;
// `encoding` receives the one chosen.
bool choose_cell_save_file(HWND owner,
                           bool text,
                           const std::string& suggested,
                           FileChoice& choice,
                           FileEncoding& encoding);
// The open dialog of a load into a cell: its file types say how the bytes go in,
// as a BLOB (`as_text` false) or as a text in `encoding`.
bool choose_cell_load_file(HWND owner, FileChoice& choice, bool& as_text, FileEncoding& encoding);
