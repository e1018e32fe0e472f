#include "app/help.h"

#include <cstring>
#include <vector>

namespace {

using HtmlHelpEntry = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

constexpr const char kViewerKey[] = "CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
constexpr const char kViewerLibrary[] = "hhctrl.ocx";
constexpr WORD kViewerEntryOrdinal = 14;
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

// The folder of the running program, with its trailing backslash, or an empty text.
std::string program_folder() {
    std::vector<char> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
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
    const std::string full(path.begin(), path.end());
    // The code page's own scan: a trail byte of a Japanese character can be 0x5C.
    const char* last_separator = nullptr;
    for (const char* p = full.c_str(); *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == '/') {
            last_separator = p;
        }
    }
    if (!last_separator) {
        return std::string();
    }
    return full.substr(0, static_cast<std::size_t>(last_separator - full.c_str()) + 1);
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
    return state.entry(caller, file, command, data);
}

std::string help_file_location(const char* file_name) {
    const std::string folder = program_folder();
    if (!folder.empty()) {
        const std::string beside_program = folder + file_name;
        const DWORD attributes = GetFileAttributesA(beside_program.c_str());
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
