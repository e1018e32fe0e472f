// Stands in for the help viewer library in tests: the entry point at ordinal 14
// records what it was given and answers with a handle the tests recognise.
#include <windows.h>

#include <cstring>

#include "tests/support/fake_help_viewer.h"

namespace {

FakeViewerCall g_last_call{};

}  // namespace

extern "C" HWND WINAPI fake_html_help(HWND caller, LPCSTR file, UINT command, DWORD_PTR data) {
    ++g_last_call.count;
    g_last_call.caller = caller;
    g_last_call.command = command;
    g_last_call.data = data;
    g_last_call.file[0] = '\0';
    if (file) {
        lstrcpynA(g_last_call.file, file, sizeof(g_last_call.file));
    }
    return kFakeViewerWindow;
}

extern "C" const FakeViewerCall* WINAPI fake_viewer_last_call() {
    return &g_last_call;
}
