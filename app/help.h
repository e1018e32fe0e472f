#pragma once

#include <windows.h>

#include <string>

// The help file, and the viewer command that opens it at its table of contents.
constexpr const char kHelpFileName[] = "korvelandis.chm";
constexpr UINT kHelpDisplayToc = 1;

// Forwards the four arguments to the HTML Help viewer's own (wide) entry point,
// loading the viewer library on first use: the file's path, UTF-8, in its wide
// form, the others unchanged. Returns the viewer's answer, or 0 when the viewer
// cannot be reached; after one failure it never tries again.
HWND call_help_viewer(HWND caller, const char* file, UINT command, DWORD_PTR data);

// Opens the help file at its table of contents; nothing is reported when the viewer
// or the file is missing.
void show_help_contents(HWND caller);

// The help file to hand the viewer (UTF-8): its full path when the file lies next
// to the program, otherwise the bare name, which the viewer looks for itself.
std::string help_file_location(const char* file_name = kHelpFileName);

// Where the viewer library is looked for: the default value of `key` under `root`
// names its path; failing that, `library_name` is loaded by name.
struct HelpViewerSource {
    HKEY root;
    std::string key;
    std::string library_name;
};
HelpViewerSource default_help_viewer_source();

// The process-wide viewer state, for tests.
struct HelpViewerState {
    HMODULE library;
    bool failed;
    bool resolved;
};
HelpViewerState help_viewer_state();

// For tests: forgets the viewer (the library stays loaded) and clears the failure
// latch, so that the next call looks for the viewer at `source` afresh.
void reset_help_viewer(const HelpViewerSource& source = default_help_viewer_source());
