#include "win/file_dialog.h"

#include <commdlg.h>

#include "win/dialog_layout.h"

namespace {

constexpr std::size_t kFileSize = 260;
constexpr std::size_t kTitleSize = 256;

UINT_PTR CALLBACK centre_hook(HWND hook_dialog, UINT msg, WPARAM, LPARAM lparam) {
    if (msg == WM_NOTIFY && reinterpret_cast<const OFNOTIFYA*>(lparam)->hdr.code == CDN_INITDONE) {
        // The hook's window is a child of the real dialog.
        center_window(GetParent(hook_dialog));
    }
    return 0;
}

}  // namespace

bool choose_file(HWND owner,
                 FileDialogKind kind,
                 const char* filter,
                 const char* extension,
                 const std::string& suggested,
                 FileChoice& choice,
                 int filter_index) {
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
