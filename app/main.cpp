#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "app/application.h"
#include "win/message_box.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show_command) {
    CoInitialize(nullptr);

    // The text edit dialog and the SQL editor use the Unicode rich edit control,
    // which shows and takes every character of the data (the version-1 control
    // passed text through the code page).
    if (!LoadLibraryA("MSFTEDIT.DLL")) {
        show_message_box(nullptr, "リッチエディットコントロール初期化失敗", "エラー",
                         MB_OK | MB_ICONERROR);
        return 0;
    }

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    InitCommonControlsEx(&controls);

    // The wide command line: the ANSI one has substitutes for the characters of a
    // path that the code page lacks.
    const int result = run_application(command_line_after_program(GetCommandLineW()), show_command);

    CoUninitialize();
    return result;
}
