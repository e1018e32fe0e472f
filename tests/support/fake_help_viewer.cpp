// Stands in for the help viewer library in tests: the entry points at ordinals 14
// (ANSI) and 15 (wide) record what they were given and answer with a handle the
// tests recognise.
#include <windows.h>

#include <cstring>

#include "tests/support/fake_help_viewer.h"

namespace {

FakeViewerCall g_last_call{};

}  // namespace

namespace {

void record(HWND caller, UINT command, DWORD_PTR data, bool wide) {
    ++g_last_call.count;
    g_last_call.caller = caller;
    g_last_call.command = command;
    g_last_call.data = data;
    g_last_call.wide = wide;
    g_last_call.file[0] = '\0';
    g_last_call.wide_file[0] = L'\0';
}

}  // namespace

extern "C" HWND WINAPI fake_html_help(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    record(caller, command, data, false);
    if (file) {
        lstrcpynA(g_last_call.file, file, sizeof(g_last_call.file));
    }
    return kFakeViewerWindow;
}

// The wide entry also keeps the file in the code page, for tests that compare it so.
extern "C" HWND WINAPI fake_html_help_w(HWND caller, LPCWSTR file, UINT command, DWORD_PTR data) {
    record(caller, command, data, true);
    if (file) {
        lstrcpynW(g_last_call.wide_file, file, MAX_PATH);
        WideCharToMultiByte(CP_ACP, 0, file, -1, g_last_call.file, sizeof(g_last_call.file),
                            nullptr, nullptr);
        g_last_call.file[sizeof(g_last_call.file) - 1] = '\0';
    }
    return kFakeViewerWindow;
}

extern "C" const FakeViewerCall* WINAPI fake_viewer_last_call() {
    return &g_last_call;
}
