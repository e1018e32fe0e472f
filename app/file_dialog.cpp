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
                 FileChoice& choice) {
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
    ofn.nFilterIndex = 0;
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
