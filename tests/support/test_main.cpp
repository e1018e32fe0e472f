#include <gtest/gtest.h>

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#endif

int main(int argc, char** argv) {
    // Every line reaches the log at once, so a program that dies shows how far it got.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
#ifdef _WIN32
    // As the program starts: COM, the rich edit control, common controls.
    CoInitialize(nullptr);
    LoadLibraryA("MSFTEDIT.DLL");
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES | ICC_COOL_CLASSES;
    InitCommonControlsEx(&controls);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
