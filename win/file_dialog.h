#pragma once

#include <windows.h>

#include <string>

enum class FileDialogKind { open, save };

// What the user chose. Paths are UTF-8 like the rest of the data, so that a
// folder or a name of any characters comes through as it is.
struct FileChoice {
    std::string path;   // the full path
    std::string title;  // the file name without its folder
    int filter = 1;     // the file type chosen, 1 for the first
};

// Shows the classic open or save dialog, centred over the owner. `filter` holds
// pairs of a text and its pattern, ending with an empty text; `extension` is added
// to a name typed without one (both the program's own texts); `suggested` (UTF-8)
// is the name the dialog starts with; `filter_index` the file type offered first
// (from 1; 0 for the first). False when the user cancels or the dialog fails.
bool choose_file(HWND owner,
                 FileDialogKind kind,
                 const char* filter,
                 const char* extension,
                 const std::string& suggested,
                 FileChoice& choice,
                 int filter_index = 0);

// The name of the file a UTF-8 path names, without its folder; and the same
// without its extension.
std::string file_name_of(const std::string& path);
std::string file_stem_of(const std::string& path);
