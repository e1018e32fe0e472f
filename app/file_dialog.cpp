#include "app/file_dialog.h"

namespace {

// Filter pairs, each text followed by its pattern, ending with an empty text.
constexpr char kFilter[] =
    "データベース ファイル (*.db)\0*.db\0"
    "すべてのファイル (*.*)\0*.*\0";
// The file types of a cell's save and load, in the order of FileEncoding.
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

}  // namespace

bool choose_database_file(HWND owner, FileDialogKind kind, FileChoice& choice) {
    static const char kNoExtension[] = "";
    return choose_file(owner, kind, kFilter, kNoExtension, std::string(), choice);
}

bool choose_cell_save_file(HWND owner,
                           bool text,
                           const std::string& suggested,
                           FileChoice& choice,
                           FileEncoding& encoding) {
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
        encoding = static_cast<FileEncoding>(choice.filter - 1);
    }
    return true;
}

bool choose_cell_load_file(HWND owner, FileChoice& choice, bool& as_text, FileEncoding& encoding) {
    static const char kNoExtension[] = "";
    if (!choose_file(owner, FileDialogKind::open, kCellLoadFilter, kNoExtension, std::string(),
                     choice, 1)) {
        return false;
    }
    as_text = choice.filter == 2 || choice.filter == 3;
    encoding = choice.filter == 2 ? FileEncoding::shift_jis : FileEncoding::utf8;
    return true;
}
