#pragma once

#include <windows.h>

// What the stand-in viewer library (fake_help_viewer.dll) answers and records.
const HWND kFakeViewerWindow = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4B56));

struct FakeViewerCall {
    int count;
    HWND caller;
    char file[MAX_PATH];
    UINT command;
    DWORD_PTR data;
    // Called through the wide entry, with this file.
    bool wide;
    wchar_t wide_file[MAX_PATH];
};

// Exported by name: FakeViewerCall* fake_viewer_last_call().
using FakeViewerLastCall = const FakeViewerCall*(WINAPI*)();
constexpr const char kFakeViewerLibrary[] = "fake_help_viewer.dll";
