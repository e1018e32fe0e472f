#include "app/help.h"

#include <cstring>
#include <vector>

#include "win/wide_text.h"

namespace {

using HtmlHelpEntry = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);

constexpr const char kViewerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr const char kViewerLibrary[] = "hhctrl.ocx";
// The viewer's wide entry: the help file's path may hold any character.
constexpr WORD kViewerEntryOrdinal = 15;
constexpr DWORD kViewerPathSize = 260;

// One viewer for the whole process, found on first use.
struct HelpViewer {
    HelpViewerSource source = default_help_viewer_source();
    HMODULE library = nullptr;
    bool failed = false;
    HtmlHelpEntry entry = nullptr;
};

HelpViewer& viewer() {
    static HelpViewer instance;
    return instance;
}

// The library path registered for the viewer's class, or an empty text.
std::string registered_viewer_path(const HelpViewerSource& source) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(source.root, source.key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::string();
    }
    char value[kViewerPathSize] = "";
    DWORD size = sizeof(value);
    DWORD type = REG_NONE;
    const LONG status =
        RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ) || size == 0) {
        return std::string();
    }
    // The registry need not store a terminator; a value filling the whole buffer
    // without one does not fit, and a cut path could name another library.
    if (value[size - 1] != '\0') {
        if (size >= sizeof(value)) {
            return std::string();
        }
        value[size] = '\0';
    }
    if (type == REG_SZ) {
        return value;
    }
    char expanded[kViewerPathSize] = "";
    const DWORD needed = ExpandEnvironmentStringsA(value, expanded, sizeof(expanded));
    if (needed == 0 || needed > sizeof(expanded)) {
        return std::string();
    }
    return expanded;
}

HMODULE load_viewer(const HelpViewerSource& source) {
    HMODULE library = nullptr;
    const std::string path = registered_viewer_path(source);
    if (!path.empty()) {
        library = LoadLibraryA(path.c_str());
    }
    if (!library) {
        library = LoadLibraryA(source.library_name.c_str());
    }
    return library;
}

// The folder of the running program (UTF-8), with its trailing backslash, or an
// empty text.
std::string program_folder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::string();
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        if (path.size() >= 32768) {
            return std::string();
        }
        path.resize(path.size() * 2);
    }
    const std::wstring full(path.begin(), path.end());
    const std::size_t last_separator = full.find_last_of(L"\\/");
    std::string folder;
    // A folder whose name holds half of a surrogate pair has no UTF-8 form: the
    // viewer then looks for the file by its bare name.
    if (last_separator == std::wstring::npos ||
        !utf8_of_wide(std::wstring_view(full).substr(0, last_separator + 1), folder)) {
        return std::string();
    }
    return folder;
}

}  // namespace

HelpViewerSource default_help_viewer_source() {
    return HelpViewerSource{HKEY_CLASSES_ROOT, kViewerKey, kViewerLibrary};
}

HWND call_help_viewer(HWND caller, const char* file, UINT command, DWORD_PTR data) {
    HelpViewer& state = viewer();
    if (state.failed) {
        return nullptr;
    }
    if (!state.library) {
        state.library = load_viewer(state.source);
        if (!state.library) {
            state.failed = true;
            return nullptr;
        }
    }
    if (!state.entry) {
        state.entry = reinterpret_cast<HtmlHelpEntry>(reinterpret_cast<void*>(
            GetProcAddress(state.library, MAKEINTRESOURCEA(kViewerEntryOrdinal))));
        if (!state.entry) {
            state.failed = true;
            return nullptr;
        }
    }
    const std::wstring wide_file = file ? wide_of_utf8(file) : std::wstring();
    return state.entry(caller, file ? wide_file.c_str() : nullptr, command, data);
}

std::string help_file_location(const char* file_name) {
    const std::string folder = program_folder();
    if (!folder.empty()) {
        const std::string beside_program = folder + file_name;
        const DWORD attributes = GetFileAttributesW(wide_of_utf8(beside_program).c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return beside_program;
        }
    }
    return file_name;
}

void show_help_contents(HWND caller) {
    call_help_viewer(caller, help_file_location().c_str(), kHelpDisplayToc, 0);
}

HelpViewerState help_viewer_state() {
    const HelpViewer& state = viewer();
    return HelpViewerState{state.library, state.failed, state.entry != nullptr};
}

void reset_help_viewer(const HelpViewerSource& source) {
    HelpViewer& state = viewer();
    state = HelpViewer{};
    state.source = source;
}
