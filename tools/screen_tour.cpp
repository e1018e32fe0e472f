// Walks through the program's windows and keeps a picture of each, for a person to
// look at (scripts/screen-tour.sh runs it under Xvfb at a chosen display scale).
// It starts the real program on a database, opens each window with the commands a
// user gives and reads back what the screen shows inside the window's frame.
//
//     screen_tour <program.exe> <database> <csv file> <output folder>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource.h"

namespace {

std::string g_out;
DWORD g_process = 0;

void wait(int ms) {
    Sleep(static_cast<DWORD>(ms));
}

// The program's visible top-level windows of a class, newest first as the system
// lists them.
std::vector<HWND> program_windows(const char* class_name) {
    struct Found {
        const char* class_name;
        std::vector<HWND> windows;
    } found{class_name, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* f = reinterpret_cast<Found*>(data);
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            char name[64] = "";
            GetClassNameA(window, name, sizeof(name));
            if (process == g_process && IsWindowVisible(window) &&
                std::strcmp(name, f->class_name) == 0) {
                f->windows.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.windows;
}

// Waits for a window of the program that is not `other`.
HWND wait_for_window(HWND other, const char* class_name = "#32770") {
    for (int i = 0; i < 100; ++i) {
        for (HWND window : program_windows(class_name)) {
            if (window != other) {
                wait(600);
                return window;
            }
        }
        wait(100);
    }
    return nullptr;
}

void save_window(HWND window, const char* name) {
    RECT r{};
    if (!window || !GetWindowRect(window, &r)) {
        std::printf("%s: no window\n", name);
        return;
    }
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 4);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);

    const std::string path = g_out + "\\" + name + ".bmp";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return;
    }
    BITMAPFILEHEADER file_header{};
    file_header.bfType = 0x4D42;
    file_header.bfOffBits = sizeof(file_header) + sizeof(header);
    file_header.bfSize = file_header.bfOffBits + static_cast<DWORD>(pixels.size());
    std::fwrite(&file_header, sizeof(file_header), 1, file);
    std::fwrite(&header, sizeof(header), 1, file);
    std::fwrite(pixels.data(), 1, pixels.size(), file);
    std::fclose(file);
    std::printf("%s: %dx%d at %d,%d\n", name, width, height, static_cast<int>(r.left),
                static_cast<int>(r.top));
}

void key(WORD vk, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

void press(WORD vk, WORD modifier = 0) {
    if (modifier) {
        key(modifier, false);
    }
    key(vk, false);
    key(vk, true);
    if (modifier) {
        key(modifier, true);
    }
    wait(300);
}

void command(HWND window, int id) {
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// Opens a dialog with a command of the main window, pictures it and closes it.
void dialog_shot(HWND main, int id, const char* name) {
    command(main, id);
    HWND dialog = wait_for_window(main);
    save_window(dialog, name);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    wait(500);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: screen_tour <program> <database> <csv> <folder>\n");
        return 2;
    }
    g_out = argv[4];
    std::string command_line = std::string("\"") + argv[1] + "\" \"" + argv[2] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(argv[1], &command_line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "screen_tour: cannot start %s\n", argv[1]);
        return 1;
    }
    g_process = process.dwProcessId;
    WaitForInputIdle(process.hProcess, 10000);
    HWND main = wait_for_window(nullptr);
    if (!main) {
        std::fprintf(stderr, "screen_tour: no main window\n");
        return 1;
    }
    SetForegroundWindow(main);
    wait(500);
    save_window(main, "main");

    // A record chosen and its first cell opened in place.
    PostMessageA(main, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(main, IDC_GRID)), TRUE);
    wait(300);
    press(VK_DOWN);
    press(VK_RETURN);
    save_window(main, "main-editing");
    press(VK_ESCAPE);

    // The second column in the text dialog (Ctrl with the double click or Enter).
    press(VK_RETURN, VK_CONTROL);
    HWND text = wait_for_window(main);
    save_window(text, "text-edit");
    PostMessageA(text, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    wait(500);

    dialog_shot(main, IDM_CELL_VIEW, "value-viewer");
    dialog_shot(main, IDM_EDIT_STRUCTURE, "structure-editor");
    dialog_shot(main, IDM_EXPORT_CSV, "csv-export");
    dialog_shot(main, IDM_ABOUT, "about");

    // The SQL editor with a query run.
    command(main, IDM_SQL_EDITOR);
    HWND editor = wait_for_window(main);
    SetDlgItemTextA(editor, IDC_SQL_TEXT, "SELECT * FROM sqlite_master;");
    wait(300);
    PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    wait(1000);
    save_window(editor, "sql-editor");
    PostMessageA(editor, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    wait(500);

    // CSV import: the file dialog, then the import dialog for the file.
    command(main, IDM_IMPORT_CSV);
    HWND files = wait_for_window(main);
    save_window(files, "csv-file-dialog");
    HWND name = GetDlgItem(files, 0x47c);  // the file name box (cmb13)
    if (!name) {
        name = GetDlgItem(files, 0x480);  // edt1
    }
    SetWindowTextA(name, argv[3]);
    PostMessageA(files, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    wait(1000);
    HWND import = wait_for_window(main);
    save_window(import, "csv-import");
    PostMessageA(import, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    wait(500);

    // A filter typed into the filter line over the first column, then a sort by
    // a click on the third column's header and a further key by Ctrl and a click
    // on the second's. The columns' places follow from their widths (the grid
    // starts scrolled to its left edge).
    HWND grid = GetDlgItem(main, IDC_GRID);
    HWND strip = GetDlgItem(main, IDC_FILTER_STRIP);
    HWND header = reinterpret_cast<HWND>(SendMessageA(grid, LVM_GETHEADER, 0, 0));
    const auto middle_of = [grid](int column) {
        int left = 0;
        for (int c = 0; c < column; ++c) {
            left += static_cast<int>(SendMessageA(grid, LVM_GETCOLUMNWIDTH, c, 0));
        }
        return left + static_cast<int>(SendMessageA(grid, LVM_GETCOLUMNWIDTH, column, 0)) / 2;
    };
    const auto click = [](HWND window, int x, int y, WPARAM keys) {
        PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
        PostMessageA(window, WM_LBUTTONUP, keys, MAKELPARAM(x, y));
        wait(500);
    };
    if (grid && strip && header) {
        click(strip, middle_of(1), 4, 0);
        press('T');
        press(VK_RETURN);
        click(header, middle_of(3), 4, 0);
        key(VK_CONTROL, false);
        click(header, middle_of(2), 4, MK_CONTROL);
        key(VK_CONTROL, true);
        wait(500);
        save_window(main, "main-filtered");
    }

    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
