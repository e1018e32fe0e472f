#include "win/window_text.h"

#include <vector>

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
