#include "app/file_dialog.h"

#include <commdlg.h>

#include "win/dialog_layout.h"

namespace {

// Filter pairs, each text followed by its pattern, ending with an empty text.
constexpr char kFilter[] =
    "データベース ファイル (*.db)\0*.db\0"
    "すべてのファイル (*.*)\0*.*\0";
constexpr char kCsvFilter[] =
    "CSV ファイル (*.csv)\0*.csv\0"
    "テキスト ファイル (*.txt)\0*.txt\0"
    "すべてのファイル (*.*)\0*.*\0";
constexpr char kCsvExtension[] = "csv";
// The file types of a cell's save and load, in the order of CsvEncoding.
constexpr char kCellTextFilter[] =
    "テキスト Shift-JIS (*.txt)\0*.txt\0"
    "テキスト UTF-8 BOM 付き (*.txt)\0*.txt\0"
    "テキスト UTF-8 (*.txt)\0*.txt\0"
    "すべてのファイル (*.*)\0*.*\0";
constexpr char kCellBytesFilter[] = "すべてのファイル (*.*)\0*.*\0";
constexpr char kCellLoadFilter[] =
    "BLOB として (*.*)\0*.*\0"
    "テキスト Shift-JIS として (*.*)\0*.*\0"
    "テキスト UTF-8 として (*.*)\0*.*\0";
constexpr std::size_t kFileSize = 260;
constexpr std::size_t kTitleSize = 256;

UINT_PTR CALLBACK centre_hook(HWND hook_dialog, UINT msg, WPARAM, LPARAM lparam) {
    if (msg == WM_NOTIFY && reinterpret_cast<const OFNOTIFYA*>(lparam)->hdr.code == CDN_INITDONE) {
        // The hook's window is a child of the real dialog.
        center_window(GetParent(hook_dialog));
    }
    return 0;
}

bool choose_file(HWND owner,
                 FileDialogKind kind,
                 const char* filter,
                 const char* extension,
                 const std::string& suggested,
                 FileChoice& choice,
                 int filter_index = 0) {
    char file[kFileSize] = "";
    char title[kTitleSize] = "";
    if (suggested.size() < sizeof(file)) {
        suggested.copy(file, suggested.size());
    }

    OPENFILENAMEA ofn{};
    // The structure up to lpTemplateName, as the layout of each architecture places
    // it: the classic dialog with the file-name edit box, on x86 and x64 alike (the
    // full structure would bring the places bar and a file-name combo box).
    ofn.lStructSize = static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = static_cast<DWORD>(filter_index);
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof(file);
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof(title);
    ofn.lpstrDefExt = extension;
    ofn.Flags =
        OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLEHOOK;
    ofn.lpfnHook = centre_hook;

    const BOOL chosen =
        kind == FileDialogKind::save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen) {
        return false;
    }
    choice.path = file;
    choice.title = title;
    choice.filter = static_cast<int>(ofn.nFilterIndex);
    return true;
}

}  // namespace

bool choose_database_file(HWND owner, FileDialogKind kind, FileChoice& choice) {
    static const char kNoExtension[] = "";
    return choose_file(owner, kind, kFilter, kNoExtension, std::string(), choice);
}

bool choose_csv_file(HWND owner,
                     FileDialogKind kind,
                     const std::string& suggested,
                     FileChoice& choice) {
    return choose_file(owner, kind, kCsvFilter, kCsvExtension, suggested, choice);
}

bool choose_cell_save_file(HWND owner,
                           bool text,
                           const std::string& suggested,
                           FileChoice& choice,
                           CsvEncoding& encoding) {
    static const char kNoExtension[] = "";
    if (!text) {
        return choose_file(owner, FileDialogKind::save, kCellBytesFilter, kNoExtension, suggested,
                           choice);
    }
    if (!choose_file(owner, FileDialogKind::save, kCellTextFilter, kNoExtension, suggested, choice,
                     static_cast<int>(encoding) + 1)) {
        return false;
    }
    // "All files" keeps the encoding offered first.
    if (choice.filter >= 1 && choice.filter <= 3) {
        encoding = static_cast<CsvEncoding>(choice.filter - 1);
    }
    return true;
}

bool choose_cell_load_file(HWND owner, FileChoice& choice, bool& as_text, CsvEncoding& encoding) {
    static const char kNoExtension[] = "";
    if (!choose_file(owner, FileDialogKind::open, kCellLoadFilter, kNoExtension, std::string(),
                     choice, 1)) {
        return false;
    }
    as_text = choice.filter == 2 || choice.filter == 3;
    encoding = choice.filter == 2 ? CsvEncoding::shift_jis : CsvEncoding::utf8;
    return true;
}
