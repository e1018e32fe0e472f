// The program as unpacked from the release zip, started from another folder: F1
// opens its help file.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "res/resource.h"
#include "tests/support/test_support.h"

namespace {

// The folder the release zip is made from, beside the test program.
std::string unpacked_program() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1) +
           "release\\korvelandis-1.2\\korvelandis.exe";
}

struct Search {
    DWORD process_id;
    const char* class_name;
    HWND found;
};

BOOL CALLBACK find_process_window(HWND hwnd, LPARAM lparam) {
    auto* search = reinterpret_cast<Search*>(lparam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char class_name[64] = "";
    GetClassNameA(hwnd, class_name, sizeof(class_name));
    if (pid == search->process_id && IsWindowVisible(hwnd) &&
        (!search->class_name || std::string(class_name) == search->class_name)) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND wait_for_window(DWORD process_id, const char* class_name) {
    Search search{process_id, class_name, nullptr};
    for (int i = 0; i < 200 && !search.found; ++i) {
        Sleep(50);
        EnumWindows(find_process_window, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

std::string title_of(HWND hwnd) {
    char text[256] = "";
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

std::wstring wide_of(const std::string& text, UINT code_page) {
    const int length = MultiByteToWideChar(code_page, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(code_page, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

// Starts the program at `program` from another folder, presses F1 and ends it.
void expect_help_opens_from(const std::wstring& program) {
    TempDir elsewhere;
    std::wstring command = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               wide_of(elsewhere.path(), CP_ACP).c_str(), &startup, &process));

    HWND main = wait_for_window(process.dwProcessId, "#32770");
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_KEYDOWN, VK_F1, 0x003B0001);
    HWND viewer = wait_for_window(process.dwProcessId, "HH Parent");
    EXPECT_NE(viewer, nullptr);
    if (viewer) {
        EXPECT_EQ(title_of(viewer), "KORVELANDIS ヘルプ");
    }

    PostMessageA(main, WM_COMMAND, IDM_EXIT, 0);
    DWORD code = 0;
    if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 99);
    }
    EXPECT_EQ(code, DWORD(IDM_EXIT));
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

}  // namespace

TEST(UnpackedProgram, F1OpensItsHelpWhenStartedFromAnotherFolder) {
    const std::string program = unpacked_program();
    ASSERT_NE(GetFileAttributesA(program.c_str()), INVALID_FILE_ATTRIBUTES)
        << program << " is missing: build the release first";
    {
        SCOPED_TRACE("the unpacked folder");
        expect_help_opens_from(wide_of(program, CP_ACP));
    }

    // Shift-JIS characters whose second byte is the byte of "\" (ソ, 表), in the
    // folder's name and in a renamed program's, must not be taken for separators.
    TempDir dir;
    const std::string folder = dir.file("ソフト表");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string unpacked = program.substr(0, program.find_last_of('\\') + 1);
    ASSERT_TRUE(CopyFileA((unpacked + "korvelandis.exe").c_str(),
                          (folder + "\\ソフト表.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA((unpacked + "korvelandis.chm").c_str(),
                          (folder + "\\korvelandis.chm").c_str(), FALSE));
    {
        SCOPED_TRACE("a renamed program in a folder with a Japanese name");
        expect_help_opens_from(wide_of(folder + "\\ソフト表.exe", CP_ACP));
    }

    // A folder whose name Shift-JIS has no form for.
    const std::wstring any = wide_of(dir.path(), CP_ACP) + L"\\caf\u00E9 \uD55C";
    ASSERT_TRUE(CreateDirectoryW(any.c_str(), nullptr));
    const std::wstring from = wide_of(unpacked, CP_ACP);
    ASSERT_TRUE(CopyFileW((from + L"korvelandis.exe").c_str(), (any + L"\\korvelandis.exe").c_str(),
                          FALSE));
    ASSERT_TRUE(CopyFileW((from + L"korvelandis.chm").c_str(), (any + L"\\korvelandis.chm").c_str(),
                          FALSE));
    SCOPED_TRACE("a folder whose name Shift-JIS cannot hold");
    expect_help_opens_from(any + L"\\korvelandis.exe");
}
