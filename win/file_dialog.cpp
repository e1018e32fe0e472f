#include "win/file_dialog.h"

#include <commdlg.h>
#include <shlwapi.h>

#include <cstring>
#include <vector>

#include "win/dialog_layout.h"
#include "win/wide_text.h"

namespace {

constexpr std::size_t kFileSize = 260;
constexpr std::size_t kTitleSize = 256;

UINT_PTR CALLBACK centre_hook(HWND hook_dialog, UINT msg, WPARAM, LPARAM lparam) {
    if (msg == WM_NOTIFY && reinterpret_cast<const OFNOTIFYW*>(lparam)->hdr.code == CDN_INITDONE) {
        // The hook's window is a child of the real dialog.
        center_window(GetParent(hook_dialog));
    }
    return 0;
}

// The pairs of a filter, each text ending with a zero and the whole with another.
std::wstring wide_filter(const char* filter) {
    std::size_t length = 0;
    while (filter[length] != '\0') {
        length += std::strlen(filter + length) + 1;
    }
    return wide_of_ansi(std::string_view(filter, length + 1));
}

}  // namespace

bool choose_file(HWND owner,
                 FileDialogKind kind,
                 const char* filter,
                 const char* extension,
                 const std::string& suggested,
                 FileChoice& choice,
                 int filter_index) {
    wchar_t file[kFileSize] = L"";
    wchar_t title[kTitleSize] = L"";
    const std::wstring wide_suggested = wide_of_utf8(suggested);
    if (wide_suggested.size() < std::size(file)) {
        wide_suggested.copy(file, wide_suggested.size());
    }
    const std::wstring filters = wide_filter(filter);
    const std::wstring wide_extension = wide_of_ansi(extension);

    OPENFILENAMEW ofn{};
    // The structure up to lpTemplateName, as the layout of each architecture places
    // it: the classic dialog with the file-name edit box, on x86 and x64 alike (the
    // full structure would bring the places bar and a file-name combo box).
    ofn.lStructSize = static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400W);
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(filter_index);
    ofn.lpstrFile = file;
    ofn.nMaxFile = static_cast<DWORD>(std::size(file));
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = static_cast<DWORD>(std::size(title));
    ofn.lpstrDefExt = wide_extension.c_str();
    ofn.Flags =
        OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING | OFN_ENABLEHOOK;
    ofn.lpfnHook = centre_hook;

    const BOOL chosen =
        kind == FileDialogKind::save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) {
        return false;
    }
    // A name holding half of a surrogate pair has no UTF-8 form: no file is
    // named rather than another one.
    FileChoice chosen_file;
    if (!utf8_of_wide(file, chosen_file.path) || !utf8_of_wide(title, chosen_file.title)) {
        return false;
    }
    chosen_file.filter = static_cast<int>(ofn.nFilterIndex);
    choice = std::move(chosen_file);
    return true;
}

std::string file_name_of(const std::string& path) {
    const std::wstring wide = wide_of_utf8(path);
    return shown_utf8_of_wide(PathFindFileNameW(wide.c_str()));
}

std::string file_stem_of(const std::string& path) {
    std::wstring name = wide_of_utf8(file_name_of(path));
    name.push_back(L'\0');
    PathRemoveExtensionW(name.data());
    return shown_utf8_of_wide(name.c_str());
}
