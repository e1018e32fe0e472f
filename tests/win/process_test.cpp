// The program as a whole process: how it ends and with which exit code.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "res/resource.h"
#include "tests/support/test_support.h"
#include "tests/support/win_support.h"

namespace {

std::string program_path() {
    return program_folder() + "korvelandis.exe";
}

struct Running {
    PROCESS_INFORMATION process{};
    HWND window = nullptr;
};

BOOL CALLBACK find_main_window(HWND hwnd, LPARAM lparam) {
    auto* running = reinterpret_cast<Running*>(lparam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == running->process.dwProcessId && IsWindowVisible(hwnd)) {
        running->window = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool wait_for_window(Running& running) {
    for (int i = 0; i < 200 && !running.window; ++i) {
        Sleep(50);
        EnumWindows(find_main_window, reinterpret_cast<LPARAM>(&running));
    }
    return running.window != nullptr;
}

// Starts the program and waits for its first window.
bool start_program_at(const std::string& program, const std::string& arguments, Running& running) {
    std::string command = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &running.process)) {
        return false;
    }
    return wait_for_window(running);
}

std::wstring wide_of(const std::string& text, UINT code_page = CP_UTF8) {
    const int length = MultiByteToWideChar(code_page, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(code_page, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

// The same with a command line of any characters, as a shell starts a program on
// a file the user double-clicked.
bool start_program_wide(const std::wstring& arguments, Running& running) {
    std::wstring command = L"\"" + wide_of(program_path(), CP_ACP) + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &running.process)) {
        return false;
    }
    return wait_for_window(running);
}

bool start_program(const std::string& arguments, Running& running) {
    return start_program_at(program_path(), arguments, running);
}

DWORD wait_for_exit(Running& running) {
    DWORD code = 12345;
    if (WaitForSingleObject(running.process.hProcess, 20000) == WAIT_OBJECT_0) {
        GetExitCodeProcess(running.process.hProcess, &code);
    } else {
        TerminateProcess(running.process.hProcess, 99);
    }
    CloseHandle(running.process.hProcess);
    CloseHandle(running.process.hThread);
    return code;
}

std::string title_of(HWND hwnd) {
    char text[512] = "";
    GetWindowTextA(hwnd, text, sizeof(text));
    return text;
}

std::wstring wide_title_of(HWND hwnd) {
    wchar_t text[512] = L"";
    GetWindowTextW(hwnd, text, static_cast<int>(std::size(text)));
    return text;
}

}  // namespace

TEST(Program, ExitCodeIsTheCommandThatEndedIt) {
    struct Ending {
        UINT msg;
        WPARAM wparam;
        DWORD code;
    };
    const Ending endings[] = {
        {WM_CLOSE, 0, 2},               // the close box
        {WM_COMMAND, IDM_EXIT, 57665},  // プログラムの終了(&X)
        {WM_COMMAND, IDOK, 1},
        {WM_COMMAND, IDCANCEL, 2},
        {WM_SYSCOMMAND, SC_CLOSE, 2},  // Alt+F4
    };
    for (const Ending& ending : endings) {
        Running running;
        ASSERT_TRUE(start_program("", running)) << ending.msg;
        EXPECT_EQ(title_of(running.window), "KORVELANDIS");
        PostMessageA(running.window, ending.msg, ending.wparam, 0);
        EXPECT_EQ(wait_for_exit(running), ending.code) << ending.msg << "/" << ending.wparam;
    }
}

TEST(Program, EscapeInTheMainWindowEndsItWithCancel) {
    Running running;
    ASSERT_TRUE(start_program("", running));
    HWND selector = GetDlgItem(running.window, IDC_TABLE_SELECTOR);
    PostMessageA(selector, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    EXPECT_EQ(wait_for_exit(running), 2u);
}

TEST(Program, EndsWithZeroWhenTheRichEditLibraryIsMissing) {
    // A copy of the program under a name of its own, for which Wine is told to
    // load no rich edit library; other tests running the program are not affected.
    TempDir dir;
    const std::string copy = dir.file("korv_no_richedit.exe");
    ASSERT_TRUE(CopyFileA(program_path().c_str(), copy.c_str(), FALSE));
    HKEY key = nullptr;
    const char kOverrides[] = "Software\\Wine\\AppDefaults\\korv_no_richedit.exe\\DllOverrides";
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "msftedit", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    RegCloseKey(key);

    Running running;
    const bool started = start_program_at(copy, "", running);
    RegDeleteKeyA(HKEY_CURRENT_USER, kOverrides);
    ASSERT_TRUE(started);
    // The first window of the process is the message box, not the main window.
    EXPECT_EQ(title_of(running.window), "エラー");
    char text[256] = "";
    GetWindowTextA(GetDlgItem(running.window, 0xFFFF), text, sizeof(text));
    EXPECT_STREQ(text, "リッチエディットコントロール初期化失敗");
    PostMessageA(running.window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(wait_for_exit(running), 0u);
}

TEST(Program, OpensTheDatabaseNamedOnTheCommandLine) {
    TempDir dir;
    const std::string path = dir.file("コマンド 行.db");
    {
        TestDb db(path);
        db.exec("CREATE TABLE t(x);");
    }
    Running running;
    ASSERT_TRUE(start_program("\"" + path + "\"", running));
    for (int i = 0; i < 100 && title_of(running.window) == "KORVELANDIS"; ++i) {
        Sleep(50);
    }
    EXPECT_EQ(title_of(running.window), "コマンド 行.db - KORVELANDIS");
    PostMessageA(running.window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(wait_for_exit(running), 57665u);
}

// A folder and a file whose names Shift-JIS has no form for: the program takes
// the command line in its wide form, so the path reaches the file as it is.
TEST(Program, OpensADatabaseInAFolderOfAnyCharacters) {
    constexpr char kFolder[] = u8"caf\u00E9 \uD55C";
    constexpr char kFile[] = u8"\u00F1and\u00FA.db";
    const std::wstring expected_title = wide_of(kFile) + L" - KORVELANDIS";
    TempDir dir;
    const std::string folder = make_utf8_folder(dir.path(), kFolder);
    ASSERT_FALSE(folder.empty());
    const std::string path = folder + "\\" + kFile;
    {
        TestDb db(Utf8Path{path});
        db.exec("CREATE TABLE t(x); INSERT INTO t VALUES (1), (2);");
    }
    Running running;
    ASSERT_TRUE(start_program_wide(L"\"" + wide_of(path) + L"\"", running));
    for (int i = 0; i < 100 && wide_title_of(running.window) != expected_title; ++i) {
        Sleep(50);
    }
    EXPECT_EQ(wide_title_of(running.window), expected_title);
    EXPECT_EQ(SendMessageA(GetDlgItem(running.window, IDC_TABLE_SELECTOR), CB_GETCOUNT, 0, 0), 1);
    char label[64] = "";
    GetWindowTextA(GetDlgItem(running.window, IDC_PAGE_LABEL), label, sizeof(label));
    EXPECT_STREQ(label, "1-2");
    PostMessageA(running.window, WM_COMMAND, IDM_EXIT, 0);
    EXPECT_EQ(wait_for_exit(running), 57665u);
}
