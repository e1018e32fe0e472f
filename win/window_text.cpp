#include "win/window_text.h"

#include <vector>

#include "win/wide_text.h"

std::string read_window_text(HWND hwnd) {
    std::size_t room = static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) * 2 + 16;
    for (;;) {
        std::vector<char> text(room, '\0');
        const LRESULT copied =
            SendMessageA(hwnd, WM_GETTEXT, room, reinterpret_cast<LPARAM>(text.data()));
        if (copied < 0) {
            return std::string();
        }
        if (static_cast<std::size_t>(copied) + 2 < room) {
            return std::string(text.data(), static_cast<std::size_t>(copied));
        }
        room *= 2;
    }
}

namespace {

std::wstring wide_window_text(HWND hwnd) {
    std::size_t room = static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 16;
    for (;;) {
        std::vector<wchar_t> text(room, L'\0');
        const LRESULT copied =
            SendMessageW(hwnd, WM_GETTEXT, room, reinterpret_cast<LPARAM>(text.data()));
        if (copied < 0) {
            return std::wstring();
        }
        if (static_cast<std::size_t>(copied) + 2 < room) {
            return std::wstring(text.data(), static_cast<std::size_t>(copied));
        }
        room *= 2;
    }
}

}  // namespace

bool read_window_text_utf8(HWND hwnd, std::string& utf8) {
    return utf8_of_wide(wide_window_text(hwnd), utf8);
}

std::string window_text_utf8(HWND hwnd) {
    return shown_utf8_of_wide(wide_window_text(hwnd));
}

void set_window_text_utf8(HWND hwnd, std::string_view utf8) {
    SetWindowTextW(hwnd, wide_of_utf8(utf8).c_str());
}
